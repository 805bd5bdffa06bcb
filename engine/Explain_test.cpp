#include "Explain.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Parser.h"
#include "ParserTestSupport.h"

namespace veltaro {
namespace {

using namespace parser_test;

bool Parses(const std::string& text) {
  TTermElement* tree = nullptr;
  const bool ok = ParseTerm(text, tree);
  FreeTerm(tree);
  return ok;
}

struct TCase {
  std::string text;
  std::size_t start;
  std::size_t length;
  std::string words;  // a part of the message
  std::string suggestion;
};

void ExpectExplained(const std::vector<TCase>& cases) {
  for (const TCase& c : cases) {
    const std::optional<TTermProblem> problem = ExplainInvalidTerm(c.text);
    ASSERT_TRUE(problem.has_value()) << c.text;
    EXPECT_EQ(problem->start, c.start) << c.text;
    EXPECT_EQ(problem->length, c.length) << c.text;
    EXPECT_NE(problem->message.find(c.words), std::string::npos) << c.text << ": " << problem->message;
    EXPECT_EQ(problem->suggestion, c.suggestion) << c.text;
  }
}

TEST(ExplainInvalidTerm, MissingOperandsAndEmptyBrackets) {
  ExpectExplained({
      {"2+", 1, 1, "nothing after +", ""},
      {"*3", 0, 1, "nothing in front of *", ""},
      {"2+*3", 2, 1, "nothing between + and *", ""},
      {"(*3)", 1, 1, "nothing in front of *", ""},
      {"2*(3+)", 4, 1, "nothing after +", ""},
      {"()", 0, 2, "empty", ""},
      {"2*()", 2, 2, "empty", ""},
      {"sin()", 3, 2, "sin has no argument", ""},
      {"SIN(", 3, 1, "SIN has no argument", ""},
      {"1+sqrt()", 6, 2, "sqrt has no argument", ""},
      {"2*(", 2, 1, "Nothing follows", ""},
      {")", 0, 1, "nothing in front of this closing bracket", ""},
      {"", 0, 0, "empty", ""},
      {"   ", 0, 3, "empty", ""},
  });
}

TEST(ExplainInvalidTerm, MissingMultiplication) {
  ExpectExplained({
      {"2x", 1, 1, "write *", "2*x"},
      {"2(3)", 1, 1, "write *", "2*(3)"},
      {"2sin(x)", 1, 3, "write *", "2*sin(x)"},
      {"sin(x)cos(x)", 6, 3, "write *", "sin(x)*cos(x)"},
      {"(1)(2)", 3, 1, "write *", "(1)*(2)"},
      {"2pi", 1, 2, "write *", "2*pi"},
      {"3+4i", 3, 1, "write *", "3+4*i"},
      {"xcos(1)", 1, 3, "write *", "x*cos(1)"},
      {"pi(2)", 2, 1, "write *", "pi*(2)"},
      {"(2)x", 3, 1, "write *", "(2)*x"},
  });
}

TEST(ExplainInvalidTerm, SignsAfterOperatorsTakeBrackets) {
  ExpectExplained({
      {"2*-3", 2, 1, "brackets", "2*(-3)"},
      {"2^-1", 2, 1, "brackets", "2^(-1)"},
      {"2*-3+1", 2, 1, "brackets", "2*(-3)+1"},
      {"2*-3^2", 2, 1, "brackets", "2*(-3^2)"},
      {"2^-x*3", 2, 1, "brackets", "2^(-x)*3"},
      {"2/-sin(x)", 2, 1, "brackets", "2/(-sin(x))"},
      {"2*-(1+2)*3", 2, 1, "brackets", "2*(-(1+2))*3"},
      {"(2*-3)", 3, 1, "brackets", "(2*(-3))"},
      {"--3", 1, 1, "brackets", "-(-3)"},
      {"1+-x", 2, 1, "brackets", "1+(-x)"},
  });
}

TEST(ExplainInvalidTerm, BlanksOnlyNextToNumbers) {
  ExpectExplained({
      {"x + 1", 1, 1, "Blanks", "x+1"},
      {"1 + x", 3, 1, "Blanks", "1+x"},
      {"sin (x)", 3, 1, "between a function name and its bracket", "sin(x)"},
      {"2sin (x)", 1, 3, "write *", "2*sin(x)"},
      {"sin x", 3, 1, "in brackets", "sin(x)"},
      {"sin x^2+1", 3, 1, "in brackets", "sin(x^2)+1"},
      {"2*sqrt 2", 6, 1, "in brackets", "2*sqrt(2)"},
      {"2lg 8", 3, 1, "in brackets", "2lg(8)"},
      {"lg 8", 0, 2, "base", "10lg(8)"},
      {"cos x*sin y", 3, 1, "in brackets", "cos(x)*sin(y)"},
      {"2 * (3)", 3, 1, "Blanks", "2*(3)"},
      {"x y", 1, 1, "Blanks", "x*y"},
      {"1 000", 1, 1, "Blanks", "1000"},
      {"(2) ", 3, 1, "Blanks", "(2)"},
  });
}

TEST(ExplainInvalidTerm, NumberLiterals) {
  ExpectExplained({
      {"2e3", 1, 1, "capital E", "2E3"},
      {"1e-5", 1, 1, "capital E", "1E-5"},
      {"1,5", 1, 1, "comma", "1.5"},
      {"2*1,5", 3, 1, "comma", "2*1.5"},
      {"1.2.3", 3, 1, "one decimal point", ""},
      {"1E5000", 0, 6, "exponent of this number is out of range", ""},
      {"1E400", 0, 5, "out of range", ""},
      {"2+1E-5000", 2, 7, "out of range", ""},
      {"2*" + std::string(400, '9'), 2, 400, "too large", ""},
  });
}

TEST(ExplainInvalidTerm, UnknownFunctionsNameTheNearestFirst) {
  ExpectExplained({
      {"f(x)", 0, 1, "no function \"f\"; the nearest are h,", ""},
      {"sinus(x)", 0, 5, "no function \"sinus\"; the nearest are sin, sinh,", "sin(x)"},
      {"sqr(2)", 0, 3, "nearest are sqrt,", "sqrt(2)"},
      {"2*arcsinh(1)", 2, 7, "nearest are arcsin, arsinh,", "2*arcsin(1)"},
      {"Cosinus(1)", 0, 7, "nearest are cos", "cos(1)"},
  });
}

TEST(ExplainInvalidTerm, LgNeedsItsBaseAndLabelsEndingInE) {
  ExpectExplained({
      {"lg(8)", 0, 2, "10lg(8)", "10lg(8)"},
      {"1+LG(8)", 2, 2, "base", "1+10LG(8)"},
      {"XE+1", 0, 2, "in brackets", "(XE)+1"},
      {"E-1", 0, 1, "in brackets", "(E)-1"},
      {"2*XE-1", 2, 2, "in brackets", "2*(XE)-1"},
      {"XE +1", 0, 2, "in brackets", "(XE)+1"},
  });
}

TEST(ExplainInvalidTerm, ClosingBracketWithoutOpeningOne) {
  ExpectExplained({
      // After the surplus bracket "(-1)" holds a sign at the outermost level
      // of the text, which the parser takes as the operation that splits it.
      {"1+2)*(-3)", 3, 1, "no opening bracket", "(1+2)*(-3)"},
      {"1+2)*3x", 6, 1, "write *", "(1+2)*3*x"},
      {"2*3)+(-1)+2", 3, 1, "no opening bracket", "(2*3)+(-1)+2"},
  });
}

TEST(ExplainInvalidTerm, CharactersOfOtherProgramsAreNamedAndReplaced) {
  ExpectExplained({
      {"2\xC3\x97" "3", 1, 2, "written *", "2*3"},
      {"6\xC3\xB7" "2", 1, 2, "written /", "6/2"},
      {"5\xE2\x88\x92" "2", 1, 3, "written -", "5-2"},
      {"[1+2]*3", 0, 1, "round brackets", "(1+2)*3"},
      {"1+2=", 3, 1, "without \"=\"", "1+2"},
      {"1+2 = ", 4, 1, "without \"=\"", "1+2"},
      {"=", 0, 1, "without \"=\"", ""},
      {"2x\xC3\x97" "3", 1, 1, "write *", "2*x*3"},
      {"2\xC3\x97x y", 1, 2, "written *", "2*x*y"},
      {"x\xC3\x97 y", 1, 2, "written *", "x*y"},
      {"x y\xC3\x97z", 1, 1, "Blanks", "x*y*z"},
      {"2*-3=", 2, 1, "brackets", "2*(-3)"},
  });
}

TEST(ExplainInvalidTerm, LengthDepthAndStrayCharacters) {
  const std::string longTerm(kMaxTermLength + 5, '1');
  const std::string deep = std::string(13107, '(') + "1*2" + std::string(13107, ')');
  ExpectExplained({
      {longTerm, kMaxTermLength, 5, "longer than 65535", ""},
      {deep, 13106, 1, "nested too deeply", ""},
      {"2$3", 1, 1, "\"$\"", ""},
      {"_a", 0, 1, "starts with a letter", ""},
      {"x\xE4", 1, 1, "This character", ""},
  });
}

// Terms of every kind: generated well-formed ones, damaged ones, pieces
// of terms and random bytes.
std::vector<std::string> Corpus() {
  std::mt19937 rng(8121026);
  std::vector<std::string> terms;
  for (int n = 0; n < 30000; ++n) {
    std::string term = RandomWellFormed(rng, 1 + n % 30);
    if (n % 4 == 1) term = Mutate(rng, term);
    if (n % 4 == 2) term = RandomFragments(rng, 10);
    if (n % 4 == 3) {
      term.clear();
      const int size = std::uniform_int_distribution<int>(0, 12)(rng);
      for (int k = 0; k < size; ++k) term += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
    }
    terms.push_back(term);
  }
  // Nestings at the depth the parser counts to, and past it.
  for (const std::size_t levels : {13105u, 13106u, 13107u, 13108u}) {
    for (const std::string inner : {"1*2", "1+2", "sin(1)", "2^x", "1 + x", "2*-3", "1)+(1"}) {
      terms.push_back(std::string(levels, '(') + inner + std::string(levels, ')'));
      terms.push_back(std::string(levels, '(') + inner);
      terms.push_back(inner + std::string(levels, ')') + "*3");
    }
  }
  // A few of the greatest length, from the characters of terms.
  const std::string alphabet = "()()+-*/^ Ee.,x12i_lgsin(XE";
  for (int n = 0; n < 6; ++n) {
    std::string term;
    while (term.size() < kMaxTermLength) {
      term += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
    }
    terms.push_back(term);
  }
  return terms;
}

TEST(ExplainInvalidTerm, NothingExactlyForTermsThatParseAndSuggestionsParse) {
  int invalid = 0;
  int suggested = 0;
  for (const std::string& term : Corpus()) {
    const std::optional<TTermProblem> problem = ExplainInvalidTerm(term);
    const bool ok = Parses(term);
    ASSERT_EQ(problem.has_value(), !ok) << term;
    if (!problem) continue;
    ++invalid;
    EXPECT_FALSE(problem->message.empty()) << term;
    EXPECT_LE(problem->start + problem->length, term.size()) << term;
    if (!term.empty()) {
      EXPECT_GE(problem->length, 1u) << term;
    }
    if (!problem->suggestion.empty()) {
      ++suggested;
      EXPECT_TRUE(Parses(problem->suggestion)) << term << " -> " << problem->suggestion;
    }
  }
  EXPECT_GT(invalid, 10000);
  EXPECT_GT(suggested, 1000);
}

}  // namespace
}  // namespace veltaro
