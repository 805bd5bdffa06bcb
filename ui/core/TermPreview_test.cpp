#include "TermPreview.h"

#include <gtest/gtest.h>

#include "Messages.h"
#include "Parser.h"

namespace veltaro {
namespace {

TEST(TermPreview, AValidTermShowsItsValueReadingAndNewLabels) {
  TVarTable table;
  SetVariable(table, "a", TComplex{2, 0}, "");
  const TCalcOptions options;
  TTermPreview p = PreviewTerm("a*3", table, options);
  EXPECT_TRUE(p.valid);
  EXPECT_EQ(p.value, "= 6");
  EXPECT_EQ(p.reading, "");
  EXPECT_EQ(p.creates, "");
  EXPECT_EQ(p.StatusText(), "= 6");

  p = PreviewTerm("2^3^2", table, options);
  EXPECT_EQ(p.reading, "(2^3)^2");
  EXPECT_EQ(p.value, "= 64");

  // The reading is shown only where it tells more than the typed text.
  const std::pair<const char*, const char*> readings[] = {
      {"1+2)*3", "1+(2*3)"}, {"-2^2", "-(2^2)"}, {"(1+2", "1+2"}, {"2^3^2", "(2^3)^2"},
      {"1+2*3", ""},         {"x^2+y^2", ""},    {"3+4*i", ""},   {"SIN(x)^2", ""},
      {"8/4/2", ""},         {"2*(3+4)", ""},    {"1 + 1", ""},   {"2lg(8)", ""},
      {"-x", ""},            {"2^(3^2)", ""},    {"(2^3)^2", ""}, {"1-(2-3)", ""},
  };
  for (const auto& [term, reading] : readings) {
    SCOPED_TRACE(term);
    EXPECT_EQ(PreviewTerm(term, table, options).reading, reading);
  }

  // Labels the table lacks count as 0 and are named; the table stays.
  p = PreviewTerm("a+b*c+b", table, options);
  EXPECT_EQ(p.value, "= 2");
  EXPECT_EQ(p.creates, "b, c");
  EXPECT_EQ(table.labels.size(), 1u);
  p = PreviewTerm("1/b", table, options);
  EXPECT_EQ(p.value, std::string(text::kMathError));

  TCalcOptions real;
  real.complexResults = false;
  EXPECT_EQ(PreviewTerm("sqrt(-1)", table, real).value, std::string(text::kMathError));
  EXPECT_EQ(PreviewTerm("sqrt(-1)", table, options).value, "= i");
}

TEST(TermPreview, AMathErrorShowsWhichOperationHasNoValueWhyAndWhere) {
  TVarTable table;
  SetVariable(table, "a", TComplex{2, 0}, "");
  TCalcOptions deg;
  deg.degMode = true;
  TCalcOptions real;
  real.complexResults = false;
  struct Row {
    const char* term;
    TCalcOptions options;
    const char* place;
    std::string status;
  };
  const Row rows[] = {
      {"1/0", {}, "1/0", "Division by zero in 1/0."},
      // A variable that Calculate would create is 0.
      {"a+1/b", {}, "1/b", "Division by zero in 1/b: b is 0.  \xC2\xB7  creates b"},
      {"ln(a-a)*2", {}, "ln(a-a)", "ln(a-a) has no value: the logarithm of 0 is undefined (a-a is 0)."},
      {"tan(90)", deg, "tan(90)", "tan(90) has no value: the tangent is undefined where the cosine is 0."},
      {"2*sqrt(-a)", real, "2*sqrt(-a)",
       "The result 2.82842712474619*i has an imaginary part; Complex results is off."},
      {"2^3^400", {}, "2^3^400", "Overflow in 2^3^400: about 1.72E361, beyond the largest number, 1.79769313486232E308."
                                 "  \xC2\xB7  reads as (2^3)^400"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.term);
    const TTermPreview p = PreviewTerm(r.term, table, r.options);
    EXPECT_TRUE(p.valid);
    EXPECT_EQ(p.value, std::string(text::kMathError));
    EXPECT_EQ(std::string(r.term).substr(p.failureStart, p.failureLength), r.place);
    EXPECT_EQ(p.StatusText(), r.status);
  }
  EXPECT_EQ(PreviewTerm("a/4", table, real).failure, "");
}

TEST(TermPreview, AnInvalidTermShowsWhereAndWhyButNoValue) {
  const TVarTable table;
  const TCalcOptions options;
  for (const char* term : {"2x", "2+", "x + 1", "sin()", "1,5", "f(x)", "2*-3"}) {
    SCOPED_TRACE(term);
    const TTermPreview p = PreviewTerm(term, table, options);
    EXPECT_FALSE(p.valid);
    EXPECT_TRUE(p.value.empty());
    EXPECT_FALSE(p.message.empty());
    EXPECT_LE(p.errorStart + p.errorLength, std::string_view(term).size());
    EXPECT_EQ(p.StatusText().rfind(p.message, 0), 0u);
    if (!p.suggestion.empty()) {
      TTermElement* tree = nullptr;
      EXPECT_TRUE(ParseTerm(p.suggestion, tree));
      FreeTerm(tree);
    }
  }
  EXPECT_EQ(PreviewTerm("2x", table, options).suggestion, "2*x");
}

TEST(TermPreview, TheWholeStatusOfTheLongestTerms) {
  const TVarTable table;
  const TCalcOptions options;
  std::string chain;
  for (int k = 0; k < 32767; ++k) chain += "1+";
  chain += "1";
  const TTermPreview sum = PreviewTerm(chain, table, options);
  EXPECT_TRUE(sum.valid);
  EXPECT_EQ(sum.value, "= 32768");
  // As deep as a term can nest: previewed like any other, whatever it gives.
  const TTermPreview deep = PreviewTerm(std::string(32767, '(') + "1" + std::string(32767, ')'), table, options);
  EXPECT_EQ(deep.valid, deep.message.empty());
  const TTermPreview tooLong = PreviewTerm(chain + "+1", table, options);
  EXPECT_FALSE(tooLong.valid);
  EXPECT_FALSE(tooLong.message.empty());
}

}  // namespace
}  // namespace veltaro
