#include "Functions.h"

#include <cmath>
#include <numbers>

#include "Trig.h"

namespace veltaro {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTrigLimit = 9223372036854775808.0L;  // 2^63
constexpr TComplex kI{0.0, 1.0};
constexpr TComplex kMinusI{0.0, -1.0};
constexpr TComplex kHalf{0.5, 0.0};

// A real angle of a sine or cosine in radians: converted from degrees in
// degree mode and rounded to double.
bool RealAngle(double x, long double& radians) {
  double angle = x;
  if (DegMode) {
    if (!StoreDouble(kPi * static_cast<long double>(x) / 180.0L, angle)) return false;
  }
  radians = angle;
  return true;
}

// e^(iz) and e^(-iz), the two exponentials behind the sine and cosine of a
// non-real argument.
bool ExpPair(TComplex z, TComplex& e1, TComplex& e2) {
  TComplex t;
  if (!ComplexMultiply(kI, z, t) || !ComplexExp(t, e1)) return false;
  if (!ComplexMultiply(kMinusI, z, t) || !ComplexExp(t, e2)) return false;
  return true;
}

bool Finish(TComplex v, TComplex& r) {
  SnapComplex(v);
  r = v;
  return true;
}

}  // namespace

bool ComplexSqrt(TComplex z, TComplex& r) { return ComplexPower(z, kHalf, r); }

bool ComplexLog(TComplex z, TComplex& r) {
  TComplex c;
  if (!StoreDouble(std::log(10.0L), c.re)) return false;
  TComplex l;
  if (!ComplexLn(z, l)) return false;
  return ComplexDivide(l, c, r);
}

bool ComplexLg(TComplex base, TComplex x, TComplex& r) {
  TComplex lb, lx;
  if (!ComplexLn(base, lb)) return false;
  if (!ComplexLn(x, lx)) return false;
  return ComplexDivide(lx, lb, r);
}

bool ComplexSin(TComplex z, TComplex& r) {
  if (z.im == 0.0) {
    long double x;
    if (!RealAngle(z.re, x)) return false;
    const long double s = std::fabs(x) < kTrigLimit ? Sine(x) : 0.0L;
    TComplex v;
    if (!StoreDouble(s, v.re)) return false;
    return Finish(v, r);
  }
  TComplex e1, e2;
  if (!ExpPair(z, e1, e2)) return false;
  TComplex d;
  if (!StoreDouble(GuardedDifference(e1.re, e2.re), d.re)) return false;
  if (!StoreDouble(GuardedDifference(e1.im, e2.im), d.im)) return false;
  TComplex v;
  if (!ComplexMultiply(d, TComplex{0.0, -0.5}, v)) return false;
  return Finish(v, r);
}

bool ComplexCos(TComplex z, TComplex& r) {
  if (z.im == 0.0) {
    long double x;
    if (!RealAngle(z.re, x)) return false;
    const long double c = std::fabs(x) < kTrigLimit ? Cosine(x) : 0.0L;
    TComplex v;
    if (!StoreDouble(c, v.re)) return false;
    return Finish(v, r);
  }
  TComplex e1, e2, s;
  if (!ExpPair(z, e1, e2)) return false;
  if (!ComplexPlainSum(e1, e2, s)) return false;
  TComplex v;
  if (!ComplexMultiply(s, kHalf, v)) return false;
  return Finish(v, r);
}

bool ComplexTan(TComplex z, TComplex& r) {
  TComplex s, c;
  if (!ComplexSin(z, s) || !ComplexCos(z, c)) return false;
  if (ComplexModulus(c) == 0.0L) {
    r = TComplex{};
    return false;
  }
  TComplex v;
  if (!ComplexDivide(s, c, v)) return false;
  return Finish(v, r);
}

bool ComplexCot(TComplex z, TComplex& r) {
  TComplex c, s;
  if (!ComplexCos(z, c) || !ComplexSin(z, s)) return false;
  if (ComplexModulus(s) == 0.0L) {
    r = TComplex{};
    return false;
  }
  TComplex v;
  if (!ComplexDivide(c, s, v)) return false;
  return Finish(v, r);
}

namespace {

// sqrt(1 - z^2), shared by the inverse sine and cosine.
bool RootOfOneMinusSquare(TComplex z, TComplex& t) {
  TComplex sq;
  if (!ComplexMultiply(z, z, sq)) return false;
  TComplex d;
  if (!StoreDouble(1.0L - sq.re, d.re)) return false;
  d.im = -sq.im;
  return ComplexPower(d, kHalf, t);
}

}  // namespace

bool ComplexArcSin(TComplex z, TComplex& r) {
  TComplex t, u;
  if (!RootOfOneMinusSquare(z, t)) return false;
  if (!ComplexMultiply(kI, z, u)) return false;
  if (!ComplexPlainSum(t, u, t)) return false;
  if (!ComplexLn(t, t)) return false;
  return ComplexMultiply(t, kMinusI, r);
}

bool ComplexArcCos(TComplex z, TComplex& r) {
  TComplex t;
  if (!RootOfOneMinusSquare(z, t)) return false;
  if (!ComplexMultiply(t, kI, t)) return false;
  if (!ComplexPlainSum(t, z, t)) return false;
  if (!ComplexLn(t, t)) return false;
  return ComplexMultiply(t, kMinusI, r);
}

bool ComplexArcTan(TComplex z, TComplex& r) {
  if (z.im == 0.0) {
    TComplex v;
    if (!StoreDouble(std::atan(static_cast<long double>(z.re)), v.re)) return false;
    if (DegMode && !StoreDouble(static_cast<long double>(v.re) / kPi * 180.0L, v.re)) return false;
    r = v;
    return true;
  }
  TComplex t, a, b, d;
  if (!ComplexMultiply(kI, z, t)) return false;
  if (!StoreDouble(1.0L + t.re, a.re) || !StoreDouble(1.0L - t.re, b.re)) return false;
  a.im = t.im;
  b.im = -t.im;
  if (!ComplexLn(a, a) || !ComplexLn(b, b)) return false;
  if (!ComplexPlainDifference(a, b, d)) return false;
  return ComplexDivide(d, TComplex{0.0, 2.0}, r);
}

bool ComplexArcCot(TComplex z, TComplex& r) {
  TComplex v;
  if (!ComplexArcTan(z, v)) return false;
  const long double rightAngle = DegMode ? 90.0L : kPi / 2;
  if (!StoreDouble(rightAngle - v.re, v.re)) return false;
  v.im = -v.im;
  r = v;
  return true;
}

namespace {

// e^z and e^-z, the two exponentials behind the hyperbolic functions.
bool ExpBoth(TComplex z, TComplex& e1, TComplex& e2) {
  return ComplexExp(z, e1) && ComplexExp(TComplex{-z.re, -z.im}, e2);
}

bool HalfOf(long double re, long double im, TComplex& r) {
  // The plain sum or difference is rounded to double before it is halved.
  TComplex v;
  if (!StoreDouble(re, v.re) || !StoreDouble(im, v.im)) return false;
  if (!StoreDouble(static_cast<long double>(v.re) * 0.5L, v.re) ||
      !StoreDouble(static_cast<long double>(v.im) * 0.5L, v.im)) {
    return false;
  }
  r = v;
  return true;
}

}  // namespace

bool ComplexSinh(TComplex z, TComplex& r) {
  TComplex e1, e2;
  if (!ExpBoth(z, e1, e2)) return false;
  return HalfOf(static_cast<long double>(e1.re) - e2.re, static_cast<long double>(e1.im) - e2.im, r);
}

bool ComplexCosh(TComplex z, TComplex& r) {
  TComplex e1, e2;
  if (!ExpBoth(z, e1, e2)) return false;
  return HalfOf(static_cast<long double>(e1.re) + e2.re, static_cast<long double>(e1.im) + e2.im, r);
}

bool ComplexTanh(TComplex z, TComplex& r) {
  TComplex s, c;
  if (!ComplexSinh(z, s) || !ComplexCosh(z, c)) return false;
  return ComplexDivide(s, c, r);
}

bool ComplexCoth(TComplex z, TComplex& r) {
  TComplex c, s;
  if (!ComplexCosh(z, c) || !ComplexSinh(z, s)) return false;
  return ComplexDivide(c, s, r);
}

namespace {

// ln(z + sqrt(z^2 + shift)), shared by the inverse hyperbolic sine (+1) and
// cosine (-1).
bool LnOfZPlusRoot(TComplex z, long double shift, TComplex& r) {
  TComplex t;
  if (!ComplexMultiply(z, z, t)) return false;
  if (!StoreDouble(static_cast<long double>(t.re) + shift, t.re)) return false;
  if (!ComplexPower(t, kHalf, t)) return false;
  if (!ComplexPlainSum(t, z, t)) return false;
  return ComplexLn(t, r);
}

// 1/2 ln(a / b).
bool HalfLnOfQuotient(TComplex a, TComplex b, TComplex& r) {
  TComplex q;
  if (!ComplexDivide(a, b, q) || !ComplexLn(q, q)) return false;
  TComplex v;
  if (!StoreDouble(0.5L * q.re, v.re) || !StoreDouble(0.5L * q.im, v.im)) return false;
  r = v;
  return true;
}

}  // namespace

bool ComplexArSinh(TComplex z, TComplex& r) { return LnOfZPlusRoot(z, 1.0L, r); }

bool ComplexArCosh(TComplex z, TComplex& r) { return LnOfZPlusRoot(z, -1.0L, r); }

bool ComplexArTanh(TComplex z, TComplex& r) {
  TComplex a, b;
  if (!StoreDouble(1.0L + z.re, a.re) || !StoreDouble(1.0L - z.re, b.re)) return false;
  a.im = z.im;
  b.im = -z.im;
  return HalfLnOfQuotient(a, b, r);
}

bool ComplexArCoth(TComplex z, TComplex& r) {
  TComplex a, b;
  if (!StoreDouble(static_cast<long double>(z.re) + 1.0L, a.re) ||
      !StoreDouble(static_cast<long double>(z.re) - 1.0L, b.re)) {
    return false;
  }
  a.im = z.im;
  b.im = z.im;
  return HalfLnOfQuotient(a, b, r);
}

bool ComplexUnitStep(TComplex z, TComplex& r) {
  if (z.re > 0.0) {
    r = TComplex{1.0, 0.0};
  } else if (z.re == 0.0) {
    r = TComplex{0.5, 0.0};
  } else {
    r = TComplex{};
  }
  return true;
}

}  // namespace veltaro
