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
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

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
      {"count beyond the entries", "h\r\n3\r\na\r\n1\r\n2\r\nc\r\n",
       {{"a", {1, 2}, "c"}, {"", {0, 0}, ""}, {"", {0, 0}, ""}}},
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
  const char* counts[] = {"65536", "4294967296", "99999999999999999999999", "$FFFFFFFFFFFFFFFFFF"};
  for (const char* count : counts) {
    TVarTable t;
    ParseVariableTableText(std::string("h\r\n") + count + "\r\na\r\n1\r\n0\r\n\r\n", t);
    ASSERT_EQ(t.labels.size(), kMaxVariables) << count;
    EXPECT_EQ(t.labels[0], "a");
    EXPECT_EQ(t.labels[1], "");
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
