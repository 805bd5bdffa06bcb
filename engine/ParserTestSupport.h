// Test helpers of the parser: tree texts for expected results, a
// straightforward reference splitter to compare the parser with, and term
// generators with fixed seeds.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "Parser.h"

namespace veltaro::parser_test {

// ---------------------------------------------------------------------------
// Tree texts for expected results: "(+ 2 (* 3 4))", "$x" for a variable,
// numbers in their shortest exact form, "0+1i" for a constant with an
// imaginary part, "null" for a missing node.

inline std::string NumberText(double v) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

inline const char* OpName(int code) {
  static const char* const kNames[] = {
      "leaf", "+",      "-",      "*",      "/",      "^",      "sqrt",   "exp",
      "ln",   "log",    "lg",     "sin",    "cos",    "tan",    "cot",    "re",
      "im",   "abs",    "arg",    "arcsin", "arccos", "arctan", "arccot", "sinh",
      "cosh", "tanh",   "coth",   "arsinh", "arcosh", "artanh", "arcoth", "h"};
  return code >= 0 && code <= 31 ? kNames[code] : "?";
}

inline std::string Dump(const TTermElement* node) {
  if (node == nullptr) return "null";
  if (node->opCode == opLeaf) {
    if (node->leafKind == leafVariable) return "$" + node->label;
    if (node->value.im != 0.0) return NumberText(node->value.re) + "+" + NumberText(node->value.im) + "i";
    return NumberText(node->value.re);
  }
  std::string text = std::string("(") + OpName(node->opCode);
  const bool twoOperands = node->opCode <= opPower || node->opCode == opLg;
  if (twoOperands || node->left != nullptr) text += " " + Dump(node->left);
  return text + " " + Dump(node->right) + ")";
}

// Every field that a node's shape does not use must stay zero.
inline bool ShapeIsClean(const TTermElement* node) {
  std::vector<const TTermElement*> pending{node};
  while (!pending.empty()) {
    const TTermElement* n = pending.back();
    pending.pop_back();
    if (n == nullptr) continue;
    if (n->opCode > opStep) return false;
    if (n->opCode == opLeaf) {
      if (n->left != nullptr || n->right != nullptr) return false;
      if (n->leafKind == leafVariable && !(n->value == TComplex{})) return false;
      if (n->leafKind == leafConstant && !n->label.empty()) return false;
      if (n->leafKind > leafVariable) return false;
    } else {
      if (n->leafKind != 0 || !(n->value == TComplex{}) || !n->label.empty()) return false;
      const bool usesLeft = n->opCode <= opPower || n->opCode == opLg;
      if (!usesLeft && n->left != nullptr) return false;
    }
    pending.push_back(n->left);
    pending.push_back(n->right);
  }
  return true;
}

struct TParseCase {
  std::string text;
  bool ok;
  std::string tree;
};

inline void ExpectParses(const std::vector<TParseCase>& cases) {
  for (const TParseCase& c : cases) {
    TTermElement* tree = reinterpret_cast<TTermElement*>(1);
    const bool ok = ParseTerm(c.text, tree);
    EXPECT_EQ(ok, c.ok) << "term \"" << c.text << "\"";
    EXPECT_EQ(Dump(tree), c.tree) << "term \"" << c.text << "\"";
    EXPECT_TRUE(ShapeIsClean(tree)) << "term \"" << c.text << "\"";
    FreeTerm(tree);
  }
}

// ---------------------------------------------------------------------------
// The straightforward splitter, one scan per sub-term and one call per
// sub-term, with 16-bit positions and depth. The parser must build exactly
// the same trees. Only used on terms whose trees stay shallow enough for the
// recursion.

namespace reference {

inline const char* const kNames[] = {"arcsin(", "arccos(", "arctan(", "arccot(", "arsinh(", "arcosh(",
                              "artanh(", "arcoth(", "sinh(",   "cosh(",   "tanh(",   "coth(",
                              "sqrt(",   "sin(",    "cos(",    "tan(",    "cot(",    "exp(",
                              "log(",    "abs(",    "arg(",    "ln(",     "lg(",     "re(",
                              "im(",     "h("};
inline const std::uint8_t kCodes[] = {19, 20, 21, 22, 27, 28, 29, 30, 23, 24, 25, 26, 6,
                               11, 12, 13, 14, 7,  9,  17, 18, 8,  10, 15, 16, 31};

// Index of the name starting at 1-based position p, or -1.
inline int NameAt(std::string_view s, std::size_t p) {
  const char c = s[p - 1];
  if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return -1;
  for (int k = 0; k < 26; ++k) {
    const std::string_view name = kNames[k];
    if (s.size() - (p - 1) >= name.size() && SameTextAscii(s.substr(p - 1, name.size()), name)) return k;
  }
  return -1;
}

// The scan; overflow reports a candidate whose unwrapped depth is >= 0 and
// whose depth plus offset exceeds 65535.
inline std::uint16_t FindSplit(std::string_view s, bool& overflow) {
  if (s.empty()) return 0;
  std::uint16_t best = 65535, result = 0, depth = 0;
  long trueDepth = 0;
  std::size_t p = 1;
  auto candidate = [&](int offset) {
    if (trueDepth >= 0 && trueDepth + offset > 65535) overflow = true;
    return static_cast<std::uint16_t>(depth + offset);
  };
  while (p <= s.size()) {
    const char c = s[p - 1];
    if (c == '(') {
      depth = static_cast<std::uint16_t>(depth + 5);
      trueDepth += 5;
    }
    if (c == ')') {
      depth = static_cast<std::uint16_t>(depth - 5);
      trueDepth -= 5;
    }
    const int k = NameAt(s, p);
    if (k >= 0) {
      const std::size_t n = std::strlen(kNames[k]);
      const std::uint16_t priority = candidate(3);
      if (n >= 4 ? priority < best : priority <= best) {
        best = priority;
        result = static_cast<std::uint16_t>(p);
      }
      p += n - 1;
      continue;
    }
    if ((c == '+' || c == '-') && !(p >= 2 && s[p - 2] == 'E')) {
      const std::uint16_t priority = candidate(0);
      if (priority <= best) best = priority, result = static_cast<std::uint16_t>(p);
    } else if (c == '*' || c == '/') {
      const std::uint16_t priority = candidate(1);
      if (priority <= best) best = priority, result = static_cast<std::uint16_t>(p);
    } else if (c == '^') {
      const std::uint16_t priority = candidate(2);
      if (priority <= best) best = priority, result = static_cast<std::uint16_t>(p);
    }
    ++p;
  }
  return result;
}

inline bool Letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

inline TTermElement* Parse(std::string_view s, bool& ok) {
  if (s.empty()) {
    ok = false;
    return nullptr;
  }
  auto* node = new TTermElement;
  bool overflow = false;
  const std::uint16_t b = FindSplit(s, overflow);
  if (overflow) ok = false;
  if (b == 0) {
    while (!s.empty() && s.front() == '(') s.remove_prefix(1);
    while (!s.empty() && s.back() == ')') s.remove_suffix(1);
    if (s.empty()) {
      ok = false;
      delete node;
      return nullptr;
    }
    if (SameTextAscii(s, "i")) {
      node->value = {0, 1};
    } else if (Letter(s[0])) {
      bool valid = true;
      for (char c : s) valid = valid && (Letter(c) || (c >= '0' && c <= '9') || c == '_');
      if (!valid) {
        ok = false;
      } else {
        node->leafKind = 1;
        node->label = std::string(s);
        if (SameTextAscii(s, "pi")) {
          node->leafKind = 0;
          node->label.clear();
          node->value = {3.141592653589793, 0};
        } else if (s == "e") {
          node->leafKind = 0;
          node->label.clear();
          node->value = {2.718281828459045, 0};
        }
      }
    } else if (s.find('e') != std::string_view::npos) {
      ok = false;
    } else {
      double v = 0;
      if (ConvertNumberLiteral(s, v)) {
        node->value = {v, 0};
      } else {
        ok = false;
      }
    }
    return node;
  }
  const int k = NameAt(s, b);
  if (k >= 0) {
    const std::string_view prefix = s.substr(0, b - 1);
    const std::string_view argument = s.substr(b - 1 + std::strlen(kNames[k]) - 1);
    node->opCode = kCodes[k];
    if (node->opCode == 10) {
      node->left = Parse(prefix, ok);
    } else if (!OnlyOpenBrackets(prefix)) {
      ok = false;
    }
    node->right = Parse(argument, ok);
    return node;
  }
  const char c = s[b - 1];
  const std::string_view l = s.substr(0, b - 1);
  const std::string_view r = s.substr(b);
  node->opCode = c == '+' ? 1 : c == '-' ? 2 : c == '*' ? 3 : c == '/' ? 4 : 5;
  if ((c == '+' || c == '-') && (l.empty() || s[b - 2] == '(')) {
    node->left = new TTermElement;
    if (!OnlyOpenBrackets(l)) ok = false;
  } else {
    node->left = Parse(l, ok);
  }
  node->right = Parse(r, ok);
  return node;
}

inline bool ParseTerm(std::string_view s, TTermElement*& tree) {
  bool ok = true;
  tree = s.size() > 65535 ? (ok = false, nullptr) : Parse(s, ok);
  return ok;
}

inline void Free(TTermElement* node) {
  if (node == nullptr) return;
  Free(node->left);
  Free(node->right);
  delete node;
}

}  // namespace reference

// Structure, codes, kinds, values bit for bit and labels.
inline bool SameTree(const TTermElement* a, const TTermElement* b) {
  std::vector<std::pair<const TTermElement*, const TTermElement*>> pending{{a, b}};
  while (!pending.empty()) {
    const auto [x, y] = pending.back();
    pending.pop_back();
    if ((x == nullptr) != (y == nullptr)) return false;
    if (x == nullptr) continue;
    if (x->opCode != y->opCode || x->leafKind != y->leafKind || x->label != y->label) return false;
    if (std::memcmp(&x->value.re, &y->value.re, sizeof(double)) != 0) return false;
    if (std::memcmp(&x->value.im, &y->value.im, sizeof(double)) != 0) return false;
    pending.emplace_back(x->left, y->left);
    pending.emplace_back(x->right, y->right);
  }
  return true;
}

// Compares the parser with the reference on one term; returns false and
// records a failure naming the term when they differ.
inline bool MatchesReference(const std::string& term) {
  TTermElement* fast = nullptr;
  TTermElement* slow = nullptr;
  const bool fastOk = ParseTerm(term, fast);
  const bool slowOk = reference::ParseTerm(term, slow);
  bool overflow = false;
  const std::uint16_t slowSplit = term.size() > 65535 ? 0 : reference::FindSplit(term, overflow);
  const bool same = fastOk == slowOk && SameTree(fast, slow) && FindSplitPosition(term) == slowSplit;
  if (!same) {
    ADD_FAILURE() << "term \"" << (term.size() < 400 ? term : term.substr(0, 400) + "...")
                  << "\": parser " << fastOk << " " << Dump(fast) << ", reference " << slowOk << " "
                  << Dump(slow) << ", split " << FindSplitPosition(term) << " vs " << slowSplit;
  }
  FreeTerm(fast);
  reference::Free(slow);
  return same;
}

// ---------------------------------------------------------------------------
// Term generators with fixed seeds.

inline const std::vector<std::string> kFragments = {
    "1",    "2",    "0",     "12",     ".5",     "3.",    "x",     "y",      "X",    "ab",
    "a_1",  "XE",   "E",     "e",      "i",      "I",     "pi",    "PI",     "E+",   "E-",
    "2E",   "1E+3", "1E-2",  "2E5",    "(",      "(",     "(",     ")",      ")",    ")",
    "+",    "-",    "*",     "/",      "^",      " ",     "sin(",  "SIN(",   "sinh(", "arcsin(",
    "arsinh(", "h(", "lg(",  "ln(",    "re(",    "im(",   "sqrt(", "cos(",   "exp(", "log(",
    "abs(", "arg(", "tan(",  "cot(",   "arccot(", ",",    "_",     "sinx",   "si",   "n(",
    "ar",   "csin(", "Lg(",  "H(",     "cosh(",  "coth(", "RE(",   "1E500",  "1E5000", "e3"};

inline std::string RandomFragments(std::mt19937& rng, int maxPieces) {
  std::uniform_int_distribution<int> count(1, maxPieces);
  std::uniform_int_distribution<std::size_t> pick(0, kFragments.size() - 1);
  std::string term;
  for (int n = count(rng); n > 0; --n) term += kFragments[pick(rng)];
  return term;
}

// A well-formed term of about the given size.
inline std::string RandomWellFormed(std::mt19937& rng, int budget) {
  static const char* const kAtoms[] = {"1", "2.5", "x", "y_2", "pi", "e", "i", "1E-3", "7E+2", "0.25", "Ab"};
  static const char* const kFunctions[] = {"sin(", "cos(", "sqrt(", "arctan(", "sinh(", "ln(", "h(", "abs(", "re(", "EXP("};
  static const char* const kOperators[] = {"+", "-", "*", "/", "^"};
  std::uniform_int_distribution<int> die(0, 9);
  if (budget <= 1) return kAtoms[std::uniform_int_distribution<int>(0, 10)(rng)];
  switch (die(rng)) {
    case 0:
    case 1:
      return "(" + RandomWellFormed(rng, budget - 1) + ")";
    case 2:
      return kFunctions[std::uniform_int_distribution<int>(0, 9)(rng)] + RandomWellFormed(rng, budget - 1) + ")";
    case 3:
      return RandomWellFormed(rng, budget / 2) + "lg(" + RandomWellFormed(rng, budget / 2) + ")";
    case 4:
      return "(-" + RandomWellFormed(rng, budget - 1) + ")";
    default:
      return RandomWellFormed(rng, budget / 2) + kOperators[std::uniform_int_distribution<int>(0, 4)(rng)] +
             RandomWellFormed(rng, budget / 2);
  }
}

// A well-formed term with a few characters changed, dropped or added.
inline std::string Mutate(std::mt19937& rng, std::string term) {
  static const char kChars[] = "()()+-*/^E e.x1 ";
  std::uniform_int_distribution<int> edits(1, 3);
  for (int n = edits(rng); n > 0 && !term.empty(); --n) {
    const std::size_t at = std::uniform_int_distribution<std::size_t>(0, term.size() - 1)(rng);
    const char c = kChars[std::uniform_int_distribution<std::size_t>(0, sizeof kChars - 2)(rng)];
    switch (std::uniform_int_distribution<int>(0, 2)(rng)) {
      case 0: term[at] = c; break;
      case 1: term.erase(at, 1); break;
      default: term.insert(at, 1, c); break;
    }
  }
  return term;
}

// ===========================================================================

}  // namespace veltaro::parser_test
