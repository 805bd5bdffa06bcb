#include "ReferenceArithmetic.h"

#include <mpc.h>
#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "ReferenceReal.h"

namespace veltaro::reference {

namespace {

using namespace detail;

constexpr long kStartPrecision = 192;
constexpr long kMaxStartPrecision = 8192;
constexpr long kMaxPrecision = 32768;

constexpr double kTwoTo63 = 9223372036854775808.0;

// Beyond these the exponentials of the elementary functions need no
// evaluation: e^711 / sqrt(2) overflows a double and e^-800 rounds to 0.
constexpr double kOverflowExponent = 711.0;
constexpr double kUnderflowExponent = -800.0;

// Integer exponents up to this size are raised by repeated multiplication.
constexpr double kExactPowerLimit = 4096.0;

enum class TStatus { kOk, kFail, kUnsure };

// One evaluation at one precision.
struct TAttempt {
  TStatus status = TStatus::kFail;
  TComplex value;
  TReal re{kStartPrecision};
  TReal im{kStartPrecision};
};


// |small| / |(small, other)| < eps, decided exactly:
// small^2 * (1 - eps^2) < eps^2 * other^2.
bool NegligibleAgainstModulus(double small, double other) {
  if (small == 0.0) return false;
  mpfr_t s2, o2, e2, oneMinus, lhs, rhs;
  mpfr_inits2(1024, s2, o2, e2, oneMinus, lhs, rhs, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_d(s2, small, MPFR_RNDN);
  mpfr_sqr(s2, s2, MPFR_RNDN);
  mpfr_set_d(o2, other, MPFR_RNDN);
  mpfr_sqr(o2, o2, MPFR_RNDN);
  mpfr_set_ld(e2, kEpsilon, MPFR_RNDN);
  mpfr_sqr(e2, e2, MPFR_RNDN);
  mpfr_ui_sub(oneMinus, 1, e2, MPFR_RNDN);
  mpfr_mul(lhs, s2, oneMinus, MPFR_RNDN);
  mpfr_mul(rhs, e2, o2, MPFR_RNDN);
  const bool result = mpfr_less_p(lhs, rhs) != 0;
  mpfr_clears(s2, o2, e2, oneMinus, lhs, rhs, static_cast<mpfr_ptr>(nullptr));
  return result;
}

// Clears a component that is less than eps of the modulus, the imaginary
// part first, on the stored doubles.
void Snap(TComplex& z) {
  if (z.re == 0.0 && z.im == 0.0) return;
  if (NegligibleAgainstModulus(z.im, z.re)) z.im = 0.0;
  if (NegligibleAgainstModulus(z.re, z.im)) z.re = 0.0;
}

int BinaryExponent(double d) {
  int e = 0;
  std::frexp(d, &e);
  return e;
}

// ---------------------------------------------------------------------------
// The operations. Each fills an attempt: the exact components before
// rounding, then the rounded and possibly snapped doubles.

class TOperation {
 public:
  TOperation(long precision, bool deg) : e_(precision, deg) {}

  TAttempt Run(std::uint8_t op, TComplex a, TComplex b) {
    switch (op) {
      case 1: return PlainSum(a, b, false);
      case 2: return PlainSum(a, b, true);
      case 3: return Multiply(a, b);
      case 4: return DivideOp(a, b);
      case 5: return Power(a, b);
      case 6: return Power(a, TComplex{0.5, 0.0});
      case 7: return ExpOp(a);
      case 8: return LnOp(a, false);
      case 9: return LnOp(a, true);
      case 10: return Lg(a, b);
      case 11: case 12: case 13: case 14: return Trig(op, a);
      case 15: return Exactly(a.re, 0.0);
      case 16: return Exactly(a.im, 0.0);
      case 17: return Finish(TCx{e_.Hypot(e_.Num(a.re), e_.Num(a.im)), e_.Int(0)}, false);
      case 18: return Finish(TCx{e_.InUnit(e_.Arg(Cx(a))), e_.Int(0)}, false);
      case 19: case 20: return ArcSinCos(op == 19, a);
      case 21: return ArcTan(a, false);
      case 22: return ArcTan(a, true);
      case 23: case 24: case 25: case 26: return Hyperbolic(op, a);
      case 27: case 28: return ArSinhCosh(op == 27, a);
      case 29: case 30: return ArTanhCoth(op == 29, a);
      case 31: return Exactly(a.re > 0.0 ? 1.0 : a.re == 0.0 ? 0.5 : 0.0, 0.0);
      default: return Fail();
    }
  }

 private:
  TCx Cx(TComplex z) const { return TCx{e_.Num(z.re), e_.Num(z.im)}; }

  TAttempt Fail() const {
    TAttempt t;
    t.status = TStatus::kFail;
    return t;
  }

  // Rounds each component once to the nearest double (failing where one is
  // beyond the double range) and snaps where asked.
  TAttempt Finish(TCx exact, bool snap) {
    TAttempt t;
    if (e_.unsure) {
      t.status = TStatus::kUnsure;
      return t;
    }
    const double re = mpfr_get_d(exact.re.get(), MPFR_RNDN);
    const double im = mpfr_get_d(exact.im.get(), MPFR_RNDN);
    if (!std::isfinite(re) || !std::isfinite(im)) return Fail();
    t.status = TStatus::kOk;
    t.value = TComplex{NonNegativeZero(re), NonNegativeZero(im)};
    if (snap) Snap(t.value);
    t.re = std::move(exact.re);
    t.im = std::move(exact.im);
    return t;
  }

  TAttempt Exactly(double re, double im) { return Finish(TCx{e_.Num(re), e_.Num(im)}, false); }

  TAttempt FinishFailure() {
    if (e_.unsure) {
      TAttempt t;
      t.status = TStatus::kUnsure;
      return t;
    }
    return Fail();
  }

  bool RoundsFinite(const TReal& v) const { return std::isfinite(mpfr_get_d(v.get(), MPFR_RNDN)); }

  // (long double)a + b per component, then rounded to double.
  TAttempt PlainSum(TComplex a, TComplex b, bool difference) {
    const long double re = difference ? static_cast<long double>(a.re) - b.re : static_cast<long double>(a.re) + b.re;
    const long double im = difference ? static_cast<long double>(a.im) - b.im : static_cast<long double>(a.im) + b.im;
    TCx exact{TReal(64), TReal(64)};
    mpfr_set_ld(exact.re.get(), re, MPFR_RNDN);
    mpfr_set_ld(exact.im.get(), im, MPFR_RNDN);
    exact.re.Clean();
    exact.im.Clean();
    return Finish(std::move(exact), false);
  }

  TAttempt Multiply(TComplex a, TComplex b) {
    const TCx x = Cx(a), y = Cx(b);
    TReal re = e_.GuardedDifference(e_.Mul(x.re, y.re), e_.Mul(x.im, y.im));
    TReal im = e_.GuardedSum(e_.Mul(x.re, y.im), e_.Mul(x.im, y.re));
    return Finish(TCx{std::move(re), std::move(im)}, true);
  }

  TAttempt DivideOp(TComplex a, TComplex b) {
    if (b.re == 0.0 && b.im == 0.0) return Fail();
    const TCx x = Cx(a), y = Cx(b);
    const TReal d = e_.GuardedSum(e_.Sqr(y.re), e_.Sqr(y.im));
    TReal re = e_.Div(e_.GuardedSum(e_.Mul(x.re, y.re), e_.Mul(x.im, y.im)), d);
    TReal im = e_.Div(e_.GuardedDifference(e_.Mul(x.im, y.re), e_.Mul(x.re, y.im)), d);
    return Finish(TCx{std::move(re), std::move(im)}, true);
  }

  // The outcomes that the size of the angle and of the exponent alone
  // decide: an angle of 2^63 or more gives (0, 0), e^711 overflows, e^-800
  // rounds to 0. False when the value has to be worked out.
  bool DecidedBySize(const TReal& magnitudeExponent, const TReal& angle, TAttempt& out) {
    TReal limit = e_.Int(1);
    mpfr_set_ui_2exp(limit.get(), 1, 63, MPFR_RNDN);
    if (mpfr_cmpabs(angle.get(), limit.get()) >= 0) {
      out = BeyondExtendedRange(magnitudeExponent) ? FinishFailure() : Finish(TCx{e_.Int(0), e_.Int(0)}, true);
      return true;
    }
    if (mpfr_cmp_d(magnitudeExponent.get(), kOverflowExponent) > 0) {
      out = FinishFailure();
      return true;
    }
    if (mpfr_cmp_d(magnitudeExponent.get(), kUnderflowExponent) < 0) {
      TCx zero{e_.Int(0), e_.Int(0)};
      zero.re.exact = zero.im.exact = false;
      out = Finish(std::move(zero), true);
      return true;
    }
    return false;
  }

  // e^(t.re) * (cos angle, sin angle) with the angle in radians, or given as
  // a multiple of pi when turns is set (exact cosine and sine there).
  TAttempt ExpWithAngle(const TReal& magnitudeExponent, const TReal& angle, const TReal* turns) {
    TAttempt decided;
    if (DecidedBySize(magnitudeExponent, angle, decided)) return decided;
    const TReal m = e_.Exp(magnitudeExponent);
    TReal c = turns ? e_.CosPi(*turns) : e_.Cos(angle);
    TReal s = turns ? e_.SinPi(*turns) : e_.Sin(angle);
    return Finish(TCx{e_.Mul(m, c), e_.Mul(m, s)}, true);
  }

  // z^n for an integer n: the principal value exp(n Ln z) is the plain power.
  TCx IntegerPower(TComplex z, long n) const {
    const long p = e_.Precision();
    TCx r{TReal(p), TReal(p)};
    const TCx x = Cx(z);
    if (z.im == 0.0) {
      r.re.exact = x.re.exact && mpfr_pow_si(r.re.get(), x.re.get(), n, MPFR_RNDN) == 0;
      r.re.Clean();
      return r;
    }
    mpc_t in, out;
    mpc_init2(in, p);
    mpc_init2(out, p);
    mpc_set_fr_fr(in, x.re.get(), x.im.get(), MPC_RNDNN);
    const int t = mpc_pow_si(out, in, n, MPC_RNDNN);
    mpfr_set(r.re.get(), mpc_realref(out), MPFR_RNDN);
    mpfr_set(r.im.get(), mpc_imagref(out), MPFR_RNDN);
    r.re.exact = MPC_INEX_RE(t) == 0;
    r.im.exact = MPC_INEX_IM(t) == 0;
    r.re.Clean();
    r.im.Clean();
    mpc_clear(in);
    mpc_clear(out);
    return r;
  }

  TAttempt Power(TComplex a, TComplex w) {
    if (a.re == 0.0 && a.im == 0.0) return Exactly(w.re == 0.0 && w.im == 0.0 ? 1.0 : 0.0, 0.0);
    const TLog l = e_.Ln(Cx(a));
    const TReal lim = e_.InUnit(l.im);
    const TCx x = Cx(w);
    const TReal tre = e_.Sub(e_.Mul(x.re, l.re), e_.Mul(x.im, lim));
    const TReal tim = e_.Add(e_.Mul(x.re, lim), e_.Mul(x.im, l.re));
    if (!RoundsFinite(tre) || !RoundsFinite(tim)) return FinishFailure();
    // With a real exponent and an argument that is a multiple of pi/4 the
    // angle is w.re * k * pi/4 exactly.
    const bool multipleOfPi = w.im == 0.0 && l.im.rest.IsZero();
    const TReal turns = e_.Scale2(e_.MulSi(x.re, l.im.k), -2);
    const TReal angle = multipleOfPi ? e_.Mul(turns, e_.Pi())
                        : e_.Deg()   ? e_.Div(e_.Mul(tim, e_.Pi()), e_.Int(180))
                                     : tim;
    const bool integral = w.im == 0.0 && w.re == std::trunc(w.re) && std::fabs(w.re) <= kExactPowerLimit;
    const bool half = w.im == 0.0 && w.re == 0.5;
    if (integral || half) {
      // Integer powers and the square root have closed forms that keep
      // exact results exact.
      TAttempt decided;
      if (DecidedBySize(tre, angle, decided)) return decided;
      return Finish(half ? e_.Sqrt(Cx(a)) : IntegerPower(a, static_cast<long>(w.re)), true);
    }
    return ExpWithAngle(tre, angle, multipleOfPi ? &turns : nullptr);
  }

  // e^x beyond the extended (long double) range, x >= ln(2^16384 - 2^16319):
  // an exponential that even the angle rule cannot bring back.
  bool BeyondExtendedRange(const TReal& x) {
    if (mpfr_cmp_d(x.get(), 11000.0) < 0) return false;
    TReal top = e_.Int(1);
    mpfr_set_ui_2exp(top.get(), 1, 16384, MPFR_RNDN);
    TReal dent = e_.Int(1);
    mpfr_set_ui_2exp(dent.get(), 1, 16319, MPFR_RNDN);
    return mpfr_cmp(x.get(), e_.Log(e_.Sub(top, dent)).get()) >= 0;
  }

  TAttempt ExpOp(TComplex z) {
    const double y = e_.Deg() ? e_.DegreesToRadiansDouble(z.im) : z.im;
    const TReal x = e_.Num(z.re);
    if (BeyondExtendedRange(x)) return FinishFailure();
    if (std::fabs(y) >= kTwoTo63) return Finish(TCx{e_.Int(0), e_.Int(0)}, true);
    return ExpWithAngle(x, e_.Num(y), nullptr);
  }

  TAttempt LnOp(TComplex z, bool decimal) {
    if (z.re == 0.0 && z.im == 0.0) return Fail();
    const TLog l = e_.Ln(Cx(z));
    TReal re = l.re;
    TReal im = e_.InUnit(l.im);
    if (decimal) {
      const TReal ln10 = e_.Log(e_.Int(10));
      re = e_.Div(re, ln10);
      im = e_.Div(im, ln10);
    }
    return Finish(TCx{std::move(re), std::move(im)}, true);
  }

  TAttempt Lg(TComplex base, TComplex x) {
    if ((base.re == 0.0 && base.im == 0.0) || (x.re == 0.0 && x.im == 0.0)) return Fail();
    if (base.re == 1.0 && base.im == 0.0) return Fail();
    const TLog lb = e_.Ln(Cx(base));
    const TLog lx = e_.Ln(Cx(x));
    const TCx b{lb.re, e_.InUnit(lb.im)};
    const TCx n{lx.re, e_.InUnit(lx.im)};
    return Finish(e_.Divide(n, b), true);
  }

  // sin, cos, tan, cot. X is the real part, read as degrees in Deg mode.
  TAttempt Trig(std::uint8_t op, TComplex z) {
    const double xd = e_.Deg() ? e_.DegreesToRadiansDouble(z.re) : z.re;
    const bool big = std::fabs(xd) >= kTwoTo63;
    const TReal X = e_.Num(xd);
    if (z.im == 0.0) {
      // The real path: sin and cos of X, both 0 from 2^63 on.
      if (big) {
        if (op == 13 || op == 14) return Fail();
        return Finish(TCx{e_.Int(0), e_.Int(0)}, true);
      }
      switch (op) {
        case 11: return Finish(TCx{e_.Sin(X), e_.Int(0)}, true);
        case 12: return Finish(TCx{e_.Cos(X), e_.Int(0)}, true);
        case 13: return Finish(TCx{e_.Tan(X), e_.Int(0)}, true);
        default:
          if (xd == 0.0) return Fail();
          return Finish(TCx{e_.Cot(X), e_.Int(0)}, true);
      }
    }
    const TReal y = e_.Num(z.im);
    if (big) {
      // Sine and cosine are both (0, 0) unless e^|y| is beyond even the
      // extended range; tan and cot divide by 0.
      if (op == 13 || op == 14 || BeyondExtendedRange(e_.Abs(y))) return Fail();
      return Finish(TCx{e_.Int(0), e_.Int(0)}, true);
    }
    if (std::fabs(z.im) > kOverflowExponent) return Fail();
    const TReal sx = e_.Sin(X), cx = e_.Cos(X);
    {
      // The two exponentials e^(+-iz) must fit a double.
      const TReal g = e_.Mul(e_.Exp(e_.Abs(y)), mpfr_cmpabs(sx.get(), cx.get()) > 0 ? e_.Abs(sx) : e_.Abs(cx));
      if (!RoundsFinite(g)) return FinishFailure();
    }
    const TReal shy = e_.Sinh(y), chy = e_.Cosh(y);
    switch (op) {
      case 11: return Finish(TCx{e_.Mul(sx, chy), e_.Mul(cx, shy)}, true);
      case 12: return Finish(TCx{e_.Mul(cx, chy), e_.Neg(e_.Mul(sx, shy))}, true);
      case 13: {
        // sin z / cos z = (sin X cos X, sinh y cosh y) / (cos^2 X + sinh^2 y).
        const TReal d = e_.Add(e_.Sqr(cx), e_.Sqr(shy));
        return Finish(TCx{e_.Div(e_.Mul(sx, cx), d), e_.Div(e_.Mul(shy, chy), d)}, true);
      }
      default: {
        // cos z / sin z = (sin X cos X, -sinh y cosh y) / (sin^2 X + sinh^2 y).
        const TReal d = e_.Add(e_.Sqr(sx), e_.Sqr(shy));
        return Finish(TCx{e_.Div(e_.Mul(sx, cx), d), e_.Neg(e_.Div(e_.Mul(shy, chy), d))}, true);
      }
    }
  }

  // sinh, cosh, tanh, coth. Y is the imaginary part, read as degrees in Deg
  // mode.
  TAttempt Hyperbolic(std::uint8_t op, TComplex z) {
    const double yd = e_.Deg() ? e_.DegreesToRadiansDouble(z.im) : z.im;
    const TReal x = e_.Num(z.re), Y = e_.Num(yd);
    if (std::fabs(yd) >= kTwoTo63) {
      // (0, 0) unless e^|x| is beyond even the extended range; tanh and
      // coth divide by 0.
      if (op == 25 || op == 26 || BeyondExtendedRange(e_.Abs(x))) return Fail();
      return Finish(TCx{e_.Int(0), e_.Int(0)}, false);
    }
    if (std::fabs(z.re) > kOverflowExponent) return Fail();
    const TReal sy = e_.Sin(Y), cy = e_.Cos(Y);
    {
      const TReal g = e_.Mul(e_.Exp(e_.Abs(x)), mpfr_cmpabs(sy.get(), cy.get()) > 0 ? e_.Abs(sy) : e_.Abs(cy));
      if (!RoundsFinite(g)) return FinishFailure();
    }
    const TReal shx = e_.Sinh(x), chx = e_.Cosh(x);
    switch (op) {
      case 23: return Finish(TCx{e_.Mul(shx, cy), e_.Mul(chx, sy)}, false);
      case 24: return Finish(TCx{e_.Mul(chx, cy), e_.Mul(shx, sy)}, false);
      case 25: {
        if (yd == 0.0) return Finish(TCx{e_.Tanh(x), e_.Int(0)}, true);
        // sinh z / cosh z = (sinh x cosh x, sin Y cos Y) / (sinh^2 x + cos^2 Y).
        const TReal d = e_.Add(e_.Sqr(shx), e_.Sqr(cy));
        return Finish(TCx{e_.Div(e_.Mul(shx, chx), d), e_.Div(e_.Mul(sy, cy), d)}, true);
      }
      default: {
        if (yd == 0.0) {
          if (z.re == 0.0) return Fail();
          return Finish(TCx{e_.Coth(x), e_.Int(0)}, true);
        }
        // cosh z / sinh z = (sinh x cosh x, -sin Y cos Y) / (sinh^2 x + sin^2 Y).
        const TReal d = e_.Add(e_.Sqr(shx), e_.Sqr(sy));
        return Finish(TCx{e_.Div(e_.Mul(shx, chx), d), e_.Neg(e_.Div(e_.Mul(sy, cy), d))}, true);
      }
    }
  }

  // z * z, or false when a component is beyond the double range.
  bool Square(const TCx& z, TCx& r) {
    r = TCx{e_.Sub(e_.Sqr(z.re), e_.Sqr(z.im)), e_.Scale2(e_.Mul(z.re, z.im), 1)};
    return RoundsFinite(r.re) && RoundsFinite(r.im);
  }

  TAttempt ArcSinCos(bool sine, TComplex a) {
    const TCx z = Cx(a);
    TCx z2{e_.Int(0), e_.Int(0)};
    if (!Square(z, z2)) return FinishFailure();
    const TCx s = e_.Sqrt(TCx{e_.Sub(e_.Int(1), z2.re), e_.Neg(z2.im)});
    // arcsin: u = iz + s; arccos: u = z + is.
    const TCx u = sine ? TCx{e_.Sub(s.re, z.im), e_.Add(s.im, z.re)} : TCx{e_.Sub(z.re, s.im), e_.Add(z.im, s.re)};
    // u * (-iz + s), resp. u * (z - is), is 1: u = 0 is a loss of precision.
    if (u.IsZero()) e_.unsure = true;
    if (e_.unsure) return FinishFailure();
    const TLog l = e_.Ln(u);
    return Finish(TCx{e_.InUnit(l.im), e_.Neg(l.re)}, true);
  }

  TAttempt ArSinhCosh(bool sine, TComplex a) {
    const TCx z = Cx(a);
    TCx z2{e_.Int(0), e_.Int(0)};
    if (!Square(z, z2)) return FinishFailure();
    TReal wre = sine ? e_.Add(z2.re, e_.Int(1)) : e_.Sub(z2.re, e_.Int(1));
    const TCx s = e_.Sqrt(TCx{std::move(wre), z2.im});
    const TCx u{e_.Add(z.re, s.re), e_.Add(z.im, s.im)};
    // u * (s - z) is +-1: u = 0 is a loss of precision.
    if (u.IsZero()) e_.unsure = true;
    if (e_.unsure) return FinishFailure();
    const TLog l = e_.Ln(u);
    return Finish(TCx{l.re, e_.InUnit(l.im)}, true);
  }

  TAttempt ArcTan(TComplex z, bool cotangent) {
    const TReal x = e_.Num(z.re);
    if (z.im == 0.0) {
      if (!cotangent) {
        TReal v = e_.Atan(x);
        if (e_.Deg()) v = e_.Div(e_.MulSi(v, 180), e_.Pi());
        return Finish(TCx{std::move(v), e_.Int(0)}, false);
      }
      // pi/2 - atan(x) = atan(1/x), plus pi for x < 0.
      TAngle r{2, e_.Int(0)};
      if (z.re != 0.0) r = TAngle{z.re > 0.0 ? 0 : 4, e_.Atan(e_.Div(e_.Int(1), x))};
      return Finish(TCx{e_.InUnit(r), e_.Int(0)}, false);
    }
    if (z.re == 0.0 && (z.im == 1.0 || z.im == -1.0)) return Fail();
    const TReal y = e_.Num(z.im);
    // a = 1 + iz = (1 - y, x), b = 1 - iz = (1 + y, -x).
    const TCx a{e_.Sub(e_.Int(1), y), x};
    const TCx b{e_.Add(e_.Int(1), y), e_.Neg(x)};
    // ln|a| - ln|b| = log1p((|a|^2 - |b|^2) / |b|^2) / 2, |a|^2 - |b|^2 = -4y.
    const TReal b2 = e_.Add(e_.Sqr(b.re), e_.Sqr(b.im));
    const TReal dre = e_.Scale2(e_.Log1p(e_.Div(e_.Scale2(e_.Neg(y), 2), b2)), -1);
    const TAngle aa = e_.Arg(a), ab = e_.Arg(b);
    // Both k are even, so half the difference is again a multiple of pi/4.
    const long k = (aa.k - ab.k) / 2;
    const TReal halfRest = e_.Scale2(e_.Sub(aa.rest, ab.rest), -1);
    if (!cotangent) {
      // (D.im / 2, -D.re / 2).
      return Finish(TCx{e_.InUnit(TAngle{k, halfRest}), e_.Neg(e_.Scale2(dre, -1))}, true);
    }
    // (R - D.im / 2, D.re / 2) with R the right angle.
    return Finish(TCx{e_.InUnit(TAngle{2 - k, e_.Neg(halfRest)}), e_.Scale2(dre, -1)}, false);
  }

  TAttempt ArTanhCoth(bool tangent, TComplex z) {
    if (z.re == 1.0 && z.im == 0.0) return Fail();
    if (z.re == -1.0 && z.im == 0.0) return Fail();
    const TReal x = e_.Num(z.re), y = e_.Num(z.im);
    // artanh: (1 + z) / (1 - z); arcoth: (z + 1) / (z - 1).
    const TCx n{e_.Add(e_.Int(1), x), y};
    const TCx d = tangent ? TCx{e_.Sub(e_.Int(1), x), e_.Neg(y)} : TCx{e_.Sub(x, e_.Int(1)), y};
    const TCx q = e_.Divide(n, d);
    if (!RoundsFinite(q.re) || !RoundsFinite(q.im)) return FinishFailure();
    if (e_.unsure) return FinishFailure();
    const TLog l = e_.Ln(q);
    return Finish(TCx{e_.Scale2(l.re, -1), e_.Scale2(e_.InUnit(l.im), -1)}, true);
  }

  TEval e_;
};

// Operations whose formulas add 1 to the argument or its square: their start
// precision covers the exponents of the operand, so that the 1 and the
// operand's square live in one number without loss.
bool NeedsExponentRoom(std::uint8_t op) { return (op >= 19 && op <= 22) || (op >= 27 && op <= 30); }

long StartPrecision(std::uint8_t op, TComplex a) {
  if (!NeedsExponentRoom(op)) return kStartPrecision;
  int top = 0, bottom = 0;
  for (double c : {a.re, a.im}) {
    if (c == 0.0) continue;
    const int e = BinaryExponent(c);
    top = std::max(top, e);
    bottom = std::min(bottom, e);
  }
  return std::min<long>(kMaxStartPrecision, kStartPrecision + 2L * (top - bottom));
}

bool SameOutcome(const TAttempt& x, const TAttempt& y) {
  if (x.status != y.status) return false;
  if (x.status != TStatus::kOk) return true;
  return std::memcmp(&x.value, &y.value, sizeof(TComplex)) == 0;
}

TDecimal ToDecimal(const TReal& v, double rounded) {
  TDecimal d;
  if (v.IsZero()) {
    d.representable = v.exact;
    return d;
  }
  mpfr_exp_t exponent = 0;
  char* text = mpfr_get_str(nullptr, &exponent, 10, 40, v.get(), MPFR_RNDN);
  std::string s(text);
  mpfr_free_str(text);
  if (!s.empty() && s[0] == '-') {
    d.negative = true;
    s.erase(0, 1);
  }
  d.digits = s;
  d.exponent = exponent;
  d.representable = v.exact && mpfr_cmp_d(v.get(), rounded) == 0;
  return d;
}

}  // namespace

TReferenceResult ReferenceEvaluate(std::uint8_t opCode, TComplex a, TComplex b, bool degMode) {
  a = TComplex{NonNegativeZero(a.re), NonNegativeZero(a.im)};
  b = TComplex{NonNegativeZero(b.re), NonNegativeZero(b.im)};
  long precision = StartPrecision(opCode, a);
  TAttempt previous = TOperation(precision, degMode).Run(opCode, a, b);
  TReferenceResult result;
  for (;;) {
    const long next = precision * 2;
    TAttempt current = TOperation(next, degMode).Run(opCode, a, b);
    const bool agreed = previous.status != TStatus::kUnsure && SameOutcome(previous, current);
    if (agreed || next >= kMaxPrecision) {
      result.settled = agreed;
      result.precision = next;
      result.ok = current.status == TStatus::kOk;
      if (result.ok) {
        result.value = current.value;
        const double re = mpfr_get_d(current.re.get(), MPFR_RNDN);
        const double im = mpfr_get_d(current.im.get(), MPFR_RNDN);
        result.exactRe = ToDecimal(current.re, re);
        result.exactIm = ToDecimal(current.im, im);
      }
      return result;
    }
    previous = std::move(current);
    precision = next;
  }
}

bool ReferenceNode(std::uint8_t opCode, TComplex a, TComplex b, bool degMode, TComplex& r) {
  const TReferenceResult result = ReferenceEvaluate(opCode, a, b, degMode);
  r = result.value;
  return result.ok;
}

double TieDistanceUlps(const TDecimal& x, double stored) {
  if (x.digits.empty() || stored == 0.0 || !std::isfinite(stored)) return INFINITY;
  // The digits after the fifteenth, as a fraction of one unit in the
  // fifteenth place.
  long double fraction = 0.0L;
  long double scale = 0.1L;
  for (std::size_t i = 15; i < x.digits.size(); ++i) {
    fraction += (x.digits[i] - '0') * scale;
    scale /= 10.0L;
  }
  const long double unit = std::pow(10.0L, static_cast<long double>(x.exponent - 15));
  const double magnitude = std::fabs(stored);
  const double ulp = std::nextafter(magnitude, INFINITY) - magnitude;
  return static_cast<double>(std::fabs(fraction - 0.5L) * unit / ulp);
}

bool NearRoundingTie(const TReferenceResult& r, double maxUlps) {
  if (!r.ok) return false;
  if (r.value.re != 0.0 && !r.exactRe.representable && TieDistanceUlps(r.exactRe, r.value.re) <= maxUlps) return true;
  if (r.value.im != 0.0 && !r.exactIm.representable && TieDistanceUlps(r.exactIm, r.value.im) <= maxUlps) return true;
  return false;
}

}  // namespace veltaro::reference
