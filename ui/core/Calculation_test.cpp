#include "Calculation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SmartConversion.h"
#include "TestSupport.h"

namespace veltaro {
namespace {

class CalculationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedPrecision_ = ConversionPrecision;
    ConversionPrecision = 10;
  }
  void TearDown() override {
    ConversionPrecision = savedPrecision_;
    DegMode = false;
  }

 private:
  std::int32_t savedPrecision_ = 0;
};

struct Row {
  const char* term;
  const char* line;
};

void ExpectLines(const std::vector<Row>& rows, const TCalcOptions& options) {
  for (const Row& r : rows) {
    TVarTable table;
    EXPECT_EQ(CalculateTerm(r.term, table, options), r.line) << r.term;
  }
}

TEST_F(CalculationTest, CalculateLines) {
  ExpectLines(
      {
          {"2+3", "Result: 5"},
          {"", "Error: Invalid expression: \"\"."},
          {"sqrt(-1)", "Result: i"},
          {"1/0", "Error: Mathematical error in expression."},
          {"a+1", "Result: 1"},
          {"2*sin(x)+i", "Result: i"},
          {"2lg(8)", "Result: 3"},
          {"1/3", "Result: 0.333333333333333"},
          {"0.1+0.2", "Result: 0.3"},
          {"3+4*i", "Result: 3+4*i"},
          {"3+4i", "Error: Invalid expression: \"3+4i\"."},
          {"x + 1", "Error: Invalid expression: \"x + 1\"."},
          {"1 + 2", "Result: 3"},
          {"1E15", "Result: 1E15"},
          {"cos(pi/2)", "Result: 6.12323399573677E-17"},
          {"log(1000)", "Result: 3"},
          {"-i", "Result: -i"},
          {"i^i", "Result: 0.207879576350762"},
          {"1+2)*3", "Result: 7"},
          {"2^3^2", "Result: 64"},
      },
      TCalcOptions{});
}

TEST_F(CalculationTest, ComplexResultsOffRejectsNonRealResults) {
  TCalcOptions options;
  options.complexResults = false;
  ExpectLines(
      {
          {"sqrt(-1)", "Error: Mathematical error in expression."},
          {"sqrt(4)", "Result: 2"},
          {"i*i", "Result: -1"},
          {"ln(-1)", "Error: Mathematical error in expression."},
      },
      options);
}

TEST_F(CalculationTest, SmartCalculateLines) {
  TCalcOptions options;
  options.smart = true;
  ExpectLines(
      {
          {"1/3", "Result: 1/3"},
          {"pi/2", "Result: 1/2*pi"},
          {"sqrt(2)", "Result: 2^(1/2)"},
          {"sqrt(-4)", "Result: 2*i"},
          {"0.0005", "Result: 0.0005"},
          {"-1/2-i/2", "Result: -1/2-1/2*i"},
          {"e", "Result: e^(1)"},
          {"1", "Result: 1"},
          {"0", "Result: 0"},
      },
      options);
}

TEST_F(CalculationTest, DegreeModeFromTheOptions) {
  TCalcOptions options;
  options.degMode = true;
  ExpectLines(
      {
          {"sin(30)", "Result: 0.5"},
          {"cos(90)", "Result: 0"},
          {"arcsin(1)", "Result: 90"},
          {"arctan(1)", "Result: 45"},
          {"ln(-1)", "Result: 180*i"},
          {"exp(180*i)", "Result: -1"},
          {"artanh(2)", "Result: 0.549306144334055+90*i"},
      },
      options);
}

TEST_F(CalculationTest, MissingLabelsAreAddedInOrderOfFirstUse) {
  TVarTable table;
  EXPECT_TRUE(AddMissingVariables("a*b+a", table));
  EXPECT_EQ(table.labels, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(table.values[1], (TComplex{0, 0}));
  EXPECT_EQ(table.comments[1], "");
  EXPECT_TRUE(AddMissingVariables("b+a", table));
  EXPECT_EQ(table.labels.size(), 2u);
  EXPECT_FALSE(AddMissingVariables("c+", table));  // does not parse: nothing added
  EXPECT_EQ(table.labels.size(), 2u);
  EXPECT_TRUE(AddMissingVariables("2lg(y)+x+X", table));
  EXPECT_EQ(table.labels, (std::vector<std::string>{"a", "b", "y", "x", "X"}));

  // The calculation uses the table without changing it.
  SetVariable(table, "a", {2, 0}, "");
  EXPECT_EQ(CalculateLine("a*a", table, {}), "Result: 4");
  EXPECT_EQ(CalculateLine("q", table, {}), "Error: Mathematical error in expression.");
  EXPECT_EQ(table.labels.size(), 5u);
}

TEST_F(CalculationTest, ValueCellsAreConstantTerms) {
  struct Cell { const char* text; bool ok; TComplex value; };
  const Cell cells[] = {
      {"2*pi", true, {6.283185307179586, 0}},
      {"1+2*i", true, {1, 2}},
      {"0.333333333333333", true, {0.333333333333333, 0}},
      {"a+1", false, {}},
      {"", false, {}},
      {"1/0", false, {}},
      {"2x", false, {}},
  };
  for (const Cell& c : cells) {
    TComplex v;
    EXPECT_EQ(EvaluateValueText(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  DegModeScope deg(true);
  TComplex v;
  ASSERT_TRUE(EvaluateValueText("sin(90)", v));
  EXPECT_EQ(v, (TComplex{1, 0}));
}

TEST_F(CalculationTest, VariableLabelRule) {
  struct Label { const char* text; bool ok; const char* label; };
  const Label labels[] = {
      {"x1", true, "x1"}, {"X1", true, "X1"}, {"(y)", true, "y"}, {"(abc)", true, "abc"}, {"E", true, "E"},
      {"a_b", true, "a_b"}, {"2x", false, ""}, {"x y", false, ""}, {"pi", false, ""}, {"e", false, ""},
      {"i", false, ""}, {"x+1", false, ""}, {"", false, ""}, {"_a", false, ""},
  };
  for (const Label& l : labels) {
    std::string out;
    EXPECT_EQ(ParseVariableLabel(l.text, out), l.ok) << l.text;
    if (l.ok) {
      EXPECT_EQ(out, l.label) << l.text;
    }
  }
}

}  // namespace
}  // namespace veltaro
