#include "ChmArchive.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace veltaro {
namespace {

namespace fs = std::filesystem;

std::string Le(std::initializer_list<std::uint32_t> words) {
  std::string bytes;
  for (std::uint32_t w : words) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((w >> (8 * i)) & 0xFF);
  }
  return bytes;
}

TEST(ParseContextMap, PairsOfContextAndNameOffset) {
  const std::string strings("\0/a.htm\0/b.htm\0", 15);
  const struct {
    const char* what;
    std::string ivb;
    std::string strings;
    bool ok;
    TContextMap map;
  } rows[] = {
      {"two pairs", Le({16, 1, 1, 999, 8}), strings, true, {{1, "/a.htm"}, {999, "/b.htm"}}},
      {"no pairs", Le({0}), strings, true, {}},
      {"offset 0 is the empty name", Le({8, 5, 0}), strings, true, {{5, ""}}},
      {"bytes after the count are ignored", Le({8, 1, 1, 77, 77}), strings, true, {{1, "/a.htm"}}},
      {"empty", "", strings, false, {}},
      {"short count", std::string("\x08\0", 2), strings, false, {}},
      {"count beyond the object", Le({16, 1, 1}), strings, false, {}},
      {"count not a whole pair", Le({4, 1, 1}), strings, false, {}},
      {"huge count", Le({0xFFFFFFF8u, 1, 1}), strings, false, {}},
      {"offset beyond the names", Le({8, 1, 15}), strings, false, {}},
      {"name without its end", Le({8, 1, 1}), std::string("\0/a.htm", 7), false, {}},
  };
  for (const auto& row : rows) {
    TContextMap map{{42, "stale"}};
    EXPECT_EQ(ParseContextMap(row.ivb, row.strings, map), row.ok) << row.what;
    if (row.ok) {
      EXPECT_EQ(map, row.map) << row.what;
    }
  }
}

TEST(HelpFile, EveryContextOfTheProgramOpensATopicInsideTheFile) {
  TChmArchive archive;
  ASSERT_TRUE(archive.Open(VELTARO_HELP_FILE));
  TContextMap map;
  ASSERT_TRUE(archive.ContextMap(map));
  const TContextMap expected = {{1, "/topics/window.htm"},
                                {10, "/topics/variables.htm"},
                                {20, "/topics/terms.htm"},
                                {999, "/topics/support.htm"}};
  EXPECT_EQ(map, expected);
  const struct {
    const char* topic;
    const char* title;
  } topics[] = {{"/topics/window.htm", "the calculator window"},
                {"/topics/variables.htm", "variables and variable tables"},
                {"/topics/terms.htm", "writing terms"},
                {"/topics/smart.htm", "Smart-Calculate"},
                {"/topics/support.htm", "support free software"}};
  for (const auto& t : topics) {
    std::string html;
    ASSERT_TRUE(archive.Read(t.topic, html)) << t.topic;
    EXPECT_NE(html.find(std::string("<title>Veltaro - ") + t.title + "</title>"), std::string::npos) << t.topic;
  }
  std::string bytes;
  ASSERT_TRUE(archive.Read("images/window.png", bytes));
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
  EXPECT_TRUE(archive.Contains("/images/veltaro.png"));
  EXPECT_TRUE(archive.Contains("/TOPICS/HELP.CSS"));
  EXPECT_FALSE(archive.Contains("/topics/missing.htm"));
  EXPECT_FALSE(archive.Read(std::string(600, 'x'), bytes));
  EXPECT_EQ(bytes, "");
}

TEST(HelpFile, FilesThatAreNoHelpFilesDoNotOpen) {
  TChmArchive archive;
  EXPECT_FALSE(archive.Open("/nonexistent/veltaro.chm"));
  EXPECT_FALSE(archive.Open("/proc/self/exe"));
  EXPECT_FALSE(archive.IsOpen());
  std::string bytes;
  EXPECT_FALSE(archive.Read("/topics/window.htm", bytes));
  TContextMap map;
  EXPECT_FALSE(archive.ContextMap(map));
}

// The check that the build runs on a compiled file rejects the two faults of
// the compiler: topic names that are paths of the build machine, and a file
// without a context map.
class HelpFileCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("veltaro-chm-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* item : {"veltaro.hhp", "context.h", "topics", "images"}) {
      fs::copy(fs::path(VELTARO_HELP_SOURCE_DIR) / item, dir / item, fs::copy_options::recursive);
    }
  }
  void TearDown() override { fs::remove_all(dir); }

  int Compile() {
    const std::string command = "cd '" + dir.string() + "' && '" VELTARO_CHMCMD "' veltaro.hhp >/dev/null 2>&1";
    return std::system(command.c_str());
  }
  int Check() {
    const std::string command = "'" VELTARO_CHMCHECK "' '" + (dir / "veltaro.chm").string() + "' '" + dir.string() +
                                "' 1 10 20 999 >/dev/null 2>&1";
    return std::system(command.c_str());
  }

  fs::path dir;
};

TEST_F(HelpFileCheck, TopicNamesWithTheBuildMachinesPathsAreRejected) {
  ASSERT_EQ(Compile(), 0);
  TChmArchive archive;
  ASSERT_TRUE(archive.Open((dir / "veltaro.chm").string()));
  TContextMap map;
  ASSERT_TRUE(archive.ContextMap(map));
  ASSERT_FALSE(map.empty());
  EXPECT_NE(map.begin()->second.find(dir.string()), std::string::npos) << map.begin()->second;
  EXPECT_NE(Check(), 0);
}

TEST_F(HelpFileCheck, AFileWithoutContextMapIsRejected) {
  fs::remove(dir / "context.h");  // the compiler skips a missing include silently
  ASSERT_EQ(Compile(), 0);
  TChmArchive archive;
  ASSERT_TRUE(archive.Open((dir / "veltaro.chm").string()));
  EXPECT_FALSE(archive.Contains("/#IVB"));
  EXPECT_NE(Check(), 0);
}

}  // namespace
}  // namespace veltaro
