#include "VarTableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "Format.h"
#include "Messages.h"
#include "Parser.h"

namespace veltaro {

namespace {

constexpr std::size_t kMaxCountToken = 32;
constexpr std::size_t kMaxNumberToken = 64;

// Reads a table file the way a text-file reader reads it: a line ends at a
// carriage return (a line feed directly after it belongs to the line end);
// numbers skip blanks, control characters and line ends before them, and
// the rest of their line is dropped after them.
class TTableReader {
 public:
  explicit TTableReader(std::string_view text) : text_(text) {}

  // Everything up to the line end; the line end is consumed.
  std::string_view Line() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != '\r') ++pos_;
    const std::string_view line = text_.substr(start, pos_ - start);
    SkipLineEnd();
    return line;
  }

  // The next token (up to a blank or control character, at most limit
  // characters); the rest of its line is dropped.
  std::string_view Token(std::size_t limit) {
    while (pos_ < text_.size() && IsSeparator(text_[pos_])) ++pos_;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSeparator(text_[pos_]) && pos_ - start < limit) ++pos_;
    const std::string_view token = text_.substr(start, pos_ - start);
    Line();
    return token;
  }

  bool AtEnd() const { return pos_ >= text_.size(); }

 private:
  static bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

  void SkipLineEnd() {
    if (pos_ < text_.size() && text_[pos_] == '\r') {
      ++pos_;
      if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The count: decimal digits with an optional sign, or a hexadecimal number
// after "$", "x" or "0x". Anything else, or a negative count, gives 0.
std::size_t ReadCount(std::string_view token) {
  bool negative = false;
  if (!token.empty() && (token[0] == '+' || token[0] == '-')) {
    negative = token[0] == '-';
    token.remove_prefix(1);
  }
  int base = 10;
  if (!token.empty() && (token[0] == '$' || token[0] == 'x' || token[0] == 'X')) {
    base = 16;
    token.remove_prefix(1);
  } else if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    base = 16;
    token.remove_prefix(2);
  }
  if (token.empty()) return 0;
  std::uint64_t value = 0;
  const auto res = std::from_chars(token.data(), token.data() + token.size(), value, base);
  if (res.ptr != token.data() + token.size()) return 0;
  // A number too large for 64 bits is still a count beyond the limit.
  if (res.ec == std::errc::result_out_of_range) value = UINT64_MAX;
  if (negative && value != 0) return 0;
  return value > kMaxVariables ? kMaxVariables : static_cast<std::size_t>(value);
}

// A part of a value: an optional sign, digits, optionally "." and digits,
// optionally "E" or "e" with an optional sign and digits. Anything else, or
// a number beyond the double range, reads as 0.
double ReadNumber(std::string_view token) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t start = i;
    while (i < token.size() && IsDigit(token[i])) ++i;
    return i - start;
  };
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  std::size_t mantissaDigits = digits();
  if (i < token.size() && token[i] == '.') {
    ++i;
    mantissaDigits += digits();
  }
  if (mantissaDigits == 0) return 0.0;
  if (i < token.size() && (token[i] == 'E' || token[i] == 'e')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    if (digits() == 0) return 0.0;
  }
  if (i != token.size()) return 0.0;

  // from_chars takes no leading "+".
  if (token[0] == '+') token.remove_prefix(1);
  double value = 0.0;
  const auto res = std::from_chars(token.data(), token.data() + token.size(), value, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Beyond the double range the file reads a number as a term reads its
    // literal, so the largest double as written comes back as itself.
    const bool negative = token[0] == '-';
    if (negative) token.remove_prefix(1);
    std::string literal(token);
    for (char& c : literal) {
      if (c == 'e') c = 'E';
    }
    if (!ConvertNumberLiteral(literal, value) || value == 0.0) return 0.0;
    return negative ? -value : value;
  }
  if (res.ec != std::errc() || res.ptr != token.data() + token.size()) return 0.0;
  return value;
}

int WriteAllToDescriptor(int fd, const char* data, std::size_t size) {
  while (size > 0) {
#ifdef _WIN32
    constexpr std::size_t kMaxChunk = 1u << 30;
    const int n = ::_write(fd, data, static_cast<unsigned>(size < kMaxChunk ? size : kMaxChunk));
#else
    const ssize_t n = ::write(fd, data, size);
#endif
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

#ifdef _WIN32
// The file that a save really replaces: the final target of a symbolic
// link, so that saving through a link keeps the link.
std::string ResolvedTarget(const std::string& fileName) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(fileName, ec)) return fileName;
  const std::filesystem::path real = std::filesystem::weakly_canonical(fileName, ec);
  return ec ? fileName : real.string();
}

// The C library error number of the same meaning as a system error code.
int ErrorNumberOf(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
}

// A new file beside target, opened for writing; -1 with errno set when none
// can be made.
int CreateFileBeside(const std::string& target, std::string& temp) {
  const unsigned long process = ::GetCurrentProcessId();
  const unsigned long tick = ::GetTickCount();
  for (unsigned long attempt = 0; attempt < 100; ++attempt) {
    temp = target + "." + std::to_string(process) + "-" + std::to_string(tick + attempt) + ".tmp";
    const int fd = ::_open(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                           _S_IREAD | _S_IWRITE);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}
#else
// A symbolic link is followed this many times at most, as the system does.
constexpr int kMaxLinkHops = 40;

std::string DirectoryOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// Whether a symbolic link may be followed: not when another user planted
// it in a folder that everyone may write to and only owners may clean up
// (such as /tmp), unless that folder is the link owner's own.
bool MayFollow(const std::string& link, const struct stat& linkSt) {
  if (linkSt.st_uid == ::geteuid()) return true;
  struct stat dirSt {};
  if (::stat(DirectoryOf(link).c_str(), &dirSt) != 0) return false;
  const bool shared = (dirSt.st_mode & S_ISVTX) && (dirSt.st_mode & S_IWOTH);
  return !shared || dirSt.st_uid == linkSt.st_uid;
}

// The name that fileName finally stands for: every symbolic link on the
// way followed to its target, also to a target that does not exist yet.
// False with the error number when the links go round, cannot be read or
// may not be followed.
bool FinalName(const std::string& fileName, std::string& name, int& errorNumber) {
  name = fileName;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    if (!MayFollow(name, st)) {
      errorNumber = EACCES;
      return false;
    }
    std::string target(256, '\0');
    for (;;) {
      const ssize_t n = ::readlink(name.c_str(), target.data(), target.size());
      if (n < 0) {
        errorNumber = errno;
        return false;
      }
      if (static_cast<std::size_t>(n) < target.size()) {
        target.resize(static_cast<std::size_t>(n));
        break;
      }
      target.resize(target.size() * 2);
    }
    if (target.empty()) {
      errorNumber = ENOENT;
      return false;
    }
    const std::size_t slash = name.rfind('/');
    name = target[0] == '/' || slash == std::string::npos ? target : name.substr(0, slash + 1) + target;
  }
  errorNumber = ELOOP;
  return false;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Writes contents to a new file beside target, which then takes target's
// name in one step; a failure leaves whatever target was untouched.
bool WriteBesideAndReplace(const std::string& target, const std::string& contents, mode_t mode, int& errorNumber,
                           TWriteFunction write) {
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    errorNumber = errno;
    return false;
  }
  int err = write(fd, contents.data(), contents.size());
  if (err == 0 && ::fchmod(fd, mode) != 0) err = errno;
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    errorNumber = err;
    return false;
  }
  return true;
}

// Writing to a pipe whose reader has gone fails with EPIPE instead of
// ending the program: the signal is held back while write runs and then
// taken off again.
int WriteWithoutBrokenPipeSignal(int fd, const std::string& contents, TWriteFunction write) {
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  sigset_t pendingBefore;
  sigemptyset(&pendingBefore);
  ::sigpending(&pendingBefore);
  const bool wasPending = sigismember(&pendingBefore, SIGPIPE) == 1;
  if (::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous) != 0) return write(fd, contents.data(), contents.size());
  const int err = write(fd, contents.data(), contents.size());
  if (err == EPIPE && !wasPending) {
    const struct timespec none {};
    while (::sigtimedwait(&pipeSignal, nullptr, &none) < 0 && errno == EINTR) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return err;
}

// Writes contents into the open file fd as it is: a device, a FIFO that a
// program reads, or a file with further names, all of which keep being
// what they are. A file is first given room for the new contents, so that
// a full disk leaves it as it was, and then cut to their length.
bool WriteInPlace(int fd, const struct stat& st, const std::string& contents, int& errorNumber,
                  TWriteFunction write) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  const bool regular = S_ISREG(st.st_mode);
  int err = 0;
  if (regular && static_cast<std::uintmax_t>(st.st_size) < contents.size()) {
    const int reserved = ::posix_fallocate(fd, 0, static_cast<off_t>(contents.size()));
    if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
      // A reservation that failed part-way may have lengthened the file.
      err = reserved;
      const int restored = ::ftruncate(fd, st.st_size);
      static_cast<void>(restored);
    }
  }
  if (err == 0) err = regular ? write(fd, contents.data(), contents.size()) : WriteWithoutBrokenPipeSignal(fd, contents, write);
  if (err == 0 && regular && ::ftruncate(fd, static_cast<off_t>(contents.size())) != 0) err = errno;
  if (err == 0 && regular && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  errorNumber = err;
  return err == 0;
}
#endif

}  // namespace

void ParseVariableTableText(const std::string& contents, TVarTable& table) {
  ClearVarTable(table);
  TTableReader reader(contents);
  reader.Line();
  const std::size_t count = ReadCount(reader.Token(kMaxCountToken));
  // An entry that the text holds at least in part is read, its missing
  // lines giving an empty label, zero or an empty comment; the count never
  // makes up entries after the end of the text.
  for (std::size_t k = 0; k < count && !reader.AtEnd(); ++k) {
    std::string label(reader.Line());
    TComplex value;
    value.re = ReadNumber(reader.Token(kMaxNumberToken));
    value.im = ReadNumber(reader.Token(kMaxNumberToken));
    table.labels.push_back(std::move(label));
    table.values.push_back(value);
    table.comments.emplace_back(reader.Line());
  }
}

void LoadVariableTableFile(const std::string& fileName, TVarTable& table) {
  ClearVarTable(table);
  if (fileName.empty()) return;
  // A table holds at most 65,535 entries of four lines each, so no sound
  // file is anywhere near this size; reading stops there.
  constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
  std::string contents;
#ifdef _WIN32
  // Only an ordinary file is a table file: a device or a pipe is read as
  // one that cannot be read.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName, ec)) return;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return;
  char buffer[1 << 16];
  while (in && contents.size() < kMaxFileBytes) {
    in.read(buffer, sizeof buffer);
    contents.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
#else
  // Only an ordinary file is a table file: a device, a FIFO or a socket is
  // read as one that cannot be read, without opening what the name alone
  // tells apart, and without waiting for a FIFO's writer.
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  char buffer[1 << 16];
  while (contents.size() < kMaxFileBytes) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    contents.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
#endif
  ParseVariableTableText(contents, table);
}

std::string VariableTableText(const TVarTable& table) {
  constexpr std::string_view kEnd = "\r\n";
  std::string text;
  text += text::kTableFileHeader;
  text += kEnd;
  text += std::to_string(table.labels.size());
  text += kEnd;
  for (std::size_t k = 0; k < table.labels.size(); ++k) {
    text += table.labels[k];
    text += kEnd;
    text += FormatReal(table.values[k].re);
    text += kEnd;
    text += FormatReal(table.values[k].im);
    text += kEnd;
    text += table.comments[k];
    text += kEnd;
  }
  return text;
}

#ifdef _WIN32
bool SaveFileAtomically(const std::string& fileName, const std::string& contents, int& errorNumber,
                        TWriteFunction write) {
  errorNumber = 0;
  const std::string target = ResolvedTarget(fileName);

  // A file that exists but may not be written (read-only, or locked by
  // another program) stays as it is.
  const DWORD attributes = ::GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      errorNumber = EISDIR;
      return false;
    }
    // The system refuses to write a read-only file to everyone, and so does
    // the save, also where an emulation would let an administrator through.
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      errorNumber = EACCES;
      return false;
    }
    const HANDLE probe = ::CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
      errorNumber = ErrorNumberOf(::GetLastError());
      return false;
    }
    ::CloseHandle(probe);
  }

  std::string temp;
  const int fd = CreateFileBeside(target, temp);
  if (fd < 0) {
    errorNumber = errno;
    return false;
  }
  int err = write(fd, contents.data(), contents.size());
  if (err == 0 && ::_commit(fd) != 0) err = errno;
  if (::_close(fd) != 0 && err == 0) err = errno;
  // The new file takes the old one's place in one step, on the disk before
  // the call returns.
  if (err == 0 && !::MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    err = ErrorNumberOf(::GetLastError());
  }
  if (err != 0) {
    ::_unlink(temp.c_str());
    errorNumber = err;
    return false;
  }
  // The old file's hidden and system marks stay with the name.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKept) != 0) {
    ::SetFileAttributesA(target.c_str(), attributes & (kKept | FILE_ATTRIBUTE_ARCHIVE));
  }
  return true;
}
#else
bool SaveFileAtomically(const std::string& fileName, const std::string& contents, int& errorNumber,
                        TWriteFunction write) {
  errorNumber = 0;
  // Opened without waiting: a FIFO that no program reads fails at once.
  const int fd = fileName.empty() ? (errno = ENOENT, -1)
                                  : ::open(fileName.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT) {
      errorNumber = errno;
      return false;
    }
    // Nothing there yet, or a link to a file that does not exist yet: the
    // new file takes the name the link points to, and the link stays.
    std::string target;
    if (!FinalName(fileName, target, errorNumber)) return false;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return WriteBesideAndReplace(target, contents, 0666 & ~mask, errorNumber, write);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    errorNumber = errno;
    ::close(fd);
    return false;
  }

  // A file that this program already writes as its standard output or
  // error (saving to /dev/stdout, or to the file that output goes to) gets
  // the table after what was written there, through that same stream.
  for (const int stream : {1, 2}) {
    struct stat streamSt {};
    if (stream == fd || ::fstat(stream, &streamSt) != 0 || !SameFile(streamSt, st)) continue;
    ::close(fd);
    std::fflush(stream == 1 ? stdout : stderr);
    errorNumber = WriteWithoutBrokenPipeSignal(stream, contents, write);
    return errorNumber == 0;
  }

  // An ordinary file with this one name is replaced as a whole, so a failed
  // save leaves it as it was. Its name is the end of any links on the way.
  if (S_ISREG(st.st_mode) && st.st_nlink == 1) {
    std::string target;
    int ignored = 0;
    struct stat targetSt {};
    if (FinalName(fileName, target, ignored) && ::stat(target.c_str(), &targetSt) == 0 && SameFile(targetSt, st)) {
      ::close(fd);
      return WriteBesideAndReplace(target, contents, st.st_mode & 07777, errorNumber, write);
    }
  }
  return WriteInPlace(fd, st, contents, errorNumber, write);
}
#endif

bool SaveVariableTableFile(const std::string& fileName, const TVarTable& table, int& errorNumber) {
  return SaveFileAtomically(fileName, VariableTableText(table), errorNumber, WriteAllToDescriptor);
}

std::string SaveErrorText(int errorNumber) {
  switch (errorNumber) {
    case EACCES:
    case EPERM:
    case EROFS:
      return std::string(text::kFileAccessDenied);
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return std::string(text::kDiskFull);
    default:
      return std::string(text::kIoErrorPrefix) + std::to_string(errorNumber) + ".";
  }
}

std::string WithTableExtension(const std::string& fileName) {
  std::filesystem::path path(fileName);
  path.replace_extension(".vlt");
  return path.string();
}

}  // namespace veltaro
