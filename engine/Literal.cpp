// Number literals of terms: blanks, digits, an optional decimal point with
// digits, an optional exponent after an upper-case E, blanks.
#include <charconv>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "Parser.h"

namespace veltaro {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Exponent digits are read only while the exponent read so far is below
// this; a digit left over makes the literal invalid.
constexpr int kExponentDigitLimit = 500;

// Whether the digits (leading and trailing zeros aside) and the decimal
// position of the first of them are those of the largest double rounded to
// 15 significant digits: the number written for it, which lies just above
// the double range only because its last digit was rounded up.
bool IsRoundedLargestDouble(std::string_view intDigits, std::string_view fracDigits, long magnitude) {
  static const std::string largest = [] {
    char buffer[32];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, std::numeric_limits<double>::max(),
                                   std::chars_format::scientific, 14);
    std::string digits;
    for (const char* c = buffer; c < res.ptr && *c != 'e'; ++c) {
      if (IsDigit(*c)) digits += *c;
    }
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    return digits;
  }();
  constexpr long kLargestMagnitude = std::numeric_limits<double>::max_exponent10;
  if (magnitude != kLargestMagnitude) return false;
  std::string digits;
  for (const std::string_view part : {intDigits, fracDigits}) {
    for (const char c : part) {
      if (digits.empty() && c == '0') continue;
      digits += c;
      if (digits.size() > largest.size() && c != '0') return false;
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  return digits == largest;
}

}  // namespace

bool ConvertNumberLiteral(std::string_view text, double& value) {
  value = 0.0;
  const std::size_t n = text.size();
  std::size_t p = 0;
  while (p < n && text[p] == ' ') ++p;

  const std::size_t intStart = p;
  while (p < n && IsDigit(text[p])) ++p;
  const std::string_view intDigits = text.substr(intStart, p - intStart);

  bool hasPoint = false;
  std::string_view fracDigits;
  if (p < n && text[p] == '.') {
    hasPoint = true;
    const std::size_t fracStart = ++p;
    while (p < n && IsDigit(text[p])) ++p;
    fracDigits = text.substr(fracStart, p - fracStart);
  }
  // A digit or the point must stand before the exponent.
  if (intDigits.empty() && !hasPoint) return false;

  int exponent = 0;
  bool negativeExponent = false;
  if (p < n && text[p] == 'E') {
    ++p;
    if (p < n && (text[p] == '+' || text[p] == '-')) {
      negativeExponent = text[p] == '-';
      ++p;
    }
    while (p < n && IsDigit(text[p])) {
      if (exponent >= kExponentDigitLimit) return false;
      exponent = exponent * 10 + (text[p] - '0');
      ++p;
    }
  }
  while (p < n && text[p] == ' ') ++p;
  if (p != n) return false;

  // The decimal number in the fixed form that std::from_chars reads,
  // independent of any locale.
  std::string normal;
  normal.reserve(intDigits.size() + fracDigits.size() + 8);
  if (intDigits.empty()) {
    normal += '0';
  } else {
    normal += intDigits;
  }
  if (!fracDigits.empty()) {
    normal += '.';
    normal += fracDigits;
  }
  normal += 'e';
  if (negativeExponent) normal += '-';
  normal += std::to_string(exponent);

  double result = 0.0;
  const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), result);
  if (ec == std::errc() && end == normal.data() + normal.size()) {
    value = result;
    return true;
  }
  if (ec != std::errc::result_out_of_range) return false;

  // Out of range is either beyond the largest double (invalid) or below the
  // smallest subnormal (read as 0). The decimal position of the first
  // non-zero digit tells which: a number of at least 1 cannot underflow.
  long magnitude = 0;
  bool found = false;
  for (std::size_t k = 0; k < intDigits.size() && !found; ++k) {
    if (intDigits[k] != '0') {
      magnitude = static_cast<long>(intDigits.size() - k) - 1;
      found = true;
    }
  }
  for (std::size_t k = 0; k < fracDigits.size() && !found; ++k) {
    if (fracDigits[k] != '0') {
      magnitude = -static_cast<long>(k) - 1;
      found = true;
    }
  }
  magnitude += negativeExponent ? -exponent : exponent;
  if (found && magnitude >= 0) {
    if (!IsRoundedLargestDouble(intDigits, fracDigits, magnitude)) return false;
    value = std::numeric_limits<double>::max();
    return true;
  }
  value = 0.0;
  return true;
}

}  // namespace veltaro
