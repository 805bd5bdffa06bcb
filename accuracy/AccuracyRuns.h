// The accuracy comparisons: the program's printed results against the
// reference arithmetic, over fixed grids of operands and over a fixed corpus
// of generated terms. Shared by accuracy_test and accuracy_report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Calculation.h"
#include "Complex.h"
#include "ReferenceArithmetic.h"
#include "VarTable.h"

namespace veltaro::accuracy {

// The outcome of one group of comparisons.
struct TCounts {
  std::string group;
  long compared = 0;
  long differing = 0;
  // Left out: an exact component lies within 2 ulps of a 15-digit tie.
  long ties = 0;
  // Left out: the reference reached its precision limit undecided.
  long unsettled = 0;
  // Not compared: an operand of the node (or of the root) fails in the
  // program, so there is nothing to compare.
  long operandFailed = 0;
  // For nodes, besides the texts: how many settled results were checked
  // bit for bit (ties included) and in how many the stored doubles or the
  // failure verdict differ. Reported, not judged: the printed digits are.
  long storedCompared = 0;
  long storedDiffering = 0;
  // The first differing cases, described with their operands and both texts.
  std::vector<std::string> examples;
};

inline constexpr std::size_t kMaxExamples = 20;

// "compared 9616, differing 3, left out 1 as ties, 0 unsettled; stored
// doubles differ in 40 of 9617".
std::string CountsText(const TCounts& c);

// The name of an operation in terms ("sin", "^", "lg").
std::string OpName(std::uint8_t op);
bool IsBinary(std::uint8_t op);

// The program's value of one node: op applied to the stored operands a and
// b (for one-argument functions a is the argument) through EvaluateTerm of a
// tree of that node and its leaves.
bool ProgramNode(std::uint8_t op, TComplex a, TComplex b, bool deg, TComplex& r);

// Compares the program's node with the reference on the same operands, as
// the texts FormatComplex prints (or both failing), and counts the outcome.
void CompareNode(TCounts& counts, std::uint8_t op, TComplex a, TComplex b, bool deg);

// The operand grids: magnitudes 1E-300 ... 1E300 on both axes and both
// diagonals with all four signs, points next to +1, -1, +i, -i, and a few
// special values; a coarser grid for pairs of operands; the exponents of the
// power grid.
std::vector<TComplex> GridPoints();
std::vector<TComplex> CoarsePoints();
std::vector<TComplex> PowerBases();
std::vector<TComplex> PowerExponents();

// The operand grid of one function: GridPoints and the points where its
// angles, its overflows or its degree results are at stake.
std::vector<TComplex> FunctionPoints(std::uint8_t op);

// The one-argument functions of the grid, by op code.
std::vector<std::uint8_t> GridFunctions();

TCounts FunctionGrid(std::uint8_t op, bool deg);
TCounts PowerGrid(bool deg);
// +, -, *, / and lg on every pair of coarse points.
TCounts OperatorGrid(std::uint8_t op, bool deg);

// Every b^n with b = 2..1000 and b^n < 2^53, as a term through CalculateLine,
// against the results line of the exact power.
TCounts IntegerPowerLines(bool smart, bool deg);
// Every b^(1/k) for b = m^k < 2^53 (m = 2..1000, and a thinner set of larger
// m for k = 2 and 3), against the reference line at the root.
TCounts RootLines(bool smart);

// The fixed-seed corpus of generated well-formed terms and the variable
// table they read.
struct TCorpus {
  std::vector<std::string> terms;
  TVarTable table;
};
TCorpus MakeCorpus();
// The corpus variables as "label=value term", the form veltaro-calc --set
// takes.
std::vector<std::string> CorpusSetArguments();

// Every node of every corpus term against the reference on the program's
// own operand values, and every results line against the reference line.
void CorpusRun(const TCorpus& corpus, bool deg, TCounts& nodes, TCounts& lines);

// How a results line is judged against the reference.
struct TLineVerdict {
  bool comparable = false;  // parsed, inner root, operands evaluate
  bool nearTie = false;
  bool settled = true;
  std::string referenceLine;
};

// The line the reference gives for term: the root's operation applied by
// the reference to the program's values of the root's operands.
TLineVerdict ReferenceLine(std::string_view term, const TVarTable& table, const TCalcOptions& options);

// The line the reference gives when it evaluates every node of the term
// itself: a yardstick that does not depend on the build.
TLineVerdict FullReferenceLine(std::string_view term, const TVarTable& table, const TCalcOptions& options);

}  // namespace veltaro::accuracy
