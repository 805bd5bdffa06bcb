// The parser against the straightforward splitter, and random input.
#include "Parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ParserTestSupport.h"

namespace veltaro {
namespace {

using namespace parser_test;

TEST(ParseTerm, SameTreesAsTheStraightforwardSplitter) {
  std::mt19937 rng(20261208);
  int compared = 0;
  int mismatches = 0;
  for (int k = 0; k < 12000; ++k) {
    ++compared;
    if (!MatchesReference(RandomFragments(rng, 24)) && ++mismatches > 20) FAIL();
  }
  for (int k = 0; k < 5000; ++k) {
    ++compared;
    if (!MatchesReference(RandomWellFormed(rng, 1 + k % 30)) && ++mismatches > 20) FAIL();
  }
  for (int k = 0; k < 5000; ++k) {
    ++compared;
    if (!MatchesReference(Mutate(rng, RandomWellFormed(rng, 1 + k % 30))) && ++mismatches > 20) FAIL();
  }
  // Longer terms, where surplus brackets make priorities of one sub-term
  // fall into different bands.
  for (int k = 0; k < 150; ++k) {
    ++compared;
    if (!MatchesReference(RandomFragments(rng, 400)) && ++mismatches > 20) FAIL();
  }
  EXPECT_GE(compared, 22000);
}

TEST(ParseTerm, SameTreesAsTheStraightforwardSplitterForDeepShapes) {
  // The shapes of the worst cases at a size the recursive reference can
  // still follow.
  auto repeat = [](const std::string& piece, int times) {
    std::string text;
    for (int k = 0; k < times; ++k) text += piece;
    return text;
  };
  const std::vector<std::string> terms = {
      "1" + repeat("+1", 3000),
      "x" + repeat("^y-2/z", 400),
      repeat("(", 2500) + "1+2*3" + repeat(")", 2500),
      repeat("1*(", 2000) + "1" + repeat(")", 2000),
      repeat("sin(", 1000) + "1" + repeat(")", 1000),
      repeat("2lg(", 800) + "x" + repeat(")", 800),
      repeat("(-(", 1500) + "x",
      repeat("1*(", 1000) + "1" + repeat(")", 1001) + "+1",
      "1)" + repeat("+(1+1)", 1000),
      repeat("sin(1)h(", 400) + "2",
      repeat("1E+1*(", 800),
  };
  for (const std::string& term : terms) MatchesReference(term);
}

TEST(ParseTerm, SameTreesAsTheStraightforwardSplitterAcrossWrappedDepths) {
  // Runs of brackets long enough that a priority wraps around, or crosses
  // 65535, between short pieces of term.
  std::mt19937 rng(4711);
  const std::vector<std::size_t> runs = {13106, 13107, 13108, 13109, 26214, 26215, 26216, 5, 1};
  for (int k = 0; k < 24; ++k) {
    std::string term;
    while (term.size() < 50000) {
      term += RandomFragments(rng, 4);
      const std::size_t run = runs[std::uniform_int_distribution<std::size_t>(0, runs.size() - 1)(rng)];
      if (term.size() + run > 60000) break;
      term += std::string(run, rng() % 3 == 0 ? '(' : ')');
    }
    term += RandomFragments(rng, 4);
    MatchesReference(term);
  }
  // Exact crossings: equal priorities from different bands.
  const std::vector<std::string> crafted = {
      "2*3" + std::string(13107, ')') + "+1",
      "1" + std::string(13107, ')') + "+2*3",
      "1" + std::string(13108, ')') + "+2*3",
      "sin(1)" + std::string(13108, ')') + "+1",
      "1" + std::string(26216, ')') + "+sin(2)h(3)",
      "1+" + std::string(13107, '(') + "2*3",
      "1)+" + std::string(13107, '(') + "2^3",
      std::string(13107, '(') + "1+2*3^4-sin(5)",
  };
  for (const std::string& term : crafted) MatchesReference(term);
}

TEST(ParseTerm, EveryNodeKnowsTheTextItWasReadFrom) {
  // The text of each node, parsed alone, gives that node's subtree; the 0
  // of a sign stands at the empty place of its sign.
  std::mt19937 rng(2026);
  for (int k = 0; k < 3000; ++k) {
    const std::string term = k % 2 == 0 ? RandomWellFormed(rng, 1 + k % 30) : Mutate(rng, RandomWellFormed(rng, 1 + k % 30));
    TTermElement* tree = nullptr;
    ParseTerm(term, tree);
    std::vector<const TTermElement*> pending{tree};
    while (!pending.empty()) {
      const TTermElement* node = pending.back();
      pending.pop_back();
      if (node == nullptr) continue;
      pending.push_back(node->left);
      pending.push_back(node->right);
      ASSERT_LE(node->start, node->end) << term;
      ASSERT_LE(node->end, term.size()) << term;
      if (node->start == node->end) {
        EXPECT_TRUE(node->opCode == opLeaf && node->value == TComplex{}) << term;
        EXPECT_TRUE(term[node->start] == '-' || term[node->start] == '+') << term;
        continue;
      }
      bool ok = true;
      TTermElement* alone = ParseElement(std::string_view(term).substr(node->start, node->end - node->start), ok);
      EXPECT_TRUE(SameTree(alone, node)) << term << " at " << node->start << ".." << node->end;
      FreeTerm(alone);
    }
    FreeTerm(tree);
  }
}

TEST(ParseTerm, NeverCrashesOnRandomInput) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int k = 0; k < 4000; ++k) {
    std::string text(static_cast<std::size_t>(k % 300), '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    TTermElement* tree = nullptr;
    ParseTerm(text, tree);
    EXPECT_TRUE(ShapeIsClean(tree));
    TStringArray labels;
    CollectVariableLabels(tree, labels);
    FreeTerm(tree);
    EXPECT_EQ(tree, nullptr);
  }
  // Random bytes weighted towards the characters that mean something.
  const std::string meaningful = "()()()+-*/^Eeisnhlgpx1. ";
  for (int k = 0; k < 3000; ++k) {
    std::string text(static_cast<std::size_t>(k % 200), ' ');
    for (char& c : text) c = meaningful[static_cast<std::size_t>(byte(rng)) % meaningful.size()];
    TTermElement* tree = nullptr;
    const bool ok = ParseTerm(text, tree);
    TStringArray labels;
    CollectVariableLabels(tree, labels);
    if (ok) {
      // A valid tree has every operand its shape requires.
      EXPECT_NE(tree, nullptr) << text;
      const std::string dump = Dump(tree);
      EXPECT_EQ(dump.find("null"), std::string::npos) << text;
    }
    for (const std::string& label : labels) {
      EXPECT_FALSE(SameTextAscii(label, "pi") || SameTextAscii(label, "i") || label == "e") << text;
    }
    FreeTerm(tree);
  }
  for (int k = 0; k < 2000; ++k) {
    const std::string text = RandomWellFormed(rng, 1 + k % 60);
    TTermElement* tree = nullptr;
    EXPECT_TRUE(ParseTerm(text, tree)) << text;
    TStringArray labels;
    CollectVariableLabels(tree, labels);
    FreeTerm(tree);
  }
  // Full-length random texts.
  for (int k = 0; k < 6; ++k) {
    std::string text(kMaxTermLength, ' ');
    for (char& c : text) c = meaningful[static_cast<std::size_t>(byte(rng)) % meaningful.size()];
    TTermElement* tree = nullptr;
    ParseTerm(text, tree);
    TStringArray labels;
    CollectVariableLabels(tree, labels);
    FreeTerm(tree);
  }
}

}  // namespace
}  // namespace veltaro
