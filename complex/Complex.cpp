#include "Complex.h"

#include <cfloat>
#include <cmath>
#include <numbers>

#include "Trig.h"
#include "Wide.h"

namespace veltaro {

bool DegMode = false;

namespace {

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

long double ComplexArgument(TComplex z) { return wide::AngleInMode(wide::Argument(z.re, z.im)); }

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

namespace {

// The guarded difference a*b - c*d of two products of doubles: a product
// smaller than the other by more than the snapping threshold is dropped;
// otherwise the difference is exact up to its one rounding.
long double GuardedProductDifference(double a, double b, double c, double d) {
  const long double p = static_cast<long double>(a) * b;
  const long double q = static_cast<long double>(c) * d;
  if (p != 0.0L && q != 0.0L) {
    if (std::fabs(p / q) < kSnapEpsilon) return -q;
    if (std::fabs(q / p) < kSnapEpsilon) return p;
  }
  return wide::DifferenceOfProducts(a, b, c, d);
}

// The guarded sum a*b + c*d, in the same way.
long double GuardedProductSum(double a, double b, double c, double d) {
  const long double p = static_cast<long double>(a) * b;
  const long double q = static_cast<long double>(c) * d;
  if (p != 0.0L && q != 0.0L) {
    if (std::fabs(p / q) < kSnapEpsilon) return q;
    if (std::fabs(q / p) < kSnapEpsilon) return p;
  }
  return wide::SumOfProducts(a, b, c, d);
}

// The principal square root of x + iy: a real part of at least 0, and +i
// times the root of |x| for a negative real number.
void PrincipalSqrt(double x, double y, long double& re, long double& im) {
  const long double lx = x, ly = y;
  if (y == 0.0) {
    if (x >= 0.0) {
      re = std::sqrt(lx);
      im = 0.0L;
    } else {
      re = 0.0L;
      im = std::sqrt(-lx);
    }
    return;
  }
  const long double m = std::sqrt(lx * lx + ly * ly);
  if (x > 0.0) {
    re = std::sqrt((m + lx) / 2.0L);
    im = ly / (2.0L * re);
  } else {
    const long double t = std::sqrt((m - lx) / 2.0L);
    re = std::fabs(ly) / (2.0L * t);
    im = y > 0.0 ? t : -t;
  }
}

// Integer exponents up to this magnitude are taken by repeated squaring.
constexpr double kSquaringLimit = 1048576.0;  // 2^20

bool IsSquaringExponent(double w) { return std::fabs(w) <= kSquaringLimit && std::nearbyint(w) == w; }

// b^n by repeated squaring in 113 bits: exact while the powers fit, and
// otherwise off by far less than the last bit of a double.
long double IntegerPower(double b, double n) {
  unsigned long k = static_cast<unsigned long>(std::fabs(n));
  wide::Quad result = 1;
  wide::Quad square = b;
  while (k != 0) {
    if ((k & 1UL) != 0) result *= square;
    k >>= 1;
    if (k != 0) square *= square;
  }
  if (n < 0.0) result = 1 / result;
  return static_cast<long double>(result);
}

// (x + iy)^n by repeated squaring in 113 bits, for |n| ln|x + iy| well
// inside the range of the wide format: every part exact to far below the
// last bit of a double, however small against the modulus.
bool ComplexIntegerPower(TComplex b, double n, long double& re, long double& im) {
  const long double log2Modulus = std::log2(ComplexModulus(b));
  if (std::fabs(log2Modulus * n) > 16000.0L) return false;
  using wide::Quad;
  unsigned long k = static_cast<unsigned long>(std::fabs(n));
  Quad rr = 1, ri = 0, sr = b.re, si = b.im;
  while (k != 0) {
    if ((k & 1UL) != 0) {
      const Quad t = rr * sr - ri * si;
      ri = rr * si + ri * sr;
      rr = t;
    }
    k >>= 1;
    if (k != 0) {
      const Quad t = sr * sr - si * si;
      si = 2 * sr * si;
      sr = t;
    }
  }
  if (n < 0.0) {
    const Quad d = rr * rr + ri * ri;
    rr = rr / d;
    ri = -ri / d;
  }
  re = static_cast<long double>(rr);
  im = static_cast<long double>(ri);
  return true;
}

// The angle of the result in units of pi, exactly, where the base lies on
// an axis or a diagonal and the exponent is real: its argument is then a
// multiple of pi/4.
bool AngleInTurnsOfPi(TComplex base, TComplex w, long double& turns) {
  if (w.im != 0.0) return false;
  const long double sign = base.im > 0.0 ? 1.0L : -1.0L;
  if (base.im == 0.0) {
    turns = base.re > 0.0 ? 0.0L : static_cast<long double>(w.re);
  } else if (base.re == 0.0) {
    turns = sign * 0.5L * w.re;
  } else if (std::fabs(base.re) == std::fabs(base.im)) {
    turns = sign * (base.re > 0.0 ? 0.25L : 0.75L) * w.re;
  } else {
    return false;
  }
  return true;
}

// e^t of a 113-bit exponent: the exponential of its extended part, corrected
// by the part beyond.
long double ExpWide(wide::Quad t) {
  const long double hi = static_cast<long double>(t);
  const long double lo = static_cast<long double>(t - static_cast<wide::Quad>(hi));
  const long double m = std::exp(hi);
  return m + m * lo;
}

bool Storable(long double v) {
  double d;
  return StoreDouble(v, d);
}

// The principal value e^(w ln b), b != 0: ln |b| kept in 113 bits, the
// angle of the result taken in radians whatever the mode (for a real
// exponent the degree readings of the logarithm and the exponential cancel).
bool GeneralPower(TComplex base, TComplex w, TComplex& out) {
  using wide::Quad;
  const Quad lnModulus = wide::LnModulusWide(base.re, base.im);
  const long double arg = wide::Argument(base.re, base.im);
  const long double argInMode = wide::AngleInMode(arg);
  // w * ln b with the imaginary part of ln b in the current unit: the value
  // that is stored between the logarithm and the exponential.
  const Quad tRe = static_cast<Quad>(w.re) * lnModulus - static_cast<Quad>(w.im) * static_cast<Quad>(argInMode);
  const long double tImInMode =
      static_cast<long double>(w.re) * argInMode + static_cast<long double>(static_cast<Quad>(w.im) * lnModulus);
  if (!Storable(static_cast<long double>(tRe)) || !Storable(tImInMode)) return false;

  long double c = 0.0L, s = 0.0L;
  long double turns;
  if (AngleInTurnsOfPi(base, w, turns)) {
    if (std::fabs(turns * wide::kPi) < wide::kTrigLimit) wide::CosSinPi(turns, c, s);
  } else {
    long double angle = static_cast<long double>(w.re) * arg;
    if (w.im != 0.0) {
      const Quad byModulus = static_cast<Quad>(w.im) * lnModulus;
      angle += DegMode ? static_cast<long double>(byModulus * wide::QuadPi() / 180) : static_cast<long double>(byModulus);
    }
    if (std::fabs(angle) < wide::kTrigLimit) {
      c = Cosine(angle);
      s = Sine(angle);
    }
  }
  const long double m = ExpWide(tRe);
  if (!Finite(m)) return false;
  return StoreComplex(m * c, m * s, out);
}

}  // namespace

bool ComplexMultiply(TComplex a, TComplex b, TComplex& r) {
  const long double re = GuardedProductDifference(a.re, b.re, a.im, b.im);
  const long double im = GuardedProductSum(a.re, b.im, a.im, b.re);
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
  const long double br = b.re, bi = b.im;
  const long double d = GuardedSum(br * br, bi * bi);
  const long double re = GuardedProductSum(a.re, b.re, a.im, b.im) / d;
  const long double im = GuardedProductDifference(a.im, b.re, a.re, b.im) / d;
  TComplex out;
  if (!StoreComplex(re, im, out)) return false;
  SnapComplex(out);
  r = out;
  return true;
}

bool ComplexLn(TComplex z, TComplex& r) {
  if (ComplexModulus(z) == 0.0L) {
    r = TComplex{};
    return false;
  }
  TComplex out;
  if (!StoreComplex(wide::LnModulus(z.re, z.im), ComplexArgument(z), out)) return false;
  SnapComplex(out);
  r = out;
  return true;
}

bool ComplexExp(TComplex z, TComplex& r) {
  double y;
  if (!wide::AngleFromMode(z.im, y)) return false;
  const long double m = std::exp(static_cast<long double>(z.re));
  if (!Finite(m)) return false;
  long double c = 0.0L, s = 0.0L;
  if (std::fabs(static_cast<long double>(y)) < wide::kTrigLimit) {
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
  TComplex out;
  if (exponent.im == 0.0 && exponent.re == 0.5) {
    long double re, im;
    PrincipalSqrt(base.re, base.im, re, im);
    if (!StoreComplex(re, im, out)) return false;
  } else if (exponent.im == 0.0 && base.im == 0.0 && IsSquaringExponent(exponent.re)) {
    if (!StoreComplex(IntegerPower(base.re, exponent.re), 0.0L, out)) return false;
  } else if (long double re, im; exponent.im == 0.0 && IsSquaringExponent(exponent.re) &&
                                  ComplexIntegerPower(base, exponent.re, re, im)) {
    if (!StoreComplex(re, im, out)) return false;
  } else if (!GeneralPower(base, exponent, out)) {
    return false;
  }
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
