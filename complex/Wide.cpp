#include "Wide.h"

#include <cmath>

#include <quadmath.h>

#include "Complex.h"

namespace veltaro::wide {

namespace {

// A product of two doubles is exact in 113 bits.
Quad ExactProduct(double a, double b) { return static_cast<Quad>(a) * static_cast<Quad>(b); }

}  // namespace

bool StoreQuad(Quad v, double& out) {
  const double d = static_cast<double>(v);
  if (!std::isfinite(d)) return false;
  out = d;
  return true;
}

long double SquaresMinusOne(double x, double y) {
  Quad big = ExactProduct(x, x), small = ExactProduct(y, y);
  if (small > big) {
    const Quad t = big;
    big = small;
    small = t;
  }
  // big - 1 is exact for big in [1/2, 2], and the one rounding of the sum
  // is then relative to the result however much the terms cancel.
  return static_cast<long double>((big - 1) + small);
}

long double LnModulus(double x, double y) {
  if (y == 0.0) return std::log(std::fabs(static_cast<long double>(x)));
  if (x == 0.0) return std::log(std::fabs(static_cast<long double>(y)));
  const long double s = static_cast<long double>(x) * x + static_cast<long double>(y) * y;
  if (s > 0.5L && s < 2.0L) return 0.5L * std::log1p(SquaresMinusOne(x, y));
  return 0.5L * std::log(s);
}

Quad LnModulusWide(double x, double y) {
  Quad s = ExactProduct(x, x);
  if (y != 0.0) s += ExactProduct(y, y);
  // s = 2^k * m with m in [sqrt(1/2), sqrt(2)): ln s = k ln 2 + ln m, and
  // only ln m carries the rounding of the extended logarithm.
  int k = 0;
  const long double f = std::frexp(static_cast<long double>(s), &k);
  if (f < 0.70710678118654752440L) --k;
  long double mMinusOne;
  if (k == 0) {
    mMinusOne = SquaresMinusOne(x, y);
  } else {
    const Quad m = s * static_cast<Quad>(std::ldexp(1.0L, -k));
    mMinusOne = static_cast<long double>(m - 1);
  }
  const Quad ln = static_cast<Quad>(k) * QuadLn2() + static_cast<Quad>(std::log1p(mMinusOne));
  return ln / 2;
}

Quad LnModulusQuad(double x, double y) {
  Quad big = ExactProduct(x, x), small = ExactProduct(y, y);
  if (small > big) {
    const Quad t = big;
    big = small;
    small = t;
  }
  const Quad s = big + small;
  int k = 0;
  const Quad f = frexpq(s, &k);
  if (f < static_cast<Quad>(0.70710678118654752440L)) --k;
  // s / 2^k - 1 next to 0; for k = 0 with big - 1 exact before the one
  // rounding of the sum.
  const Quad mMinusOne = k == 0 ? (big - 1) + small : ldexpq(s, -k) - 1;
  return (static_cast<Quad>(k) * QuadLn2() + log1pq(mMinusOne)) / 2;
}

long double Argument(long double x, long double y) {
  if (y == 0.0L) return x < 0.0L ? kPi : 0.0L;
  if (x == 0.0L) return y > 0.0L ? kHalfPi : -kHalfPi;
  return std::atan2(y, x);
}

long double AngleInMode(long double radians) { return DegMode ? radians / kPi * 180.0L : radians; }

Quad ArgumentWide(double x, double y) { return atan2q(static_cast<Quad>(y), static_cast<Quad>(x)); }

void CosSinPi(long double w, long double& c, long double& s) {
  // w modulo 2, exactly: every extended value of magnitude 2^64 or more is
  // an even integer.
  long double r = 0.0L;
  if (std::fabs(w) < 18446744073709551616.0L) r = w - 2.0L * std::nearbyint(w / 2.0L);
  // r = n/2 + f with f in [-1/4, 1/4], both exact.
  const long double n = std::nearbyint(2.0L * r);
  const long double f = r - n / 2.0L;
  const long double a = f * kPi;
  const long double ca = std::cos(a), sa = std::sin(a);
  switch ((static_cast<int>(n) % 4 + 4) % 4) {
    case 0: c = ca; s = sa; break;
    case 1: c = -sa; s = ca; break;
    case 2: c = -ca; s = -sa; break;
    default: c = sa; s = -ca; break;
  }
}

}  // namespace veltaro::wide
