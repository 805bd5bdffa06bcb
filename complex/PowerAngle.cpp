#include "PowerAngle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <quadmath.h>

#include "TwoOverPi.h"

namespace veltaro::angle {

namespace {

using wide::Quad;
__extension__ typedef unsigned __int128 U128;

// The bits of ln 2 after the binary point, 32 to a word, most significant
// first (those of 2/pi are in TwoOverPi.h).
constexpr std::uint32_t kLn2Bits[] = {
    0xb17217f7, 0xd1cf79ab, 0xc9e3b398, 0x03f2f6af, 0x40f34326, 0x7298b62d, 0x8a0d175b, 0x8baafa2b, 0xe7b87620,
    0x6debac98, 0x559552fb, 0x4afa1b10, 0xed2eae35, 0xc1382144, 0x27573b29, 0x1169b825, 0x3e96ca16, 0x224ae8c5,
    0x1acbda11, 0x317c387e, 0xb9ea9bc3, 0xb136603b, 0x256fa0ec, 0x7657f74b, 0x72ce87b1, 0x9d6548ca, 0xf5dfa6bd,
    0x38303248, 0x655fa187, 0x2f20e3a2, 0xda2d97c5, 0x0f3fd5c6, 0x07f4ca11, 0xfb5bfb90, 0x610d30f8, 0x8fe551a2,
    0xee569d6d, 0xfc1efa15, 0x7d2e23de, 0x1400b396, 0x17460775, 0xdb8990e5, 0xc943e732, 0xb479cd33, 0xcccc4e65,
    0x9393514c, 0x4c1a1e0b, 0xd1d6095d, 0x25669b33, 0x3564a337,
};
constexpr int kTableWords = sizeof kTwoOverPiBits / sizeof kTwoOverPiBits[0];

// Fixed-point numbers: limbs[0 .. n) are the fraction, limbs[n] the integer
// part (small: a logarithm of a double is below 745), 32 bits each, little
// endian; all numbers of one computation share n.
constexpr int kMaxLimbs = kTableWords;
struct TFix {
  std::uint32_t d[kMaxLimbs + 1];
};

// Unsigned integers for the exact ratios of squares.
constexpr int kBigLimbs = 2 * kMaxLimbs + 8;
struct TBig {
  std::uint32_t d[kBigLimbs];
  int size;  // limbs in use
};

class TFixed {
 public:
  explicit TFixed(int n) : n_(n) {}

  TFix Zero() const {
    TFix r;
    std::fill(r.d, r.d + n_ + 1, 0U);
    return r;
  }

  TFix FromTable(const std::uint32_t* bits) const {
    TFix r = Zero();
    for (int i = 0; i < n_; ++i) r.d[n_ - 1 - i] = bits[i];
    return r;
  }

  bool Less(const TFix& a, const TFix& b) const {
    for (int i = n_; i >= 0; --i) {
      if (a.d[i] != b.d[i]) return a.d[i] < b.d[i];
    }
    return false;
  }

  bool IsZero(const TFix& a) const {
    for (int i = 0; i <= n_; ++i) {
      if (a.d[i] != 0) return false;
    }
    return true;
  }

  void Add(TFix& a, const TFix& b) const {
    std::uint64_t carry = 0;
    for (int i = 0; i <= n_; ++i) {
      const std::uint64_t t = static_cast<std::uint64_t>(a.d[i]) + b.d[i] + carry;
      a.d[i] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
  }

  // a - b for a >= b.
  void Sub(TFix& a, const TFix& b) const {
    std::int64_t borrow = 0;
    for (int i = 0; i <= n_; ++i) {
      std::int64_t t = static_cast<std::int64_t>(a.d[i]) - b.d[i] - borrow;
      borrow = t < 0 ? 1 : 0;
      if (t < 0) t += std::int64_t{1} << 32;
      a.d[i] = static_cast<std::uint32_t>(t);
    }
  }

  // a * b, the product's bits below the last limb dropped.
  TFix Mul(const TFix& a, const TFix& b) const {
    std::uint32_t full[2 * kMaxLimbs + 2] = {};
    for (int i = 0; i <= n_; ++i) {
      if (a.d[i] == 0) continue;
      std::uint64_t carry = 0;
      for (int j = 0; j <= n_; ++j) {
        const std::uint64_t t = static_cast<std::uint64_t>(a.d[i]) * b.d[j] + full[i + j] + carry;
        full[i + j] = static_cast<std::uint32_t>(t);
        carry = t >> 32;
      }
      full[i + n_ + 1] = static_cast<std::uint32_t>(carry);
    }
    TFix r;
    for (int i = 0; i <= n_; ++i) r.d[i] = full[i + n_];
    return r;
  }

  void MulSmall(TFix& a, std::uint32_t k) const {
    std::uint64_t carry = 0;
    for (int i = 0; i <= n_; ++i) {
      const std::uint64_t t = static_cast<std::uint64_t>(a.d[i]) * k + carry;
      a.d[i] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
  }

  void DivSmall(TFix& a, std::uint32_t k) const {
    std::uint64_t rest = 0;
    for (int i = n_; i >= 0; --i) {
      const std::uint64_t t = (rest << 32) | a.d[i];
      a.d[i] = static_cast<std::uint32_t>(t / k);
      rest = t % k;
    }
  }

  // num / den of two integers, num < den * 2^32.
  TFix Ratio(const TBig& num, const TBig& den) const {
    TFix q = Zero();
    TBig rest{};
    rest.size = den.size + 1;
    const int numBits = 32 * num.size;
    const int total = numBits + 32 * n_;
    for (int bit = total - 1; bit >= 0; --bit) {
      ShiftLeftOne(rest);
      const int source = bit - 32 * n_;
      if (source >= 0 && ((num.d[source / 32] >> (source % 32)) & 1U) != 0) rest.d[0] |= 1U;
      if (!Less(rest, den)) {
        SubBig(rest, den);
        if (bit < 32 * (n_ + 1)) q.d[bit / 32] |= 1U << (bit % 32);
      }
    }
    return q;
  }

  Quad ToQuad(const TFix& a) const {
    int top = 32 * (n_ + 1) - 1;
    while (top >= 0 && ((a.d[top / 32] >> (top % 32)) & 1U) == 0) --top;
    if (top < 0) return 0;
    U128 v = 0;
    for (int i = 127; i >= 0; --i) {
      const int p = top - 127 + i;
      v = (v << 1) | (p >= 0 && ((a.d[p / 32] >> (p % 32)) & 1U) != 0 ? 1U : 0U);
    }
    return ldexpq(static_cast<Quad>(v), top - 127 - 32 * n_);
  }

  int Limbs() const { return n_; }

 private:
  static void ShiftLeftOne(TBig& a) {
    std::uint32_t carry = 0;
    for (int i = 0; i < a.size; ++i) {
      const std::uint32_t next = a.d[i] >> 31;
      a.d[i] = (a.d[i] << 1) | carry;
      carry = next;
    }
  }
  static bool Less(const TBig& a, const TBig& b) {
    for (int i = std::max(a.size, b.size) - 1; i >= 0; --i) {
      const std::uint32_t x = i < a.size ? a.d[i] : 0U, y = i < b.size ? b.d[i] : 0U;
      if (x != y) return x < y;
    }
    return false;
  }
  static void SubBig(TBig& a, const TBig& b) {
    std::int64_t borrow = 0;
    for (int i = 0; i < a.size; ++i) {
      std::int64_t t = static_cast<std::int64_t>(a.d[i]) - (i < b.size ? b.d[i] : 0U) - borrow;
      borrow = t < 0 ? 1 : 0;
      if (t < 0) t += std::int64_t{1} << 32;
      a.d[i] = static_cast<std::uint32_t>(t);
    }
  }

  int n_;
};

// An integer m * 2^shift (m of up to 128 bits, shift >= 0).
TBig BigOf(U128 m, int shift) {
  TBig r{};
  r.size = (shift + 128) / 32 + 2;
  for (int i = 0; i < 128; ++i) {
    if (((m >> i) & 1U) != 0) {
      const int p = i + shift;
      r.d[p / 32] |= 1U << (p % 32);
    }
  }
  return r;
}

TBig Sum(const TBig& a, const TBig& b) {
  TBig r{};
  r.size = std::max(a.size, b.size) + 1;
  std::uint64_t carry = 0;
  for (int i = 0; i < r.size; ++i) {
    const std::uint64_t t = static_cast<std::uint64_t>(i < a.size ? a.d[i] : 0U) + (i < b.size ? b.d[i] : 0U) + carry;
    r.d[i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  return r;
}

// A positive double as an integer mantissa of 53 bits and its exponent.
void Split(double x, std::uint64_t& m, int& e) {
  int exponent = 0;
  const double f = std::frexp(x, &exponent);
  m = static_cast<std::uint64_t>(std::ldexp(f, 53));
  e = exponent - 53;
}

// 2 atanh(t) = ln((1 + t) / (1 - t)) for 0 <= t < 1/5 by its series.
TFix TwiceAtanh(const TFixed& f, const TFix& t) {
  TFix sum = t;
  const TFix t2 = f.Mul(t, t);
  TFix power = t;
  for (std::uint32_t k = 3;; k += 2) {
    power = f.Mul(power, t2);
    if (f.IsZero(power)) break;
    TFix term = power;
    f.DivSmall(term, k);
    f.Add(sum, term);
  }
  f.MulSmall(sum, 2);
  return sum;
}

// ln u - k ln 2 for the k that brings u next to 1, as a signed value, and k.
// u = m 2^e with m in [2^52, 2^53): u / 2^k in [1/sqrt 2, sqrt 2) for
// k = e + 53 or e + 52, and ln(m / 2^j) = 2 atanh((m - 2^j) / (m + 2^j)).
void LnNearOne(const TFixed& f, double u, TFix& magnitude, bool& negative, int& k) {
  std::uint64_t m = 0;
  int e = 0;
  Split(u, m, e);
  int j = 53;
  if (static_cast<double>(m) < 0.70710678118654752440 * 9007199254740992.0) j = 52;
  k = e + j;
  const U128 power = U128{1} << j;
  negative = m < power;
  const U128 difference = negative ? power - m : m - power;
  magnitude = TwiceAtanh(f, f.Ratio(BigOf(difference, 0), BigOf(m + power, 0)));
}

}  // namespace

TPowerAngle PowerAngle(const TPowerBase& b, TComplex w, bool deg) {
  // Bits of fraction: the exponent's leading bit takes away as many as it
  // stands above 1; 320 more keep the remainder's 113 bits also where it
  // lies next to a multiple of pi/2.
  int top = 0;
  for (double c : {w.re, w.im}) {
    if (c != 0.0) top = std::max(top, std::ilogb(c) + 1);
  }
  const int n = std::min(kMaxLimbs - 1, (top + 320 + 31) / 32);
  const TFixed f(n);
  const int fractionBits = 32 * n;

  std::uint64_t um = 0, vm = 0;
  int ue = 0, ve = 0;
  Split(b.u, um, ue);
  const bool hasV = b.v != 0.0;
  if (hasV) Split(b.v, vm, ve);
  // u^2 + v^2 = 2^(2 ue) (um^2 + vm^2 2^-2d) with d = ue - ve >= 0; the
  // share of v is worked out only while it reaches the bits kept.
  const int d = hasV ? ue - ve : 0;
  const bool vMatters = hasV && 2 * d < fractionBits + 64;

  // ln|b| = ln u + 1/2 ln(1 + q), q = (v / u)^2, with
  // ln(1 + q) = 2 atanh(q / (2 + q)) and q / (2 + q) = vm^2 / (2 um^2 2^2d + vm^2).
  TFix lnU;
  bool lnUNegative = false;
  int k = 0;
  LnNearOne(f, b.u, lnU, lnUNegative, k);
  TFix lnModulus = f.FromTable(kLn2Bits);
  const bool kNegative = k < 0;
  f.MulSmall(lnModulus, static_cast<std::uint32_t>(std::abs(k)));
  // The signed sum k ln 2 + ln u', kept as a magnitude and a sign.
  bool lnNegative = kNegative;
  if (lnUNegative == kNegative) {
    f.Add(lnModulus, lnU);
  } else if (!f.Less(lnModulus, lnU)) {
    f.Sub(lnModulus, lnU);
  } else {
    TFix t = lnU;
    f.Sub(t, lnModulus);
    lnModulus = t;
    lnNegative = lnUNegative;
  }
  TBig squares{};
  if (vMatters) {
    const U128 um2 = static_cast<U128>(um) * um, vm2 = static_cast<U128>(vm) * vm;
    squares = Sum(BigOf(um2, 2 * d), BigOf(vm2, 0));  // um^2 2^2d + vm^2
    TFix half = TwiceAtanh(f, f.Ratio(BigOf(vm2, 0), Sum(BigOf(um2, 2 * d + 1), BigOf(vm2, 0))));
    f.DivSmall(half, 2);
    if (!lnNegative) {
      f.Add(lnModulus, half);
    } else if (!f.Less(lnModulus, half)) {
      f.Sub(lnModulus, half);
    } else {
      f.Sub(half, lnModulus);
      lnModulus = half;
      lnNegative = false;
    }
  }

  // atan(v / u) by Euler's series: with s = um^2 2^2d + vm^2,
  // atan(v/u) = (um vm 2^d / s) sum_n (2n)!! / (2n + 1)!! (vm^2 / s)^n.
  TFix rest = f.Zero();
  if (b.restSign != 0 && w.re != 0.0 && hasV && d < fractionBits + 64) {
    const U128 uv = static_cast<U128>(um) * vm;
    if (vMatters) {
      const TFix ratio = f.Ratio(BigOf(static_cast<U128>(vm) * vm, 0), squares);
      TFix term = f.Ratio(BigOf(uv, d), squares);
      rest = term;
      for (std::uint32_t j = 1;; ++j) {
        term = f.Mul(term, ratio);
        f.MulSmall(term, 2 * j);
        f.DivSmall(term, 2 * j + 1);
        if (f.IsZero(term)) break;
        f.Add(rest, term);
      }
    } else {
      // (v/u)^2 lies below the bits kept: atan(v/u) = v/u.
      rest = f.Ratio(BigOf(vm, 0), BigOf(um, d));
    }
  }

  // The angle in quarter turns, modulo 4, as a two's complement number
  // with 256 bits of fraction: 2 w.re turns + w.re rest 2/pi +
  // w.im ln|b| (2/pi, or 1/90 in degree mode).
  const TFix twoOverPi = f.FromTable(kTwoOverPiBits);
  const TFix restTurns = f.Mul(rest, twoOverPi);
  TFix lnTurns = lnModulus;
  if (deg) {
    f.DivSmall(lnTurns, 90);
  } else {
    lnTurns = f.Mul(lnTurns, twoOverPi);
  }
  constexpr int kAccLimbs = 9;
  constexpr int kPoint = 256;
  std::uint32_t acc[kAccLimbs] = {};
  // acc += sign * c * x, x = limbs * 2^-fractionBits (or an integer when
  // limbs is null and x is given as xInt).
  auto accumulate = [&](double c, bool negative, const TFix* x, std::uint32_t xInt) {
    if (c == 0.0) return;
    std::uint64_t cm = 0;
    int ce = 0;
    Split(std::fabs(c), cm, ce);
    if (c < 0.0) negative = !negative;
    // The exact product cm * x as an integer with fractionBits of fraction.
    std::uint32_t product[kMaxLimbs + 4] = {};
    const int xLimbs = x != nullptr ? n + 1 : 1;
    const std::uint32_t cl[2] = {static_cast<std::uint32_t>(cm), static_cast<std::uint32_t>(cm >> 32)};
    for (int i = 0; i < 2; ++i) {
      std::uint64_t carry = 0;
      for (int j = 0; j < xLimbs; ++j) {
        const std::uint32_t xd = x != nullptr ? x->d[j] : xInt;
        const std::uint64_t t = static_cast<std::uint64_t>(cl[i]) * xd + product[i + j] + carry;
        product[i + j] = static_cast<std::uint32_t>(t);
        carry = t >> 32;
      }
      product[i + xLimbs] = static_cast<std::uint32_t>(carry);
    }
    const int productLimbs = xLimbs + 2;
    // Bit p of the term in acc is bit p - shift of the product.
    const int shift = ce + kPoint - (x != nullptr ? fractionBits : 0);
    std::uint32_t term[kAccLimbs] = {};
    for (int p = 0; p < 32 * kAccLimbs; ++p) {
      const int source = p - shift;
      if (source < 0 || source >= 32 * productLimbs) continue;
      if (((product[source / 32] >> (source % 32)) & 1U) != 0) term[p / 32] |= 1U << (p % 32);
    }
    std::uint64_t carry = negative ? 1 : 0;
    for (int i = 0; i < kAccLimbs; ++i) {
      const std::uint32_t t = negative ? ~term[i] : term[i];
      const std::uint64_t s = static_cast<std::uint64_t>(acc[i]) + t + carry;
      acc[i] = static_cast<std::uint32_t>(s);
      carry = s >> 32;
    }
  };
  // turns = k/4, so 2 w.re turns = w.re k / 2: k halves.
  const long double quarters = b.turns * 4.0L;
  if (quarters != 0.0L) {
    accumulate(w.re / 2.0, quarters < 0.0L, nullptr, static_cast<std::uint32_t>(std::fabs(quarters)));
  }
  if (b.restSign != 0) accumulate(w.re, b.restSign < 0, &restTurns, 0);
  accumulate(w.im, lnNegative, &lnTurns, 0);

  TPowerAngle r;
  r.angle = FromQuarterTurns(acc, kAccLimbs, kPoint);
  r.lnModulus = f.ToQuad(lnModulus);
  if (lnNegative) r.lnModulus = -r.lnModulus;
  r.rest = f.ToQuad(rest);
  if (b.restSign < 0) r.rest = -r.rest;
  return r;
}

}  // namespace veltaro::angle
