#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <filesystem>
#else
#include <unistd.h>

#include "FileLinks.h"
#endif

#include <cerrno>

namespace veltaro {

TInputFile::~TInputFile() {
#ifdef _WIN32
  if (fd_ >= 0) ::_close(fd_);
#else
  if (fd_ >= 0) ::close(fd_);
#endif
}

#ifdef _WIN32
bool TInputFile::Open(const std::string& fileName) {
  if (fd_ >= 0 || fileName.empty()) return false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName, ec)) return false;
  fd_ = ::_open(fileName.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  return fd_ >= 0;
}

std::size_t TInputFile::Read(char* data, std::size_t size) {
  if (fd_ < 0) return 0;
  constexpr std::size_t kMaxChunk = 1u << 30;
  const int n = ::_read(fd_, data, static_cast<unsigned>(size < kMaxChunk ? size : kMaxChunk));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}
#else
bool TInputFile::Open(const std::string& fileName) {
  if (fd_ >= 0 || fileName.empty()) return false;
  // What the name alone tells apart from an ordinary file is not opened.
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const int fd = OpenFollowingTrustedLinks(fileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  fd_ = fd;
  return true;
}

std::size_t TInputFile::Read(char* data, std::size_t size) {
  if (fd_ < 0) return 0;
  for (;;) {
    const ssize_t n = ::read(fd_, data, size);
    if (n < 0 && errno == EINTR) continue;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
}
#endif

}  // namespace veltaro
