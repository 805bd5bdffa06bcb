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

// Beyond these the exponentials of the elementary functions need no
// evaluation: e^711 / sqrt(2) overflows a double and e^-800 rounds to 0.
// (The larger of |cos| and |sin| of any angle is at least 1 / sqrt(2).)
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

  // The outcomes that the size of the exponent alone decides: e^711
  // overflows, e^-800 rounds to 0. False when the value has to be worked
  // out.
  bool DecidedBySize(const TReal& magnitudeExponent, TAttempt& out) {
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
    if (DecidedBySize(magnitudeExponent, decided)) return decided;
    const TReal m = e_.Exp(magnitudeExponent);
    TReal c = turns ? e_.CosPi(*turns) : e_.Cos(angle);
    TReal s = turns ? e_.SinPi(*turns) : e_.Sin(angle);
    return Finish(TCx{e_.Mul(m, c), e_.Mul(m, s)}, true);
  }

  // The cosine and sine of an angle read in the current mode: degrees are
  // the exact multiple a / 180 of pi.
  void CosSinInMode(double a, TReal& c, TReal& s) {
    if (e_.Deg()) {
      const TReal h = e_.DegreesInHalfTurns(a);
      c = e_.CosPi(h);
      s = e_.SinPi(h);
    } else {
      const TReal x = e_.Num(a);
      c = e_.Cos(x);
      s = e_.Sin(x);
    }
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
    // 0^w: 1 for w = 0, 0 for a positive real part of w, no value otherwise.
    if (a.re == 0.0 && a.im == 0.0) {
      if (w.re == 0.0 && w.im == 0.0) return Exactly(1.0, 0.0);
      return w.re > 0.0 ? Exactly(0.0, 0.0) : Fail();
    }
    // The double nearest e stands for e: the power is the exponential.
    if (a.re == 2.718281828459045 && a.im == 0.0) return ExpOp(w);
    const TLog l = e_.Ln(Cx(a));
    const TReal lim = e_.InUnit(l.im);
    const TCx x = Cx(w);
    const TReal tre = e_.Sub(e_.Mul(x.re, l.re), e_.Mul(x.im, lim));
    const TReal tim = e_.Add(e_.Mul(x.re, lim), e_.Mul(x.im, l.re));
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
      if (DecidedBySize(tre, decided)) return decided;
      return Finish(half ? e_.Sqrt(Cx(a)) : IntegerPower(a, static_cast<long>(w.re)), true);
    }
    return ExpWithAngle(tre, angle, multipleOfPi ? &turns : nullptr);
  }

  TAttempt ExpOp(TComplex z) {
    const TReal x = e_.Num(z.re);
    TAttempt decided;
    if (DecidedBySize(x, decided)) return decided;
    TReal c(e_.Precision()), s(e_.Precision());
    CosSinInMode(z.im, c, s);
    const TReal m = e_.Exp(x);
    return Finish(TCx{e_.Mul(m, c), e_.Mul(m, s)}, true);
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

  // The quotients of tan, cot, tanh and coth: with the angle a (sine sa,
  // cosine ca), the hyperbolic component b and c = ca or sa,
  //   (sa ca + i sinh b cosh b) / (c^2 + sinh^2 b),
  // for |b| > 1 in the form scaled by 4E = 4 e^(-2|b|), where nothing
  // overflows:
  //   (4E sa ca + i sgn(b) (1 - E^2)) / ((1 - E)^2 + 4E c^2).
  TCx CircularHyperbolicQuotient(const TReal& sa, const TReal& ca, const TReal& c, double b) {
    const TReal y = e_.Num(b);
    if (std::fabs(b) <= 1.0) {
      const TReal shy = e_.Sinh(y), chy = e_.Cosh(y);
      const TReal d = e_.Add(e_.Sqr(c), e_.Sqr(shy));
      return TCx{e_.Div(e_.Mul(sa, ca), d), e_.Div(e_.Mul(shy, chy), d)};
    }
    const TReal e = e_.Exp(e_.Scale2(e_.Abs(y), 1));
    const TReal E = e_.Div(e_.Int(1), e);
    const TReal oneMinus = e_.Sub(e_.Int(1), E);
    const TReal fourE = e_.Scale2(E, 2);
    const TReal d = e_.Add(e_.Sqr(oneMinus), e_.Mul(fourE, e_.Sqr(c)));
    TReal im = e_.Div(e_.Mul(oneMinus, e_.Add(e_.Int(1), E)), d);
    if (b < 0.0) im = e_.Neg(im);
    return TCx{e_.Div(e_.Mul(fourE, e_.Mul(sa, ca)), d), std::move(im)};
  }

  // sin, cos, tan, cot. The real part is the angle, read as degrees in Deg
  // mode.
  TAttempt Trig(std::uint8_t op, TComplex z) {
    TReal sx(e_.Precision()), cx(e_.Precision());
    CosSinInMode(z.re, cx, sx);
    if (z.im == 0.0) {
      switch (op) {
        case 11: return Finish(TCx{sx, e_.Int(0)}, true);
        case 12: return Finish(TCx{cx, e_.Int(0)}, true);
        case 13:
          if (cx.IsZero()) return Fail();
          return Finish(TCx{e_.Div(sx, cx), e_.Int(0)}, true);
        default:
          if (sx.IsZero()) return Fail();
          return Finish(TCx{e_.Div(cx, sx), e_.Int(0)}, true);
      }
    }
    const TReal y = e_.Num(z.im);
    switch (op) {
      case 11: return Finish(TCx{e_.Mul(sx, e_.Cosh(y)), e_.Mul(cx, e_.Sinh(y))}, true);
      case 12: return Finish(TCx{e_.Mul(cx, e_.Cosh(y)), e_.Neg(e_.Mul(sx, e_.Sinh(y)))}, true);
      case 13: return Finish(CircularHyperbolicQuotient(sx, cx, cx, z.im), true);
      default: {
        TCx q = CircularHyperbolicQuotient(sx, cx, sx, z.im);
        return Finish(TCx{std::move(q.re), e_.Neg(q.im)}, true);
      }
    }
  }

  // sinh, cosh, tanh, coth. The imaginary part is the angle, read as
  // degrees in Deg mode.
  TAttempt Hyperbolic(std::uint8_t op, TComplex z) {
    const TReal x = e_.Num(z.re);
    TReal sy(e_.Precision()), cy(e_.Precision());
    CosSinInMode(z.im, cy, sy);
    switch (op) {
      case 23: return Finish(TCx{e_.Mul(e_.Sinh(x), cy), e_.Mul(e_.Cosh(x), sy)}, false);
      case 24: return Finish(TCx{e_.Mul(e_.Cosh(x), cy), e_.Mul(e_.Sinh(x), sy)}, false);
      case 25: {
        if (z.im == 0.0) return Finish(TCx{e_.Tanh(x), e_.Int(0)}, true);
        TCx q = CircularHyperbolicQuotient(sy, cy, cy, z.re);
        return Finish(TCx{std::move(q.im), std::move(q.re)}, true);
      }
      default: {
        if (z.im == 0.0) {
          if (z.re == 0.0) return Fail();
          return Finish(TCx{e_.Coth(x), e_.Int(0)}, true);
        }
        if (z.re == 0.0 && sy.IsZero()) return Fail();
        TCx q = CircularHyperbolicQuotient(sy, cy, sy, z.re);
        return Finish(TCx{std::move(q.im), e_.Neg(q.re)}, true);
      }
    }
  }

  TCx Square(const TCx& z) { return TCx{e_.Sub(e_.Sqr(z.re), e_.Sqr(z.im)), e_.Scale2(e_.Mul(z.re, z.im), 1)}; }

  TAttempt ArcSinCos(bool sine, TComplex a) {
    const TCx z = Cx(a);
    const TCx z2 = Square(z);
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
    const TCx z2 = Square(z);
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
