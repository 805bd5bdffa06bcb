#include "HelpStrings.h"

#include <gtest/gtest.h>

#include "HelpFixture.h"

namespace veltaro {
namespace {

using testing_support::Native;

TEST(FormatText, PercentSAndPercentDTakeTheArgumentsInOrder) {
  const struct {
    const char* format;
    TLogArgs args;
    const char* expected;
  } rows[] = {
      {"plain", {}, "plain"},
      {"%s", {std::string("a")}, "a"},
      {"%d", {std::int64_t{-42}}, "-42"},
      {"x=%s, y=%d.", {std::string("a b"), std::int64_t{7}}, "x=a b, y=7."},
      {"HHHelpContext(\"%s\", %d, \"%s\", %d)",
       {std::string("/p/v.chm"), std::int64_t{20}, std::string(""), std::int64_t{0}},
       "HHHelpContext(\"/p/v.chm\", 20, \"\", 0)"},
      {"%s%s", {std::string("a")}, "a%s"},
      {"100%%", {std::string("unused")}, "100%"},
      {"%x %s", {std::string("a")}, "%x a"},
      {"end %", {std::string("a")}, "end %"},
      {"%d", {std::string("text for number")}, "text for number"},
      {"%s", {std::int64_t{5}}, "5"},
      {"%s", {std::string("%d stays")}, "%d stays"},
      {"%d", {std::int64_t{2147483647}}, "2147483647"},
      {"%d", {std::int64_t{-2147483647 - 1}}, "-2147483648"},
  };
  for (const auto& row : rows) EXPECT_EQ(FormatText(row.format, row.args), row.expected) << row.format;
}

TEST(HelpStrings, ReplacingTrimmingAndRepeating) {
  EXPECT_EQ(ReplaceAll("a%20b%20%20c", "%20", " "), "a b  c");
  EXPECT_EQ(ReplaceAll("a\\b\\\\c", "\\", "/"), "a/b//c");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(TrimChar("  a b  ", ' '), "a b");
  EXPECT_EQ(TrimChar("    ", ' '), "");
  EXPECT_EQ(TrimChar("", ' '), "");
  EXPECT_EQ(TrimChar("\ta\t", ' '), "\ta\t");
  EXPECT_EQ(TrimCharRight("//a//", '/'), "//a");
  EXPECT_EQ(TrimCharRight("///", '/'), "");
  EXPECT_EQ(RepeatChar('=', 3), "===");
  EXPECT_EQ(RepeatChar('-', 0), "");
  EXPECT_STREQ(YesNo(true), "YES");
  EXPECT_STREQ(YesNo(false), "NO");
}

TEST(HelpStrings, AsciiCaseIsIgnoredAndNothingElse) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase("-DEBUG", "-debug"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase("/DeBuG", "/debug"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("--debug", "-debug"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("debug", "-debug"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("-debüg", "-debug"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
}

TEST(HelpStrings, FileNameParts) {
  const struct {
    const char* name;
    const char* dir;
    const char* file;
  } rows[] = {
      {"/opt/veltaro/veltaro", "/opt/veltaro", "veltaro"},
      {"/veltaro", "/", "veltaro"},
      {"veltaro", "", "veltaro"},
      {"./veltaro", ".", "veltaro"},
      {"/opt/dir/", "/opt/dir", ""},
      {"", "", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ExtractFileDir(Native(row.name)), Native(row.dir)) << row.name;
    EXPECT_EQ(ExtractFileName(Native(row.name)), row.file) << row.name;
  }
  EXPECT_EQ(RemoveTrailingDelimiters(Native("/tmp///")), Native("/tmp"));
  EXPECT_EQ(RemoveTrailingDelimiters(Native("/")), Native("/"));
  EXPECT_EQ(RemoveTrailingDelimiters(""), "");
  EXPECT_EQ(JoinPath(Native("/prog"), "x"), Native("/prog/x"));
  EXPECT_EQ(JoinPath(Native("/prog/"), "x"), Native("/prog/x"));
  EXPECT_EQ(JoinPath(Native("/"), "x"), Native("/x"));
}

}  // namespace
}  // namespace veltaro
