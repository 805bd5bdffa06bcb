#include "Complex.h"

#include <cfloat>
#include <cmath>
#include <numbers>

#include "Trig.h"

namespace veltaro {

bool DegMode = false;

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kHalfPi = kPi / 2;
// |y| >= 2^63 is beyond the range in which the sine and cosine are computed;
// both are taken as 0 there.
constexpr long double kTrigLimit = 9223372036854775808.0L;

bool Finite(long double v) { return std::isfinite(v); }

// Stores both components; false when either does not fit a double.
bool StoreComplex(long double re, long double im, TComplex& r) {
  TComplex out;
  if (!StoreDouble(re, out.re) || !StoreDouble(im, out.im)) return false;
  r = out;
  return true;
}

}  // namespace

bool StoreDouble(long double v, double& out) {
  if (!Finite(v)) return false;
  const double d = static_cast<double>(v);
  if (!std::isfinite(d)) return false;
  out = d;
  return true;
}

long double ComplexModulus(TComplex z) {
  const long double re = z.re;
  const long double im = z.im;
  return std::sqrt(re * re + im * im);
}

long double ComplexArgument(TComplex z) {
  long double result;
  if (z.re == 0.0) {
    if (z.im > 0.0) {
      result = kHalfPi;
    } else if (z.im < 0.0) {
      result = -kHalfPi;
    } else {
      result = 0.0L;
    }
  } else {
    const long double q = static_cast<long double>(z.im) / static_cast<long double>(z.re);
    result = std::atan(q);
    if (z.re < 0.0) {
      result = z.im >= 0.0 ? result + kPi : result - kPi;
    }
  }
  if (DegMode) result = result / kPi * 180.0L;
  return result;
}

long double GuardedSum(long double a, long double b) {
  long double r = a + b;
  if (a != 0.0L && b != 0.0L) {
    if (std::fabs(a / b) < kSnapEpsilon) {
      r = b;
    } else if (std::fabs(b / a) < kSnapEpsilon) {
      r = a;
    }
  }
  return r;
}

long double GuardedDifference(long double a, long double b) {
  long double r = a - b;
  if (a != 0.0L && b != 0.0L) {
    if (std::fabs(a / b) < kSnapEpsilon) {
      r = -b;
    } else if (std::fabs(b / a) < kSnapEpsilon) {
      r = a;
    }
  }
  return r;
}

void SnapComplex(TComplex& z) {
  long double m = ComplexModulus(z);
  if (!(m > 0.0L)) return;
  if (std::fabs(z.im / m) < kSnapEpsilon) z.im = 0.0;
  m = ComplexModulus(z);
  if (std::fabs(z.re / m) < kSnapEpsilon) z.re = 0.0;
}

bool ComplexMultiply(TComplex a, TComplex b, TComplex& r) {
  const long double ar = a.re, ai = a.im, br = b.re, bi = b.im;
  const long double re = GuardedDifference(ar * br, ai * bi);
  const long double im = GuardedSum(ar * bi, ai * br);
  TComplex out;
  if (!StoreComplex(re, im, out)) return false;
  SnapComplex(out);
  r = out;
  return true;
}

bool ComplexDivide(TComplex a, TComplex b, TComplex& r) {
  if (ComplexModulus(b) == 0.0L) {
    r = TComplex{};
    return false;
  }
  const long double ar = a.re, ai = a.im, br = b.re, bi = b.im;
  const long double d = GuardedSum(br * br, bi * bi);
  const long double re = GuardedSum(ar * br, ai * bi) / d;
  const long double im = GuardedDifference(ai * br, ar * bi) / d;
  TComplex out;
  if (!StoreComplex(re, im, out)) return false;
  SnapComplex(out);
  r = out;
  return true;
}

bool ComplexLn(TComplex z, TComplex& r) {
  const long double m = ComplexModulus(z);
  if (m == 0.0L) {
    r = TComplex{};
    return false;
  }
  TComplex out;
  if (!StoreComplex(std::log(m), ComplexArgument(z), out)) return false;
  SnapComplex(out);
  r = out;
  return true;
}

bool ComplexExp(TComplex z, TComplex& r) {
  double y = z.im;
  if (DegMode) {
    if (!StoreDouble(static_cast<long double>(y) / 180.0L * kPi, y)) return false;
  }
  const long double m = std::exp(static_cast<long double>(z.re));
  if (!Finite(m)) return false;
  long double c = 0.0L, s = 0.0L;
  if (std::fabs(static_cast<long double>(y)) < kTrigLimit) {
    c = Cosine(static_cast<long double>(y));
    s = Sine(static_cast<long double>(y));
  }
  TComplex out;
  if (!StoreComplex(m * c, m * s, out)) return false;
  SnapComplex(out);
  r = out;
  return true;
}

bool ComplexPower(TComplex base, TComplex exponent, TComplex& r) {
  if (ComplexModulus(base) == 0.0L) {
    r = ComplexModulus(exponent) == 0.0L ? TComplex{1.0, 0.0} : TComplex{};
    return true;
  }
  TComplex l, t, out;
  if (!ComplexLn(base, l)) return false;
  if (!ComplexMultiply(exponent, l, t)) return false;
  if (!ComplexExp(t, out)) return false;
  SnapComplex(out);
  r = out;
  return true;
}

bool ComplexPlainSum(TComplex a, TComplex b, TComplex& r) {
  return StoreComplex(static_cast<long double>(a.re) + b.re, static_cast<long double>(a.im) + b.im, r);
}

bool ComplexPlainDifference(TComplex a, TComplex b, TComplex& r) {
  return StoreComplex(static_cast<long double>(a.re) - b.re, static_cast<long double>(a.im) - b.im, r);
}

}  // namespace veltaro
