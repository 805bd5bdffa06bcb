#include "LinuxPlatform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sched.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "ErrorCodes.h"
#include "VersionNote.h"

extern char** environ;

namespace veltaro {

namespace {

constexpr std::uint32_t kErrorModuleNotFound = 126;  // ERROR_MOD_NOT_FOUND
constexpr std::uint32_t kErrorProcNotFound = 127;    // ERROR_PROC_NOT_FOUND

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ReadProcCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The user's locale for one category; the "C" locale when the user's is not
// installed. The process's own locale is left alone.
class TUserLocale {
 public:
  explicit TUserLocale(int mask) : locale_(newlocale(mask, "", nullptr)) {
    if (!locale_) locale_ = newlocale(mask, "C", nullptr);
  }
  ~TUserLocale() {
    if (locale_) freelocale(locale_);
  }
  TUserLocale(const TUserLocale&) = delete;
  TUserLocale& operator=(const TUserLocale&) = delete;
  locale_t get() const { return locale_; }

 private:
  locale_t locale_;
};

std::string FormatNow(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  TUserLocale locale(LC_TIME_MASK);
  char buffer[256];
  if (!locale.get()) return {};
  const std::size_t n = strftime_l(buffer, sizeof buffer, format, &local, locale.get());
  return std::string(buffer, n);
}

struct TLocaleRow {
  const char* name;
  std::uint32_t lcid;
};

// Language and territory to locale identifier; the first row of a language
// also stands for that language alone.
constexpr TLocaleRow kLocales[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409},
    {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"de_DE", 0x0407}, {"de_CH", 0x0807},
    {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407}, {"fr_FR", 0x040C}, {"fr_BE", 0x080C},
    {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C}, {"es_ES", 0x0C0A}, {"es_MX", 0x080A},
    {"es_AR", 0x2C0A}, {"it_IT", 0x0410}, {"it_CH", 0x0810}, {"nl_NL", 0x0413}, {"nl_BE", 0x0813},
    {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"sv_SE", 0x041D}, {"sv_FI", 0x081D}, {"da_DK", 0x0406},
    {"nb_NO", 0x0414}, {"nn_NO", 0x0814}, {"fi_FI", 0x040B}, {"is_IS", 0x040F}, {"pl_PL", 0x0415},
    {"cs_CZ", 0x0405}, {"sk_SK", 0x041B}, {"hu_HU", 0x040E}, {"sl_SI", 0x0424}, {"hr_HR", 0x041A},
    {"ro_RO", 0x0418}, {"bg_BG", 0x0402}, {"ru_RU", 0x0419}, {"uk_UA", 0x0422}, {"el_GR", 0x0408},
    {"tr_TR", 0x041F}, {"he_IL", 0x040D}, {"ar_SA", 0x0401}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412},
    {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"th_TH", 0x041E}, {"vi_VN", 0x042A},
    {"hi_IN", 0x0439}, {"et_EE", 0x0425}, {"lv_LV", 0x0426}, {"lt_LT", 0x0427}, {"ca_ES", 0x0403},
    {"eu_ES", 0x042D}, {"gl_ES", 0x0456},
};

constexpr std::uint32_t kLocaleInvariant = 0x007F;
constexpr std::uint32_t kLocaleCustomUnspecified = 0x1000;

}  // namespace

TLinuxPlatform::TLinuxPlatform(std::string moduleFileName, std::vector<std::string> arguments)
    : moduleFileName_(std::move(moduleFileName)), arguments_(std::move(arguments)) {}

TLinuxPlatform::~TLinuxPlatform() { ReapChildren(); }

bool TLinuxPlatform::Fail(int errorNumber) {
  lastError_ = errorNumber;
  return false;
}

bool TLinuxPlatform::FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool TLinuxPlatform::DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool TLinuxPlatform::CreateNewFile(const std::string& path) {
  // O_EXCL refuses any existing name, a planted link included.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return Fail(errno);
  ::close(fd);
  return true;
}

bool TLinuxPlatform::DeleteFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return Fail(errno);
  return true;
}

namespace {

// A file that the program may treat as its own: an ordinary file with this
// one name, owned by the user the program runs as. A file with a further
// name (a hard link planted in its place) or of another owner belongs to
// someone else, whose mode and contents stay as they are.
bool OwnOrdinaryFile(const struct stat& st) {
  return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid();
}

}  // namespace

void TLinuxPlatform::ResetFileAttributes(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !OwnOrdinaryFile(st)) return;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  if (::fstat(fd, &st) == 0 && OwnOrdinaryFile(st)) {
    ::fchmod(fd, (st.st_mode & 07777 & ~mode_t{S_ISUID | S_ISGID | S_ISVTX}) | S_IRUSR | S_IWUSR);
  }
  ::close(fd);
}

bool TLinuxPlatform::AppendToFile(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return Fail(errno);
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && OwnOrdinaryFile(st);
  if (!ok) lastError_ = EACCES;
  const char* data = text.data();
  std::size_t left = text.size();
  while (ok && left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = Fail(n < 0 ? errno : EIO);
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && ok) ok = Fail(errno);
  return ok;
}

std::string TLinuxPlatform::TempPath() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? std::string(dir) : std::string("/tmp");
}

std::string TLinuxPlatform::SystemDirectoryPath() { return DirectoryOf(ModuleFileName()); }

std::string TLinuxPlatform::WindowsDirectoryPath() { return DirectoryOf(ModuleFileName()); }

std::string TLinuxPlatform::ModuleFileName() {
  if (moduleFileName_) return *moduleFileName_;
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> TLinuxPlatform::CommandLineArguments() {
  if (arguments_) return *arguments_;
  std::vector<std::string> arguments;
  const std::string raw = ReadProcCommandLine();
  std::size_t start = 0;
  while (start < raw.size()) {
    std::size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    arguments.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

std::string TLinuxPlatform::RawCommandLine() { return JoinCommandLine(CommandLineArguments()); }

bool TLinuxPlatform::ReadClassesRootDefault(const std::string&, TRegistryValue& value) {
  value = {};
  return Fail(ENOENT);
}

TLibraryHandle TLinuxPlatform::LoadLibrary(const std::string& name) {
  if (name.empty()) {
    Fail(EINVAL);
    return nullptr;
  }
  void* library = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) lastError_ = -static_cast<int>(kErrorModuleNotFound);
  return library;
}

void* TLinuxPlatform::LibraryExport(TLibraryHandle library, const std::string& name) {
  if (!library) return nullptr;
  void* address = ::dlsym(library, name.c_str());
  if (!address) lastError_ = -static_cast<int>(kErrorProcNotFound);
  return address;
}

void TLinuxPlatform::FreeLibrary(TLibraryHandle library) {
  if (library) ::dlclose(library);
}

bool TLinuxPlatform::FileVersionWords(const std::string& path, std::uint32_t& mostSignificant,
                                      std::uint32_t& leastSignificant) {
  return ReadVersionNote(path, mostSignificant, leastSignificant);
}

// Codes of the loader are Windows codes already (stored negated); the rest
// are C library error numbers.
std::uint32_t TLinuxPlatform::LastErrorCode() {
  if (lastError_ < 0) return static_cast<std::uint32_t>(-lastError_);
  return WindowsErrorCode(lastError_);
}

TSystemVersion TLinuxPlatform::SystemVersion() {
  TSystemVersion version;
  struct utsname names {};
  if (::uname(&names) != 0) return version;
  version.family = TSystemFamily::Other;
  version.name = names.sysname;
  ParseRelease(names.release, version.major, version.minor, version.build);
  version.servicePack = names.version;
  return version;
}

TLocaleInfo TLinuxPlatform::LocaleInfo() {
  TLocaleInfo info;
  std::string name;
  for (const char* variable : {"LC_ALL", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      name = value;
      break;
    }
  }
  info.defaultLcid = LocaleIdentifier(name);
  TUserLocale numeric(LC_NUMERIC_MASK);
  if (numeric.get()) {
    const char* radix = nl_langinfo_l(RADIXCHAR, numeric.get());
    if (radix && *radix) info.decimalSeparator = radix;
  }
  return info;
}

std::string TLinuxPlatform::LongTimeNow() { return FormatNow("%X"); }

std::string TLinuxPlatform::DateTimeNow() { return FormatNow("%x %X"); }

bool TLinuxPlatform::ShellOpen(TWindowHandle, const std::string& program, const std::string& parameters, int) {
  ReapChildren();
  std::vector<std::string> arguments = SplitCommandLine(parameters);
  arguments.insert(arguments.begin(), program);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  const int result = ::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (result != 0) return Fail(result);
  children_.push_back(child);
  return true;
}

// Collects the exit of viewer programs that have ended, so none lingers.
void TLinuxPlatform::ReapChildren() {
  std::erase_if(children_, [](pid_t child) { return ::waitpid(child, nullptr, WNOHANG) != 0; });
}

void TLinuxPlatform::YieldTimeSlice() { ::sched_yield(); }

TWindowHandle TLinuxPlatform::DesktopWindow() { return nullptr; }

std::vector<std::string> SplitCommandLine(const std::string& parameters) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  std::size_t i = 0;
  while (i < parameters.size()) {
    const char c = parameters[i];
    if (c == '\\') {
      std::size_t slashes = 0;
      while (i < parameters.size() && parameters[i] == '\\') {
        ++slashes;
        ++i;
      }
      inArgument = true;
      if (i < parameters.size() && parameters[i] == '"') {
        current.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          current += '"';
          ++i;
        }
      } else {
        current.append(slashes, '\\');
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
    ++i;
  }
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    const bool needsQuotes = argument.empty() || argument.find_first_of(" \t\"") != std::string::npos;
    if (!needsQuotes) {
      line += argument;
      continue;
    }
    line += '"';
    std::size_t slashes = 0;
    for (const char c : argument) {
      if (c == '\\') {
        ++slashes;
        continue;
      }
      if (c == '"') {
        line.append(slashes * 2 + 1, '\\');
      } else {
        line.append(slashes, '\\');
      }
      slashes = 0;
      line += c;
    }
    line.append(slashes * 2, '\\');
    line += '"';
  }
  return line;
}

std::uint32_t LocaleIdentifier(const std::string& localeName) {
  const std::string name = localeName.substr(0, localeName.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") return kLocaleInvariant;
  const std::string language = name.substr(0, name.find('_'));
  for (const TLocaleRow& row : kLocales) {
    if (name == row.name) return row.lcid;
  }
  for (const TLocaleRow& row : kLocales) {
    if (language == std::string(row.name).substr(0, 2) && language.size() == 2) return row.lcid;
  }
  return kLocaleCustomUnspecified;
}

void ParseRelease(const std::string& release, std::uint32_t& major, std::uint32_t& minor, std::uint32_t& patch) {
  std::uint32_t* parts[] = {&major, &minor, &patch};
  for (std::uint32_t* part : parts) *part = 0;
  std::size_t i = 0;
  for (std::uint32_t* part : parts) {
    if (i >= release.size() || release[i] < '0' || release[i] > '9') return;
    std::uint64_t value = 0;
    while (i < release.size() && release[i] >= '0' && release[i] <= '9') {
      value = value * 10 + static_cast<std::uint64_t>(release[i] - '0');
      if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;
      ++i;
    }
    *part = static_cast<std::uint32_t>(value);
    if (i >= release.size() || release[i] != '.') return;
    ++i;
  }
}

}  // namespace veltaro
