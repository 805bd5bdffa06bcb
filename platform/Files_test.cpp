// The file code: files opened for reading, and new contents put into a file.
#include "FileReplace.h"

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
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "InputFile.h"
#include "TestFiles.h"
#include "TestUnblocker.h"

namespace veltaro {
namespace {

namespace fs = std::filesystem;
using test_support::EntriesIn;
using test_support::ReadAll;
using test_support::TTempDir;
using test_support::WriteAll;

const std::string kExampleText = "Veltaro Variable table\r\n2\r\nx\r\n2.5\r\n0\r\nlength\r\nz\r\n1\r\n-2\r\n\r\n";

#ifdef _WIN32
TEST(ReplaceFileContents, SaveKeepsTheHiddenMark) {
  TTempDir dir;
  const fs::path file = dir.path() / "hidden.vlt";
  WriteAll(file, "old");
  ASSERT_TRUE(::SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_HIDDEN));
  int err = 0;
  ASSERT_TRUE(ReplaceFileContents(file.string(), kExampleText, err));
  EXPECT_EQ(ReadAll(file), kExampleText);
  const DWORD attributes = ::GetFileAttributesA(file.string().c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}
#else
TEST(ReplaceFileContents, SaveKeepsModeAndSymbolicLinks) {
  TTempDir dir;
  const fs::path real = dir.path() / "real.vlt";
  const fs::path link = dir.path() / "link.vlt";
  WriteAll(real, "old");
  ::chmod(real.c_str(), 0640);
  fs::create_symlink(real, link);
  int err = 0;
  ASSERT_TRUE(ReplaceFileContents(link.string(), kExampleText, err));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadAll(real), kExampleText);
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}
#endif

// A writer that puts half the bytes down and then fails as a full disk does.
int HalfThenDiskFull(int fd, const char* data, std::size_t size) {
#ifdef _WIN32
  if (::_write(fd, data, static_cast<unsigned>(size / 2)) < 0) return errno;
#else
  if (::write(fd, data, size / 2) < 0) return errno;
#endif
  return ENOSPC;
}

TEST(ReplaceFileContents, FailedWriteLeavesTheOldFileWhole) {
  TTempDir dir;
  const fs::path file = dir.path() / "keep.vlt";
  WriteAll(file, kExampleText);
  int err = 0;
  EXPECT_FALSE(ReplaceFileContents(file.string(), std::string(4096, 'x'), err, HalfThenDiskFull));
  EXPECT_EQ(err, ENOSPC);
  EXPECT_EQ(err, ENOSPC);
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}

#ifndef _WIN32
// A small file system of its own, mounted for one test; needs root.
class SmallMount {
 public:
  explicit SmallMount(const fs::path& at, const char* options) : at_(at) {
    fs::create_directories(at_);
    mounted_ = ::mount("tmpfs", at_.c_str(), "tmpfs", 0, options) == 0;
  }
  ~SmallMount() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  bool RemountReadOnly() {
    return ::mount("tmpfs", at_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  fs::path at_;
  bool mounted_ = false;
};

TEST(ReplaceFileContents, FullDiskLeavesTheOldFileAsItWas) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  TTempDir dir;
  SmallMount disk(dir.path() / "disk", "size=16k");
  if (!disk.Mounted()) GTEST_SKIP() << "this machine refuses the mount";
  const fs::path file = dir.path() / "disk" / "t.vlt";
  WriteAll(file, kExampleText);
  const std::string big(1 << 16, 'v');
  int err = 0;
  EXPECT_FALSE(ReplaceFileContents(file.string(), big, err));
  EXPECT_EQ(err, ENOSPC);
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(EntriesIn(file.parent_path()), 1);
}

#endif

#ifdef _WIN32
TEST(ReplaceFileContents, ReadOnlyTargetFailsWithAccessDenied) {
  TTempDir dir;
  const fs::path file = dir.path() / "t.vlt";
  WriteAll(file, kExampleText);
  ASSERT_TRUE(::SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_READONLY));
  int err = 0;
  EXPECT_FALSE(ReplaceFileContents(file.string(), std::string(), err));
  EXPECT_EQ(err, EACCES);
  EXPECT_EQ(err, EACCES);
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(EntriesIn(dir.path()), 1);
  ::SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ReplaceFileContents, FileOpenElsewhereWithoutSharingStaysAsItWas) {
  TTempDir dir;
  const fs::path file = dir.path() / "t.vlt";
  WriteAll(file, kExampleText);
  const HANDLE held = ::CreateFileA(file.string().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  int err = 0;
  EXPECT_FALSE(ReplaceFileContents(file.string(), std::string(), err));
  EXPECT_EQ(err, EACCES);
  ::CloseHandle(held);
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}
#else
TEST(ReplaceFileContents, ReadOnlyTargetFailsWithAccessDenied) {
  TTempDir dir;
  const fs::path where = dir.path() / "ro";
  std::unique_ptr<SmallMount> mount;
  if (::geteuid() == 0) {
    // Root may write any file whatever its mode; a read-only mount stops it.
    mount = std::make_unique<SmallMount>(where, "size=64k");
    if (!mount->Mounted()) GTEST_SKIP() << "this machine refuses the mount";
  } else {
    fs::create_directories(where);
  }
  const fs::path file = where / "t.vlt";
  WriteAll(file, kExampleText);
  ::chmod(file.c_str(), 0444);
  if (mount) {
    ASSERT_TRUE(mount->RemountReadOnly());
  }
  int err = 0;
  EXPECT_FALSE(ReplaceFileContents(file.string(), std::string(), err));
  EXPECT_TRUE(err == EACCES || err == EROFS) << err;
  EXPECT_EQ(ReadAll(file), kExampleText);
}
#endif

#ifndef _WIN32
using veltaro::test_support::TUnblocker;

// Opens fifo without waiting and writes text into it; nothing when no
// program has the other end open.
void FeedFifo(const fs::path& fifo, const std::string& text) {
  const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  const ssize_t n = ::write(fd, text.data(), text.size());
  static_cast<void>(n);
  ::close(fd);
}

// Opens fifo for reading a moment, which lets a writer waiting for a reader on.
void TouchFifo(const fs::path& fifo) {
  const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) ::close(fd);
}

bool IsFifo(const fs::path& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// A character device node like the system's /dev/null or /dev/zero, made in
// a temporary folder; false where this user or machine cannot make one.
bool MakeCharacterDevice(const fs::path& p, unsigned minor) {
  return ::geteuid() == 0 && ::mknod(p.c_str(), S_IFCHR | 0666, ::makedev(1, minor)) == 0;
}

// Whether the file system lets the node at p be opened as a device at all
// (a folder mounted without devices refuses).
bool DeviceOpens(const fs::path& p) {
  const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

TEST(InputFile, OpensOrdinaryFilesOnlyAndNeverWaits) {
  TTempDir dir;
  const fs::path fifo = dir.path() / "fifo.vlt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  // No program writes the FIFO: the load does not wait for one.
  {
    TUnblocker unblock([&] { FeedFifo(fifo, kExampleText); });
    EXPECT_FALSE(TInputFile().Open(fifo.string()));
    EXPECT_FALSE(unblock.Done()) << "the load waited for a writer";
  }

  // A whole table waits in it, and a writer holds it open: still no table
  // file.
  {
    int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const std::string text = kExampleText;
    ASSERT_EQ(::write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    TUnblocker unblock([&] { ::close(std::exchange(writer, -1)); });
    EXPECT_FALSE(TInputFile().Open(fifo.string()));
    EXPECT_FALSE(unblock.Done()) << "the load waited for the writer";
    if (writer >= 0) ::close(writer);
  }

  // Devices: an endless one and an empty one.
  const fs::path zero = dir.path() / "zero", null = dir.path() / "null";
  if (MakeCharacterDevice(zero, 5) && MakeCharacterDevice(null, 3)) {
    for (const fs::path& device : {zero, null}) {
      EXPECT_FALSE(TInputFile().Open(device.string())) << device;
    }
  }

  // A link to an ordinary file is read as that file.
  WriteAll(dir.path() / "real.vlt", kExampleText);
  fs::create_symlink(dir.path() / "real.vlt", dir.path() / "link.vlt");
  TInputFile in;
  ASSERT_TRUE(in.Open((dir.path() / "link.vlt").string()));
  char buffer[256];
  EXPECT_EQ(std::string(buffer, in.Read(buffer, sizeof buffer)), kExampleText);
  EXPECT_EQ(in.Read(buffer, sizeof buffer), 0u);
}

int gReaderToClose = -1;

// Closes the FIFO's only reader, then writes as the save does.
int CloseTheReaderThenWrite(int fd, const char* data, std::size_t size) {
  ::close(gReaderToClose);
  return ::write(fd, data, size) < 0 ? errno : 0;
}

TEST(ReplaceFileContents, SaveOntoAFifoWritesItInPlaceOrFailsAtOnce) {
  TTempDir dir;
  const fs::path fifo = dir.path() / "fifo.vlt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  // Nobody reads it: the save fails at once, and the FIFO stays.
  {
    TUnblocker unblock([&] { TouchFifo(fifo); });
    int err = 0;
    EXPECT_FALSE(ReplaceFileContents(fifo.string(), kExampleText, err));
    EXPECT_FALSE(unblock.Done()) << "the save waited for a reader";
    EXPECT_EQ(err, ENXIO);
        EXPECT_TRUE(IsFifo(fifo));
    EXPECT_EQ(EntriesIn(dir.path()), 1);
  }

  // A program reads it: that program gets the table.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  int err = 0;
  EXPECT_TRUE(ReplaceFileContents(fifo.string(), kExampleText, err));
  EXPECT_EQ(err, 0);
  char buffer[256];
  const ssize_t n = ::read(reader, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), kExampleText);
  EXPECT_TRUE(IsFifo(fifo));

  // The reader goes away just before the save writes: a failure, not the
  // end of the program.
  gReaderToClose = reader;
  EXPECT_FALSE(ReplaceFileContents(fifo.string(), kExampleText, err, CloseTheReaderThenWrite));
  EXPECT_EQ(err, EPIPE);
  EXPECT_TRUE(IsFifo(fifo));
}

TEST(ReplaceFileContents, SaveOntoADeviceKeepsTheDevice) {
  TTempDir dir;
  const fs::path null = dir.path() / "null";
  if (!MakeCharacterDevice(null, 3)) GTEST_SKIP() << "making a device node needs root";
  int err = 0;
  const bool saved = ReplaceFileContents(null.string(), kExampleText, err);
  if (DeviceOpens(null)) {
    EXPECT_TRUE(saved);
    EXPECT_EQ(err, 0);
  } else {
    EXPECT_FALSE(saved);
    EXPECT_EQ(err, EACCES);
  }
  struct stat st {};
  ASSERT_EQ(::lstat(null.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(st.st_rdev, ::makedev(1, 3));
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}

TEST(ReplaceFileContents, SaveThroughLinksKeepsEveryLink) {
  TTempDir dir;
  const fs::path& d = dir.path();

  // A hard link: both names show the new table and stay one file.
  WriteAll(d / "one.vlt", "old contents that are longer than the new table will be, by a good many bytes");
  fs::create_hard_link(d / "one.vlt", d / "two.vlt");
  int err = 0;
  ASSERT_TRUE(ReplaceFileContents((d / "two.vlt").string(), kExampleText, err));
  EXPECT_EQ(ReadAll(d / "one.vlt"), kExampleText);
  EXPECT_EQ(ReadAll(d / "two.vlt"), kExampleText);
  EXPECT_EQ(fs::hard_link_count(d / "one.vlt"), 2u);
  const std::string big = kExampleText + std::string(3000, 'v');
  ASSERT_TRUE(ReplaceFileContents((d / "one.vlt").string(), big, err));
  EXPECT_EQ(ReadAll(d / "two.vlt"), big);

  // A dangling link: the file it points to is made, the link stays.
  fs::create_directory(d / "sub");
  fs::create_symlink("sub/new.vlt", d / "dangling.vlt");
  ASSERT_TRUE(ReplaceFileContents((d / "dangling.vlt").string(), kExampleText, err));
  EXPECT_TRUE(fs::is_symlink(d / "dangling.vlt"));
  EXPECT_EQ(ReadAll(d / "sub" / "new.vlt"), kExampleText);

  // A chain of links to a file: the file is replaced, every link stays.
  WriteAll(d / "sub" / "real.vlt", "old");
  fs::create_symlink("real.vlt", d / "sub" / "first.vlt");
  fs::create_symlink(d / "sub" / "first.vlt", d / "second.vlt");
  ASSERT_TRUE(ReplaceFileContents((d / "second.vlt").string(), kExampleText, err));
  EXPECT_TRUE(fs::is_symlink(d / "second.vlt"));
  EXPECT_TRUE(fs::is_symlink(d / "sub" / "first.vlt"));
  EXPECT_EQ(ReadAll(d / "sub" / "real.vlt"), kExampleText);

  // Links that go round: refused, nothing made.
  fs::create_symlink("loop-b.vlt", d / "loop-a.vlt");
  fs::create_symlink("loop-a.vlt", d / "loop-b.vlt");
  const auto before = EntriesIn(d);
  EXPECT_FALSE(ReplaceFileContents((d / "loop-a.vlt").string(), kExampleText, err));
  EXPECT_EQ(err, ELOOP);
  EXPECT_EQ(EntriesIn(d), before);
}

// Runs what in a child process of the user uid; its exit status, or -1.
int AsUser(uid_t uid, const std::function<int()>& what) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0) ::_exit(99);
    ::_exit(what());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// A link planted by another user in a folder that everyone may write to and
// only owners may clean up (as /tmp) is never followed, to a file that
// exists or not, also where the system itself would follow it; neither for
// saving nor for reading.
TEST(ReplaceFileContents, NeverFollowsAStrangersLinkInASharedFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "links and files of two other users need root to make";
  constexpr uid_t kStranger = 4242, kUser = 4243;
  TTempDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  const fs::path shared = dir.path() / "shared";
  const fs::path home = dir.path() / "home";
  fs::create_directory(shared);
  fs::create_directory(home);
  ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
  ASSERT_EQ(::chown(home.c_str(), kUser, kUser), 0);
  const fs::path rootsFile = dir.path() / "root-only.txt";
  const fs::path usersFile = home / "important.txt";
  WriteAll(rootsFile, "root's own\n");
  ::chmod(rootsFile.c_str(), 0600);
  WriteAll(usersFile, "the user's own\n");
  ASSERT_EQ(::chown(usersFile.c_str(), kUser, kUser), 0);
  const auto plant = [&](const fs::path& link, const fs::path& aim) {
    fs::create_symlink(aim, link);
    ASSERT_EQ(::lchown(link.c_str(), kStranger, kStranger), 0);
  };
  plant(shared / "root.vlt", rootsFile);
  plant(shared / "user.vlt", usersFile);
  plant(shared / "new.vlt", home / "new.vlt");
  plant(shared / "chain.vlt", shared / "user.vlt");

  // This process saves as root; the user's saves run in a process of theirs.
  int err = 0;
  EXPECT_FALSE(ReplaceFileContents((shared / "root.vlt").string(), kExampleText, err));
  EXPECT_EQ(err, EACCES);
  TInputFile rootReads;
  EXPECT_FALSE(rootReads.Open((shared / "root.vlt").string()));
  for (const char* name : {"user.vlt", "new.vlt", "chain.vlt"}) {
    const std::string planted = (shared / name).string();
    EXPECT_EQ(AsUser(kUser, [&] {
                int error = 0;
                return ReplaceFileContents(planted, kExampleText, error) ? 1 : error;
              }),
              EACCES)
        << name;
    EXPECT_EQ(AsUser(kUser, [&] { return TInputFile().Open(planted) ? 1 : 0; }), 0) << name;
  }
  EXPECT_EQ(ReadAll(rootsFile), "root's own\n");
  EXPECT_EQ(ReadAll(usersFile), "the user's own\n");
  EXPECT_FALSE(fs::exists(home / "new.vlt"));
  EXPECT_EQ(EntriesIn(home), 1);
  EXPECT_TRUE(fs::is_symlink(shared / "user.vlt"));

  // The user's own link there is followed; and in a folder of the link's
  // owner, or one not shared, so is the stranger's.
  fs::create_symlink(usersFile, shared / "own.vlt");
  ASSERT_EQ(::lchown((shared / "own.vlt").c_str(), kUser, kUser), 0);
  EXPECT_EQ(AsUser(kUser, [&] {
              int error = 0;
              return ReplaceFileContents((shared / "own.vlt").string(), kExampleText, error) ? 0 : error;
            }),
            0);
  EXPECT_EQ(ReadAll(usersFile), kExampleText);
  ASSERT_EQ(::chown(shared.c_str(), kStranger, kStranger), 0);
  EXPECT_TRUE(ReplaceFileContents((shared / "root.vlt").string(), kExampleText, err));
  EXPECT_EQ(ReadAll(rootsFile), kExampleText);
  TInputFile reads;
  EXPECT_TRUE(reads.Open((shared / "root.vlt").string()));
}

TEST(ReplaceFileContents, FullDiskLeavesAHardLinkedFileAsItWas) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  TTempDir dir;
  SmallMount disk(dir.path() / "disk", "size=16k");
  if (!disk.Mounted()) GTEST_SKIP() << "this machine refuses the mount";
  const fs::path file = dir.path() / "disk" / "t.vlt";
  WriteAll(file, kExampleText);
  fs::create_hard_link(file, dir.path() / "disk" / "other.vlt");
  const std::string big(1 << 16, 'v');
  int err = 0;
  EXPECT_FALSE(ReplaceFileContents(file.string(), big, err));
  EXPECT_EQ(err, ENOSPC);
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(fs::hard_link_count(file), 2u);
}

// A writer that puts the bytes down in small pieces, letting other threads
// run in between, as a slow disk would.
int InPieces(int fd, const char* data, std::size_t size) {
  constexpr std::size_t kPiece = 1 << 14;
  for (std::size_t done = 0; done < size; done += kPiece) {
    if (const int err = WriteAllToDescriptor(fd, data + done, std::min(kPiece, size - done))) return err;
    std::this_thread::yield();
  }
  return 0;
}

// Two saves at once into one file with two names end as one of the two
// contents, whole: never cut, never padded, never mixed.
TEST(ReplaceFileContents, SavesAtOnceIntoAHardLinkedFileLeaveOneWhole) {
  TTempDir dir;
  const fs::path one = dir.path() / "one.vlt", two = dir.path() / "two.vlt";
  WriteAll(one, "old");
  fs::create_hard_link(one, two);
  const std::string longer(1500000, 'a'), shorter(1400000, 'b');
  for (int round = 0; round < 24; ++round) {
    const std::string& mine = round % 2 ? shorter : longer;
    const std::string& theirs = round % 2 ? longer : shorter;
    std::thread other([&] {
      int err = 0;
      EXPECT_TRUE(ReplaceFileContents(two.string(), theirs, err, InPieces)) << err;
    });
    int err = 0;
    EXPECT_TRUE(ReplaceFileContents(one.string(), mine, err, InPieces)) << err;
    other.join();
    const std::string now = ReadAll(one);
    ASSERT_TRUE(now == longer || now == shorter)
        << "round " << round << ": " << now.size() << " bytes, starting with " << now.substr(0, 1)
        << " and ending with " << (now.empty() ? std::string() : now.substr(now.size() - 1));
  }
  EXPECT_EQ(fs::hard_link_count(one), 2u);
}

// Standard output of this test program goes to out while run runs.
void WithStandardOutputIn(const fs::path& out, const std::function<void()>& run) {
  std::fflush(stdout);
  const int saved = ::dup(1);
  const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(saved, 0);
  ASSERT_GE(fd, 0);
  ::dup2(fd, 1);
  ::close(fd);
  run();
  std::fflush(stdout);
  ::dup2(saved, 1);
  ::close(saved);
}

TEST(ReplaceFileContents, SaveOntoTheFileOfStandardOutputWritesAfterWhatItHolds) {
  TTempDir dir;
  const fs::path out = dir.path() / "out.txt";
  bool saved = false;
  int err = 0;
  WithStandardOutputIn(out, [&] {
    std::fputs("Result: 1\n", stdout);
    saved = ReplaceFileContents(out.string(), kExampleText, err);
    std::fputs("after\n", stdout);
  });
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadAll(out), std::string("Result: 1\n") + kExampleText + "after\n");
  EXPECT_EQ(EntriesIn(dir.path()), 1);

  // Through the descriptor's own name too.
  WithStandardOutputIn(out, [&] {
    std::fputs("Result: 2\n", stdout);
    saved = ReplaceFileContents("/proc/self/fd/1", kExampleText, err);
  });
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadAll(out), std::string("Result: 2\n") + kExampleText);
}
#endif
}  // namespace
}  // namespace veltaro
