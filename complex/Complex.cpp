#include "Complex.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>

#include <quadmath.h>

#include "Angle.h"
#include "PowerAngle.h"
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

// a*b + sign*c*d of doubles with the guard of the snapping rules: a product
// smaller than the other by more than the threshold is dropped. A single
// product is the double product, rounded once; two products are combined
// exactly in 113 bits before their one rounding.
wide::Quad GuardedProducts(double a, double b, double sign, double c, double d) {
  using wide::Quad;
  if (c == 0.0 || d == 0.0) return static_cast<Quad>(a) * static_cast<Quad>(b);
  if (a == 0.0 || b == 0.0) return sign * (static_cast<Quad>(c) * static_cast<Quad>(d));
  const long double p = static_cast<long double>(a) * b;
  const long double q = static_cast<long double>(c) * d;
  if (std::fabs(p / q) < kSnapEpsilon) return sign * (static_cast<Quad>(c) * static_cast<Quad>(d));
  if (std::fabs(q / p) < kSnapEpsilon) return static_cast<Quad>(a) * static_cast<Quad>(b);
  return static_cast<Quad>(a) * static_cast<Quad>(b) + sign * (static_cast<Quad>(c) * static_cast<Quad>(d));
}

// Stores a wide pair; false when either part does not fit a double.
bool StoreWide(wide::Quad re, wide::Quad im, TComplex& r) {
  TComplex out;
  if (!wide::StoreQuad(re, out.re) || !wide::StoreQuad(im, out.im)) return false;
  r = out;
  return true;
}

// The principal square root of x + iy in 113 bits: a real part of at
// least 0, and +i times the root of |x| for a negative real number.
bool PrincipalSqrt(double x, double y, TComplex& out) {
  using wide::Quad;
  const Quad qx = x, qy = y;
  if (y == 0.0) return x >= 0.0 ? StoreWide(sqrtq(qx), 0, out) : StoreWide(0, sqrtq(-qx), out);
  const Quad m = sqrtq(qx * qx + qy * qy);
  if (x > 0.0) {
    const Quad re = sqrtq((m + qx) / 2);
    return StoreWide(re, qy / (2 * re), out);
  }
  const Quad t = sqrtq((m - qx) / 2);
  return StoreWide(fabsq(qy) / (2 * t), y > 0.0 ? t : -t, out);
}

// Integer exponents up to this magnitude are taken by repeated squaring.
constexpr double kSquaringLimit = 1048576.0;  // 2^20

bool IsSquaringExponent(double w) { return std::fabs(w) <= kSquaringLimit && std::nearbyint(w) == w; }

// b^n by repeated squaring in 113 bits: exact while the powers fit, and
// otherwise off by far less than the last bit of a double.
wide::Quad IntegerPower(double b, double n) {
  unsigned long k = static_cast<unsigned long>(std::fabs(n));
  wide::Quad result = 1;
  wide::Quad square = b;
  while (k != 0) {
    if ((k & 1UL) != 0) result *= square;
    k >>= 1;
    if (k != 0) square *= square;
  }
  if (n < 0.0) result = 1 / result;
  return result;
}

// (x + iy)^n by repeated squaring in 113 bits, for |n| ln|x + iy| well
// inside the range of the wide format: every part exact to far below the
// last bit of a double, however small against the modulus.
bool ComplexIntegerPower(TComplex b, double n, wide::Quad& re, wide::Quad& im) {
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
  re = rr;
  im = ri;
  return true;
}

// The argument of a base as pi times a multiple of 1/4 (turns of pi), exact,
// plus a remainder of at most pi/4 in 113 bits, taken in a frame turned by
// that multiple so that a remainder next to 0 keeps its digits. On an axis
// or a diagonal the remainder is 0.
struct TBaseAngle {
  long double turns = 0.0L;
  wide::Quad rest = 0;
};

TBaseAngle BaseAngle(TComplex b) {
  TBaseAngle a;
  const double ax = std::fabs(b.re), ay = std::fabs(b.im);
  if (b.im == 0.0 || b.re == 0.0 || ax == ay) {
    const long double sign = b.im > 0.0 ? 1.0L : -1.0L;
    if (b.im == 0.0) {
      a.turns = b.re > 0.0 ? 0.0L : 1.0L;
    } else if (b.re == 0.0) {
      a.turns = sign * 0.5L;
    } else {
      a.turns = sign * (b.re > 0.0 ? 0.25L : 0.75L);
    }
    return a;
  }
  double x, y;  // b turned by -turns * pi, exactly
  if (ay < ax) {
    if (b.re > 0.0) {
      x = b.re, y = b.im;
    } else {
      a.turns = b.im > 0.0 ? 1.0L : -1.0L;
      x = -b.re, y = -b.im;
    }
  } else if (b.im > 0.0) {
    a.turns = 0.5L;
    x = b.im, y = -b.re;
  } else {
    a.turns = -0.5L;
    x = -b.im, y = b.re;
  }
  a.rest = wide::ArgumentWide(x, y);
  return a;
}

// e^t of a 113-bit exponent: the exponential of its extended part, corrected
// by the part beyond.
long double ExpWide(wide::Quad t) {
  const long double hi = static_cast<long double>(t);
  const long double lo = static_cast<long double>(t - static_cast<wide::Quad>(hi));
  const long double m = std::exp(hi);
  return m + m * lo;
}

// The principal value e^(w ln b), b != 0, with ln b and the angle of the
// result in 113 bits: for a real exponent the degree readings of the
// logarithm and the exponential cancel, so the angle is w arg b in radians
// whatever the mode.
bool GeneralPower(TComplex base, TComplex w, TComplex& out) {
  using wide::Quad;
  const TBaseAngle arg = BaseAngle(base);
  long double c = 0.0L, s = 0.0L;
  Quad lnModulus, rest = arg.rest;
  if (w.im == 0.0 && arg.rest == 0) {
    // A real exponent and a base on an axis or a diagonal: the angle is
    // w.re times a multiple of pi/4, exactly.
    lnModulus = wide::LnModulusWide(base.re, base.im);
    wide::CosSinPi(static_cast<long double>(w.re) * arg.turns, c, s);
  } else {
    // The angle in 113 bits first: pi times the exponent's share of whole
    // turns, reduced modulo 2 exactly, the share of the remainder of the
    // argument, and the part that an imaginary exponent adds. Where its
    // rounding could reach the digits of the smaller part of the result
    // (a large exponent, a result next to an axis), it is worked out anew
    // with every bit it needs.
    // An imaginary exponent multiplies ln|b| into the angle: it is needed to
    // the last of 113 bits then; the modulus alone does with 64.
    lnModulus = w.im != 0.0 ? wide::LnModulusQuad(base.re, base.im) : wide::LnModulusWide(base.re, base.im);
    Quad byModulus = static_cast<Quad>(w.im) * lnModulus;
    if (DegMode) byModulus = byModulus * wide::QuadPi() / 180;
    const long double turns = static_cast<long double>(w.re) * arg.turns;
    const long double reduced = std::fabs(turns) < 18446744073709551616.0L ? turns - 2.0L * std::nearbyint(turns / 2.0L)
                                                                          : 0.0L;
    const Quad byTurns = static_cast<Quad>(reduced) * wide::QuadPi();
    const Quad byRest = static_cast<Quad>(w.re) * arg.rest;
    const angle::TReduced quick = angle::ReduceRadiansWide(byTurns + byRest + byModulus);
    // Bound of the rounding: a few units in the last of 113 bits of each
    // part; the remainder must stand 2^64 above it.
    const Quad rounding = ldexpq(fabsq(byTurns) + fabsq(byRest) + fabsq(byModulus), -106);
    if (ldexpq(rounding, 64) < fabsq(quick.rest)) {
      angle::CosSin(quick, c, s);
    } else {
      angle::TPowerBase b;
      b.u = std::max(std::fabs(base.re), std::fabs(base.im));
      b.v = std::min(std::fabs(base.re), std::fabs(base.im));
      b.turns = arg.turns;
      b.restSign = arg.rest > 0 ? 1 : arg.rest < 0 ? -1 : 0;
      const angle::TPowerAngle a = angle::PowerAngle(b, w, DegMode);
      lnModulus = a.lnModulus;
      // The remainder of the argument is worked out only where the angle
      // needs it (w.re != 0); the modulus does with the 113 bits of atan2.
      if (b.restSign != 0 && w.re != 0.0) rest = a.rest;
      angle::CosSin(a.angle, c, s);
    }
  }
  const Quad argInMode = DegMode ? static_cast<Quad>(arg.turns * 180.0L) + rest * 180 / wide::QuadPi()
                                 : static_cast<Quad>(arg.turns) * wide::QuadPi() + rest;
  // The real part of w ln b, with the imaginary part of ln b in the current
  // unit: its exponential is the modulus of the result. It may lie far
  // beyond the double range; only the result has to fit.
  const Quad tRe = static_cast<Quad>(w.re) * lnModulus - static_cast<Quad>(w.im) * argInMode;
  const long double m = ExpWide(tRe);
  if (!Finite(m)) return false;
  return StoreComplex(c == 0.0L ? 0.0L : m * c, s == 0.0L ? 0.0L : m * s, out);
}

}  // namespace

bool ComplexMultiply(TComplex a, TComplex b, TComplex& r) {
  TComplex out;
  if (!StoreWide(GuardedProducts(a.re, b.re, -1.0, a.im, b.im), GuardedProducts(a.re, b.im, 1.0, a.im, b.re), out)) {
    return false;
  }
  SnapComplex(out);
  r = out;
  return true;
}

bool ComplexDivide(TComplex a, TComplex b, TComplex& r) {
  if (ComplexModulus(b) == 0.0L) {
    r = TComplex{};
    return false;
  }
  using wide::Quad;
  TComplex out;
  if (b.im == 0.0) {
    if (!StoreWide(static_cast<Quad>(a.re) / b.re, static_cast<Quad>(a.im) / b.re, out)) return false;
  } else if (b.re == 0.0) {
    if (!StoreWide(static_cast<Quad>(a.im) / b.im, -static_cast<Quad>(a.re) / b.im, out)) return false;
  } else {
    const Quad d = GuardedProducts(b.re, b.re, 1.0, b.im, b.im);
    if (!StoreWide(GuardedProducts(a.re, b.re, 1.0, a.im, b.im) / d, GuardedProducts(a.im, b.re, -1.0, a.re, b.im) / d,
                   out)) {
      return false;
    }
  }
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
  const long double m = std::exp(static_cast<long double>(z.re));
  if (!Finite(m)) return false;
  long double c, s;
  angle::CosSin(angle::ReduceInMode(z.im), c, s);
  TComplex out;
  if (!StoreComplex(c == 0.0L ? 0.0L : m * c, s == 0.0L ? 0.0L : m * s, out)) return false;
  SnapComplex(out);
  r = out;
  return true;
}

bool ComplexPower(TComplex base, TComplex exponent, TComplex& r) {
  if (base.re == 0.0 && base.im == 0.0) {
    // 0^w = e^(w ln 0): 1 for w = 0, 0 when the real part of w is positive,
    // and no value otherwise (0^(-1) divides by 0).
    if (exponent.re == 0.0 && exponent.im == 0.0) {
      r = TComplex{1.0, 0.0};
      return true;
    }
    r = TComplex{};
    return exponent.re > 0.0;
  }
  // The double nearest e stands for e itself: e^w is the exponential.
  if (base.re == std::numbers::e && base.im == 0.0) return ComplexExp(exponent, r);
  TComplex out;
  if (exponent.im == 0.0 && exponent.re == 0.5) {
    if (!PrincipalSqrt(base.re, base.im, out)) return false;
  } else if (exponent.im == 0.0 && base.im == 0.0 && IsSquaringExponent(exponent.re)) {
    if (!StoreWide(IntegerPower(base.re, exponent.re), 0, out)) return false;
  } else if (exponent.im == 0.0 && base.re == 0.0 && IsSquaringExponent(exponent.re)) {
    // (iy)^n = y^n i^n.
    const wide::Quad p = IntegerPower(base.im, exponent.re);
    const int quarter = static_cast<int>(std::fmod(exponent.re, 4.0) + 4.0) % 4;
    const wide::Quad unitRe[] = {1, 0, -1, 0}, unitIm[] = {0, 1, 0, -1};
    if (!StoreWide(p * unitRe[quarter], p * unitIm[quarter], out)) return false;
  } else if (wide::Quad re, im; exponent.im == 0.0 && IsSquaringExponent(exponent.re) &&
                                ComplexIntegerPower(base, exponent.re, re, im)) {
    if (!StoreWide(re, im, out)) return false;
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
