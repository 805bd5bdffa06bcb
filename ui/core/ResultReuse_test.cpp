#include "ResultReuse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "Calculation.h"
#include "Complex.h"
#include "Messages.h"
#include "Parser.h"
#include "SmartConversion.h"

namespace veltaro {
namespace {

TEST(ResultReuse, TheValueOfAResultLineIsTheTextAfterItsPrefix) {
  EXPECT_EQ(ResultValueOfLine("Result: 1.5"), "1.5");
  EXPECT_EQ(ResultValueOfLine("Result: -2+3*i"), "-2+3*i");
  EXPECT_EQ(ResultValueOfLine(text::kMathError), std::nullopt);
  EXPECT_EQ(ResultValueOfLine(text::kInvalidVariableValue), std::nullopt);
  EXPECT_EQ(ResultValueOfLine("Error: Invalid expression: \"Result: 1\"."), std::nullopt);
  EXPECT_EQ(ResultValueOfLine("Result: "), std::nullopt);
  EXPECT_EQ(ResultValueOfLine(""), std::nullopt);
}

TEST(ResultReuse, AnInsertedValueIsBracketedExactlyWhereItWouldReadDifferently) {
  struct Case {
    const char* term;
    std::size_t cursor;
    const char* value;
    const char* expected;
  } cases[] = {
      {"2*", 2, "-5", "2*(-5)"},
      {"", 0, "-5", "-5"},
      {"2+", 2, "3", "2+3"},
      {"2+", 2, "1+2*i", "2+(1+2*i)"},  // 2+1+2*i would add 2 and 1 first
      {"2*", 2, "1+2*i", "2*(1+2*i)"},
      {"2^", 2, "1/2", "2^(1/2)"},
      {"8/", 2, "2*pi", "8/(2*pi)"},
      {"x+", 2, "1/2*pi", "x+1/2*pi"},
      {"sin()", 4, "1/2*pi", "sin(1/2*pi)"},
      {"^2", 0, "-3", "(-3)^2"},
      {"^2", 0, "e^(1/2)", "(e^(1/2))^2"},
      {"1+", 99, "4", "1+4"},  // the cursor is clamped to the term
      {"sin(", 4, "-1", "sin(-1"},
      {"3*", 2, "1E-10*i", "3*(1E-10*i)"},
      {"x", 0, "2", "2x"},  // neither parses: a plain number stays plain
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.term) + " <- " + c.value);
    const TInsertion insertion = InsertValue(c.term, c.cursor, c.value);
    EXPECT_EQ(insertion.term, c.expected);
    const std::size_t cursor = std::min<std::size_t>(c.cursor, std::string_view(c.term).size());
    EXPECT_EQ(insertion.cursor, std::string_view(c.expected).size() - (std::string_view(c.term).size() - cursor));
  }
}

// Every value Veltaro writes is itself a term, and calculating it with the
// same command gives the same line again.
TEST(ResultReuse, EveryResultTextCalculatesToItself) {
  std::mt19937_64 random(20261208);
  std::uniform_int_distribution<int> small(-40, 40);
  std::uniform_int_distribution<int> positive(1, 40);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-300, 300);
  std::vector<std::string> terms = {"0", "-0", "1E-10*i", "1E15", "1E16", "123456789012345678", "2^0.5",
                                    "e^0.5", "pi/2", "-pi", "sqrt(-4)", "1/3", "-2/3*i", "ln(-1)",
                                    "1.7E308", "4.9E-324", "2.2250738585072014E-308"};
  for (int k = 0; k < 3000; ++k) {
    const int a = small(random), b = positive(random), c = small(random), d = positive(random);
    switch (k % 8) {
      case 0: terms.push_back(std::to_string(a) + "/" + std::to_string(b)); break;
      case 1: terms.push_back(std::to_string(a) + "/" + std::to_string(b) + "*pi"); break;
      case 2: terms.push_back("sqrt(" + std::to_string(b) + ")*" + std::to_string(a)); break;
      case 3: terms.push_back("e^(" + std::to_string(a) + "/" + std::to_string(b) + ")"); break;
      case 4: terms.push_back(std::to_string(a) + "/" + std::to_string(b) + "+" + std::to_string(c) + "/" +
                              std::to_string(d) + "*i");
        break;
      case 5: {
        char text[64];
        std::snprintf(text, sizeof text, "%.17g", mantissa(random) * std::pow(10.0, exponent(random)));
        std::string t(text);
        for (char& ch : t) if (ch == 'e') ch = 'E';
        terms.push_back(t);
        break;
      }
      case 6: terms.push_back("sin(" + std::to_string(a) + ")+cos(" + std::to_string(c) + ")*i"); break;
      case 7: terms.push_back(std::to_string(b) + "^(1/" + std::to_string(d % 5 + 2) + ")"); break;
    }
  }
  const TVarTable table;
  ConversionPrecision = 10;  // as the window and veltaro-calc set it
  int results = 0;
  for (const bool smart : {false, true}) {
    for (const bool deg : {false, true}) {
      TCalcOptions options;
      options.smart = smart;
      options.degMode = deg;
      for (const std::string& term : terms) {
        const std::string line = CalculateLine(term, table, options);
        const std::optional<std::string> value = ResultValueOfLine(line);
        if (!value) continue;
        ++results;
        SCOPED_TRACE(term + " -> " + line + (smart ? " smart" : "") + (deg ? " deg" : ""));
        TTermElement* tree = nullptr;
        EXPECT_TRUE(ParseTerm(*value, tree));
        FreeTerm(tree);
        EXPECT_EQ(CalculateLine(*value, table, options), line);
      }
    }
  }
  EXPECT_GT(results, 10000);
}

}  // namespace
}  // namespace veltaro
