#include "Format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace veltaro {

namespace {

constexpr int kSignificantDigits = 15;

// The first significant digits of |x| (x finite, non-zero), truncated, and the
// decimal exponent e with |x| = 0.d1d2... * 10^e.
struct TDecimal {
  char digits[kSignificantDigits + 1];
  int exponent;
};

// Writes |x| in scientific notation with the given number of digits after
// the point, correctly rounded, and splits it into digits and exponent.
// Returns the count of digits.
int ScientificDigits(double x, int precision, char* digits, int& exponent) {
  char buf[1100];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, precision);
  const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t ePos = text.find('e');
  int count = 0;
  for (std::size_t i = 0; i < ePos; ++i) {
    if (text[i] != '.') digits[count++] = text[i];
  }
  int e10 = 0;
  std::from_chars(text.data() + ePos + 1 + (text[ePos + 1] == '+' ? 1 : 0), text.data() + text.size(), e10);
  exponent = e10 + 1;
  return count;
}

// |x| rounded to 15 significant digits, a sixteenth digit of 5 or more
// rounding up, judged on the exact decimal value of the double.
TDecimal RoundTo15(double x) {
  // 25 correctly rounded digits decide the sixteenth exact digit unless the
  // digits after it are all nines (a carry may have reached it); then the
  // full exact expansion (at most 767 significant digits) is used.
  char digits[800];
  int exponent = 0;
  int count = ScientificDigits(x, 24, digits, exponent);
  bool allNines = true;
  for (int i = kSignificantDigits + 1; i < count; ++i) {
    if (digits[i] != '9') {
      allNines = false;
      break;
    }
  }
  if (allNines) count = ScientificDigits(x, 780, digits, exponent);

  TDecimal d{};
  for (int i = 0; i < kSignificantDigits; ++i) d.digits[i] = digits[i];
  d.exponent = exponent;
  if (digits[kSignificantDigits] >= '5') {
    int i = kSignificantDigits - 1;
    while (i >= 0 && d.digits[i] == '9') {
      d.digits[i] = '0';
      --i;
    }
    if (i >= 0) {
      ++d.digits[i];
    } else {
      // 9.99...9 became 10.00...0: one digit more in front.
      d.digits[0] = '1';
      for (int k = 1; k < kSignificantDigits; ++k) d.digits[k] = '0';
      ++d.exponent;
    }
  }
  return d;
}

}  // namespace

std::string FormatReal(double x) {
  if (x == 0.0 || !std::isfinite(x)) return "0";
  const TDecimal d = RoundTo15(x);
  int k = kSignificantDigits;
  while (k > 1 && d.digits[k - 1] == '0') --k;
  const std::string_view digits(d.digits, static_cast<std::size_t>(k));
  const int e = d.exponent;

  std::string s;
  if (x < 0) s += '-';
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      s += "0.";
      s.append(static_cast<std::size_t>(-e), '0');
      s += digits;
    } else if (k <= e) {
      s += digits;
      s.append(static_cast<std::size_t>(e - k), '0');
    } else {
      s += digits.substr(0, static_cast<std::size_t>(e));
      s += '.';
      s += digits.substr(static_cast<std::size_t>(e));
    }
  } else {
    s += digits[0];
    if (k > 1) {
      s += '.';
      s += digits.substr(1);
    }
    s += 'E';
    const int power = e - 1;
    if (power < 0) s += '-';
    s += std::to_string(std::abs(power));
  }
  return s;
}

std::string FormatComplexWith(TComplex z, TPartFormatter F) {
  std::string s;
  if (z.re != 0.0 || z.im == 0.0) s = F(z.re);
  if (z.im > 0.0) {
    if (z.re != 0.0) s += '+';
    if (z.im == 1.0) {
      s += 'i';
    } else {
      s += F(z.im);
      s += "*i";
    }
  } else if (z.im < 0.0) {
    if (z.im == -1.0) {
      s += "-i";
    } else {
      s += F(z.im);
      s += "*i";
    }
  }
  return s;
}

std::string FormatComplex(TComplex z) { return FormatComplexWith(z, FormatReal); }

}  // namespace veltaro
