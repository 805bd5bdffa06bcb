#include "VarTableFile.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <random>
#include <string>

#include "TestFiles.h"

namespace veltaro {
namespace {

namespace fs = std::filesystem;
using test_support::EntriesIn;
using test_support::ReadAll;
using test_support::TTempDir;
using test_support::WriteAll;

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

// Every table that is written reads back as itself: a line break in a label
// or comment (pasted from a mail as CR LF) is written as a blank, and text
// longer than a line may hold is written as the reader would read it.
TEST(VariableTableText, EveryTableWrittenReadsBackAsItself) {
  struct Row { const char* name; std::string label, comment, writtenLabel, writtenComment; };
  const std::string longest(kMaxTableLine, 'c');
  const Row rows[] = {
      {"CR LF in a comment", "x", "first line\r\nsecond line", "x", "first line second line"},
      {"CR alone, LF alone", "x", "a\rb\nc\n\rd", "x", "a b c  d"},
      {"line breaks at both ends", "x", "\r\nmiddle\r", "x", " middle "},
      {"a label with a line break", "a\r\nb", "", "a b", ""},
      {"the longest comment", "x", longest, "x", longest},
      {"a comment too long", "x", longest + "cut", "x", longest},
      {"a label too long", std::string(kMaxTableLine + 1, 'v'), "kept", "", "kept"},
  };
  for (const Row& r : rows) {
    TVarTable t;
    t.labels = {r.label, "y"};
    t.values = {{1, 0}, {2, 0}};
    t.comments = {r.comment, "after"};
    const std::string text = VariableTableText(t);
    EXPECT_EQ(text, "Veltaro Variable table\r\n2\r\n" + r.writtenLabel + "\r\n1\r\n0\r\n" + r.writtenComment +
                        "\r\ny\r\n2\r\n0\r\nafter\r\n")
        << r.name;
    TVarTable back;
    ParseVariableTableText(text, back);
    ExpectTable(back, {{r.writtenLabel, {1, 0}, r.writtenComment}, {"y", {2, 0}, "after"}}, r.name);
    EXPECT_EQ(VariableTableText(back), text) << r.name;
  }
  EXPECT_EQ(WithoutLineBreaks("one\r\ntwo\nthree\rfour"), "one two three four");
}

// No line is read further than a term may be long: a longer one is an
// invalid label (empty) or number (0), a comment is cut, and the reading
// stops there, however large the file.
TEST(ParseVariableTableText, ALineLongerThanATermEndsTheReading) {
  const std::string longest(kMaxTableLine, 'c'), tooLong(kMaxTableLine + 1, 'c');
  const std::string blanks(kMaxTableLine, ' ');
  const std::string next = "\r\nb\r\n2\r\n0\r\n\r\n";
  struct Row { const char* name; std::string text; std::vector<Entry> expected; };
  const Row rows[] = {
      {"the longest label", "h\r\n2\r\n" + longest + "\r\n1\r\n0\r\n" + next,
       {{longest, {1, 0}, ""}, {"b", {2, 0}, ""}}},
      {"a label too long", "h\r\n2\r\n" + tooLong + "\r\n1\r\n0\r\n" + next, {{"", {0, 0}, ""}}},
      {"a number after the longest blanks", "h\r\n2\r\na\r\n" + blanks.substr(1) + "7\r\n0\r\n" + next,
       {{"a", {7, 0}, ""}, {"b", {2, 0}, ""}}},
      {"a number on a line too long", "h\r\n2\r\na\r\n7" + blanks + "\r\n5\r\nc" + next, {{"a", {0, 0}, ""}}},
      {"an imaginary part too long", "h\r\n2\r\na\r\n7\r\n" + blanks + "5\r\nc" + next, {{"a", {7, 0}, ""}}},
      {"a comment too long", "h\r\n2\r\na\r\n1\r\n0\r\n" + tooLong + next, {{"a", {1, 0}, longest}}},
      {"a header too long", tooLong + "\r\n1\r\na\r\n1\r\n0\r\n\r\n", {}},
      {"a count line too long", "h\r\n1" + blanks + "\r\na\r\n1\r\n0\r\n\r\n", {}},
      {"line feeds count as characters", "h\r\n1\r\n" + std::string(kMaxTableLine + 1, '\n') + "\r\n", {{"", {}, ""}}},
  };
  for (const Row& r : rows) {
    TVarTable t;
    ParseVariableTableText(r.text, t);
    ExpectTable(t, r.expected, r.name);
  }
}

// A table file of a gigabyte is read only as far as its first line too
// long, not whole (a sparse file takes no room on the disk).
TEST(VariableTableFile, AHugeLineIsNotReadWhole) {
  TTempDir dir;
  const fs::path file = dir.path() / "huge.vlt";
  WriteAll(file, "Veltaro Variable table\r\n1\r\n");
  fs::resize_file(file, std::uintmax_t{1} << 30);
  TVarTable t;
  LoadVariableTableFile(file.string(), t);
  ExpectTable(t, {{"", {0, 0}, ""}}, "a gigabyte of NUL bytes as a label");
}

TEST(VariableTableFile, SaveAndLoadRoundTrip) {
  TTempDir dir;
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
  EXPECT_EQ(EntriesIn(dir.path()), 1);
}

TEST(VariableTableFile, LoadOfWhatCannotBeReadGivesAnEmptyTable) {
  TTempDir dir;
  const std::string names[] = {"", (dir.path() / "missing.vlt").string(), dir.path().string(), "-debug"};
  for (const std::string& name : names) {
    TVarTable t = ExampleTable();
    LoadVariableTableFile(name, t);
    EXPECT_TRUE(t.labels.empty()) << name;
  }
}


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
