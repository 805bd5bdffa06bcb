#include "Parser.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ParserTestSupport.h"

namespace veltaro {
namespace {

using namespace parser_test;

TEST(SameTextAscii, LettersIgnoreCaseOtherCharactersCompareExactly) {
  struct Case {
    std::string a, b;
    bool same;
  };
  const std::vector<Case> cases = {
      {"sin(", "sin(", true},   {"SIN(", "sin(", true},  {"Sin(", "sIN(", true},
      {"ab", "abc", false},     {"", "", false},         {"", "a", false},
      {"a", "", false},         {"i", "I", true},        {"pi", "PI", true},
      {"x1_", "X1_", true},     {"[", "{", false},       {"@", "`", false},
      {"1", "1", true},         {"\xE4", "\xC4", false}, {"\xE4", "\xE4", true},
      {"a b", "A B", true},     {"a(", "a)", false},     {"z", "Z", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameTextAscii(c.a, c.b), c.same) << "\"" << c.a << "\" vs \"" << c.b << "\"";
  }
}

TEST(OnlyOpenBrackets, EmptyOrOpeningBracketsOnly) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"", true},   {"(", true},   {"(((", true}, {"()", false}, {"a", false},
      {"((a", false}, {" (", false}, {")", false}, {"(( ", false},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(OnlyOpenBrackets(text), expected) << "\"" << text << "\"";
}

TEST(FindSplitPosition, OperatorClassesAndLaterWinsAmongEquals) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"", 0},        {"1", 0},        {"x", 0},        {"1+2", 2},      {"1+2+3", 4},
      {"1-2*3", 2},   {"1*2-3", 4},    {"2*3*4", 4},    {"8/4/2", 4},    {"2^3^2", 4},
      {"2*3^2", 2},   {"2^3*2", 4},    {"-1", 1},       {"2*-3", 3},     {"a+b-c", 4},
      {"2*3/4", 4},   {"1^2+3", 4},    {"+", 1},        {"^", 1},        {"1+2*3^4-5", 8},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(FindSplitPosition(text), expected) << "\"" << text << "\"";
}

TEST(FindSplitPosition, BracketsAddFiveAndWrapOnSurplusClosing) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"(1+2)*3", 6},   {"((1+2))", 4},   {"(1+2", 3},     {"((((1+2", 6},
      {"1+(2*3)", 2},   {"(1*2)+(3^4)", 6}, {"1+2)*3", 2},  {"1)+2", 3},
      {"1)*2+3", 5},    {"(1))+2", 5},     {"1))*2)+3", 7}, {")(", 0},
      {"1)+2)*3", 6},   {"(2^3)^2", 6},    {"2^(3^2)", 2},  {"(1)(-3)", 5},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(FindSplitPosition(text), expected) << "\"" << text << "\"";
}

TEST(FindSplitPosition, SignAfterUpperCaseEIsPartOfTheExponent) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"1E-5", 0},   {"1E+5", 0},   {"1E-5+2", 5}, {"1e-5", 3}, {"E-1", 0},   {"XE+1", 0},
      {"-E", 1},     {"2E+1+1", 5}, {"(XE)+1", 5}, {"E*1", 2},  {"1E*2", 3},  {"1E^2", 3},
      {"2E+1E+1", 0}, {"Ee-1", 3},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(FindSplitPosition(text), expected) << "\"" << text << "\"";
}

TEST(FindSplitPosition, FunctionNamesInTestOrderWithTheirTieRules) {
  const std::vector<std::pair<std::string, int>> cases = {
      // a name needs its bracket directly; longer names win over contained ones
      {"sin(x)", 1},      {"sin", 0},          {"sin x", 0},       {"sin (x)", 0},
      {"sinx(", 0},       {"sinh(x)", 1},      {"arcsin(x)", 1},   {"asin(x)", 2},
      {"arcsinh(x)", 4},  {"arccosh(1)", 4},   {"sh(1)", 2},       {"SIN(X)", 1},
      {"2*sin(x)", 2},    {"sin(x)^2", 7},     {"sin(x)*cos(x)", 7}, {"x^sin(1)", 2},
      {"sin(1)+2", 7},    {"sin(cos(x))", 1},  {"2lg(8)", 2},      {"xcos(1)", 2},
      {"re(1)", 1},       {"are(1)", 2},       {"sinh(", 1},       {"(sin(x))", 2},
      // names of 7, 5 and 4 characters keep the earlier of equal priorities
      {"sin(1)sin(2)", 1}, {"sqrt(1)sqrt(2)", 1}, {"arctan(1)arccot(2)", 1}, {"h(1)sin(2)", 1},
      {"cosh(1)exp(2)", 1},
      // names of 3 and 2 characters take the later one
      {"lg(2)lg(8)", 6},  {"ln(1)ln(2)", 6},   {"re(1)im(2)", 6},  {"sin(1)h(2)", 7},
      {"sin(1)lg(8)", 7}, {"h(1)h(2)", 5},     {"sin(1)ln(2)", 7},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(FindSplitPosition(text), expected) << "\"" << text << "\"";
}

TEST(ParseTerm, PrecedenceAndLeftAssociativity) {
  ExpectParses({
      {"2+3*4", true, "(+ 2 (* 3 4))"},
      {"2*3+4", true, "(+ (* 2 3) 4)"},
      {"2^3^2", true, "(^ (^ 2 3) 2)"},
      {"8/4/2", true, "(/ (/ 8 4) 2)"},
      {"a-b-c", true, "(- (- $a $b) $c)"},
      {"2-3^2*4", true, "(- 2 (* (^ 3 2) 4))"},
      {"(1+2)*3", true, "(* (+ 1 2) 3)"},
      {"2^(3^2)", true, "(^ 2 (^ 3 2))"},
      {"sin(x)^2", true, "(^ (sin $x) 2)"},
      {"2^sin(x)", true, "(^ 2 (sin $x))"},
      {"1+2*3^4-5", true, "(- (+ 1 (* 2 (^ 3 4))) 5)"},
      {"x/y*z", true, "(* (/ $x $y) $z)"},
  });
}

TEST(ParseTerm, SignIsUnaryOnlyAtTheStartOrAfterAnOpeningBracket) {
  ExpectParses({
      {"-x", true, "(- 0 $x)"},
      {"+x", true, "(+ 0 $x)"},
      {"-2^2", true, "(- 0 (^ 2 2))"},
      {"(-3)", true, "(- 0 3)"},
      {"(+2)", true, "(+ 0 2)"},
      {"((-x", true, "(- 0 $x)"},
      {"2*(-3)", true, "(* 2 (- 0 3))"},
      {"2^(-1)", true, "(^ 2 (- 0 1))"},
      {"1-(-2)", true, "(- 1 (- 0 2))"},
      {"-sin(x)", true, "(- 0 (sin $x))"},
      {"2*-3", false, "(- (* 2 null) 3)"},
      {"2^-1", false, "(- (^ 2 null) 1)"},
      {"--2", false, "(- (- 0 null) 2)"},
      {"1+-2", false, "(- (+ 1 null) 2)"},
      {"-", false, "(- 0 null)"},
  });
}

TEST(ParseTerm, TextInFrontOfTheBracketOfAUnarySignIsInvalid) {
  ExpectParses({
      {"(2)(-3)", false, "(- 0 3)"},
      {"sin(2)(-3)", false, "(sin (- 0 3))"},
      {"x*(2)(-3)", false, "(* $x (- 0 3))"},
      {"a(+1)", false, "(+ 0 1)"},
      {"((+1)", true, "(+ 0 1)"},
      {"(((-1)))", true, "(- 0 1)"},
  });
}

TEST(ParseTerm, FunctionNamesAndTheirCodes) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"sqrt(x)", 6},    {"exp(x)", 7},     {"ln(x)", 8},      {"log(x)", 9},     {"sin(x)", 11},
      {"cos(x)", 12},    {"tan(x)", 13},    {"cot(x)", 14},    {"re(x)", 15},     {"im(x)", 16},
      {"abs(x)", 17},    {"arg(x)", 18},    {"arcsin(x)", 19}, {"arccos(x)", 20}, {"arctan(x)", 21},
      {"arccot(x)", 22}, {"sinh(x)", 23},   {"cosh(x)", 24},   {"tanh(x)", 25},   {"coth(x)", 26},
      {"arsinh(x)", 27}, {"arcosh(x)", 28}, {"artanh(x)", 29}, {"arcoth(x)", 30}, {"h(x)", 31},
      {"SIN(x)", 11},    {"Sinh(x)", 23},   {"ARCSIN(x)", 19}, {"ArCoTh(x)", 30}, {"H(x)", 31},
      {"SQRT(x)", 6},    {"Re(x)", 15},     {"iM(x)", 16},     {"LOG(x)", 9},     {"eXp(x)", 7},
  };
  for (const auto& [text, code] : cases) {
    TTermElement* tree = nullptr;
    EXPECT_TRUE(ParseTerm(text, tree)) << text;
    ASSERT_NE(tree, nullptr) << text;
    EXPECT_EQ(tree->opCode, code) << text;
    EXPECT_EQ(tree->left, nullptr) << text;
    EXPECT_EQ(Dump(tree->right), "$x") << text;
    FreeTerm(tree);
  }
  TTermElement* tree = nullptr;
  EXPECT_TRUE(ParseTerm("SIN(X)", tree));
  EXPECT_EQ(Dump(tree), "(sin $X)");
  FreeTerm(tree);
}

TEST(ParseTerm, FunctionNeedsItsBracketAndNothingButBracketsInFront) {
  ExpectParses({
      {"sin(x", true, "(sin $x)"},
      {"(sin(x))", true, "(sin $x)"},
      {"((sin(x)))", true, "(sin $x)"},
      {"sin(cos(x))", true, "(sin (cos $x))"},
      {"h(1)", true, "(h 1)"},
      {"sin x", false, "0"},
      {"sin (x)", false, "0"},
      {"2sin(x)", false, "(sin $x)"},
      {"xcos(1)", false, "(cos 1)"},
      {"2h(1)", false, "(h 1)"},
      {"ah(1)", false, "(h 1)"},
      {"asin(x)", false, "(sin $x)"},
      {"arcsinh(x)", false, "(sinh $x)"},
      {"sin(x)cos(x)", false, "(sin (cos $x))"},
      {"sin(x)2", false, "(sin 0)"},
      {"sin(1)h(2)", false, "(h 2)"},
      {"h(1)sin(2)", false, "(h (sin 2))"},
      {"sin()", false, "(sin null)"},
      {"sin(", false, "(sin null)"},
      {"f(x)", false, "0"},
      {"2(3)", false, "0"},
      {"sin", true, "$sin"},
      {"sinh", true, "$sinh"},
  });
}

TEST(ParseTerm, LgTakesTheTextInFrontAsItsBase) {
  ExpectParses({
      {"2lg(8)", true, "(lg 2 8)"},
      {"xlg(y)", true, "(lg $x $y)"},
      {"2LG(8)", true, "(lg 2 8)"},
      {"(2)lg(8)", true, "(lg 2 8)"},
      {"1+2lg(8)", true, "(+ 1 (lg 2 8))"},
      {"2^3lg(8)", true, "(^ 2 (lg 3 8))"},
      {"sin(1)lg(8)", true, "(lg (sin 1) 8)"},
      {"2lg(8)lg(2)", true, "(lg (lg 2 8) 2)"},
      {"(1+1)lg(8)", true, "(lg (+ 1 1) 8)"},
      {"lg(8)", false, "(lg null 8)"},
      {"LG(8)", false, "(lg null 8)"},
      {"2lg()", false, "(lg 2 null)"},
  });
}

TEST(ParseTerm, ConstantsIPiAndE) {
  ExpectParses({
      {"i", true, "0+1i"},
      {"I", true, "0+1i"},
      {"(i)", true, "0+1i"},
      {"pi", true, "3.141592653589793"},
      {"PI", true, "3.141592653589793"},
      {"Pi", true, "3.141592653589793"},
      {"pI", true, "3.141592653589793"},
      {"e", true, "2.718281828459045"},
      {"((e)", true, "2.718281828459045"},
      {"E", true, "$E"},
      {"Ei", true, "$Ei"},
      {"pie", true, "$pie"},
      {"ii", true, "$ii"},
      {"3+4*i", true, "(+ 3 (* 4 0+1i))"},
      {"3+4i", false, "(+ 3 0)"},
      {"2pi", false, "0"},
      {"4i", false, "0"},
  });
  TTermElement* tree = nullptr;
  ASSERT_TRUE(ParseTerm("pi", tree));
  std::uint64_t bits = 0;
  std::memcpy(&bits, &tree->value.re, sizeof bits);
  EXPECT_EQ(bits, 0x400921FB54442D18u);
  FreeTerm(tree);
  ASSERT_TRUE(ParseTerm("e", tree));
  std::memcpy(&bits, &tree->value.re, sizeof bits);
  EXPECT_EQ(bits, 0x4005BF0A8B145769u);
  FreeTerm(tree);
}

TEST(ParseTerm, LabelsAreALetterThenLettersDigitsAndUnderscores) {
  ExpectParses({
      {"x", true, "$x"},         {"X", true, "$X"},         {"abc", true, "$abc"},
      {"(abc)", true, "$abc"},   {"a_1", true, "$a_1"},     {"A1b2", true, "$A1b2"},
      {"x_", true, "$x_"},       {"XE", true, "$XE"},       {"e1", true, "$e1"},
      {"E1", true, "$E1"},       {"lg", true, "$lg"},       {"h", true, "$h"},
      {"_a", false, "0"},        {"a.b", false, "0"},       {"x y", false, "0"},
      {"1a", false, "0"},        {"a(b", false, "0"},       {"\xE4x", false, "0"},
      {"x\xE4", false, "0"},     {"a$", false, "0"},        {"2x", false, "0"},
  });
}

TEST(ConvertNumberLiteral, DigitsPointExponentAndBlanks) {
  struct Case {
    std::string text;
    bool ok;
    double value;
  };
  const std::vector<Case> cases = {
      {"0", true, 0.0},        {"12", true, 12.0},      {"1.5", true, 1.5},     {".5", true, 0.5},
      {"5.", true, 5.0},       {".", true, 0.0},        {"007", true, 7.0},     {"1E-5", true, 1e-5},
      {"2E+1", true, 20.0},    {"2E", true, 2.0},       {"2E+", true, 2.0},     {"2E-", true, 2.0},
      {" 2 ", true, 2.0},      {"  1.25  ", true, 1.25}, {".E5", true, 0.0},    {"0.1", true, 0.1},
      {"1E5 ", true, 1e5},     {"123456789012345678901234567890", true, 1.2345678901234568e29},
      {"", false, 0.0},        {" ", false, 0.0},       {"E5", false, 0.0},     {"1.2.3", false, 0.0},
      {"1,5", false, 0.0},     {"1 2", false, 0.0},     {"1E5.5", false, 0.0},  {"+1", false, 0.0},
      {"-1", false, 0.0},      {"1E--5", false, 0.0},   {"1e5", false, 0.0},    {"0x10", false, 0.0},
      {"\t1", false, 0.0},     {"1_000", false, 0.0},   {"1 E5", false, 0.0},   {"1E 5", false, 0.0},
      {"1.7976931348623157E308", true, 1.7976931348623157e308},
      {"4.9406564584124654E-324", true, 4.9406564584124654e-324},
      {"1E-320", true, 1e-320},
  };
  for (const Case& c : cases) {
    double value = -1.0;
    EXPECT_EQ(ConvertNumberLiteral(c.text, value), c.ok) << "\"" << c.text << "\"";
    if (c.ok) {
      EXPECT_EQ(value, c.value) << "\"" << c.text << "\"";
    }
  }
  double value = 0.0;
  const std::string longMantissa = "1" + std::string(400, '0') + "E-400";
  EXPECT_TRUE(ConvertNumberLiteral(longMantissa, value));
  EXPECT_EQ(value, 1.0);
  const std::string longFraction = "0." + std::string(60000, '0') + "1E500";
  EXPECT_TRUE(ConvertNumberLiteral(longFraction, value));
  EXPECT_EQ(value, 0.0);
}

TEST(ConvertNumberLiteral, ExponentDigitsReadWhileBelow500AndTheDoubleRange) {
  struct Case {
    std::string text;
    bool ok;
    double value;
  };
  const std::vector<Case> cases = {
      {"1E308", true, 1e308},        {"1E309", false, 0.0},         {"1E499", false, 0.0},
      {"1E500", false, 0.0},         {"1E5000", false, 0.0},        {"0E500", true, 0.0},
      {"0E5000", false, 0.0},        {"0E0000000000", true, 0.0},   {"1E0000000005", true, 1e5},
      {"1E-0000000005", true, 1e-5}, {"1E-500", true, 0.0},         {"1E-5000", false, 0.0},
      {"1E-0500", true, 0.0},        {"2E-324", true, 0.0},         {"1E4999", false, 0.0},
      {"1.7976931348623159E308", false, 0.0},
      {"0.001E311", true, 1e308},    {"100000E-500", true, 0.0},
  };
  for (const Case& c : cases) {
    double value = -1.0;
    EXPECT_EQ(ConvertNumberLiteral(c.text, value), c.ok) << "\"" << c.text << "\"";
    if (c.ok) {
      EXPECT_EQ(value, c.value) << "\"" << c.text << "\"";
    }
  }
}

TEST(ConvertNumberLiteral, TheLargestDoubleAsWrittenReadsAsItself) {
  // The largest double written with 15 significant digits lies above the
  // double range only through the rounding of its last digit.
  constexpr double kLargest = std::numeric_limits<double>::max();
  const char* largest[] = {
      "1.79769313486232E308",     "1.79769313486232E+308",       " 1.79769313486232E308 ",
      "179769313486232E294",      "0.000179769313486232E312",    "1.797693134862320000E308",
      "000179769313486232.000E294", "17976931348623.2E295",
  };
  for (const char* text : largest) {
    double value = 0.0;
    EXPECT_TRUE(ConvertNumberLiteral(text, value)) << text;
    EXPECT_EQ(value, kLargest) << text;
  }
  const char* beyond[] = {
      "1.79769313486233E308", "1.8E308",  "1.7976931348623201E308", "1.79769313486232E309",
      "17.9769313486232E308", "2E308",    "1.79769313486232000001E308",
  };
  for (const char* text : beyond) {
    double value = 0.0;
    EXPECT_FALSE(ConvertNumberLiteral(text, value)) << text;
  }
}

TEST(ParseTerm, NumberLiteralsAsLeaves) {
  ExpectParses({
      {"1E-5", true, "1e-05"},   {"2E+1", true, "20"},      {"2E", true, "2"},
      {".", true, "0"},          {" 2 ", true, "2"},        {"1E-5+1", true, "(+ 1e-05 1)"},
      {"1E-5*2", true, "(* 1e-05 2)"},
      {"1e-5", false, "(- 0 5)"}, {"2e3", false, "0"},      {"2x", false, "0"},
      {"1,5", false, "0"},       {"1.2.3", false, "0"},     {"1E5000", false, "0"},
      {"1E400", false, "0"},     {"1E-400", true, "0"},     {"2E+1E+1", false, "0"},
      {"XE+1", false, "0"},      {"(XE)+1", true, "(+ $XE 1)"},
      {"xE-1", false, "0"},      {"E+1", false, "0"},
  });
}

TEST(ParseTerm, BlanksOnlyAroundNumberLiterals) {
  ExpectParses({
      {"1 + 2", true, "(+ 1 2)"},
      {"1 +2", true, "(+ 1 2)"},
      {" 2 ", true, "2"},
      {"( 2 )", true, "2"},
      {"2 * 3", true, "(* 2 3)"},
      {"x + 1", false, "(+ 0 1)"},
      {"1 + x", false, "(+ 1 0)"},
      {"sin (x)", false, "0"},
      {"2 * (3)", false, "(* 2 0)"},
      {" ", false, "0"},
  });
}

TEST(ParseTerm, SurplusBracketsAreDroppedAroundLeaves) {
  ExpectParses({
      {"(1+2", true, "(+ 1 2)"},
      {"((x", true, "$x"},
      {"x)", true, "$x"},
      {"(((1)))", true, "1"},
      {"1+2)*3", true, "(+ 1 (* 2 3))"},
      {"1)+2", true, "(+ 1 2)"},
      {"(1))+2", true, "(+ 1 2)"},
      {"1)*2+3", true, "(+ (* 1 2) 3)"},
      {"1+(2", true, "(+ 1 2)"},
      {"()", false, "null"},
      {"((", false, "null"},
      {"(", false, "null"},
      {")", false, "null"},
      {")1(", false, "0"},
      {"2)(3", false, "0"},
      {"(2)(3)", false, "0"},
  });
}

TEST(ParseTerm, FailedParseHandsBackThePartialTree) {
  ExpectParses({
      {"", false, "null"},
      {"2+", false, "(+ 2 null)"},
      {"*3", false, "(* null 3)"},
      {"2*-3", false, "(- (* 2 null) 3)"},
      {"lg(8)", false, "(lg null 8)"},
      {"()", false, "null"},
      {"((", false, "null"},
      {"sin()", false, "(sin null)"},
      {"x y", false, "0"},
      {"a.b", false, "0"},
      {"sin x", false, "0"},
      {"f(x)", false, "0"},
      {"2e3", false, "0"},
      {"1e-5", false, "(- 0 5)"},
      {"2x", false, "0"},
      {"_a", false, "0"},
      {"1,5", false, "0"},
      {"1.2.3", false, "0"},
      {"1E5000", false, "0"},
      {"2sin(x)", false, "(sin $x)"},
      {"xcos(1)", false, "(cos 1)"},
      {"2h(1)", false, "(h 1)"},
      {"x+*y", false, "(+ $x (* null $y))"},
  });
}

TEST(ParseElement, ClearsTheFlagButNeverSetsIt) {
  bool ok = false;
  TTermElement* tree = ParseElement("1+2", ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(Dump(tree), "(+ 1 2)");
  FreeTerm(tree);
  ok = true;
  tree = ParseElement("1+", ok);
  EXPECT_FALSE(ok);
  FreeTerm(tree);
  ok = true;
  EXPECT_EQ(ParseElement("", ok), nullptr);
  EXPECT_FALSE(ok);
}

TEST(ParseTerm, TermsLongerThan65535CharactersAreInvalid) {
  std::string chain = "1";
  while (chain.size() < kMaxTermLength) chain += "+1";
  ASSERT_EQ(chain.size(), 65535u);
  TTermElement* tree = nullptr;
  EXPECT_TRUE(ParseTerm(chain, tree));
  EXPECT_NE(tree, nullptr);
  FreeTerm(tree);
  for (const std::string& text : {chain + " ", std::string(65536, '1'), std::string(100000, 'x')}) {
    tree = reinterpret_cast<TTermElement*>(1);
    EXPECT_FALSE(ParseTerm(text, tree)) << text.size();
    EXPECT_EQ(tree, nullptr) << text.size();
    EXPECT_EQ(FindSplitPosition(text), 0) << text.size();
  }
}

// Counts the nodes and the height of a tree without recursion.
struct TTreeSize {
  std::size_t nodes = 0;
  std::size_t height = 0;
};
TTreeSize Measure(const TTermElement* tree) {
  TTreeSize size;
  std::vector<std::pair<const TTermElement*, std::size_t>> pending{{tree, 1}};
  while (!pending.empty()) {
    const auto [node, level] = pending.back();
    pending.pop_back();
    if (node == nullptr) continue;
    ++size.nodes;
    size.height = std::max(size.height, level);
    pending.emplace_back(node->left, level + 1);
    pending.emplace_back(node->right, level + 1);
  }
  return size;
}

TEST(ParseTerm, LongestChainsParseIntoDeepTrees) {
  struct Case {
    std::string op;
    TOpCode code;
  };
  for (const Case& c : {Case{"+", opAdd}, Case{"-", opSubtract}, Case{"*", opMultiply}, Case{"^", opPower}}) {
    std::string chain = "1";
    while (chain.size() < kMaxTermLength) chain += c.op + "1";
    TTermElement* tree = nullptr;
    ASSERT_TRUE(ParseTerm(chain, tree)) << c.op;
    // Left-associative: a spine of operations down the left side.
    std::size_t spine = 0;
    const TTermElement* node = tree;
    while (node != nullptr && node->opCode == c.code) {
      EXPECT_EQ(Dump(node->right), "1");
      node = node->left;
      ++spine;
    }
    EXPECT_EQ(spine, 32767u) << c.op;
    EXPECT_EQ(Dump(node), "1");
    TStringArray labels;
    CollectVariableLabels(tree, labels);
    EXPECT_TRUE(labels.empty());
    FreeTerm(tree);
    EXPECT_EQ(tree, nullptr);
  }
}

TEST(ParseTerm, DeepNestingBeyondTheDepthCounterIsInvalid) {
  auto nested = [](std::size_t levels, const std::string& inner) {
    return std::string(levels, '(') + inner + std::string(levels, ')');
  };
  struct Case {
    std::string text;
    bool ok;
    std::string tree;
  };
  const std::vector<Case> cases = {
      // 13,106 levels: a function name at depth 65,530 has priority 65,533
      {nested(13106, "sin(1)+2"), true, "(+ (sin 1) 2)"},
      // 13,107 levels: depth 65,535 still holds a sign, not a product
      {nested(13107, "1+2"), true, "(+ 1 2)"},
      {nested(13107, "1*2"), false, "(* 1 2)"},
      {nested(13107, "x"), true, "$x"},
      {nested(32000, "1+2"), false, "(+ 1 2)"},
      {nested(32000, "1"), true, "1"},
      // a wrapped priority would otherwise take the sum in the brackets for
      // the loosest operation of the term
      {"sin(2*" + std::string(26214, '(') + "1+1" + std::string(26215, ')'), false,
       "(+ (sin (* 2 1)) 1)"},
      // surplus closing brackets wrap as ever
      {"1+2" + std::string(13107, ')') + "*3", true, "(+ 1 (* 2 3))"},
  };
  for (const Case& c : cases) {
    TTermElement* tree = nullptr;
    EXPECT_EQ(ParseTerm(c.text, tree), c.ok) << c.text.substr(0, 40) << " length " << c.text.size();
    EXPECT_EQ(Dump(tree), c.tree) << c.text.substr(0, 40) << " length " << c.text.size();
    FreeTerm(tree);
    MatchesReference(c.text);
  }
}

TEST(ParseTerm, DeepRightNestedShapes) {
  struct Case {
    std::string open;
    std::size_t levels;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"1*(", 13000, true},  {"1*(", 16383, false}, {"sin(", 13000, true},
      {"sin(", 16383, false}, {"1+(", 21844, false}, {"2lg(", 13000, true},
  };
  for (const Case& c : cases) {
    std::string text;
    for (std::size_t k = 0; k < c.levels; ++k) text += c.open;
    text += "1";
    if (text.size() + c.levels <= kMaxTermLength) text += std::string(c.levels, ')');
    ASSERT_LE(text.size(), kMaxTermLength);
    TTermElement* tree = nullptr;
    EXPECT_EQ(ParseTerm(text, tree), c.ok) << c.open << " x " << c.levels;
    const TTreeSize size = Measure(tree);
    // Past the depth counter the wrapped priorities reorder the splits, so
    // only the valid terms have the plain nested shape.
    if (c.ok) {
      EXPECT_EQ(size.height, c.levels + 1) << c.open << " x " << c.levels;
      EXPECT_EQ(size.nodes, c.open == "sin(" ? c.levels + 1 : 2 * c.levels + 1) << c.open;
    }
    TStringArray labels;
    CollectVariableLabels(tree, labels);
    EXPECT_TRUE(labels.empty());
    FreeTerm(tree);
  }
}

}  // namespace
}  // namespace veltaro
