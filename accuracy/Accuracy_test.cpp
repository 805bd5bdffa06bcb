// The program's printed results against the reference arithmetic: every
// comparison must agree, apart from the cases the reference cannot judge
// (exact values next to a 15-digit rounding tie), which are counted.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "AccuracyRuns.h"
#include "SmartConversion.h"
#include "TermTree.h"

namespace veltaro::accuracy {
namespace {

// Smart-Calculate as the window and veltaro-calc run it.
class TConversionPrecision {
 public:
  TConversionPrecision() : saved_(ConversionPrecision) { ConversionPrecision = 10; }
  ~TConversionPrecision() { ConversionPrecision = saved_; }
  TConversionPrecision(const TConversionPrecision&) = delete;
  TConversionPrecision& operator=(const TConversionPrecision&) = delete;

 private:
  std::int32_t saved_;
};

// Prints and records the counts, and fails listing the first differing
// cases.
void Report(const TCounts& c) {
  std::cout << "[accuracy] " << c.group << ": " << CountsText(c) << std::endl;
  testing::Test::RecordProperty("compared", static_cast<int>(c.compared));
  testing::Test::RecordProperty("differing", static_cast<int>(c.differing));
  testing::Test::RecordProperty("ties", static_cast<int>(c.ties));
  testing::Test::RecordProperty("unsettled", static_cast<int>(c.unsettled));
  EXPECT_GT(c.compared, 0) << c.group << ": nothing was compared";
  EXPECT_EQ(c.unsettled, 0) << c.group << ": the reference did not settle";
  if (c.differing == 0) return;
  std::string list;
  for (const std::string& e : c.examples) list += "  " + e + "\n";
  ADD_FAILURE() << c.group << ": " << c.differing << " of " << c.compared << " results differ from the reference"
                << " (first " << c.examples.size() << "):\n"
                << list;
}

std::string ModeName(bool deg) { return deg ? "Deg" : "Rad"; }

// Every one-argument function on the operand grid, in both angle modes.
class FunctionGridTest : public testing::TestWithParam<std::tuple<std::uint8_t, bool>> {};

TEST_P(FunctionGridTest, MatchesReference) {
  const auto [op, deg] = GetParam();
  Report(FunctionGrid(op, deg));
}

INSTANTIATE_TEST_SUITE_P(Functions, FunctionGridTest,
                         testing::Combine(testing::ValuesIn(GridFunctions()), testing::Bool()),
                         [](const testing::TestParamInfo<FunctionGridTest::ParamType>& info) {
                           return OpName(std::get<0>(info.param)) + ModeName(std::get<1>(info.param));
                         });

class OperatorGridTest : public testing::TestWithParam<std::tuple<std::uint8_t, bool>> {};

TEST_P(OperatorGridTest, MatchesReference) {
  const auto [op, deg] = GetParam();
  Report(op == opPower ? PowerGrid(deg) : OperatorGrid(op, deg));
}

std::string OperatorTestName(std::uint8_t op) {
  switch (op) {
    case opAdd: return "Sum";
    case opSubtract: return "Difference";
    case opMultiply: return "Product";
    case opDivide: return "Quotient";
    case opPower: return "Power";
    default: return "Lg";
  }
}

INSTANTIATE_TEST_SUITE_P(Operators, OperatorGridTest,
                         testing::Combine(testing::Values(opAdd, opSubtract, opMultiply, opDivide, opPower, opLg),
                                          testing::Bool()),
                         [](const testing::TestParamInfo<OperatorGridTest::ParamType>& info) {
                           return OperatorTestName(std::get<0>(info.param)) + ModeName(std::get<1>(info.param));
                         });

// Results lines whose exact value is known; the reference gives each of them
// too (Reference_test.cpp).
TEST(KnownResults, ProgramPrintsThem) {
  const TConversionPrecision precision;
  struct TCase {
    const char* term;
    bool smart;
    const char* line;
  };
  const TCase cases[] = {
      {"7^7", false, "Result: 823543"},
      // Smart-Calculate writes 823543 as the closed form 7^(7).
      {"7^7", true, "Result: 7^(7)"},
      {"3^20", false, "Result: 3486784401"},
      {"10^15", false, "Result: 1E15"},
      {"1000^5", false, "Result: 1E15"},
      {"357911^(1/3)", false, "Result: 71"},
      {"arccos(1E10)", false, "Result: 23.7189981105004*i"},
      {"arcsin(1E20*i)", false, "Result: 46.7448490404409*i"},
      {"sin(i*1E-10)", false, "Result: 1E-10*i"},
      {"arccot(1E10)", false, "Result: 1E-10"},
      {"sqrt(913)", false, "Result: 30.2158898594763"},
      {"i*i+1", false, "Result: 0"},
      {"e^(i*pi)", false, "Result: -1"},
      {"(-2)^2", false, "Result: 4"},
      {"(-8)^(1/3)", false, "Result: 1+1.73205080756888*i"},
  };
  const TVarTable noVariables;
  for (const TCase& c : cases) {
    EXPECT_EQ(CalculateLine(c.term, noVariables, TCalcOptions{false, true, c.smart}), c.line)
        << c.term << (c.smart ? " (Smart-Calculate)" : "");
  }
}

TEST(IntegerPowers, CalculatePrintsTheExactPower) {
  Report(IntegerPowerLines(false, false));
  Report(IntegerPowerLines(false, true));
}

TEST(IntegerPowers, SmartCalculatePrintsTheExactPower) {
  const TConversionPrecision precision;
  Report(IntegerPowerLines(true, false));
}

TEST(PerfectPowerRoots, CalculateMatchesReference) { Report(RootLines(false)); }

TEST(PerfectPowerRoots, SmartCalculateMatchesReference) {
  const TConversionPrecision precision;
  Report(RootLines(true));
}

class CorpusTest : public testing::TestWithParam<bool> {};

TEST_P(CorpusTest, NodesAndLinesMatchReference) {
  const TCorpus corpus = MakeCorpus();
  TCounts nodes, lines;
  CorpusRun(corpus, GetParam(), nodes, lines);
  Report(nodes);
  Report(lines);
}

INSTANTIATE_TEST_SUITE_P(Terms, CorpusTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return ModeName(info.param); });

}  // namespace
}  // namespace veltaro::accuracy
