#include "Evaluate.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>

#include "Parser.h"
#include "TestSupport.h"

namespace veltaro {
namespace {

// Parses and evaluates a term; the parse must succeed.
bool Eval(const std::string& term, const TVarTable& table, TComplex& r) {
  TTermElement* tree = nullptr;
  const bool parsed = ParseTerm(term, tree);
  EXPECT_TRUE(parsed) << term;
  const bool ok = EvaluateTerm(tree, table, r);
  FreeTerm(tree);
  return ok;
}

TEST(EvaluateTerm, ValuesOfTerms) {
  struct Row { const char* term; TComplex expected; };
  const Row rows[] = {
      {"0.1+0.2", {0.30000000000000004, 0}},   // sums are plain
      {"i*i+1", {0, 0}},
      {"(1E-20+i)*(1E-20+i)", {-1, 0}},        // snapping inside the product
      {"2^0", {1, 0}},
      {"0^0", {1, 0}},
      {"tanh(800)", {1, 0}},                   // only the value has to fit
      {"2+3*4", {14, 0}},
      {"2*3-1", {5, 0}},
      {"8/4/2", {1, 0}},
      {"-2^2", {-4, 0}},
      {"10-4-3", {3, 0}},
      {"2lg(8)", {3, 0}},
      {"log(100)", {2, 0}},
      {"sqrt(-4)", {0, 2}},
      {"re(3+4*i)", {3, 0}},
      {"im(3+4*i)", {4, 0}},
      {"abs(3+4*i)", {5, 0}},
      {"arg(i)", {std::numbers::pi / 2, 0}},
      {"h(-2)+h(0)+h(3)", {1.5, 0}},
      {"e", {std::numbers::e, 0}},
      {"pi", {std::numbers::pi, 0}},
      {"1+2)*3", {7, 0}},
      {"exp(i*pi)", {-1, 0}},
  };
  DegModeScope rad(false);
  for (const Row& r : rows) {
    TComplex v;
    ASSERT_TRUE(Eval(r.term, TVarTable{}, v)) << r.term;
    EXPECT_EQ(v, r.expected) << r.term;
  }
}

TEST(EvaluateTerm, Failures) {
  const char* failing[] = {
      "1/0", "1E300*1E300", "1E308+1E308", "-1E308-1E308", "ln(0)", "ln(0)+x", "1lg(8)",
      "0lg(8)", "2lg(0)", "cot(0)", "arctan(i)", "exp(710)", "0^(-1)", "sin(1000*i)",
  };
  DegModeScope rad(false);
  for (const char* term : failing) {
    TComplex v;
    EXPECT_FALSE(Eval(term, TVarTable{}, v)) << term;
  }
}

TEST(EvaluateTerm, VariablesComeFromTheTableExactly) {
  TVarTable table;
  TComplex r{5, 5};
  EXPECT_FALSE(EvaluateTerm(nullptr, table, r));
  EXPECT_EQ(r, (TComplex{0, 0}));

  r = TComplex{5, 5};
  EXPECT_FALSE(Eval("x+1", table, r));
  EXPECT_EQ(r, (TComplex{0, 0}));
  SetVariable(table, "X", {2, 0}, "");
  EXPECT_FALSE(Eval("x+1", table, r));
  SetVariable(table, "x", {2, 0}, "");
  ASSERT_TRUE(Eval("x+1", table, r));
  EXPECT_EQ(r, (TComplex{3, 0}));
  ASSERT_TRUE(Eval("X*x-x", table, r));
  EXPECT_EQ(r, (TComplex{2, 0}));
}

TEST(EvaluateTerm, AngleModeActsInsideTheRoutines) {
  struct Row { const char* term; TComplex rad, deg; };
  const Row rows[] = {
      {"arg(-1)", {std::numbers::pi, 0}, {180, 0}},
      {"ln(-1)", {0, std::numbers::pi}, {0, 180}},
      {"sin(90)", {0.8939966636005579, 0}, {1, 0}},
      {"arctan(1)", {0.7853981633974483, 0}, {45, 0}},
      {"sqrt(-4)", {0, 2}, {0, 2}},
  };
  for (const Row& r : rows) {
    TComplex v;
    {
      DegModeScope rad(false);
      ASSERT_TRUE(Eval(r.term, TVarTable{}, v)) << r.term;
      EXPECT_EQ(v, r.rad) << r.term;
    }
    DegModeScope deg(true);
    ASSERT_TRUE(Eval(r.term, TVarTable{}, v)) << r.term;
    EXPECT_EQ(v, r.deg) << r.term;
  }
}

TEST(EvaluateTerm, PartialTreesFailWithoutCrashing) {
  const char* invalid[] = {"2+", "*3", "lg(8)", "()", "sin()", "2*-3", "x y"};
  for (const char* term : invalid) {
    TTermElement* tree = nullptr;
    EXPECT_FALSE(ParseTerm(term, tree)) << term;
    TComplex v;
    EvaluateTerm(tree, TVarTable{}, v);  // any outcome, but no crash
    FreeTerm(tree);
  }
}

TEST(EvaluateTerm, DeepTreesNeedNoRecursion) {
  // A left-deep chain and a right-deep nesting, each near the longest term.
  std::string chain = "1";
  while (chain.size() + 2 <= kMaxTermLength) chain += "+1";
  std::string nested;
  std::size_t depth = 0;
  // 13,000 levels: deeper nesting is refused by the parser.
  while (depth < 13000) {
    nested += "1*(";
    ++depth;
  }
  nested += "2";
  nested.append(depth, ')');
  struct Row { const std::string* term; TComplex expected; };
  const Row rows[] = {
      {&chain, {static_cast<double>((chain.size() + 1) / 2), 0}},
      {&nested, {2, 0}},
  };
  for (const Row& r : rows) {
    TTermElement* tree = nullptr;
    ASSERT_TRUE(ParseTerm(*r.term, tree));
    TComplex v;
    ASSERT_TRUE(EvaluateTerm(tree, TVarTable{}, v));
    EXPECT_EQ(v, r.expected);
    FreeTerm(tree);
  }
}

}  // namespace
}  // namespace veltaro
