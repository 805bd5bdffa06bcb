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
#include <unistd.h>
#endif

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "Format.h"
#include "Messages.h"

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

// The file that a save really replaces: the final target of a symbolic
// link, so that saving through a link keeps the link.
std::string ResolvedTarget(const std::string& fileName) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(fileName, ec)) return fileName;
  const std::filesystem::path real = std::filesystem::weakly_canonical(fileName, ec);
  return ec ? fileName : real.string();
}

#ifdef _WIN32
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
#endif

}  // namespace

void ParseVariableTableText(const std::string& contents, TVarTable& table) {
  ClearVarTable(table);
  TTableReader reader(contents);
  reader.Line();
  const std::size_t count = ReadCount(reader.Token(kMaxCountToken));
  table.labels.assign(count, std::string());
  table.comments.assign(count, std::string());
  table.values.assign(count, TComplex{});
  for (std::size_t k = 0; k < count; ++k) {
    table.labels[k] = reader.Line();
    table.values[k].re = ReadNumber(reader.Token(kMaxNumberToken));
    table.values[k].im = ReadNumber(reader.Token(kMaxNumberToken));
    table.comments[k] = reader.Line();
  }
}

void LoadVariableTableFile(const std::string& fileName, TVarTable& table) {
  ClearVarTable(table);
  if (fileName.empty()) return;
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) return;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return;
  // A table holds at most 65,535 entries of four lines each, so no sound
  // file is anywhere near this size; reading stops there.
  constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
  std::string contents;
  char buffer[1 << 16];
  while (in && contents.size() < kMaxFileBytes) {
    in.read(buffer, sizeof buffer);
    contents.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
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
  const std::string target = ResolvedTarget(fileName);

  // A file that exists but may not be written stays as it is.
  mode_t mode = 0666;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      errorNumber = EISDIR;
      return false;
    }
    const int probe = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) {
      errorNumber = errno;
      return false;
    }
    ::close(probe);
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

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
