#include "VarTable.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
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

// The table as a plain list, searched from end to end: what every look-up
// must agree with however the table was changed.
struct TPlainTable {
  std::vector<std::string> labels, comments;
  std::vector<TComplex> values;

  bool Find(const std::string& label, TComplex& value) const {
    value = TComplex{};
    if (label.empty()) return false;
    bool found = false;
    for (std::size_t k = 0; k < labels.size(); ++k)
      if (labels[k] == label) value = values[k], found = true;
    return found;
  }
  bool Set(const std::string& label, TComplex value, const std::string& comment) {
    if (label.empty()) return false;
    bool matched = false;
    for (std::size_t k = 0; k < labels.size(); ++k)
      if (labels[k] == label) comments[k] = comment, values[k] = value, matched = true;
    if (matched) return true;
    if (labels.size() >= kMaxVariables) return false;
    labels.push_back(label), comments.push_back(comment), values.push_back(value);
    return true;
  }
  void Delete(const std::string& label) {
    for (std::size_t k = 0; k < labels.size(); ++k) {
      if (labels[k] != label) continue;
      const auto at = static_cast<std::ptrdiff_t>(k);
      labels.erase(labels.begin() + at), comments.erase(comments.begin() + at), values.erase(values.begin() + at);
      return;
    }
  }
};

void ExpectSame(const TVarTable& t, const TPlainTable& plain, const std::vector<std::string>& probes,
                const std::string& what) {
  ASSERT_EQ(Labels(t), plain.labels) << what;
  ASSERT_EQ(t.comments, plain.comments) << what;
  ASSERT_EQ(t.values, plain.values) << what;
  for (const std::string& label : probes) {
    TComplex got, want;
    ASSERT_EQ(FindVariable(t, label, got), plain.Find(label, want)) << what << " label \"" << label << "\"";
    ASSERT_EQ(got, want) << what << " label \"" << label << "\"";
  }
}

// Random sequences of every kind of change, through the functions and
// directly on the arrays (as the file reader and the grid write them), on
// few labels so that duplicates abound: every look-up agrees with a search
// of the whole table.
TEST(VarTableIndex, AgreesWithAWholeSearchAfterAnyChange) {
  const std::vector<std::string> probes = {"", "a", "b", "c", "A", "a ", "long label of some length", "d"};
  std::mt19937 random(12);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  for (int run = 0; run < 40; ++run) {
    TVarTable t;
    TPlainTable plain;
    TVarTable other;
    TPlainTable otherPlain;
    for (int step = 0; step < 300; ++step) {
      const std::string& label = probes[pick(probes.size())];
      const TComplex value{static_cast<double>(step), static_cast<double>(run)};
      const std::string what = "run " + std::to_string(run) + " step " + std::to_string(step);
      switch (pick(10)) {
        case 0:
        case 1:
          ASSERT_EQ(SetVariable(t, label, value, "s" + label), plain.Set(label, value, "s" + label)) << what;
          break;
        case 2:
          DeleteVariable(t, label);
          plain.Delete(label);
          break;
        case 3:  // appended directly, as a file is read
          t.labels.push_back(label), t.values.push_back(value), t.comments.push_back("p");
          plain.labels.push_back(label), plain.values.push_back(value), plain.comments.push_back("p");
          break;
        case 4:  // a label changed in place
          if (!t.labels.empty()) {
            const std::size_t k = pick(t.labels.size());
            t.labels[k] = label;
            plain.labels[k] = label;
          }
          break;
        case 5:  // copied both ways
          if (pick(2)) {
            CopyVarTable(t, other), otherPlain = plain;
          } else {
            CopyVarTable(other, t), plain = otherPlain;
          }
          break;
        case 6:  // whole tables assigned and moved, as the grid's write-back does
          if (pick(2)) {
            other = t, otherPlain = plain;
          } else {
            TVarTable moved = std::move(other);
            const TPlainTable movedPlain = otherPlain;
            other = TVarTable{}, otherPlain = TPlainTable{};
            t = std::move(moved);
            plain = movedPlain;
          }
          break;
        case 7:  // the label array replaced
          if (pick(2)) {
            t.labels = {label, "a", label};
            plain.labels = {label, "a", label};
          } else {
            t.labels = std::vector<std::string>{"b", label};
            plain.labels = {"b", label};
          }
          t.values.assign(t.labels.size(), value), t.comments.assign(t.labels.size(), "r");
          plain.values = t.values, plain.comments = t.comments;
          break;
        case 8:
          if (pick(8) == 0) ClearVarTable(t), plain = TPlainTable{};
          break;
        default:
          break;
      }
      ExpectSame(t, plain, probes, what);
      ExpectSame(other, otherPlain, probes, what + " (other)");
    }
  }
}

// A table filled to the limit through SetVariable (the index grows many
// times on the way) finds every label at its place, and duplicates read from
// a file keep their rules at that size.
TEST(VarTableIndex, FullTablesOfDistinctAndRepeatedLabels) {
  TVarTable t;
  for (std::size_t k = 0; k < kMaxVariables; ++k)
    ASSERT_TRUE(SetVariable(t, "v" + std::to_string(k), TComplex{static_cast<double>(k), 0}, "")) << k;
  EXPECT_FALSE(SetVariable(t, "new", {1, 0}, ""));
  for (std::size_t k = 0; k < kMaxVariables; ++k) {
    TComplex v;
    ASSERT_TRUE(FindVariable(t, "v" + std::to_string(k), v)) << k;
    ASSERT_EQ(v.re, static_cast<double>(k)) << k;
  }
  TComplex v;
  EXPECT_FALSE(FindVariable(t, "v65535", v));

  TVarTable dup;
  for (std::size_t k = 0; k < kMaxVariables; ++k) {
    dup.labels.push_back(k % 2 ? "odd" : "even");
    dup.values.push_back(TComplex{static_cast<double>(k), 0});
    dup.comments.emplace_back();
  }
  ASSERT_TRUE(FindVariable(dup, "odd", v));
  EXPECT_EQ(v.re, 65533);
  ASSERT_TRUE(FindVariable(dup, "even", v));
  EXPECT_EQ(v.re, 65534);
  EXPECT_TRUE(SetVariable(dup, "odd", {-1, 0}, "all"));
  for (std::size_t k = 1; k < kMaxVariables; k += 2) ASSERT_EQ(dup.values[k].re, -1) << k;
  EXPECT_EQ(dup.values[0].re, 0);
  DeleteVariable(dup, "even");
  EXPECT_EQ(dup.labels[0], "odd");
  ASSERT_TRUE(FindVariable(dup, "even", v));
  EXPECT_EQ(v.re, 65534);
}

// A copy answers for its own labels, whatever happens to its source later.
TEST(VarTableIndex, CopiesAreIndependent) {
  TVarTable source = Table({{"a", 1}, {"b", 2}});
  TComplex v;
  ASSERT_TRUE(FindVariable(source, "a", v));
  TVarTable copy;
  CopyVarTable(source, copy);
  const TVarTable constructed = source;
  source.labels[0] = "z";
  SetVariable(source, "c", {3, 0}, "");
  DeleteVariable(source, "b");
  for (const TVarTable* t : std::initializer_list<const TVarTable*>{&copy, &constructed}) {
    ASSERT_TRUE(FindVariable(*t, "a", v));
    EXPECT_EQ(v.re, 1);
    EXPECT_FALSE(FindVariable(*t, "z", v));
    EXPECT_FALSE(FindVariable(*t, "c", v));
    ASSERT_TRUE(FindVariable(*t, "b", v));
    EXPECT_EQ(v.re, 2);
  }
  EXPECT_EQ(Labels(source), (std::vector<std::string>{"z", "c"}));
  EXPECT_TRUE(FindVariable(source, "z", v));
  EXPECT_FALSE(FindVariable(source, "a", v));
  SetVariable(copy, "a", {9, 0}, "");
  EXPECT_FALSE(FindVariable(source, "a", v));
  ASSERT_TRUE(FindVariable(constructed, "a", v));
  EXPECT_EQ(v.re, 1);
}

}  // namespace
}  // namespace veltaro
