#include "VarTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veltaro {
namespace {

TVarTable Table(std::vector<std::pair<std::string, double>> entries) {
  TVarTable t;
  for (auto& [label, value] : entries) {
    t.labels.push_back(label);
    t.comments.push_back("c" + label);
    t.values.push_back(TComplex{value, 0});
  }
  return t;
}

std::vector<std::string> Labels(const TVarTable& t) { return t.labels; }

TEST(FindVariable, ExactCaseSensitiveAndLastDuplicateWins) {
  TComplex v{9, 9};
  EXPECT_FALSE(FindVariable(TVarTable{}, "a", v));
  EXPECT_EQ(v, (TComplex{0, 0}));
  const TVarTable t = Table({{"a", 1}, {"A", 2}, {"a", 3}, {"x ", 4}});
  v = TComplex{9, 9};
  EXPECT_FALSE(FindVariable(t, "", v));
  EXPECT_EQ(v, (TComplex{0, 0}));
  ASSERT_TRUE(FindVariable(t, "a", v));
  EXPECT_EQ(v.re, 3);
  ASSERT_TRUE(FindVariable(t, "A", v));
  EXPECT_EQ(v.re, 2);
  EXPECT_FALSE(FindVariable(t, "x", v));
  ASSERT_TRUE(FindVariable(t, "x ", v));
  EXPECT_EQ(v.re, 4);
}

TEST(SetVariable, ReplacesEveryMatchOrAppends) {
  TVarTable t;
  SetVariable(t, "a", {1, 0}, "first");
  SetVariable(t, "a", {2, 0}, "second");
  ASSERT_EQ(t.labels.size(), 1u);
  EXPECT_EQ(t.values[0], (TComplex{2, 0}));
  EXPECT_EQ(t.comments[0], "second");
  SetVariable(t, "A", {0, 0}, "");
  EXPECT_EQ(Labels(t), (std::vector<std::string>{"a", "A"}));
  EXPECT_EQ(t.comments[1], "");
  EXPECT_FALSE(SetVariable(t, "", {5, 5}, "x"));
  EXPECT_EQ(t.labels.size(), 2u);

  TVarTable dup = Table({{"a", 1}, {"b", 0}, {"a", 2}});
  SetVariable(dup, "a", {5, 0}, "five");
  EXPECT_EQ(dup.values[0].re, 5);
  EXPECT_EQ(dup.values[2].re, 5);
  EXPECT_EQ(dup.comments[2], "five");
  EXPECT_EQ(dup.labels.size(), 3u);
}

TEST(SetVariable, TableHoldsAtMost65535Entries) {
  TVarTable t;
  for (std::size_t k = 0; k + 1 < kMaxVariables; ++k) {
    t.labels.push_back(std::to_string(k).insert(0, "v"));
    t.comments.emplace_back();
    t.values.emplace_back();
  }
  EXPECT_TRUE(SetVariable(t, "last", {1, 0}, ""));
  EXPECT_FALSE(SetVariable(t, "one_more", {1, 0}, ""));
  EXPECT_EQ(t.labels.size(), kMaxVariables);
  // An existing label is still updated.
  EXPECT_TRUE(SetVariable(t, "v7", {7, 0}, "seven"));
  TComplex v;
  ASSERT_TRUE(FindVariable(t, "v7", v));
  EXPECT_EQ(v.re, 7);
}

TEST(DeleteVariable, RemovesFirstMatchKeepingOrder) {
  struct Row { std::vector<std::pair<std::string, double>> before; std::string label; std::vector<std::string> after; };
  const Row rows[] = {
      {{{"a", 0}, {"b", 0}, {"c", 0}}, "b", {"a", "c"}},
      {{{"a", 0}, {"b", 0}, {"c", 0}}, "c", {"a", "b"}},
      {{{"a", 1}, {"a", 2}}, "a", {"a"}},
      {{{"a", 0}}, "z", {"a"}},
      {{}, "a", {}},
  };
  for (const Row& r : rows) {
    TVarTable t = Table(r.before);
    DeleteVariable(t, r.label);
    EXPECT_EQ(Labels(t), r.after) << r.label;
    EXPECT_EQ(t.values.size(), t.labels.size());
    EXPECT_EQ(t.comments.size(), t.labels.size());
  }
  TVarTable dup = Table({{"a", 1}, {"a", 2}});
  DeleteVariable(dup, "a");
  EXPECT_EQ(dup.values[0].re, 2);
}

TEST(CopyVarTable, DestinationBecomesAnIndependentCopy) {
  const TVarTable two = Table({{"p", 1}, {"q", 2}});
  TVarTable five = Table({{"a", 0}, {"b", 0}, {"c", 0}, {"d", 0}, {"e", 0}});
  CopyVarTable(two, five);
  EXPECT_EQ(Labels(five), (std::vector<std::string>{"p", "q"}));
  EXPECT_EQ(five.comments, two.comments);
  five.labels[0] = "changed";
  EXPECT_EQ(two.labels[0], "p");
  ClearVarTable(five);
  EXPECT_TRUE(five.labels.empty() && five.values.empty() && five.comments.empty());
}

}  // namespace
}  // namespace veltaro
