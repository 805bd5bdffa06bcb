#include "FileLinks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>

namespace veltaro {

namespace {

// A symbolic link is followed this many times at most, as the system does.
constexpr int kMaxLinkHops = 40;

// The file system that shows a process's open files as links (/proc).
constexpr long kProcessFileSystem = 0x9fa0;

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

// The links of /proc/self/fd stand for open files, not for names: only the
// system can follow them.
bool StandsForAnOpenFile(const std::string& link) {
  struct statfs fs {};
  return ::statfs(DirectoryOf(link).c_str(), &fs) == 0 && static_cast<long>(fs.f_type) == kProcessFileSystem;
}

// The name a link points to, relative names taken from the link's folder.
bool LinkTarget(const std::string& link, std::string& name, int& errorNumber) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
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
  const std::size_t slash = link.rfind('/');
  name = target[0] == '/' || slash == std::string::npos ? target : link.substr(0, slash + 1) + target;
  return true;
}

}  // namespace

int OpenFollowingTrustedLinks(const std::string& name, int flags) {
  std::string current = name;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    const int fd = ::open(current.c_str(), flags | O_NOFOLLOW);
    if (fd >= 0 || errno != ELOOP) return fd;
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0) return -1;
    if (!S_ISLNK(st.st_mode)) {
      errno = ELOOP;
      return -1;
    }
    if (!MayFollow(current, st)) {
      errno = EACCES;
      return -1;
    }
    if (StandsForAnOpenFile(current)) return ::open(current.c_str(), flags);
    int err = 0;
    if (!LinkTarget(current, current, err)) {
      errno = err;
      return -1;
    }
  }
  errno = ELOOP;
  return -1;
}

bool FinalName(const std::string& fileName, std::string& name, int& errorNumber) {
  name = fileName;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    if (!MayFollow(name, st)) {
      errorNumber = EACCES;
      return false;
    }
    if (!LinkTarget(name, name, errorNumber)) return false;
  }
  errorNumber = ELOOP;
  return false;
}

}  // namespace veltaro
