#include "TermTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Parser.h"

namespace veltaro {
namespace {

TTermElement* Leaf(const std::string& label) {
  auto* node = new TTermElement;
  if (!label.empty()) {
    node->leafKind = leafVariable;
    node->label = label;
  }
  return node;
}

TTermElement* Node(TOpCode code, TTermElement* left, TTermElement* right) {
  auto* node = new TTermElement;
  node->opCode = code;
  node->left = left;
  node->right = right;
  return node;
}

TEST(TermElement, ANewNodeHasEveryFieldZero) {
  const TTermElement node;
  EXPECT_EQ(node.left, nullptr);
  EXPECT_EQ(node.right, nullptr);
  EXPECT_EQ(node.leafKind, 0);
  EXPECT_EQ(node.value.re, 0.0);
  EXPECT_EQ(node.value.im, 0.0);
  EXPECT_TRUE(node.label.empty());
  EXPECT_EQ(node.opCode, 0);
}

TEST(FreeTerm, ReleasesAnyTreeAndClearsThePointer) {
  TTermElement* tree = nullptr;
  FreeTerm(tree);
  EXPECT_EQ(tree, nullptr);

  // Shapes of every kind, partial ones included; the sanitizer build checks
  // that every node is released exactly once.
  std::vector<TTermElement*> trees = {
      Leaf("x"),
      Node(opAdd, Leaf(""), nullptr),
      Node(opAdd, nullptr, Leaf("y")),
      Node(opSin, nullptr, Node(opMultiply, Leaf("a"), Leaf("b"))),
      Node(opLg, Node(opLg, Leaf("a"), Leaf("b")), Node(opPower, Leaf(""), Leaf("c"))),
  };
  for (TTermElement*& t : trees) {
    FreeTerm(t);
    EXPECT_EQ(t, nullptr);
  }
}

TEST(FreeTerm, TreesOfAnyDepth) {
  constexpr int kDepth = 300000;
  // Down the left, down the right, and zig-zag.
  TTermElement* left = Leaf("x");
  TTermElement* right = Leaf("x");
  TTermElement* zigzag = Leaf("x");
  for (int k = 0; k < kDepth; ++k) {
    left = Node(opAdd, left, Leaf(""));
    right = Node(opSin, nullptr, right);
    zigzag = k % 2 == 0 ? Node(opSubtract, zigzag, Leaf("y")) : Node(opDivide, Leaf("z"), zigzag);
  }
  TStringArray labels;
  CollectVariableLabels(left, labels);
  CollectVariableLabels(right, labels);
  CollectVariableLabels(zigzag, labels);
  EXPECT_EQ(labels, (TStringArray{"x", "z", "y"}));
  FreeTerm(left);
  FreeTerm(right);
  FreeTerm(zigzag);
  EXPECT_EQ(left, nullptr);
  EXPECT_EQ(right, nullptr);
  EXPECT_EQ(zigzag, nullptr);
}

TEST(CollectVariableLabels, FirstOccurrenceFromLeftToRightOnceEach) {
  struct Case {
    std::string term;
    TStringArray before;
    TStringArray after;
  };
  const std::vector<Case> cases = {
      {"b+a*b", {}, {"b", "a"}},
      {"X+x", {}, {"X", "x"}},
      {"pi+e+i+2", {}, {}},
      {"2lg(y)+x", {}, {"y", "x"}},
      {"ylg(x)", {}, {"y", "x"}},
      {"sin(b)+a", {}, {"b", "a"}},
      {"E+e", {}, {}},  // a single invalid leaf: the sign belongs to an exponent
      {"e+E", {}, {"E"}},
      {"PI*Pi+pI", {}, {}},
      {"I+Ii", {}, {"Ii"}},
      {"(a)-b", {}, {"a", "b"}},
      {"a*a", {"a"}, {"a"}},
      {"a+z", {"z"}, {"z", "a"}},
      {"c", {"a", "b"}, {"a", "b", "c"}},
      {"x1+x_1+X1", {}, {"x1", "x_1", "X1"}},
      {"-x", {}, {"x"}},
      // partial trees of failed parses: what is there is walked
      {"x+", {}, {"x"}},
      {"lg(u)", {}, {"u"}},
      {"2*-v", {}, {"v"}},
      {"w+1 + q", {}, {"w"}},
  };
  for (const Case& c : cases) {
    TTermElement* tree = nullptr;
    ParseTerm(c.term, tree);
    TStringArray labels = c.before;
    CollectVariableLabels(tree, labels);
    EXPECT_EQ(labels, c.after) << "term \"" << c.term << "\"";
    FreeTerm(tree);
  }
  TStringArray labels = {"a"};
  CollectVariableLabels(nullptr, labels);
  EXPECT_EQ(labels, TStringArray{"a"});
}

TEST(TermTree, ShapesOfLeavesAndOperations) {
  TTermElement* tree = nullptr;

  ASSERT_TRUE(ParseTerm("-x", tree));
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->opCode, opSubtract);
  ASSERT_NE(tree->left, nullptr);
  EXPECT_EQ(tree->left->opCode, opLeaf);
  EXPECT_EQ(tree->left->leafKind, leafConstant);
  EXPECT_EQ(tree->left->value, (TComplex{0.0, 0.0}));
  ASSERT_NE(tree->right, nullptr);
  EXPECT_EQ(tree->right->leafKind, leafVariable);
  EXPECT_EQ(tree->right->label, "x");
  EXPECT_TRUE(tree->label.empty());
  FreeTerm(tree);

  struct Leaf {
    std::string term;
    std::uint8_t kind;
    std::string label;
    TComplex value;
  };
  const std::vector<Leaf> leaves = {
      {"E", leafVariable, "E", {}},
      {"Xy_2", leafVariable, "Xy_2", {}},
      {"e", leafConstant, "", {2.718281828459045, 0.0}},
      {"pi", leafConstant, "", {3.141592653589793, 0.0}},
      {"PI", leafConstant, "", {3.141592653589793, 0.0}},
      {"I", leafConstant, "", {0.0, 1.0}},
      {"i", leafConstant, "", {0.0, 1.0}},
      {"2.5", leafConstant, "", {2.5, 0.0}},
  };
  for (const Leaf& l : leaves) {
    ASSERT_TRUE(ParseTerm(l.term, tree)) << l.term;
    ASSERT_NE(tree, nullptr) << l.term;
    EXPECT_EQ(tree->opCode, opLeaf) << l.term;
    EXPECT_EQ(tree->leafKind, l.kind) << l.term;
    EXPECT_EQ(tree->label, l.label) << l.term;
    EXPECT_EQ(tree->value, l.value) << l.term;
    EXPECT_EQ(tree->left, nullptr) << l.term;
    EXPECT_EQ(tree->right, nullptr) << l.term;
    FreeTerm(tree);
  }

  // A failed parse hands back a tree that can be walked and freed.
  EXPECT_FALSE(ParseTerm("2+", tree));
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->opCode, opAdd);
  EXPECT_EQ(tree->right, nullptr);
  ASSERT_NE(tree->left, nullptr);
  EXPECT_EQ(tree->left->value, (TComplex{2.0, 0.0}));
  TStringArray labels;
  CollectVariableLabels(tree, labels);
  EXPECT_TRUE(labels.empty());
  FreeTerm(tree);
  EXPECT_EQ(tree, nullptr);
}

TEST(TermTree, WhatIsAPlainVariableLabel) {
  // A text is a label when it parses to a single variable leaf.
  const std::vector<std::pair<std::string, bool>> cases = {
      {"(abc)", true}, {"abc", true}, {"E", true},  {"x_1", true}, {"pi", false},
      {"e", false},    {"i", false},  {"x+1", false}, {"1x", false}, {"", false},
      {"x y", false},  {"((Q", true}, {"sin(x)", false}, {"I", false},
  };
  for (const auto& [text, isLabel] : cases) {
    TTermElement* tree = nullptr;
    const bool ok = ParseTerm(text, tree);
    const bool label = ok && tree != nullptr && tree->opCode == opLeaf && tree->leafKind == leafVariable;
    EXPECT_EQ(label, isLabel) << "\"" << text << "\"";
    FreeTerm(tree);
  }
}

}  // namespace
}  // namespace veltaro
