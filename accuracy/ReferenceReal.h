// The multiple-precision numbers and the arithmetic at one precision that
// the reference operations are written in.
#pragma once

#include <mpc.h>
#include <mpfr.h>

#include <algorithm>
#include <utility>

namespace veltaro::reference::detail {

// The relative threshold of the guarded sum and of snapping: 1e-15 as the
// nearest 80-bit extended value.
inline constexpr long double kEpsilon = 1e-15L;

inline double NonNegativeZero(double d) { return d == 0.0 ? 0.0 : d; }

// A multiple-precision real that remembers whether it holds its value
// exactly (every step that produced it was exact). Zeros are always +0: the
// sign of a zero never selects a branch here.
class TReal {
 public:
  explicit TReal(long precision) {
    mpfr_init2(v_, precision);
    mpfr_set_zero(v_, 1);
  }
  TReal(const TReal& other) : exact(other.exact) {
    mpfr_init2(v_, mpfr_get_prec(other.v_));
    mpfr_set(v_, other.v_, MPFR_RNDN);
  }
  TReal(TReal&& other) noexcept : exact(other.exact) {
    mpfr_init2(v_, MPFR_PREC_MIN);
    mpfr_swap(v_, other.v_);
  }
  TReal& operator=(const TReal& other) {
    if (this != &other) {
      mpfr_set_prec(v_, mpfr_get_prec(other.v_));
      mpfr_set(v_, other.v_, MPFR_RNDN);
      exact = other.exact;
    }
    return *this;
  }
  TReal& operator=(TReal&& other) noexcept {
    mpfr_swap(v_, other.v_);
    exact = other.exact;
    return *this;
  }
  ~TReal() { mpfr_clear(v_); }

  mpfr_ptr get() { return v_; }
  mpfr_srcptr get() const { return v_; }
  bool IsZero() const { return mpfr_zero_p(v_) != 0; }
  int Sign() const { return mpfr_sgn(v_); }
  void Clean() {
    if (mpfr_zero_p(v_)) mpfr_set_zero(v_, 1);
  }

  bool exact = true;

 private:
  mpfr_t v_;
};

struct TCx {
  TReal re;
  TReal im;
  bool IsZero() const { return re.IsZero() && im.IsZero(); }
};

// An angle k * pi/4 + rest, so that the multiples of a right angle that the
// argument of a number on an axis produces stay exact through sums,
// differences and halving.
struct TAngle {
  long k;
  TReal rest;
};

// ln|u| and the argument of u.
struct TLog {
  TReal re;
  TAngle im;
};


// The arithmetic at one precision. Every result is rounded to nearest at
// that precision; a sum of two nonzero values of which one is inexact that
// comes out exactly 0 marks the evaluation as unsure, since the true value
// is then unknown.
class TEval {
 public:
  TEval(long precision, bool deg) : prec_(precision), deg_(deg) {}

  long Precision() const { return prec_; }
  bool Deg() const { return deg_; }
  bool unsure = false;

  TReal Num(double d) const {
    TReal r(std::max<long>(prec_, 64));
    mpfr_set_d(r.get(), NonNegativeZero(d), MPFR_RNDN);
    return r;
  }
  TReal Int(long v) const {
    TReal r(prec_);
    r.exact = mpfr_set_si(r.get(), v, MPFR_RNDN) == 0;
    return r;
  }
  TReal Pi() const {
    TReal r(prec_);
    mpfr_const_pi(r.get(), MPFR_RNDN);
    r.exact = false;
    return r;
  }

  template <typename F>
  TReal Unary(F f, const TReal& a) const {
    TReal r(prec_);
    const int t = f(r.get(), a.get(), MPFR_RNDN);
    r.exact = a.exact && t == 0;
    r.Clean();
    return r;
  }
  template <typename F>
  TReal Binary(F f, const TReal& a, const TReal& b) const {
    TReal r(prec_);
    const int t = f(r.get(), a.get(), b.get(), MPFR_RNDN);
    r.exact = a.exact && b.exact && t == 0;
    r.Clean();
    return r;
  }

  TReal Add(const TReal& a, const TReal& b) {
    TReal r = Binary([](mpfr_ptr o, mpfr_srcptr x, mpfr_srcptr y, mpfr_rnd_t m) { return mpfr_add(o, x, y, m); }, a, b);
    CheckCancellation(r, a, b);
    return r;
  }
  TReal Sub(const TReal& a, const TReal& b) {
    TReal r = Binary([](mpfr_ptr o, mpfr_srcptr x, mpfr_srcptr y, mpfr_rnd_t m) { return mpfr_sub(o, x, y, m); }, a, b);
    CheckCancellation(r, a, b);
    return r;
  }
  TReal Mul(const TReal& a, const TReal& b) const {
    return Binary([](mpfr_ptr o, mpfr_srcptr x, mpfr_srcptr y, mpfr_rnd_t m) { return mpfr_mul(o, x, y, m); }, a, b);
  }
  TReal Div(const TReal& a, const TReal& b) const {
    return Binary([](mpfr_ptr o, mpfr_srcptr x, mpfr_srcptr y, mpfr_rnd_t m) { return mpfr_div(o, x, y, m); }, a, b);
  }
  TReal Hypot(const TReal& a, const TReal& b) const {
    return Binary([](mpfr_ptr o, mpfr_srcptr x, mpfr_srcptr y, mpfr_rnd_t m) { return mpfr_hypot(o, x, y, m); }, a, b);
  }
  TReal Atan2(const TReal& y, const TReal& x) const {
    return Binary([](mpfr_ptr o, mpfr_srcptr a, mpfr_srcptr b, mpfr_rnd_t m) { return mpfr_atan2(o, a, b, m); }, y, x);
  }
  TReal Sqr(const TReal& a) const {
    return Unary([](mpfr_ptr o, mpfr_srcptr x, mpfr_rnd_t m) { return mpfr_sqr(o, x, m); }, a);
  }
  TReal Neg(const TReal& a) const {
    return Unary([](mpfr_ptr o, mpfr_srcptr x, mpfr_rnd_t m) { return mpfr_neg(o, x, m); }, a);
  }
  TReal Abs(const TReal& a) const {
    return Unary([](mpfr_ptr o, mpfr_srcptr x, mpfr_rnd_t m) { return mpfr_abs(o, x, m); }, a);
  }
  TReal Scale2(const TReal& a, long e) const {
    return Unary([e](mpfr_ptr o, mpfr_srcptr x, mpfr_rnd_t m) { return mpfr_mul_2si(o, x, e, m); }, a);
  }
  TReal MulSi(const TReal& a, long v) const {
    return Unary([v](mpfr_ptr o, mpfr_srcptr x, mpfr_rnd_t m) { return mpfr_mul_si(o, x, v, m); }, a);
  }
  TReal DivSi(const TReal& a, long v) const {
    return Unary([v](mpfr_ptr o, mpfr_srcptr x, mpfr_rnd_t m) { return mpfr_div_si(o, x, v, m); }, a);
  }

#define VELTARO_REFERENCE_UNARY(Name, fn)                                                             \
  TReal Name(const TReal& a) const {                                                                  \
    return Unary([](mpfr_ptr o, mpfr_srcptr x, mpfr_rnd_t m) { return fn(o, x, m); }, a);             \
  }
  VELTARO_REFERENCE_UNARY(Exp, mpfr_exp)
  VELTARO_REFERENCE_UNARY(Log, mpfr_log)
  VELTARO_REFERENCE_UNARY(Log1p, mpfr_log1p)
  VELTARO_REFERENCE_UNARY(Sin, mpfr_sin)
  VELTARO_REFERENCE_UNARY(Cos, mpfr_cos)
  VELTARO_REFERENCE_UNARY(Tan, mpfr_tan)
  VELTARO_REFERENCE_UNARY(Cot, mpfr_cot)
  VELTARO_REFERENCE_UNARY(SinPi, mpfr_sinpi)
  VELTARO_REFERENCE_UNARY(CosPi, mpfr_cospi)
  VELTARO_REFERENCE_UNARY(Sinh, mpfr_sinh)
  VELTARO_REFERENCE_UNARY(Cosh, mpfr_cosh)
  VELTARO_REFERENCE_UNARY(Tanh, mpfr_tanh)
  VELTARO_REFERENCE_UNARY(Coth, mpfr_coth)
  VELTARO_REFERENCE_UNARY(Atan, mpfr_atan)
#undef VELTARO_REFERENCE_UNARY

  // An angle of a degrees as a multiple of pi, a / 180, after an exact
  // reduction modulo 360: multiples of 90 degrees come out as exact
  // multiples of 1/2, whose sine and cosine are exact.
  TReal DegreesInHalfTurns(double a) const {
    TReal turn(std::max<long>(prec_, 64));
    mpfr_fmod(turn.get(), Num(a).get(), Num(360).get(), MPFR_RNDN);
    turn.Clean();
    return Div(turn, Int(180));
  }

  // The angle in the current unit: k * pi/4 + rest, or 45k + rest * 180/pi.
  TReal InUnit(const TAngle& a) {
    if (deg_) {
      if (a.rest.IsZero()) return Int(45 * a.k);
      return Add(Int(45 * a.k), Div(MulSi(a.rest, 180), Pi()));
    }
    if (a.k == 0) return a.rest;
    return Add(Scale2(MulSi(Pi(), a.k), -2), a.rest);
  }
  // The angle in radians.
  TReal InRadians(const TAngle& a) {
    if (a.k == 0) return a.rest;
    return Add(Scale2(MulSi(Pi(), a.k), -2), a.rest);
  }

  // Arg(u): atan(im/re) for re > 0, plus pi for re < 0 and im >= 0, minus pi
  // for re < 0 and im < 0; +-pi/2 on the imaginary axis, 0 at 0.
  TAngle Arg(const TCx& u) const {
    if (u.re.Sign() > 0) return TAngle{0, Atan2(u.im, u.re)};
    if (u.re.Sign() < 0) {
      TReal rest = Atan2(Neg(u.im), Neg(u.re));
      return TAngle{u.im.Sign() >= 0 ? 4 : -4, std::move(rest)};
    }
    return TAngle{u.im.Sign() > 0 ? 2 : u.im.Sign() < 0 ? -2 : 0, Int(0)};
  }

  // Ln(u) for u != 0.
  TLog Ln(const TCx& u) const { return TLog{Log(Hypot(u.re, u.im)), Arg(u)}; }

  // The principal square root exp(Ln(w)/2).
  TCx Sqrt(const TCx& w) const {
    if (w.IsZero()) return TCx{Int(0), Int(0)};
    mpc_t in, out;
    mpc_init2(in, prec_);
    mpc_init2(out, prec_);
    mpc_set_fr_fr(in, w.re.get(), w.im.get(), MPC_RNDNN);
    const int t = mpc_sqrt(out, in, MPC_RNDNN);
    TCx r{TReal(prec_), TReal(prec_)};
    mpfr_set(r.re.get(), mpc_realref(out), MPFR_RNDN);
    mpfr_set(r.im.get(), mpc_imagref(out), MPFR_RNDN);
    r.re.exact = w.re.exact && w.im.exact && MPC_INEX_RE(t) == 0;
    r.im.exact = w.re.exact && w.im.exact && MPC_INEX_IM(t) == 0;
    r.re.Clean();
    r.im.Clean();
    mpc_clear(in);
    mpc_clear(out);
    return r;
  }

  // n / d for d != 0.
  TCx Divide(const TCx& n, const TCx& d) const {
    if (d.im.IsZero()) return TCx{Div(n.re, d.re), Div(n.im, d.re)};
    if (d.re.IsZero()) return TCx{Div(n.im, d.im), Neg(Div(n.re, d.im))};
    mpc_t a, b, q;
    mpc_init2(a, prec_);
    mpc_init2(b, prec_);
    mpc_init2(q, prec_);
    mpc_set_fr_fr(a, n.re.get(), n.im.get(), MPC_RNDNN);
    mpc_set_fr_fr(b, d.re.get(), d.im.get(), MPC_RNDNN);
    const int t = mpc_div(q, a, b, MPC_RNDNN);
    const bool inputsExact = n.re.exact && n.im.exact && d.re.exact && d.im.exact;
    TCx r{TReal(prec_), TReal(prec_)};
    mpfr_set(r.re.get(), mpc_realref(q), MPFR_RNDN);
    mpfr_set(r.im.get(), mpc_imagref(q), MPFR_RNDN);
    r.re.exact = inputsExact && MPC_INEX_RE(t) == 0;
    r.im.exact = inputsExact && MPC_INEX_IM(t) == 0;
    r.re.Clean();
    r.im.Clean();
    mpc_clear(a);
    mpc_clear(b);
    mpc_clear(q);
    return r;
  }

  // a + b except where one operand is negligible against the other (both
  // nonzero and |x / y| < eps): then the larger one alone.
  TReal GuardedSum(const TReal& a, const TReal& b) {
    if (!a.IsZero() && !b.IsZero()) {
      if (Negligible(a, b)) return b;
      if (Negligible(b, a)) return a;
    }
    return Add(a, b);
  }
  // a - b with the same rule: -b when a is negligible, a when b is.
  TReal GuardedDifference(const TReal& a, const TReal& b) {
    if (!a.IsZero() && !b.IsZero()) {
      if (Negligible(a, b)) return Neg(b);
      if (Negligible(b, a)) return a;
    }
    return Sub(a, b);
  }

 private:
  // |a| < eps * |b|, exactly.
  static bool Negligible(const TReal& a, const TReal& b) {
    mpfr_t e, bound;
    mpfr_init2(e, 64);
    mpfr_init2(bound, mpfr_get_prec(b.get()) + 64);
    mpfr_set_ld(e, kEpsilon, MPFR_RNDN);
    mpfr_mul(bound, e, b.get(), MPFR_RNDN);
    const bool result = mpfr_cmpabs(a.get(), bound) < 0;
    mpfr_clear(e);
    mpfr_clear(bound);
    return result;
  }

  void CheckCancellation(const TReal& r, const TReal& a, const TReal& b) {
    if (r.IsZero() && !a.IsZero() && !b.IsZero() && !(a.exact && b.exact)) unsure = true;
  }

  long prec_;
  bool deg_;
};

}  // namespace veltaro::reference::detail
