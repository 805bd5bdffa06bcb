#include "Reading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Parser.h"
#include "ParserTestSupport.h"

namespace veltaro {
namespace {

using namespace parser_test;

// The reading of a term that parses; fails the test when it does not.
std::string ReadingOfTerm(const std::string& term) {
  TTermElement* tree = nullptr;
  const bool ok = ParseTerm(term, tree);
  EXPECT_TRUE(ok) << term;
  std::string reading = ReadingOf(tree);
  FreeTerm(tree);
  return reading;
}

// Whether the reading of the term parses to the same tree; records a
// failure naming the term otherwise.
bool ReadsBackTheSame(const std::string& term) {
  TTermElement* tree = nullptr;
  if (!ParseTerm(term, tree)) {
    FreeTerm(tree);
    return true;  // only terms that parse have a reading
  }
  const std::string reading = ReadingOf(tree);
  TTermElement* again = nullptr;
  const bool ok = ParseTerm(reading, again);
  const bool same = ok && SameTree(tree, again);
  if (!same) {
    ADD_FAILURE() << "term \"" << term.substr(0, 200) << "\" (" << term.size() << ") reads \""
                  << reading.substr(0, 200) << "\" (" << reading.size() << "), parses " << ok << " to "
                  << Dump(again).substr(0, 200) << " instead of " << Dump(tree).substr(0, 200);
  }
  FreeTerm(tree);
  FreeTerm(again);
  return same;
}

// Whether the reading tells more than the typed text; the term must parse.
bool TellsMore(const std::string& term) {
  TTermElement* tree = nullptr;
  EXPECT_TRUE(ParseTerm(term, tree)) << term;
  const bool more = ReadingTellsMore(term, tree);
  FreeTerm(tree);
  return more;
}

TEST(ReadingTellsMore, OnlyWhereTheTypedTextLeavesTheReadingOpen) {
  for (const char* term : {"2^3^2", "-2^2", "1+2)*3", "(1+2", "((1))", "2E3", "1.50", "0-x", "-x*2", "e^(1/2)^2",
                           "1+(2*3)", "2*3+(4*5)"}) {
    SCOPED_TRACE(term);
    EXPECT_TRUE(TellsMore(term));
  }
  for (const char* term : {"1+2*3", "x^2+y^2", "3+4*i", "SIN(x)^2", "8/4/2", "2*(3+4)", "1 + 1", " 2lg(8)",
                           "-x", "2^(3^2)", "(2^3)^2", "1-(2-3)", "-(2^2)", "a/(b*c)", "pi*e", "-(x*2)",
                           "2^(-1)", "sqrt(x+1)/2"}) {
    SCOPED_TRACE(term);
    EXPECT_FALSE(TellsMore(term));
  }
  EXPECT_FALSE(ReadingTellsMore("", nullptr));
}

TEST(ReadingOf, BracketsExactlyWhereAPersonWouldReadOtherwise) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"2^3^2", "(2^3)^2"},
      {"-2^2", "-(2^2)"},
      {"1+2)*3", "1+(2*3)"},
      {"(1+2", "1+2"},
      {"8/4/2", "8/4/2"},
      {"sin(x)^2", "sin(x)^2"},
      {"2lg(8)", "2lg(8)"},
      {"2^(3^2)", "2^(3^2)"},
      {"(1+2)*3", "(1+2)*3"},
      {"2*x+1", "2*x+1"},
      {"1-2-3", "1-2-3"},
      {"1-(2-3)", "1-(2-3)"},
      {"a+b+c", "a+b+c"},
      {"a+(b+c)", "a+(b+c)"},
      {"-x+1", "-x+1"},
      {"-(x+1)", "-(x+1)"},
      {"-2*3", "-(2*3)"},
      {"(-2)*3", "(-2)*3"},
      {"(-2)^2", "(-2)^2"},
      {"2*(-3)", "2*(-3)"},
      {"2^(-1)", "2^(-1)"},
      {"+x", "+x"},
      {"0-x", "-x"},
      {"-(-x)", "-(-x)"},
      {"sin(-x)", "sin(-x)"},
      {"((((x))))", "x"},
      {"x)", "x"},
      {"SIN(X)", "sin(X)"},
      {"2^3lg(8)", "2^(3lg(8))"},
      {"(1+1)lg(8)", "(1+1)lg(8)"},
      {"2lg(8)lg(2)", "2lg(8)lg(2)"},
      {"sin(1)lg(8)", "sin(1)lg(8)"},
      {"(-2)lg(8)", "(-2)lg(8)"},
      {"-2lg(8)", "-(2lg(8))"},
      {"xlg(y)", "xlg(y)"},
      {"1/(2*3)", "1/(2*3)"},
      {"1/2*3", "1/2*3"},
      {"2*3^2", "2*(3^2)"},
      {"3^2*2", "3^2*2"},
      {"sqrt(x^2+y^2)", "sqrt(x^2+(y^2))"},
      {"h(x-1)*exp(-x)", "h(x-1)*exp(-x)"},
      {"arsinh(1)+ARCOTH(2)", "arsinh(1)+arcoth(2)"},
  };
  for (const auto& [term, reading] : cases) {
    EXPECT_EQ(ReadingOfTerm(term), reading) << term;
    ReadsBackTheSame(term);
  }
}

TEST(ReadingOf, ConstantsAndNumbersAsTypedWherePossible) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"pi", "pi"},       {"PI", "pi"},        {"e", "e"},          {"i", "i"},
      {"I", "i"},         {"3+4*i", "3+(4*i)"}, {"0.1", "0.1"},     {".5", "0.5"},
      {"3.", "3"},        {"1E-5", "1E-5"},    {"1E-4", "0.0001"},  {"2E+1", "20"},
      {"1E15", "1E15"},   {"123456", "123456"}, {"1E300", "1E300"}, {"1E-400", "0"},
      {" 2 ", "2"},       {"2E", "2"},         {"007", "7"},        {"3.14159", "3.14159"},
      {"5E-324", "5E-324"},
      {"1.7976931348623157E308", "1.7976931348623157E308"},
      {"1.79769313486232E308", "1.7976931348623157E308"},
      {"3.141592653589793", "pi"}, {"2.718281828459045", "e"},
      {"3.1415926535897931", "pi"}, {"3.14159265358979", "3.14159265358979"},
      {"XE", "XE"},       {"(XE)+1", "(XE)+1"}, {"1-(XE)", "1-XE"},  {"(E)-E", "(E)-E"},
      {"a_1*E1", "a_1*E1"},
  };
  for (const auto& [term, reading] : cases) {
    EXPECT_EQ(ReadingOfTerm(term), reading) << term;
    ReadsBackTheSame(term);
  }
}

TEST(ReadingOf, ValuesTheParserNeverMakesStillGiveTerms) {
  struct Case {
    TComplex value;
    std::string reading;
  };
  const std::vector<Case> cases = {
      {{-2.5, 0.0}, "-2.5"},   {{0.0, 2.0}, "2*i"},   {{1.0, 1.0}, "1+i"},
      {{3.0, -4.0}, "3+(-4)*i"}, {{-0.0, 0.0}, "-0"},
  };
  for (const Case& c : cases) {
    TTermElement leaf;
    leaf.value = c.value;
    EXPECT_EQ(ReadingOf(&leaf), c.reading);
    TTermElement* tree = nullptr;
    EXPECT_TRUE(ParseTerm(c.reading, tree)) << c.reading;
    FreeTerm(tree);
  }
  // As an operand they are bracketed like the operations they are written as.
  TTermElement left;
  left.value = {2.0, 0.0};
  TTermElement right;
  right.value = {1.0, 1.0};
  TTermElement product;
  product.opCode = opMultiply;
  product.left = &left;
  product.right = &right;
  EXPECT_EQ(ReadingOf(&product), "2*(1+i)");
  product.left = product.right = nullptr;
  EXPECT_EQ(ReadingOf(nullptr), "");
}

TEST(ReadingOf, GeneratedTermsReadBackToTheSameTree) {
  std::mt19937 rng(20261208);
  int parsed = 0;
  for (int n = 0; n < 40000; ++n) {
    std::string term = RandomWellFormed(rng, 1 + n % 40);
    if (n % 3 == 1) term = Mutate(rng, term);
    if (n % 3 == 2) term = RandomFragments(rng, 12);
    TTermElement* tree = nullptr;
    if (ParseTerm(term, tree)) ++parsed;
    FreeTerm(tree);
    if (!ReadsBackTheSame(term)) break;
  }
  EXPECT_GT(parsed, 15000);
}

// A random tree of the kind the parser makes, built from the leaves up:
// constants that a literal or a name gives, labels, signs as operations on 0,
// every operation and function.
TTermElement* RandomTree(std::mt19937& rng, int nodes) {
  static const char* const kLabels[] = {"x", "XE", "E", "y_2", "sin", "lg", "Ab", "pie", "E1", "h"};
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  std::vector<TTermElement*> pool;
  for (int k = 0; k < nodes; ++k) {
    auto* node = new TTermElement;
    const int kind = pool.empty() ? 0 : pick(6);
    if (kind == 0) {
      switch (pick(6)) {
        case 0: node->value = {3.141592653589793, 0.0}; break;
        case 1: node->value = {2.718281828459045, 0.0}; break;
        case 2: node->value = {0.0, 1.0}; break;
        case 3: {
          // Any finite non-negative double, subnormals included.
          std::uint64_t bits = std::uniform_int_distribution<std::uint64_t>(0, 0x7FEFFFFFFFFFFFFFu)(rng);
          std::memcpy(&node->value.re, &bits, sizeof bits);
          break;
        }
        case 4: node->value = {static_cast<double>(pick(1000)) / 8.0, 0.0}; break;
        default:
          node->leafKind = leafVariable;
          node->label = kLabels[pick(10)];
      }
    } else {
      const int code = pick(31) + 1;
      node->opCode = static_cast<std::uint8_t>(code);
      const std::size_t r = static_cast<std::size_t>(pick(static_cast<int>(pool.size())));
      node->right = pool[r];
      pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(r));
      if (code <= opPower || code == opLg) {
        if (!pool.empty() && pick(4) != 0) {
          const std::size_t l = static_cast<std::size_t>(pick(static_cast<int>(pool.size())));
          node->left = pool[l];
          pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(l));
        } else {
          node->left = new TTermElement;  // 0, a sign for + and -
        }
      }
    }
    pool.push_back(node);
  }
  // Joined by sums into one tree.
  while (pool.size() > 1) {
    auto* node = new TTermElement;
    node->opCode = opAdd;
    node->right = pool.back();
    pool.pop_back();
    node->left = pool.back();
    pool.back() = node;
  }
  return pool.front();
}

TEST(ReadingOf, RandomTreesReadBackToThemselves) {
  std::mt19937 rng(1208);
  for (int n = 0; n < 20000; ++n) {
    TTermElement* tree = RandomTree(rng, 1 + n % 25);
    const std::string reading = ReadingOf(tree);
    TTermElement* again = nullptr;
    const bool ok = ParseTerm(reading, again);
    const bool same = ok && SameTree(tree, again);
    EXPECT_TRUE(same) << Dump(tree) << " reads " << reading << ", parses " << ok << " to " << Dump(again);
    FreeTerm(tree);
    FreeTerm(again);
    if (!same) break;
  }
}

TEST(ReadingOf, DeepestShapesReadBackToTheSameTree) {
  std::vector<std::string> terms;
  for (const std::string link : {"+1", "-1", "*1", "/1", "^1", "lg(1)", "+x", "^XE", "-XE", "*(-1)", "^(-1)"}) {
    std::string term = "1";
    while (term.size() + link.size() <= kMaxTermLength) term += link;
    terms.push_back(term);
  }
  // Nestings as deep as the priorities allow, or as long as a term may be.
  for (const std::string open : {"1*(", "sin(", "2lg(", "2^(", "(-", "-(", "1-(", "(1+", "((", "x^(-",
                                 "arcsin(", "2*arcsin(", "(2*(-", "2^((XE)-", "sqrt((1+"}) {
    const auto perLink = static_cast<std::size_t>(std::count(open.begin(), open.end(), '('));
    std::string term;
    for (std::size_t levels = 0; term.size() + open.size() + 1 <= kMaxTermLength && (levels + 1) * perLink <= 13106;
         ++levels) {
      term += open;
    }
    term += "1";
    terms.push_back(term);
    const auto closing = static_cast<std::size_t>(std::count(term.begin(), term.end(), '('));
    if (term.size() + closing <= kMaxTermLength) terms.push_back(term + std::string(closing, ')'));
  }
  terms.push_back(std::string(32767, '(') + "1" + std::string(32767, ')'));
  terms.push_back(std::string(13107, '(') + "1+2" + std::string(13107, ')'));
  terms.push_back("1+2" + std::string(13107, ')') + "*3");
  int parsed = 0;
  for (const std::string& term : terms) {
    ASSERT_LE(term.size(), kMaxTermLength);
    TTermElement* tree = nullptr;
    if (ParseTerm(term, tree)) ++parsed;
    FreeTerm(tree);
    ReadsBackTheSame(term);
  }
  EXPECT_GT(parsed, 30);
}

TEST(ReadingOf, TreesDeeperThanAnyTermAreWrittenWithoutRecursion) {
  // A million nested functions: far more than a term can hold.
  TTermElement* tree = new TTermElement;
  for (int k = 0; k < 1000000; ++k) {
    auto* node = new TTermElement;
    node->opCode = opSqrt;
    node->right = tree;
    tree = node;
  }
  const std::string reading = ReadingOf(tree);
  EXPECT_EQ(reading.size(), 1000000u * 5 + 1);
  EXPECT_EQ(reading.substr(0, 12), "sqrt(sqrt(sq");
  FreeTerm(tree);
}

}  // namespace
}  // namespace veltaro
