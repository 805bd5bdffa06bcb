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
