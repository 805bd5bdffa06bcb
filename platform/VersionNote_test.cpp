#include "VersionNote.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

VELTARO_FILE_VERSION(4, 73, 8252, 65535);

namespace veltaro {
namespace {

namespace fs = std::filesystem;

class VersionNoteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("veltaro-note-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    self = fs::read_symlink("/proc/self/exe");
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  std::string SelfBytes() const {
    std::ifstream in(self, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir;
  fs::path self;
};

TEST_F(VersionNoteTest, ABinaryReadsTheVersionItWasBuiltWith) {
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  ASSERT_TRUE(ReadVersionNote(self.string(), ms, ls));
  EXPECT_EQ(ms, (4u << 16) | 73u);
  EXPECT_EQ(ls, (8252u << 16) | 65535u);
}

TEST_F(VersionNoteTest, StrippingKeepsTheVersion) {
  const std::string copy = (dir / "stripped").string();
  fs::copy_file(self, copy);
  const std::string command = "strip --strip-all '" + copy + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "no strip on this machine";
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  ASSERT_TRUE(ReadVersionNote(copy, ms, ls));
  EXPECT_EQ(ms, (4u << 16) | 73u);
}

TEST_F(VersionNoteTest, FilesWithoutANoteHaveNoVersion) {
  const std::string elf = SelfBytes();
  std::string otherNote = elf;
  // The same binary with the note's name spoiled.
  const auto at = otherNote.find(std::string("Veltaro\0", 8));
  ASSERT_NE(at, std::string::npos);
  otherNote[at] = 'X';
  std::string wrongOrder = elf;
  wrongOrder[5] = 2;  // big-endian
  const struct {
    const char* what;
    std::string path;
  } rows[] = {
      {"empty name", ""},
      {"missing file", (dir / "missing").string()},
      {"directory", dir.string()},
      {"empty file", Write("empty", "")},
      {"text file", Write("text", "not a binary\n")},
      {"magic only", Write("magic", "\x7f" "ELF")},
      {"truncated header", Write("header", elf.substr(0, 40))},
      {"headers without sections", Write("cut", elf.substr(0, 4096))},
      {"spoiled note name", Write("spoiled", otherNote)},
      {"other byte order", Write("order", wrongOrder)},
      {"no note", "/bin/sh"},
  };
  for (const auto& row : rows) {
    std::uint32_t ms = 1;
    std::uint32_t ls = 1;
    EXPECT_FALSE(ReadVersionNote(row.path, ms, ls)) << row.what;
    EXPECT_EQ(ms, 0u) << row.what;
    EXPECT_EQ(ls, 0u) << row.what;
  }
}

}  // namespace
}  // namespace veltaro
