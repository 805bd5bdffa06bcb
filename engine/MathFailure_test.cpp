#include "MathFailure.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "Evaluate.h"
#include "Parser.h"
#include "TestSupport.h"

namespace veltaro {
namespace {

using K = TMathFailureKind;

// x = 3, n = 0, z = i.
TVarTable SampleTable() {
  TVarTable table;
  SetVariable(table, "x", TComplex{3, 0}, "");
  SetVariable(table, "n", TComplex{0, 0}, "");
  SetVariable(table, "z", TComplex{0, 1}, "");
  return table;
}

std::string PlaceText(std::string_view term, const TMathFailure& f) { return std::string(term.substr(f.start, f.length)); }

TEST(ExplainMathFailure, NamesTheOperationWhyAndWhere) {
  const std::string largest = ", beyond the largest number, 1.79769313486232E308.";
  struct Row {
    const char* term;
    bool deg;
    K kind;
    const char* place;
    std::string message;
  };
  const Row rows[] = {
      {"1/0", false, K::DivisionByZero, "1/0", "Division by zero in 1/0."},
      {"2+1/(x-x)", false, K::DivisionByZero, "1/(x-x)", "Division by zero in 1/(x-x): x-x is 0."},
      {"(1+2)*(3/(n))", false, K::DivisionByZero, "3/(n)", "Division by zero in 3/(n): n is 0."},
      {"ln(x-x)", false, K::LogarithmOfZero, "ln(x-x)", "ln(x-x) has no value: the logarithm of 0 is undefined (x-x is 0)."},
      {"log(0)", false, K::LogarithmOfZero, "log(0)", "log(0) has no value: the logarithm of 0 is undefined."},
      {"2lg(n)", false, K::LogarithmOfZero, "2lg(n)", "2lg(n) has no value: the logarithm of 0 is undefined (n is 0)."},
      {"0lg(8)", false, K::LgBaseZero, "0lg(8)", "0lg(8) has no value: the base is 0, which has no logarithm."},
      {"1lg(8)", false, K::LgBaseOne, "1lg(8)", "1lg(8) has no value: the base is 1, and there are no logarithms to the base 1."},
      {"exp(1000)", false, K::Overflow, "exp(1000)", "Overflow in exp(1000): about 1.97E434" + largest},
      {"10^400", false, K::Overflow, "10^400", "Overflow in 10^400: about 1E400" + largest},
      {"2^2000", true, K::Overflow, "2^2000", "Overflow in 2^2000: about 1.15E602" + largest},
      {"1E300^1E300", false, K::Overflow, "1E300^1E300", "Overflow in 1E300^1E300: the value is" + largest.substr(1)},
      {"1E300*1E300", false, K::Overflow, "1E300*1E300", "Overflow in 1E300*1E300: about 1E600" + largest},
      {"1E300/1E-300", false, K::Overflow, "1E300/1E-300", "Overflow in 1E300/1E-300: about 1E600" + largest},
      {"1E308+1E308", false, K::Overflow, "1E308+1E308", "Overflow in 1E308+1E308: about 2E308" + largest},
      {"-1E308-1E308", false, K::Overflow, "-1E308-1E308", "Overflow in -1E308-1E308: about 2E308" + largest},
      {"sin(1000*i)", false, K::Overflow, "sin(1000*i)", "Overflow in sin(1000*i): about 9.85E433" + largest},
      {"cosh(-1000)", false, K::Overflow, "cosh(-1000)", "Overflow in cosh(-1000): about 9.85E433" + largest},
      {"abs(1.5E308+1.5E308*i)", false, K::Overflow, "abs(1.5E308+1.5E308*i)",
       "Overflow in abs(1.5E308+1.5E308*i): about 2.12E308" + largest},
      {"tan(90)", true, K::Pole, "tan(90)", "tan(90) has no value: the tangent is undefined where the cosine is 0."},
      {"cot(0)", false, K::Pole, "cot(0)", "cot(0) has no value: the cotangent is undefined where the sine is 0."},
      {"cot(180)", true, K::Pole, "cot(180)", "cot(180) has no value: the cotangent is undefined where the sine is 0."},
      {"tanh(90*i)", true, K::Pole, "tanh(90*i)",
       "tanh(90*i) has no value: the hyperbolic tangent is undefined where cosh is 0."},
      {"coth(n)", false, K::Pole, "coth(n)", "coth(n) has no value: the hyperbolic cotangent is undefined where sinh is 0."},
      {"arctan(z)", false, K::Pole, "arctan(z)", "arctan(z) has no value: arctan is undefined at i and -i."},
      {"arccot(-i)", false, K::Pole, "arccot(-i)", "arccot(-i) has no value: arccot is undefined at i and -i."},
      {"artanh(1)", false, K::Pole, "artanh(1)", "artanh(1) has no value: artanh is undefined at 1 and -1."},
      {"arcoth(-1)", false, K::Pole, "arcoth(-1)", "arcoth(-1) has no value: arcoth is undefined at 1 and -1."},
      {"0^(-1)", false, K::PowerOfZero, "0^(-1)",
       "0^(-1) has no value: 0 to a power whose real part is 0 or negative is undefined."},
      {"n^i", false, K::PowerOfZero, "n^i",
       "n^i has no value: 0 to a power whose real part is 0 or negative is undefined (n is 0)."},
  };
  const TVarTable table = SampleTable();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.term);
    DegModeScope mode(r.deg);
    const std::optional<TMathFailure> f = ExplainMathFailure(r.term, table, true);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->kind, r.kind);
    EXPECT_EQ(PlaceText(r.term, *f), r.place);
    EXPECT_EQ(f->message, r.message);
  }
}

TEST(ExplainMathFailure, ThePlaceLeavesOutSurplusBracketsAndIsTheFirstFailureFromTheLeft) {
  struct Row {
    const char* term;
    const char* place;
  };
  const Row rows[] = {
      {"((1/0", "1/0"},         {"2*(ln(0)))", "ln(0)"},      {"((1/0))", "1/0"},
      {"(1/ 0 )", "1/ 0"},      {"ln(0)+1/0", "ln(0)"},       {"1/0+ln(0)", "1/0"},
      {"x^(1/(x-3))", "1/(x-3)"}, {"sqrt((exp(800)))", "exp(800)"}, {"-(1E200^2)", "1E200^2"},
      {"(((x)))/(n)", "(((x)))/(n)"}, {"h(1)/h(-1)", "h(1)/h(-1)"},
  };
  const TVarTable table = SampleTable();
  DegModeScope rad(false);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.term);
    const std::optional<TMathFailure> f = ExplainMathFailure(r.term, table, true);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(PlaceText(r.term, *f), r.place);
  }
  // A long part is shortened in the message, never in the place.
  std::string sum = "x";
  for (int k = 0; k < 30; ++k) sum += "+x-x";
  const std::string term = "1/(" + sum + "-x)";
  const std::optional<TMathFailure> f = ExplainMathFailure(term, table, true);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(PlaceText(term, *f), term);
  EXPECT_EQ(f->message, "Division by zero in 1/(x+x-x+x-x+x-x+x...x-x+x-x+x-x+x-x-x): x+x-x+x-x+x-x+x-x+...+x-x+x-x+x-x+x-x-x is 0.");
}

TEST(ExplainMathFailure, ComplexResultsOffRefusesTheWholeTerm) {
  const TVarTable table = SampleTable();
  DegModeScope rad(false);
  std::optional<TMathFailure> f = ExplainMathFailure("(sqrt(-4)", table, false);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->kind, K::ImaginaryResult);
  EXPECT_EQ(PlaceText("(sqrt(-4)", *f), "sqrt(-4)");
  EXPECT_EQ(f->message, "The result 2*i has an imaginary part; Complex results is off.");
  f = ExplainMathFailure("x+z", table, false);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->message, "The result 3+i has an imaginary part; Complex results is off.");
  // A failing operation comes first; real results and any value with
  // Complex results on have nothing to explain.
  EXPECT_EQ(ExplainMathFailure("z/0", table, false)->kind, K::DivisionByZero);
  for (const char* term : {"sqrt(4)", "x*2", "z*z", "ln(-1)-ln(-1)"}) {
    EXPECT_FALSE(ExplainMathFailure(term, table, false).has_value()) << term;
  }
  for (const char* term : {"sqrt(-4)", "1/x", "0^0", "tanh(800)", "1E308/10*10"}) {
    EXPECT_FALSE(ExplainMathFailure(term, table, true).has_value()) << term;
  }
  // Nothing for a term that does not parse.
  EXPECT_FALSE(ExplainMathFailure("1/", table, true).has_value());
}

TEST(ExplainMathFailure, VariablesMissingFromTheTableAndMissingOperands) {
  const TVarTable empty;
  std::optional<TMathFailure> f = ExplainMathFailure("2*(y)+1", empty, true);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->kind, K::UnknownVariable);
  EXPECT_EQ(PlaceText("2*(y)+1", *f), "y");
  EXPECT_EQ(f->message, "y has no value: the table holds no variable y.");
  // Trees of failed parses lack operands; what is missing is named too.
  TTermElement* tree = nullptr;
  EXPECT_FALSE(ParseTerm("2+", tree));
  f = ExplainMathFailure("2+", tree, empty, true);
  FreeTerm(tree);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->kind, K::MissingOperand);
  EXPECT_EQ(PlaceText("2+", *f), "2+");
  f = ExplainMathFailure("", nullptr, empty, true);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->kind, K::MissingOperand);
  EXPECT_EQ(f->length, 0u);
}

// A term that only brackets keep valid: every compound operand in brackets.
std::string FailingCandidate(std::mt19937& rng, int budget) {
  static const char* const kAtoms[] = {"0",  "1",    "2",    "0.5",   "90",  "180", "1000", "1E300", "1E-300",
                                       "i",  "pi",   "e",    "x",     "n",   "z",   "(-1)", "(-i)",  "1E308"};
  static const char* const kFunctions[] = {
      "sqrt(", "exp(",  "ln(",   "log(",   "sin(",   "cos(",   "tan(",   "cot(",   "re(",
      "im(",   "abs(",  "arg(",  "arcsin(", "arccos(", "arctan(", "arccot(", "sinh(",  "cosh(",
      "tanh(", "coth(", "arsinh(", "arcosh(", "artanh(", "arcoth(", "h("};
  static const char* const kOperators[] = {"+", "-", "*", "/", "^"};
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  if (budget <= 1) return kAtoms[pick(std::size(kAtoms))];
  switch (pick(8)) {
    case 0:
      return std::string(kFunctions[pick(std::size(kFunctions))]) + FailingCandidate(rng, budget - 1) + ")";
    case 1:
      return "(" + FailingCandidate(rng, budget / 2) + ")lg(" + FailingCandidate(rng, budget / 2) + ")";
    case 2:
      return "(-" + FailingCandidate(rng, budget - 1) + ")";
    default:
      return "(" + FailingCandidate(rng, budget / 2) + kOperators[pick(5)] + FailingCandidate(rng, budget / 2) + ")";
  }
}

TEST(ExplainMathFailure, EveryFailureOfGeneratedTermsHasAReasonAndAPlaceThatFailsAlone) {
  std::mt19937 rng(20);
  const TVarTable table = SampleTable();
  int failures = 0;
  std::set<K> kinds;
  for (int k = 0; k < 6000; ++k) {
    const std::string term = FailingCandidate(rng, 1 + k % 12);
    const bool deg = k % 3 == 0;
    const bool complexResults = k % 4 != 0;
    SCOPED_TRACE(term + (deg ? " deg" : " rad") + (complexResults ? "" : " real"));
    DegModeScope mode(deg);
    TTermElement* tree = nullptr;
    ASSERT_TRUE(ParseTerm(term, tree));
    TComplex value;
    const bool evaluated = EvaluateTerm(tree, table, value);
    const bool refused = !evaluated || (!complexResults && value.im != 0.0);
    const std::optional<TMathFailure> f = ExplainMathFailure(term, tree, table, complexResults);
    FreeTerm(tree);
    ASSERT_EQ(f.has_value(), refused);
    if (!refused) continue;
    ++failures;
    kinds.insert(f->kind);
    EXPECT_GE(f->length, 1u);
    EXPECT_LE(f->start + f->length, term.size());
    EXPECT_FALSE(f->message.empty());
    EXPECT_NE(f->kind, K::MissingOperand);
    EXPECT_NE(f->kind, K::UnknownVariable);
    if (f->kind == K::ImaginaryResult) {
      EXPECT_TRUE(evaluated);
      continue;
    }
    // The place is the failing operation itself: alone, it fails the same
    // way, at its root.
    const std::string part = PlaceText(term, *f);
    const std::optional<TMathFailure> alone = ExplainMathFailure(part, table, true);
    ASSERT_TRUE(alone.has_value()) << part;
    EXPECT_EQ(alone->kind, f->kind) << part;
    EXPECT_EQ(alone->start, 0u) << part;
    EXPECT_EQ(alone->length, part.size()) << part;
  }
  // The generator reaches failures often, and of every kind a term that
  // parses can have.
  EXPECT_GT(failures, 1500);
  EXPECT_EQ(kinds, (std::set<K>{K::DivisionByZero, K::PowerOfZero, K::LogarithmOfZero, K::LgBaseZero, K::LgBaseOne,
                                K::Pole, K::Overflow, K::ImaginaryResult}));
}

TEST(ExplainMathFailure, DeepTermsNeedNoRecursion) {
  // A left-deep chain failing at its deepest node, and a right-deep nesting.
  std::string chain = "1/0";
  while (chain.size() + 2 <= kMaxTermLength) chain += "+1";
  std::string nested;
  for (int depth = 0; depth < 13000; ++depth) nested += "1*(";
  nested += "ln(0)";
  nested.append(13000, ')');
  const TVarTable table;
  DegModeScope rad(false);
  std::optional<TMathFailure> f = ExplainMathFailure(chain, table, true);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(PlaceText(chain, *f), "1/0");
  f = ExplainMathFailure(nested, table, true);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(PlaceText(nested, *f), "ln(0)");
  EXPECT_EQ(f->start, 3u * 13000);
}

}  // namespace
}  // namespace veltaro
