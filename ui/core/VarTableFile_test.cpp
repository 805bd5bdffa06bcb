#include "VarTableFile.h"

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
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "TestUnblocker.h"

#include <cerrno>
#include <cfloat>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>

namespace veltaro {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& p, const std::string& s) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << s;
}

class TempDir {
 public:
  TempDir() {
#ifdef _WIN32
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = fs::temp_directory_path() / ("veltaro-vlt-" + std::to_string(seed()));
      if (fs::create_directory(path_)) break;
    }
#else
    std::string tmpl = (fs::temp_directory_path() / "veltaro-vlt-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
#endif
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TVarTable ExampleTable() {
  TVarTable t;
  SetVariable(t, "x", {2.5, 0}, "length");
  SetVariable(t, "z", {1, -2}, "");
  return t;
}

constexpr const char* kExampleText =
    "Veltaro Variable table\r\n2\r\nx\r\n2.5\r\n0\r\nlength\r\nz\r\n1\r\n-2\r\n\r\n";

TEST(VariableTableText, WritesFourCrLfLinesPerVariable) {
  EXPECT_EQ(VariableTableText(ExampleTable()), kExampleText);
  EXPECT_EQ(VariableTableText(TVarTable{}), "Veltaro Variable table\r\n0\r\n");
  TVarTable t;
  SetVariable(t, "third", {1.0 / 3.0, 1e20}, "a comment with  blanks ");
  EXPECT_EQ(VariableTableText(t),
            "Veltaro Variable table\r\n1\r\nthird\r\n0.333333333333333\r\n1E20\r\na comment with  blanks \r\n");
}

struct Entry {
  std::string label;
  TComplex value;
  std::string comment;
};

void ExpectTable(const TVarTable& t, const std::vector<Entry>& expected, const std::string& what) {
  ASSERT_EQ(t.labels.size(), expected.size()) << what;
  ASSERT_EQ(t.values.size(), expected.size()) << what;
  ASSERT_EQ(t.comments.size(), expected.size()) << what;
  for (std::size_t k = 0; k < expected.size(); ++k) {
    EXPECT_EQ(t.labels[k], expected[k].label) << what << " entry " << k;
    EXPECT_EQ(t.values[k], expected[k].value) << what << " entry " << k;
    EXPECT_EQ(t.comments[k], expected[k].comment) << what << " entry " << k;
  }
}

TEST(ParseVariableTableText, ReaderRules) {
  struct Row { const char* name; std::string text; std::vector<Entry> expected; };
  const Row rows[] = {
      {"proper file", kExampleText, {{"x", {2.5, 0}, "length"}, {"z", {1, -2}, ""}}},
      {"any first line", "whatever\r\n1\r\na\r\n1\r\n0\r\n\r\n", {{"a", {1, 0}, ""}}},
      {"line feeds alone", "Veltaro Variable table\n1\na\n1\n0\n\n", {}},
      {"count beyond the entries", "h\r\n3\r\na\r\n1\r\n2\r\nc\r\n", {{"a", {1, 2}, "c"}}},
      {"count beyond, the text ends inside an entry", "h\r\n3\r\na\r\n1\r\n2\r\nc\r\nb\r\n7",
       {{"a", {1, 2}, "c"}, {"b", {7, 0}, ""}}},
      {"count beyond, the text ends after a label", "h\r\n4\r\na\r\n", {{"a", {0, 0}, ""}}},
      {"count beyond, an empty line is an entry", "h\r\n4\r\na\r\n1\r\n0\r\n\r\n\r\n",
       {{"a", {1, 0}, ""}, {"", {0, 0}, ""}}},
      {"count without entries", "h\r\n65535\r\n", {}},
      {"fewer entries than present", "h\r\n1\r\na\r\n1\r\n0\r\n\r\nb\r\n2\r\n0\r\n\r\n", {{"a", {1, 0}, ""}}},
      {"count with trailing text", "h\r\n2 variables\r\na\r\n1\r\n0\r\n\r\nb\r\n2\r\n0\r\n\r\n",
       {{"a", {1, 0}, ""}, {"b", {2, 0}, ""}}},
      {"exponent", "h\r\n1\r\na\r\n1.5E3\r\n-2.5e-1\r\n\r\n", {{"a", {1500, -0.25}, ""}}},
      {"comma is no separator", "h\r\n1\r\na\r\n1,5\r\n0\r\n\r\n", {{"a", {0, 0}, ""}}},
      {"blanks before and after a number", "h\r\n1\r\na\r\n \t 7 rest\r\n+3\r\n\r\n", {{"a", {7, 3}, ""}}},
      {"labels and comments taken whole", "h\r\n1\r\n my label \r\n0\r\n0\r\n  two  words \r\n",
       {{" my label ", {0, 0}, "  two  words "}}},
      {"duplicate and empty labels kept", "h\r\n3\r\na\r\n1\r\n0\r\n\r\n\r\n2\r\n0\r\n\r\na\r\n3\r\n0\r\nx\r\n",
       {{"a", {1, 0}, ""}, {"", {2, 0}, ""}, {"a", {3, 0}, "x"}}},
      {"hexadecimal count $", "h\r\n$2\r\na\r\n0\r\n0\r\n\r\nb\r\n0\r\n0\r\n\r\n", {{"a", {}, ""}, {"b", {}, ""}}},
      {"hexadecimal count 0x", "h\r\n0x1\r\na\r\n0\r\n0\r\n\r\n", {{"a", {}, ""}}},
      {"hexadecimal count x", "h\r\nx1\r\na\r\n0\r\n0\r\n\r\n", {{"a", {}, ""}}},
      {"negative count", "h\r\n-2\r\na\r\n0\r\n0\r\n\r\n", {}},
      {"count that is no number", "h\r\ntwo\r\na\r\n0\r\n0\r\n\r\n", {}},
      {"empty file", "", {}},
      {"header only", "Veltaro Variable table\r\n", {}},
      {"number beyond the double range", "h\r\n1\r\na\r\n1E999\r\n5\r\n\r\n", {{"a", {0, 5}, ""}}},
      {"count on a later line", "h\r\n\r\n 1\r\na\r\n4\r\n0\r\n\r\n", {{"a", {4, 0}, ""}}},
      {"end without final line end", "h\r\n1\r\na\r\n4\r\n5\r\nlast", {{"a", {4, 5}, "last"}}},
  };
  for (const Row& r : rows) {
    TVarTable t;
    SetVariable(t, "stale", {}, "");
    ParseVariableTableText(r.text, t);
    ExpectTable(t, r.expected, r.name);
  }
}

TEST(ParseVariableTableText, HugeCountsReadAtMostTheTableLimit) {
  std::string entries;
  for (std::size_t k = 0; k <= kMaxVariables; ++k) entries += "v" + std::to_string(k) + "\r\n1\r\n0\r\n\r\n";
  const char* counts[] = {"65536", "4294967296", "99999999999999999999999", "$FFFFFFFFFFFFFFFFFF"};
  for (const char* count : counts) {
    TVarTable t;
    ParseVariableTableText(std::string("h\r\n") + count + "\r\n" + entries, t);
    ASSERT_EQ(t.labels.size(), kMaxVariables) << count;
    EXPECT_EQ(t.labels[0], "v0");
    EXPECT_EQ(t.labels[kMaxVariables - 1], "v" + std::to_string(kMaxVariables - 1));
    // A huge count with one entry is that one entry, and room for more.
    ParseVariableTableText(std::string("h\r\n") + count + "\r\na\r\n1\r\n0\r\n\r\n", t);
    ExpectTable(t, {{"a", {1, 0}, ""}}, count);
    EXPECT_TRUE(SetVariable(t, "x", {}, ""));
  }
}

TEST(ParseVariableTableText, TheLargestDoubleAsWrittenReadsAsItself) {
  TVarTable t;
  SetVariable(t, "big", {DBL_MAX, -DBL_MAX}, "");
  const std::string text = VariableTableText(t);
  EXPECT_EQ(text, "Veltaro Variable table\r\n1\r\nbig\r\n1.79769313486232E308\r\n-1.79769313486232E308\r\n\r\n");
  TVarTable back;
  ParseVariableTableText(text, back);
  ExpectTable(back, {{"big", {DBL_MAX, -DBL_MAX}, ""}}, "saved and read again");

  struct Row { const char* number; double value; };
  const Row rows[] = {
      {"1.79769313486232e308", DBL_MAX},   {"+1.79769313486232E+308", DBL_MAX},
      {"179769313486232E294", DBL_MAX},    {"0.000179769313486232000E312", DBL_MAX},
      {"-1.79769313486232e308", -DBL_MAX}, {"1.7976931348623157E308", DBL_MAX},
      // Beyond the largest double by more than the rounding of a 15th digit.
      {"1.79769313486233E308", 0},         {"1.8E308", 0},
      {"1.797693134862321E308", 0},        {"1.79769313486232E309", 0},
  };
  for (const Row& r : rows) {
    ParseVariableTableText(std::string("h\r\n1\r\na\r\n") + r.number + "\r\n0\r\n\r\n", back);
    ExpectTable(back, {{"a", {r.value, 0}, ""}}, r.number);
  }
}

TEST(ParseVariableTableText, RandomBytesNeverCrash) {
  std::mt19937 rng(20261208);
  const char alphabet[] = "0123456789+-.eE$x \t\r\n\rabc,\x01\xff";
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    const int len = static_cast<int>(rng() % 200);
    for (int k = 0; k < len; ++k) text += alphabet[rng() % (sizeof alphabet - 1)];
    TVarTable t;
    ParseVariableTableText(text, t);
    EXPECT_EQ(t.labels.size(), t.values.size());
    EXPECT_EQ(t.labels.size(), t.comments.size());
  }
}

TEST(VariableTableFile, SaveAndLoadRoundTrip) {
  TempDir dir;
  const fs::path file = dir.path() / "t.vlt";
  TVarTable t = ExampleTable();
  SetVariable(t, "third", {1.0 / 3.0, -1e-300}, "c");
  int err = -1;
  ASSERT_TRUE(SaveVariableTableFile(file.string(), t, err));
  EXPECT_EQ(err, 0);
  TVarTable back;
  LoadVariableTableFile(file.string(), back);
  ExpectTable(back, {{"x", {2.5, 0}, "length"}, {"z", {1, -2}, ""}, {"third", {0.333333333333333, -1e-300}, "c"}},
              "round trip");
  // Nothing is left beside the file.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(VariableTableFile, LoadOfWhatCannotBeReadGivesAnEmptyTable) {
  TempDir dir;
  const std::string names[] = {"", (dir.path() / "missing.vlt").string(), dir.path().string(), "-debug"};
  for (const std::string& name : names) {
    TVarTable t = ExampleTable();
    LoadVariableTableFile(name, t);
    EXPECT_TRUE(t.labels.empty()) << name;
  }
}

#ifdef _WIN32
TEST(VariableTableFile, SaveKeepsTheHiddenMark) {
  TempDir dir;
  const fs::path file = dir.path() / "hidden.vlt";
  WriteAll(file, "old");
  ASSERT_TRUE(::SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_HIDDEN));
  int err = 0;
  ASSERT_TRUE(SaveVariableTableFile(file.string(), ExampleTable(), err));
  EXPECT_EQ(ReadAll(file), kExampleText);
  const DWORD attributes = ::GetFileAttributesA(file.string().c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}
#else
TEST(VariableTableFile, SaveKeepsModeAndSymbolicLinks) {
  TempDir dir;
  const fs::path real = dir.path() / "real.vlt";
  const fs::path link = dir.path() / "link.vlt";
  WriteAll(real, "old");
  ::chmod(real.c_str(), 0640);
  fs::create_symlink(real, link);
  int err = 0;
  ASSERT_TRUE(SaveVariableTableFile(link.string(), ExampleTable(), err));
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

TEST(VariableTableFile, FailedWriteLeavesTheOldFileWhole) {
  TempDir dir;
  const fs::path file = dir.path() / "keep.vlt";
  WriteAll(file, kExampleText);
  int err = 0;
  EXPECT_FALSE(SaveFileAtomically(file.string(), std::string(4096, 'x'), err, HalfThenDiskFull));
  EXPECT_EQ(err, ENOSPC);
  EXPECT_EQ(SaveErrorText(err), "Disk full.");
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
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

TEST(VariableTableFile, FullDiskLeavesTheOldFileAsItWas) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  TempDir dir;
  SmallMount disk(dir.path() / "disk", "size=16k");
  if (!disk.Mounted()) GTEST_SKIP() << "this machine refuses the mount";
  const fs::path file = dir.path() / "disk" / "t.vlt";
  WriteAll(file, kExampleText);
  TVarTable big;
  for (int k = 0; k < 2000; ++k) SetVariable(big, std::to_string(k).insert(0, "v"), {1.0 / 7.0, 2.0 / 7.0}, "comment");
  int err = 0;
  EXPECT_FALSE(SaveVariableTableFile(file.string(), big, err));
  EXPECT_EQ(SaveErrorText(err), "Disk full.");
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
}

#endif

#ifdef _WIN32
TEST(VariableTableFile, ReadOnlyTargetFailsWithAccessDenied) {
  TempDir dir;
  const fs::path file = dir.path() / "t.vlt";
  WriteAll(file, kExampleText);
  ASSERT_TRUE(::SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_READONLY));
  int err = 0;
  EXPECT_FALSE(SaveVariableTableFile(file.string(), TVarTable{}, err));
  EXPECT_EQ(err, EACCES);
  EXPECT_EQ(SaveErrorText(err), "File access denied.");
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  ::SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(VariableTableFile, FileOpenElsewhereWithoutSharingStaysAsItWas) {
  TempDir dir;
  const fs::path file = dir.path() / "t.vlt";
  WriteAll(file, kExampleText);
  const HANDLE held = ::CreateFileA(file.string().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  int err = 0;
  EXPECT_FALSE(SaveVariableTableFile(file.string(), TVarTable{}, err));
  EXPECT_EQ(SaveErrorText(err), "File access denied.");
  ::CloseHandle(held);
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}
#else
TEST(VariableTableFile, ReadOnlyTargetFailsWithAccessDenied) {
  TempDir dir;
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
  EXPECT_FALSE(SaveVariableTableFile(file.string(), TVarTable{}, err));
  EXPECT_EQ(SaveErrorText(err), "File access denied.");
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

TEST(VariableTableFile, LoadReadsOrdinaryFilesOnlyAndNeverWaits) {
  TempDir dir;
  const fs::path fifo = dir.path() / "fifo.vlt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  // No program writes the FIFO: the load does not wait for one.
  {
    TUnblocker unblock([&] { FeedFifo(fifo, kExampleText); });
    TVarTable t = ExampleTable();
    LoadVariableTableFile(fifo.string(), t);
    EXPECT_FALSE(unblock.Done()) << "the load waited for a writer";
    EXPECT_TRUE(t.labels.empty());
  }

  // A whole table waits in it, and a writer holds it open: still no table
  // file.
  {
    int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const std::string text = kExampleText;
    ASSERT_EQ(::write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    TUnblocker unblock([&] { ::close(std::exchange(writer, -1)); });
    TVarTable t = ExampleTable();
    LoadVariableTableFile(fifo.string(), t);
    EXPECT_FALSE(unblock.Done()) << "the load waited for the writer";
    EXPECT_TRUE(t.labels.empty());
    if (writer >= 0) ::close(writer);
  }

  // Devices: an endless one and an empty one.
  const fs::path zero = dir.path() / "zero", null = dir.path() / "null";
  if (MakeCharacterDevice(zero, 5) && MakeCharacterDevice(null, 3)) {
    for (const fs::path& device : {zero, null}) {
      TVarTable t = ExampleTable();
      LoadVariableTableFile(device.string(), t);
      EXPECT_TRUE(t.labels.empty()) << device;
    }
  }

  // A link to an ordinary file is read as that file.
  WriteAll(dir.path() / "real.vlt", kExampleText);
  fs::create_symlink(dir.path() / "real.vlt", dir.path() / "link.vlt");
  TVarTable t;
  LoadVariableTableFile((dir.path() / "link.vlt").string(), t);
  ExpectTable(t, {{"x", {2.5, 0}, "length"}, {"z", {1, -2}, ""}}, "through a link");
}

int gReaderToClose = -1;

// Closes the FIFO's only reader, then writes as the save does.
int CloseTheReaderThenWrite(int fd, const char* data, std::size_t size) {
  ::close(gReaderToClose);
  return ::write(fd, data, size) < 0 ? errno : 0;
}

TEST(VariableTableFile, SaveOntoAFifoWritesItInPlaceOrFailsAtOnce) {
  TempDir dir;
  const fs::path fifo = dir.path() / "fifo.vlt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  // Nobody reads it: the save fails at once, and the FIFO stays.
  {
    TUnblocker unblock([&] { TouchFifo(fifo); });
    int err = 0;
    EXPECT_FALSE(SaveVariableTableFile(fifo.string(), ExampleTable(), err));
    EXPECT_FALSE(unblock.Done()) << "the save waited for a reader";
    EXPECT_EQ(err, ENXIO);
    EXPECT_EQ(SaveErrorText(err), "I/O error 6.");
    EXPECT_TRUE(IsFifo(fifo));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  }

  // A program reads it: that program gets the table.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  int err = 0;
  EXPECT_TRUE(SaveVariableTableFile(fifo.string(), ExampleTable(), err));
  EXPECT_EQ(err, 0);
  char buffer[256];
  const ssize_t n = ::read(reader, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), kExampleText);
  EXPECT_TRUE(IsFifo(fifo));

  // The reader goes away just before the save writes: a failure, not the
  // end of the program.
  gReaderToClose = reader;
  EXPECT_FALSE(SaveFileAtomically(fifo.string(), kExampleText, err, CloseTheReaderThenWrite));
  EXPECT_EQ(err, EPIPE);
  EXPECT_TRUE(IsFifo(fifo));
}

TEST(VariableTableFile, SaveOntoADeviceKeepsTheDevice) {
  TempDir dir;
  const fs::path null = dir.path() / "null";
  if (!MakeCharacterDevice(null, 3)) GTEST_SKIP() << "making a device node needs root";
  int err = 0;
  const bool saved = SaveVariableTableFile(null.string(), ExampleTable(), err);
  if (DeviceOpens(null)) {
    EXPECT_TRUE(saved);
    EXPECT_EQ(err, 0);
  } else {
    EXPECT_FALSE(saved);
    EXPECT_EQ(SaveErrorText(err), "File access denied.");
  }
  struct stat st {};
  ASSERT_EQ(::lstat(null.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(st.st_rdev, ::makedev(1, 3));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(VariableTableFile, SaveThroughLinksKeepsEveryLink) {
  TempDir dir;
  const fs::path& d = dir.path();

  // A hard link: both names show the new table and stay one file.
  WriteAll(d / "one.vlt", "old contents that are longer than the new table will be, by a good many bytes");
  fs::create_hard_link(d / "one.vlt", d / "two.vlt");
  int err = 0;
  ASSERT_TRUE(SaveVariableTableFile((d / "two.vlt").string(), ExampleTable(), err));
  EXPECT_EQ(ReadAll(d / "one.vlt"), kExampleText);
  EXPECT_EQ(ReadAll(d / "two.vlt"), kExampleText);
  EXPECT_EQ(fs::hard_link_count(d / "one.vlt"), 2u);
  TVarTable big = ExampleTable();
  for (int k = 0; k < 50; ++k) SetVariable(big, "v" + std::to_string(k), {1.0 / 3.0, 0}, "grows the file");
  ASSERT_TRUE(SaveVariableTableFile((d / "one.vlt").string(), big, err));
  EXPECT_EQ(ReadAll(d / "two.vlt"), VariableTableText(big));

  // A dangling link: the file it points to is made, the link stays.
  fs::create_directory(d / "sub");
  fs::create_symlink("sub/new.vlt", d / "dangling.vlt");
  ASSERT_TRUE(SaveVariableTableFile((d / "dangling.vlt").string(), ExampleTable(), err));
  EXPECT_TRUE(fs::is_symlink(d / "dangling.vlt"));
  EXPECT_EQ(ReadAll(d / "sub" / "new.vlt"), kExampleText);

  // A chain of links to a file: the file is replaced, every link stays.
  WriteAll(d / "sub" / "real.vlt", "old");
  fs::create_symlink("real.vlt", d / "sub" / "first.vlt");
  fs::create_symlink(d / "sub" / "first.vlt", d / "second.vlt");
  ASSERT_TRUE(SaveVariableTableFile((d / "second.vlt").string(), ExampleTable(), err));
  EXPECT_TRUE(fs::is_symlink(d / "second.vlt"));
  EXPECT_TRUE(fs::is_symlink(d / "sub" / "first.vlt"));
  EXPECT_EQ(ReadAll(d / "sub" / "real.vlt"), kExampleText);

  // Links that go round: refused, nothing made.
  fs::create_symlink("loop-b.vlt", d / "loop-a.vlt");
  fs::create_symlink("loop-a.vlt", d / "loop-b.vlt");
  const auto before = std::distance(fs::directory_iterator(d), fs::directory_iterator());
  EXPECT_FALSE(SaveVariableTableFile((d / "loop-a.vlt").string(), ExampleTable(), err));
  EXPECT_EQ(err, ELOOP);
  EXPECT_EQ(std::distance(fs::directory_iterator(d), fs::directory_iterator()), before);
}

TEST(VariableTableFile, SaveNeverFollowsAStrangersLinkInASharedFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "a link of another owner needs root to make";
  TempDir dir;
  const fs::path shared = dir.path() / "shared";
  fs::create_directory(shared);
  ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
  const fs::path aim = dir.path() / "aim.vlt";
  const fs::path planted = shared / "t.vlt";
  fs::create_symlink(aim, planted);
  ASSERT_EQ(::lchown(planted.c_str(), 4242, 4242), 0);
  int err = 0;
  EXPECT_FALSE(SaveVariableTableFile(planted.string(), ExampleTable(), err));
  EXPECT_EQ(SaveErrorText(err), "File access denied.");
  EXPECT_FALSE(fs::exists(aim));
  EXPECT_TRUE(fs::is_symlink(planted));
  // In a folder of the link's owner, or one not shared, the link is followed.
  ASSERT_EQ(::chown(shared.c_str(), 4242, 4242), 0);
  EXPECT_TRUE(SaveVariableTableFile(planted.string(), ExampleTable(), err));
  EXPECT_EQ(ReadAll(aim), kExampleText);
}

TEST(VariableTableFile, FullDiskLeavesAHardLinkedFileAsItWas) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  TempDir dir;
  SmallMount disk(dir.path() / "disk", "size=16k");
  if (!disk.Mounted()) GTEST_SKIP() << "this machine refuses the mount";
  const fs::path file = dir.path() / "disk" / "t.vlt";
  WriteAll(file, kExampleText);
  fs::create_hard_link(file, dir.path() / "disk" / "other.vlt");
  TVarTable big;
  for (int k = 0; k < 2000; ++k) SetVariable(big, "v" + std::to_string(k), {1.0 / 7.0, 2.0 / 7.0}, "comment");
  int err = 0;
  EXPECT_FALSE(SaveVariableTableFile(file.string(), big, err));
  EXPECT_EQ(SaveErrorText(err), "Disk full.");
  EXPECT_EQ(ReadAll(file), kExampleText);
  EXPECT_EQ(fs::hard_link_count(file), 2u);
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

TEST(VariableTableFile, SaveOntoTheFileOfStandardOutputWritesAfterWhatItHolds) {
  TempDir dir;
  const fs::path out = dir.path() / "out.txt";
  bool saved = false;
  int err = 0;
  WithStandardOutputIn(out, [&] {
    std::fputs("Result: 1\n", stdout);
    saved = SaveVariableTableFile(out.string(), ExampleTable(), err);
    std::fputs("after\n", stdout);
  });
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadAll(out), std::string("Result: 1\n") + kExampleText + "after\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

  // Through the descriptor's own name too.
  WithStandardOutputIn(out, [&] {
    std::fputs("Result: 2\n", stdout);
    saved = SaveVariableTableFile("/proc/self/fd/1", ExampleTable(), err);
  });
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadAll(out), std::string("Result: 2\n") + kExampleText);
}
#endif

TEST(SaveErrorText, SystemDescriptions) {
  EXPECT_EQ(SaveErrorText(EACCES), "File access denied.");
  EXPECT_EQ(SaveErrorText(EPERM), "File access denied.");
  EXPECT_EQ(SaveErrorText(EROFS), "File access denied.");
  EXPECT_EQ(SaveErrorText(ENOSPC), "Disk full.");
#ifdef EDQUOT
  EXPECT_EQ(SaveErrorText(EDQUOT), "Disk full.");
#endif
  EXPECT_EQ(SaveErrorText(EIO), "I/O error 5.");
  EXPECT_EQ(SaveErrorText(ENOENT), "I/O error 2.");
}

TEST(WithTableExtension, ReplacesOrAppendsOnTheLastComponent) {
  struct Row { const char* in; const char* out; };
  const Row rows[] = {
      {"vars.txt", "vars.vlt"}, {"vars", "vars.vlt"}, {"vars.vlt", "vars.vlt"},
      {"/home/a.b/vars", "/home/a.b/vars.vlt"}, {"dir.d/x.tar.gz", "dir.d/x.tar.vlt"},
  };
  for (const Row& r : rows) EXPECT_EQ(WithTableExtension(r.in), r.out) << r.in;
}

}  // namespace
}  // namespace veltaro
