#include "ReferenceSearch.h"

#include <cmath>
#include <numbers>

#include "Format.h"
#include "FractionSearch.h"
#include "SmartConversion.h"

namespace veltaro::smartconv {

void ReferenceFindFraction(double x, std::int32_t& numerator, std::int32_t& denominator) {
  numerator = 0;
  denominator = 0;
  const bool negative = x < 0.0;
  const double a = std::fabs(x);
  for (int d = 1; d <= kMaxNumerator; ++d) {
    const long double q = 1.0L / (static_cast<long double>(a) / static_cast<long double>(d));
    // From 2^63 on the rounded value does not fit the 64-bit integer; it
    // would be far beyond any allowed denominator anyway.
    if (!(q < 0x1p63L)) continue;
    const long long n = std::llrint(q);
    if (IsNearlyEqual(static_cast<double>(q), static_cast<double>(n)) && n >= 0 && n <= kMaxDenominator) {
      numerator = negative ? -d : d;
      denominator = static_cast<std::int32_t>(n);
      return;
    }
  }
}

std::string ReferenceSmartFloatToStr(double x) {
  constexpr long double kPi = std::numbers::pi_v<long double>;
  if (x == 0.0) return "0";
  if (!(std::fabs(x) >= kSmallestSearched)) return FormatReal(x);

  std::int32_t num = 0, den = 0;
  ReferenceFindFraction(x, num, den);
  if (num != 0 || den != 0) return FractionToStr(num, den);

  ReferenceFindFraction(static_cast<double>(static_cast<long double>(x) / kPi), num, den);
  if (num != 0 || den != 0) return FractionToStr(num, den) + "*pi";

  const std::string sign = x < 0.0 ? "-" : "";
  const long double l = std::log(std::fabs(static_cast<long double>(x)));
  ReferenceFindFraction(static_cast<double>(l), num, den);
  if (num != 0 || den != 0) return sign + "e^(" + FractionToStr(num, den) + ")";

  for (int b = 2; b <= kMaxBase; ++b) {
    ReferenceFindFraction(static_cast<double>(l / std::log(static_cast<long double>(b))), num, den);
    if (num != 0 || den != 0) return sign + std::to_string(b) + "^(" + FractionToStr(num, den) + ")";
  }
  return FormatReal(x);
}

}  // namespace veltaro::smartconv
