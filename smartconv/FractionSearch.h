// Internal pieces of the closed-form search, shared by SmartConversion.cpp,
// the literal reference search and their tests.
#pragma once

#include <cstdint>

namespace veltaro::smartconv {

inline constexpr int kMaxNumerator = 100;
inline constexpr int kMaxDenominator = 1000;
inline constexpr int kMaxBase = 1000;

// Below this magnitude d / |x| leaves the signed 64-bit range already for
// d = 1; such numbers are written as plain decimals.
inline constexpr double kSmallestSearched = 0x1p-63;

// 0.1 ^ ConversionPrecision by repeated squaring and multiplication in
// extended precision; a negative precision gives the reciprocal.
long double Tolerance();

// ln b in extended precision for b from 2 to kMaxBase, computed once.
long double LogOfBase(int b);

// The trial of one numerator d for the magnitude a: true when the rounded
// reciprocal n of a / d lies in 0..kMaxDenominator and agrees with it within
// tau, with n in denominator.
bool TryNumerator(double a, int d, long double tau, std::int32_t& denominator);

// The tolerance of one conversion and the relative half-width of the window
// around a magnitude in which the value d / n of a passing trial must lie.
// The window is only used up to kCandidateTauLimit; a wider tolerance makes
// every numerator a candidate.
inline constexpr long double kCandidateTauLimit = 0x1p-10L;
struct TSearchWindow {
  long double tau = 0.0L;
  double width = 0.0;
  bool filtered = false;
};
TSearchWindow MakeSearchWindow(long double tau);

// A set of numerators 1..kMaxNumerator.
struct TNumeratorSet {
  std::uint64_t bits[2] = {0, 0};

  bool Empty() const { return bits[0] == 0 && bits[1] == 0; }
  void Add(int d) { bits[(d - 1) >> 6] |= std::uint64_t{1} << ((d - 1) & 63); }
  bool Has(int d) const { return (bits[(d - 1) >> 6] >> ((d - 1) & 63)) & 1u; }
};

// The numerators d whose trial can pass for the magnitude a: those of every
// fraction d / n (d <= kMaxNumerator, n <= kMaxDenominator) within the
// relative distance width of a. Every numerator left out fails its trial.
TNumeratorSet CandidateNumerators(double a, double width);

// The first base b from `from` on (kMaxBase + 1 when none) for which a
// fraction lies within the relative distance width of absL * (1 / ln b),
// with 1 / ln b rounded to double. That product differs from the exponent
// |l| / ln b that the search tries by a few roundings only (relative
// < 1e-15), so with a width kBaseScanMargin wider than the search's own
// window, every base skipped is one whose exponent has no candidate numerator.
inline constexpr double kBaseScanMargin = 1e-14;
int FirstPossibleBase(double absL, double width, int from);

// FindFraction under the tolerance of the window: the trials of the
// candidate numerators only, in increasing order, or of every numerator when
// the window is not filtered.
void FindFractionWithin(double x, const TSearchWindow& window, std::int32_t& numerator,
                        std::int32_t& denominator);

}  // namespace veltaro::smartconv
