#include "FileReplace.h"

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

#include <filesystem>
#else
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include "FileLinks.h"
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace veltaro {

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

namespace {

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

// Holds the exclusive lock on an open file that every save takes, so that
// two saves into one file with several names never mix their bytes.
int LockForWriting(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    // A file system without locks still takes the save.
    return errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL ? 0 : errno;
  }
  return 0;
}

// Writes contents into the open file fd as it is: a device, a FIFO that a
// program reads, or a file with further names, all of which keep being
// what they are. A file is locked for the whole write, first given room
// for the new contents, so that a full disk leaves it as it was, then set
// to their length, and only then written.
bool WriteInPlace(int fd, const struct stat& st, const std::string& contents, int& errorNumber,
                  TWriteFunction write) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  const bool regular = S_ISREG(st.st_mode);
  int err = regular ? LockForWriting(fd) : 0;
  struct stat now = st;
  if (err == 0 && regular && ::fstat(fd, &now) != 0) err = errno;
  if (err == 0 && regular && static_cast<std::uintmax_t>(now.st_size) < contents.size()) {
    const int reserved = ::posix_fallocate(fd, 0, static_cast<off_t>(contents.size()));
    if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
      // A reservation that failed part-way may have lengthened the file.
      err = reserved;
      const int restored = ::ftruncate(fd, now.st_size);
      static_cast<void>(restored);
    }
  }
  if (err == 0 && regular && ::ftruncate(fd, static_cast<off_t>(contents.size())) != 0) err = errno;
  if (err == 0) err = regular ? write(fd, contents.data(), contents.size()) : WriteWithoutBrokenPipeSignal(fd, contents, write);
  if (err == 0 && regular && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  errorNumber = err;
  return err == 0;
}
#endif

}  // namespace

#ifdef _WIN32
bool ReplaceFileContents(const std::string& fileName, const std::string& contents, int& errorNumber,
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
bool ReplaceFileContents(const std::string& fileName, const std::string& contents, int& errorNumber,
                         TWriteFunction write) {
  errorNumber = 0;
  // Opened without waiting: a FIFO that no program reads fails at once.
  // Links are followed by hand, so that a stranger's link is refused before
  // anything is written, whatever the system's own rule for links is.
  const int fd = fileName.empty() ? (errno = ENOENT, -1)
                                  : OpenFollowingTrustedLinks(fileName, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
  // the contents after what was written there, through that same stream.
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

}  // namespace veltaro
