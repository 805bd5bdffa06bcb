#include "SmartConversion.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <string_view>

#include "Format.h"
#include "FractionSearch.h"

namespace veltaro {

std::int32_t ConversionPrecision = 0;

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

void AppendDecimal(std::string& s, long long v) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  s.append(buf, res.ptr);
}

// "(" fraction ")" behind a base, the exponent carrying its own sign.
std::string PowerText(bool negative, std::string_view base, std::int32_t numerator, std::int32_t denominator) {
  std::string s = negative ? "-" : "";
  s += base;
  s += "^(";
  s += FractionToStr(numerator, denominator);
  s += ')';
  return s;
}

}  // namespace

bool IsNearlyEqual(double q, double n) {
  const long double tau = smartconv::Tolerance();
  const long double qe = q;
  return tau > std::fabs((qe - static_cast<long double>(n)) / qe);
}

void FindFraction(double x, std::int32_t& numerator, std::int32_t& denominator) {
  smartconv::FindFractionWithin(x, smartconv::MakeSearchWindow(smartconv::Tolerance()), numerator, denominator);
}

std::string FractionToStr(std::int32_t numerator, std::int32_t denominator) {
  const long long num = numerator;
  const long long den = denominator;
  std::string s = num * den < 0 ? "-" : "";
  const long long absNum = num < 0 ? -num : num;
  const long long absDen = den < 0 ? -den : den;
  if (absDen == 1) {
    AppendDecimal(s, absNum);
  } else if (absDen == absNum) {
    s += '1';
  } else {
    AppendDecimal(s, absNum);
    s += '/';
    AppendDecimal(s, absDen);
  }
  return s;
}

std::string SmartFloatToStr(double x) {
  using namespace smartconv;
  if (x == 0.0) return "0";
  if (!(std::fabs(x) >= kSmallestSearched)) return FormatReal(x);

  // ConversionPrecision cannot change during one conversion, so the
  // tolerance is the same for every comparison of it.
  const TSearchWindow window = MakeSearchWindow(Tolerance());
  std::int32_t num = 0, den = 0;
  const auto found = [&](double y) {
    FindFractionWithin(y, window, num, den);
    return num != 0 || den != 0;
  };

  if (found(x)) return FractionToStr(num, den);
  if (found(static_cast<double>(static_cast<long double>(x) / kPi))) return FractionToStr(num, den) + "*pi";

  const bool negative = x < 0.0;
  const long double l = std::log(std::fabs(static_cast<long double>(x)));
  if (found(static_cast<double>(l))) return PowerText(negative, "e", num, den);
  const double absL = std::fabs(static_cast<double>(l));
  for (int b = 2; b <= kMaxBase; ++b) {
    // Bases whose exponent has no candidate numerator are passed over
    // without computing the exact quotient.
    if (window.filtered) {
      b = FirstPossibleBase(absL, window.width + kBaseScanMargin, b);
      if (b > kMaxBase) break;
    }
    if (found(static_cast<double>(l / LogOfBase(b)))) {
      char buf[8];
      const auto res = std::to_chars(buf, buf + sizeof buf, b);
      return PowerText(negative, std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), num, den);
    }
  }
  return FormatReal(x);
}

std::string FormatComplexSmart(TComplex z) { return FormatComplexWith(z, SmartFloatToStr); }

}  // namespace veltaro
