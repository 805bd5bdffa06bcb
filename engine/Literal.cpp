// Number literals of terms: blanks, digits, an optional decimal point with
// digits, an optional exponent after an upper-case E, blanks.
#include <charconv>
#include <cstddef>
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
  if (found && magnitude >= 0) return false;
  value = 0.0;
  return true;
}

}  // namespace veltaro
