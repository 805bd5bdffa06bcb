#include "AccuracyRuns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <set>
#include <utility>

#include "Evaluate.h"
#include "Format.h"
#include "Messages.h"
#include "ParsedTerm.h"
#include "Parser.h"
#include "SmartConversion.h"
#include "TermTree.h"
#include "TestSupport.h"

namespace veltaro::accuracy {

namespace {

using reference::NearRoundingTie;
using reference::ReferenceEvaluate;
using reference::TReferenceResult;

constexpr double kPi = 3.141592653589793;
constexpr std::uint64_t kTwoTo53 = 9007199254740992ULL;

using TDegScope = DegModeScope;

std::string Number(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

std::string ComplexText(TComplex z) { return "(" + Number(z.re) + ", " + Number(z.im) + ")"; }

std::string ModeText(bool deg) { return deg ? "Deg" : "Rad"; }

std::string ValueText(bool ok, TComplex z) { return ok ? FormatComplex(z) : std::string("fails"); }

std::string NodeText(std::uint8_t op, TComplex a, TComplex b) {
  if (op == opLg) return ComplexText(a) + " lg " + ComplexText(b);
  if (IsBinary(op)) return ComplexText(a) + " " + OpName(op) + " " + ComplexText(b);
  return OpName(op) + ComplexText(a);
}

void Record(TCounts& counts, bool equal, const std::string& description) {
  ++counts.compared;
  if (equal) return;
  ++counts.differing;
  if (counts.examples.size() < kMaxExamples) counts.examples.push_back(description);
}

// Counts whether the program stored exactly the reference's doubles (or
// failed where it fails).
void RecordStored(TCounts& counts, const TReferenceResult& ref, bool ok, TComplex program) {
  if (!ref.settled) return;
  ++counts.storedCompared;
  const bool same = ok == ref.ok && (!ok || (program.re == ref.value.re && program.im == ref.value.im));
  if (!same) ++counts.storedDiffering;
}

// Leaves a reference result out of the comparison where it cannot judge the
// last digit; true when it may be compared.
bool Comparable(TCounts& counts, const TReferenceResult& r) {
  if (!r.settled) {
    ++counts.unsettled;
    return false;
  }
  if (NearRoundingTie(r)) {
    ++counts.ties;
    return false;
  }
  return true;
}

std::string LineOf(const TReferenceResult& r, const TCalcOptions& options) {
  if (!r.ok || (!options.complexResults && r.value.im != 0.0)) return std::string(text::kMathError);
  return std::string(text::kResultPrefix) + (options.smart ? FormatComplexSmart(r.value) : FormatComplex(r.value));
}

void AddUnique(std::vector<TComplex>& points, std::set<std::pair<std::uint64_t, std::uint64_t>>& seen, TComplex z) {
  std::uint64_t re = 0, im = 0;
  std::memcpy(&re, &z.re, sizeof re);
  std::memcpy(&im, &z.im, sizeof im);
  if (seen.insert({re, im}).second) points.push_back(z);
}

double Decimal(double mantissa, int exponent) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%gE%d", mantissa, exponent);
  return std::strtod(buffer, nullptr);
}

// m on both axes and both diagonals, all four signs.
void AddDirections(std::vector<TComplex>& points, std::set<std::pair<std::uint64_t, std::uint64_t>>& seen, double m) {
  for (double s : {1.0, -1.0}) {
    AddUnique(points, seen, {s * m, 0});
    AddUnique(points, seen, {0, s * m});
    AddUnique(points, seen, {s * m, m});
    AddUnique(points, seen, {s * m, -m});
  }
}

// Points next to +1, -1, +i, -i: 1 +- 1E-k on the axes and small offsets
// across them.
void AddNearUnits(std::vector<TComplex>& points, std::set<std::pair<std::uint64_t, std::uint64_t>>& seen,
                  const std::vector<int>& exponents) {
  for (int k : exponents) {
    const double d = Decimal(1, -k);
    for (double s : {1.0, -1.0}) {
      AddUnique(points, seen, {s * (1 + d), 0});
      AddUnique(points, seen, {s * (1 - d), 0});
      AddUnique(points, seen, {0, s * (1 + d)});
      AddUnique(points, seen, {0, s * (1 - d)});
      AddUnique(points, seen, {s, d});
      AddUnique(points, seen, {s, -d});
      AddUnique(points, seen, {d, s});
      AddUnique(points, seen, {-d, s});
      AddUnique(points, seen, {s * (1 - d), d});
      AddUnique(points, seen, {d, s * (1 + d)});
    }
  }
}

void AddSpecials(std::vector<TComplex>& points, std::set<std::pair<std::uint64_t, std::uint64_t>>& seen) {
  const double max = std::numeric_limits<double>::max();
  const double big = 9223372036854775808.0;
  const TComplex specials[] = {
      {0, 0},       {1, 0},        {-1, 0},       {0, 1},        {0, -1},       {2, 0},       {-2, 0},
      {0, 2},       {0, -2},       {0.5, 0},      {-0.5, 0},     {0, 0.5},      {kPi, 0},     {kPi / 2, 0},
      {-kPi / 2, 0}, {kPi, 1},     {0.5, 0.5},    {3, 4},        {-3, 4},       {30, 0},      {45, 0},
      {90, 0},      {180, 0},      {-90, 0},      {0, 90},       {0, 180},      {709.78, 0},  {710, 0},
      {-710, 0},    {0, 709.78},   {0, 710},      {711, 1},      {-745, 0},     {1E-320, 0},  {0, 1E-320},
      {5E-324, 0},  {max, 0},      {0, max},      {-max, 0},     {big, 0},      {0, big},     {big, 1},
      {big / 2, 0}, {9223372036854774784.0, 0},  {0, 9223372036854774784.0},      {1E19, 1E-5},
      {2.718281828459045, 0},      {0.25, 0.75},  {7E+2, 0},     {0, 7E+2},     {1E15, 0},    {1E-10, 0},
  };
  for (const TComplex& z : specials) AddUnique(points, seen, z);
}

}  // namespace

std::string CountsText(const TCounts& c) {
  std::string s = "compared " + std::to_string(c.compared) + ", differing " + std::to_string(c.differing) +
                  ", left out " + std::to_string(c.ties) + " as ties, " + std::to_string(c.unsettled) + " unsettled";
  if (c.operandFailed > 0) s += ", " + std::to_string(c.operandFailed) + " with a failing operand";
  if (c.storedCompared > 0) {
    s += "; stored doubles differ in " + std::to_string(c.storedDiffering) + " of " + std::to_string(c.storedCompared);
  }
  return s;
}

std::string OpName(std::uint8_t op) {
  static const char* const kNames[] = {"leaf",   "+",      "-",      "*",      "/",      "^",      "sqrt",
                                       "exp",    "ln",     "log",    "lg",     "sin",    "cos",    "tan",
                                       "cot",    "re",     "im",     "abs",    "arg",    "arcsin", "arccos",
                                       "arctan", "arccot", "sinh",   "cosh",   "tanh",   "coth",   "arsinh",
                                       "arcosh", "artanh", "arcoth", "h"};
  return op <= opStep ? kNames[op] : "?";
}

bool IsBinary(std::uint8_t op) { return (op >= opAdd && op <= opPower) || op == opLg; }

bool ProgramNode(std::uint8_t op, TComplex a, TComplex b, bool deg, TComplex& r) {
  TTermElement left, right, node;
  node.opCode = op;
  if (IsBinary(op)) {
    left.value = a;
    right.value = b;
    node.left = &left;
  } else {
    right.value = a;
  }
  node.right = &right;
  const TDegScope scope(deg);
  static const TVarTable kNoVariables;
  return EvaluateTerm(&node, kNoVariables, r);
}

void CompareNode(TCounts& counts, std::uint8_t op, TComplex a, TComplex b, bool deg) {
  const TReferenceResult ref = ReferenceEvaluate(op, a, b, deg);
  TComplex program;
  const bool ok = ProgramNode(op, a, b, deg, program);
  RecordStored(counts, ref, ok, program);
  if (!Comparable(counts, ref)) return;
  const std::string programText = ValueText(ok, program);
  const std::string referenceText = ValueText(ref.ok, ref.value);
  Record(counts, programText == referenceText,
         NodeText(op, a, b) + " " + ModeText(deg) + ": program \"" + programText + "\", reference \"" +
             referenceText + "\"");
}

std::vector<TComplex> GridPoints() {
  std::vector<TComplex> points;
  std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
  for (int k = -300; k <= 300; ++k) {
    AddDirections(points, seen, Decimal(1, k));
    // A second point per decade where the functions change the most.
    if (k >= -20 && k <= 20) AddDirections(points, seen, Decimal(3, k));
  }
  std::vector<int> near;
  for (int k = 1; k <= 17; ++k) near.push_back(k);
  for (int k : {20, 30, 50, 100, 150, 200, 250, 300}) near.push_back(k);
  AddNearUnits(points, seen, near);
  AddSpecials(points, seen);
  return points;
}

std::vector<TComplex> CoarsePoints() {
  std::vector<TComplex> points;
  std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
  for (int k : {-300, -200, -100, -30, -15, -10, -5, -3, -1, 0, 1, 3, 5, 10, 15, 30, 100, 200, 300}) {
    AddDirections(points, seen, Decimal(1, k));
  }
  AddDirections(points, seen, 2.5);
  AddNearUnits(points, seen, {3, 10, 16});
  for (const TComplex z : {TComplex{0, 0}, TComplex{kPi, 0}, TComplex{0.75, -1.25}, TComplex{-3, 0.5}}) {
    AddUnique(points, seen, z);
  }
  return points;
}

std::vector<TComplex> PowerBases() {
  std::vector<TComplex> points;
  std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
  for (int k = -300; k <= 300; k += 10) AddDirections(points, seen, Decimal(1, k));
  for (int k = -5; k <= 5; ++k) AddDirections(points, seen, Decimal(3, k));
  AddNearUnits(points, seen, {1, 3, 8, 12, 15, 16, 17, 30, 300});
  AddSpecials(points, seen);
  return points;
}

std::vector<TComplex> PowerExponents() {
  return {{2, 0},    {3, 0},      {-1, 0},    {-2, 0},     {0.5, 0},    {1.0 / 3.0, 0}, {0.25, 0},  {2.5, 0},
          {-0.5, 0}, {10, 0},     {100, 0},   {1E-3, 0},   {7E+2, 0},   {0, 1},         {0, -1},    {1, 1},
          {0.5, 0.5}, {0, 2},     {1E-10, 0}, {1E15, 0},   {kPi, 0},    {2.718281828459045, 0}, {0, 0}, {-3, 0.5},
          // Real parts of every sign for the powers of 0; exponents large
          // enough that only the result, not w ln b, fits a double.
          {-2, 1},   {1E-300, -1}, {0, 1E-300}, {1E308, 0}, {-1E308, 0}, {0, 1E6}, {0, 1E9}, {-1.8446744073709552E19, 0}};
}

std::vector<std::uint8_t> GridFunctions() {
  return {opSqrt,   opExp,    opLn,    opLog,   opSin,    opCos,    opTan,    opCot,    opRe,
          opIm,     opAbs,    opArg,   opArcSin, opArcCos, opArcTan, opArcCot, opSinh,  opCosh,
          opTanh,   opCoth,   opArSinh, opArCosh, opArTanh, opArCoth, opStep};
}

std::vector<TComplex> FunctionPoints(std::uint8_t op) {
  std::vector<TComplex> points;
  std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
  for (const TComplex& z : GridPoints()) AddUnique(points, seen, z);
  const bool circular = op == opSin || op == opCos || op == opTan || op == opCot;
  const bool hyperbolic = op == opSinh || op == opCosh || op == opTanh || op == opCoth;
  // Every multiple of 15 degrees from -720 to 720, as the angle the
  // function reads: the real part of the circular functions, the imaginary
  // part of exp and the hyperbolic functions.
  if (circular || hyperbolic || op == opExp) {
    for (int k = -48; k <= 48; ++k) {
      const double a = 15.0 * k;
      for (double other : {0.0, 0.5, -2.0}) {
        AddUnique(points, seen, circular ? TComplex{a, other} : TComplex{other, a});
      }
    }
  }
  // Angles of every size: +-2^k for k = 50 ... 1023.
  if (circular || op == opExp) {
    for (int k = 50; k <= 1023; ++k) {
      for (double s : {1.0, -1.0}) {
        const double a = s * std::ldexp(1.0, k);
        AddUnique(points, seen, op == opExp ? TComplex{0, a} : TComplex{a, 0});
      }
    }
  }
  // Where the exponentials behind a formula overflow but its value exists.
  if (hyperbolic || circular || op == opExp) {
    for (double m : {709.0, 709.78, 710.0, 710.4758600739439, 710.5, 711.0, 720.0, 800.0, 1000.0, 1E4, 1E300}) {
      for (double s : {1.0, -1.0}) {
        for (double other : {0.0, 0.75, 1.5707963267948966, 90.0}) {
          AddUnique(points, seen, hyperbolic || op == opExp ? TComplex{s * m, other} : TComplex{other, s * m});
        }
      }
    }
  }
  // Arguments whose results are whole multiples of 15 degrees: the sines,
  // cosines and tangents of those angles and the points of the unit circle
  // at them; and the largest magnitudes on the axes and the diagonals.
  const bool givesAngle = (op >= opArcSin && op <= opArcCot) || (op >= opArSinh && op <= opArCoth) ||
                          op == opArg || op == opLn || op == opLog;
  if (givesAngle) {
    const double r2 = 0.7071067811865476, r3 = 1.7320508075688772;
    for (double v : {0.5, r2, r3 / 2, 1.0, 2 - r3, 1 / r3, r3, 2 + r3}) {
      for (double s : {1.0, -1.0}) {
        AddUnique(points, seen, {s * v, 0});
        AddUnique(points, seen, {0, s * v});
      }
    }
    for (int k = -24; k < 24; ++k) {
      const long double a = 15.0L * k * std::numbers::pi_v<long double> / 180.0L;
      AddUnique(points, seen, {static_cast<double>(std::cos(a)), static_cast<double>(std::sin(a))});
    }
    for (double m : {1E150, 1E200, 1E250, 1E300, 1E305, 1E307, std::numeric_limits<double>::max()}) {
      AddDirections(points, seen, m);
    }
  }
  return points;
}

TCounts FunctionGrid(std::uint8_t op, bool deg) {
  TCounts counts;
  counts.group = OpName(op) + " " + ModeText(deg);
  for (const TComplex& z : FunctionPoints(op)) CompareNode(counts, op, z, TComplex{}, deg);
  return counts;
}

TCounts PowerGrid(bool deg) {
  TCounts counts;
  counts.group = "^ " + ModeText(deg);
  const std::vector<TComplex> exponents = PowerExponents();
  for (const TComplex& base : PowerBases()) {
    for (const TComplex& w : exponents) CompareNode(counts, opPower, base, w, deg);
  }
  return counts;
}

TCounts OperatorGrid(std::uint8_t op, bool deg) {
  TCounts counts;
  counts.group = OpName(op) + " " + ModeText(deg);
  const std::vector<TComplex> points = CoarsePoints();
  for (const TComplex& a : points) {
    for (const TComplex& b : points) CompareNode(counts, op, a, b, deg);
  }
  return counts;
}

TCounts IntegerPowerLines(bool smart, bool deg) {
  TCounts counts;
  counts.group = std::string("b^n lines, ") + (smart ? "Smart-Calculate " : "Calculate ") + ModeText(deg);
  const TVarTable noVariables;
  const TCalcOptions options{deg, true, smart};
  for (std::uint64_t b = 2; b <= 1000; ++b) {
    std::uint64_t power = b;
    for (int n = 1; power < kTwoTo53; ++n) {
      const std::string term = std::to_string(b) + "^" + std::to_string(n);
      const TReferenceResult ref =
          ReferenceEvaluate(opPower, {static_cast<double>(b), 0}, {static_cast<double>(n), 0}, deg);
      if (Comparable(counts, ref)) {
        const std::string expected = LineOf(ref, options);
        const std::string line = CalculateLine(term, noVariables, options);
        Record(counts, line == expected, term + " " + ModeText(deg) + ": program \"" + line + "\", reference \"" +
                                             expected + "\"");
      }
      if (power > kTwoTo53 / b) break;
      power *= b;
    }
  }
  return counts;
}

TCounts RootLines(bool smart) {
  TCounts counts;
  counts.group = std::string("b^(1/k) lines, ") + (smart ? "Smart-Calculate" : "Calculate");
  const TVarTable noVariables;
  const TCalcOptions options{false, true, smart};
  auto check = [&](std::uint64_t b, int k) {
    const std::string term = std::to_string(b) + "^(1/" + std::to_string(k) + ")";
    const TLineVerdict verdict = ReferenceLine(term, noVariables, options);
    if (!verdict.comparable) {
      ++counts.operandFailed;
      return;
    }
    if (!verdict.settled) {
      ++counts.unsettled;
      return;
    }
    if (verdict.nearTie) {
      ++counts.ties;
      return;
    }
    const std::string line = CalculateLine(term, noVariables, options);
    Record(counts, line == verdict.referenceLine,
           term + ": program \"" + line + "\", reference \"" + verdict.referenceLine + "\"");
  };
  for (std::uint64_t m = 2; m <= 1000; ++m) {
    std::uint64_t power = m * m;
    for (int k = 2; power < kTwoTo53; ++k) {
      check(power, k);
      if (power > kTwoTo53 / m) break;
      power *= m;
    }
  }
  // Larger bases of square and cube roots, in steps of about 1 percent.
  for (std::uint64_t m = 1001; m * m < kTwoTo53; m += std::max<std::uint64_t>(1, m / 100)) {
    check(m * m, 2);
    if (m * m * m < kTwoTo53) check(m * m * m, 3);
  }
  return counts;
}

// ---------------------------------------------------------------------------
// The corpus.

namespace {

const char* const kAtoms[] = {"2", "0.5", "1E-3", "7E+2", "1E15", "1E-10", "pi", "e", "i",
                              "x", "y",   "z",    "w",    "3",    "1",     "0", "2.5"};
const char* const kFunctions[] = {"sqrt(",   "exp(",    "ln(",     "log(",    "sin(",   "cos(",   "tan(",
                                  "cot(",    "re(",     "im(",     "abs(",    "arg(",   "arcsin(", "arccos(",
                                  "arctan(", "arccot(", "sinh(",   "cosh(",   "tanh(",  "coth(",  "arsinh(",
                                  "arcosh(", "artanh(", "arcoth(", "h("};
const char* const kOperators[] = {"+", "-", "*", "/", "^"};

template <typename T, std::size_t N>
const T& Pick(std::mt19937& rng, const T (&items)[N]) {
  return items[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

// An operand, in brackets half of the time so that every shape of tree
// occurs.
std::string Operand(std::mt19937& rng, std::string term) {
  if (std::uniform_int_distribution<int>(0, 1)(rng) == 0) return "(" + term + ")";
  return term;
}

// A well-formed term of about the given number of nodes; the recursion is
// bounded by the budget.
std::string RandomTerm(std::mt19937& rng, int budget) {
  if (budget <= 1) return Pick(rng, kAtoms);
  switch (std::uniform_int_distribution<int>(0, 9)(rng)) {
    case 0:
      return "(" + RandomTerm(rng, budget - 1) + ")";
    case 1:
    case 2:
    case 3:
      return std::string(Pick(rng, kFunctions)) + RandomTerm(rng, budget - 1) + ")";
    case 4:
      return "(" + RandomTerm(rng, budget / 2) + ")lg(" + RandomTerm(rng, budget / 2) + ")";
    case 5:
      return "(-" + RandomTerm(rng, budget - 1) + ")";
    default: {
      std::string left = Operand(rng, RandomTerm(rng, budget / 2));
      const char* op = Pick(rng, kOperators);
      return left + op + Operand(rng, RandomTerm(rng, budget / 2));
    }
  }
}

constexpr int kCorpusSize = 4000;
constexpr std::uint32_t kCorpusSeed = 20240611;

struct TVariable {
  const char* label;
  const char* text;
  TComplex value;
};

const TVariable kVariables[] = {
    {"x", "0.75-1.25*i", {0.75, -1.25}},
    {"y", "-3+0.5*i", {-3, 0.5}},
    {"z", "1E-3*i", {0, 1E-3}},
    {"w", "2E5+7*i", {2E5, 7}},
};

// The value of a node by the reference, every node below it evaluated by
// the reference too. Iterative, so any depth is safe.
bool ReferenceTree(const TTermElement* root, const TVarTable& table, bool deg, TReferenceResult& rootResult) {
  struct TFrame {
    const TTermElement* node;
    int stage;
  };
  std::vector<TFrame> stack{{root, 0}};
  std::vector<TReferenceResult> values;
  while (!stack.empty()) {
    TFrame& f = stack.back();
    const TTermElement* n = f.node;
    if (n == nullptr) return false;
    if (n->opCode == opLeaf) {
      TReferenceResult leaf;
      leaf.ok = true;
      leaf.settled = true;
      if (n->leafKind == leafVariable) {
        if (!FindVariable(table, n->label, leaf.value)) return false;
      } else {
        leaf.value = n->value;
      }
      values.push_back(leaf);
      stack.pop_back();
      continue;
    }
    const bool binary = IsBinary(n->opCode);
    if (f.stage == 0) {
      f.stage = 1;
      if (binary) {
        stack.push_back({n->left, 0});
        continue;
      }
    }
    if (f.stage == 1) {
      f.stage = 2;
      stack.push_back({n->right, 0});
      continue;
    }
    TReferenceResult right = values.back();
    values.pop_back();
    TReferenceResult left;
    if (binary) {
      left = values.back();
      values.pop_back();
    }
    TReferenceResult r;
    const bool settled = right.settled && (!binary || left.settled);
    if ((binary && !left.ok) || !right.ok) {
      r.ok = false;
      r.settled = settled;
    } else {
      r = binary ? ReferenceEvaluate(n->opCode, left.value, right.value, deg)
                 : ReferenceEvaluate(n->opCode, right.value, TComplex{}, deg);
      r.settled = r.settled && settled;
    }
    values.push_back(r);
    stack.pop_back();
  }
  rootResult = values.back();
  return true;
}

}  // namespace

TCorpus MakeCorpus() {
  TCorpus corpus;
  for (const TVariable& v : kVariables) SetVariable(corpus.table, v.label, v.value, std::string());
  std::mt19937 rng(kCorpusSeed);
  std::uniform_int_distribution<int> budget(2, 12);
  std::set<std::string> seen;
  while (static_cast<int>(corpus.terms.size()) < kCorpusSize) {
    std::string term = RandomTerm(rng, budget(rng));
    if (seen.insert(term).second) corpus.terms.push_back(std::move(term));
  }
  return corpus;
}

std::vector<std::string> CorpusSetArguments() {
  std::vector<std::string> arguments;
  for (const TVariable& v : kVariables) arguments.push_back(std::string(v.label) + "=" + v.text);
  return arguments;
}

TLineVerdict ReferenceLine(std::string_view term, const TVarTable& table, const TCalcOptions& options) {
  TLineVerdict verdict;
  const TParsedTerm tree(term);
  const TTermElement* root = tree.Tree();
  if (!tree.Ok() || root == nullptr || root->opCode == opLeaf) return verdict;
  const TDegScope scope(options.degMode);
  TComplex a, b;
  if (IsBinary(root->opCode)) {
    if (!EvaluateTerm(root->left, table, a) || !EvaluateTerm(root->right, table, b)) return verdict;
  } else if (!EvaluateTerm(root->right, table, a)) {
    return verdict;
  }
  const TReferenceResult r = ReferenceEvaluate(root->opCode, a, b, options.degMode);
  verdict.comparable = true;
  verdict.settled = r.settled;
  verdict.nearTie = NearRoundingTie(r);
  verdict.referenceLine = LineOf(r, options);
  return verdict;
}

TLineVerdict FullReferenceLine(std::string_view term, const TVarTable& table, const TCalcOptions& options) {
  TLineVerdict verdict;
  const TParsedTerm tree(term);
  if (!tree.Ok() || tree.Tree() == nullptr) return verdict;
  TReferenceResult r;
  if (!ReferenceTree(tree.Tree(), table, options.degMode, r)) return verdict;
  verdict.comparable = true;
  verdict.settled = r.settled;
  verdict.nearTie = NearRoundingTie(r);
  verdict.referenceLine = LineOf(r, options);
  return verdict;
}

void CorpusRun(const TCorpus& corpus, bool deg, TCounts& nodes, TCounts& lines) {
  nodes.group = "corpus nodes " + ModeText(deg);
  lines.group = "corpus lines " + ModeText(deg);
  const TCalcOptions options{deg, true, false};
  for (const std::string& term : corpus.terms) {
    const TParsedTerm tree(term);
    if (!tree.Ok() || tree.Tree() == nullptr) continue;
    std::vector<const TTermElement*> pending{tree.Tree()};
    while (!pending.empty()) {
      const TTermElement* n = pending.back();
      pending.pop_back();
      if (n == nullptr || n->opCode == opLeaf) continue;
      const bool binary = IsBinary(n->opCode);
      if (binary) pending.push_back(n->left);
      pending.push_back(n->right);
      const TDegScope scope(deg);
      TComplex a, b;
      const bool operandsOk =
          binary ? EvaluateTerm(n->left, corpus.table, a) && EvaluateTerm(n->right, corpus.table, b)
                 : EvaluateTerm(n->right, corpus.table, a);
      if (!operandsOk) {
        ++nodes.operandFailed;
        continue;
      }
      const TReferenceResult ref = ReferenceEvaluate(n->opCode, a, b, deg);
      TComplex program;
      const bool ok = EvaluateTerm(n, corpus.table, program);
      RecordStored(nodes, ref, ok, program);
      if (!Comparable(nodes, ref)) continue;
      const std::string programText = ValueText(ok, program);
      const std::string referenceText = ValueText(ref.ok, ref.value);
      Record(nodes, programText == referenceText,
             "in \"" + term + "\": " + NodeText(n->opCode, a, b) + " " + ModeText(deg) + ": program \"" +
                 programText + "\", reference \"" + referenceText + "\"");
    }

    const TLineVerdict verdict = ReferenceLine(term, corpus.table, options);
    if (!verdict.comparable) {
      if (tree.Tree()->opCode != opLeaf) ++lines.operandFailed;
      continue;
    }
    if (!verdict.settled) {
      ++lines.unsettled;
      continue;
    }
    if (verdict.nearTie) {
      ++lines.ties;
      continue;
    }
    const std::string line = CalculateLine(term, corpus.table, options);
    Record(lines, line == verdict.referenceLine,
           "\"" + term + "\" " + ModeText(deg) + ": program \"" + line + "\", reference \"" +
               verdict.referenceLine + "\"");
  }
}

}  // namespace veltaro::accuracy
