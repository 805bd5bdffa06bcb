// An independent high-precision evaluator of every operation a term node can
// hold, used to judge the stored results of the calculator.
//
// Each operation is worked out on the exact values of its double operands at
// a high binary precision, and then rounded once per component to the nearest
// double; snapping is applied to the rounded pair where the operation snaps.
// The precision is raised (192 bits and up, doubling, to 32768 bits) until
// two successive precisions give the same rounded doubles and the same
// failure verdict.
#pragma once

#include <cstdint>
#include <string>

#include "Complex.h"

namespace veltaro::reference {

// A real number to 40 significant decimal digits:
// (negative ? -1 : 1) * 0.d1 d2 ... d40 * 10^exponent; digits is empty for 0.
struct TDecimal {
  bool negative = false;
  std::string digits;
  long exponent = 0;
  // The value is exactly the double it was rounded to (so no rounding of it
  // can be in doubt).
  bool representable = false;
};

struct TReferenceResult {
  bool ok = false;
  // The stored result: rounded, then snapped where the operation snaps;
  // (0, 0) when the operation fails.
  TComplex value;
  // The exact components before rounding to double (meaningful when ok).
  TDecimal exactRe;
  TDecimal exactIm;
  // Bits of the evaluation that was accepted.
  long precision = 0;
  // False when the precision limit was reached before two precisions
  // agreed; the value is then the one of the highest precision tried.
  bool settled = false;
};

// Evaluates the operation of a term node. For the operators (+ - * / ^, op
// codes 1 to 5) a is the left and b the right operand; for lg (10) a is the
// base and b the argument; for every one-argument function a is the argument
// (the node's right operand) and b is not used. Angles are in degrees when
// degMode is set. Unknown op codes fail.
TReferenceResult ReferenceEvaluate(std::uint8_t opCode, TComplex a, TComplex b, bool degMode);

// The same, reduced to the stored result: false exactly where the operation
// fails (r is then (0, 0)).
bool ReferenceNode(std::uint8_t opCode, TComplex a, TComplex b, bool degMode, TComplex& r);

// Distance of the exact value x from the nearest 15-significant-digit
// rounding tie, a point (k + 1/2) * 10^(e-14) with e the decimal exponent of
// x, measured in ulps of stored, the double that x was rounded to.
double TieDistanceUlps(const TDecimal& x, double stored);

// True when a nonzero component of a successful result has an exact value
// that is not itself a double and lies within maxUlps of a 15-digit tie:
// there the printed digits depend on the last bit of the stored double.
bool NearRoundingTie(const TReferenceResult& r, double maxUlps = 2.0);

}  // namespace veltaro::reference
