#include "Angle.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include <quadmath.h>

#include "Complex.h"
#include "TwoOverPi.h"

namespace veltaro::angle {

namespace {

using wide::Quad;
__extension__ typedef unsigned __int128 U128;

constexpr int kTableWords = sizeof kTwoOverPiBits / sizeof kTwoOverPiBits[0];

// Words of 2/pi taken past the ones that only add multiples of four quarter
// turns: 12 words leave more than 280 bits below the binary point of the
// product, far more than a remainder next to a multiple of pi/2 consumes.
constexpr int kWindow = 12;
// Limbs of the product of a mantissa of up to 128 bits and the window.
constexpr int kProductLimbs = kWindow + 4;

const Quad kQuadHalfPi = wide::QuadPi() / 2;
const Quad kQuadPiOver180 = wide::QuadPi() / 180;

bool Bit(const std::uint32_t* limbs, int position) { return ((limbs[position / 32] >> (position % 32)) & 1U) != 0; }

// The 32 bits [low, low + 32) of a little-endian number of count limbs;
// bits below 0 and beyond the top are 0.
std::uint32_t Word(const std::uint32_t* limbs, int count, int low) {
  if (low <= -32) return 0;
  if (low < 0) return limbs[0] << (-low);
  const int i = low / 32, shift = low % 32;
  std::uint32_t w = i < count ? limbs[i] >> shift : 0U;
  if (shift != 0 && i + 1 < count) w |= limbs[i + 1] << (32 - shift);
  return w;
}

// The bits [low, low + 128) of a little-endian number, as one integer.
U128 Bits128(const std::uint32_t* limbs, int count, int low) {
  U128 v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 32) | Word(limbs, count, low + 32 * i);
  return v;
}

// Reduces m * 2^e (m > 0, at most 128 bits) by pi/2: x * 2/pi is formed
// exactly from the bits of 2/pi that matter (Payne and Hanek), its
// nearest integer n gives the quadrant and the rest, a fraction of a
// quarter turn with all its leading zeros, is turned into radians.
TReduced ReduceMantissa(U128 m, int e, bool negative) {
  const int first = e >= 2 ? (e - 2) / 32 : 0;
  if (first + kWindow > kTableWords) return TReduced{};  // beyond every angle the program forms
  std::uint32_t window[kWindow];
  for (int i = 0; i < kWindow; ++i) window[i] = kTwoOverPiBits[first + kWindow - 1 - i];
  std::uint32_t mantissa[4];
  for (int i = 0; i < 4; ++i) mantissa[i] = static_cast<std::uint32_t>(m >> (32 * i));
  std::uint32_t product[kProductLimbs] = {};
  for (int i = 0; i < 4; ++i) {
    if (mantissa[i] == 0) continue;
    std::uint64_t carry = 0;
    for (int j = 0; j < kWindow; ++j) {
      const std::uint64_t t = static_cast<std::uint64_t>(mantissa[i]) * window[j] + product[i + j] + carry;
      product[i + j] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    for (int k = i + kWindow; carry != 0 && k < kProductLimbs; ++k) {
      const std::uint64_t t = static_cast<std::uint64_t>(product[k]) + carry;
      product[k] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
  }
  TReduced r = FromQuarterTurns(product, kProductLimbs, 32 * (first + kWindow) - e);
  if (negative) {
    r.quadrant = (4 - r.quadrant) & 3;
    r.rest = -r.rest;
  }
  return r;
}

}  // namespace

TReduced FromQuarterTurns(std::uint32_t* limbs, int count, int point) {
  TReduced r;
  int n = (Bit(limbs, point) ? 1 : 0) + (Bit(limbs, point + 1) ? 2 : 0);
  // The fraction below the point, as the distance to the nearest integer.
  const bool upper = Bit(limbs, point - 1);
  if (upper) {
    ++n;
    // 2^point - fraction: the two's complement of the low bits.
    std::uint64_t borrow = 1;
    for (int i = 0; i < count; ++i) {
      const std::uint64_t t = static_cast<std::uint64_t>(static_cast<std::uint32_t>(~limbs[i])) + borrow;
      limbs[i] = static_cast<std::uint32_t>(t);
      borrow = t >> 32;
    }
  }
  // Only the fraction stays.
  limbs[point / 32] &= (1U << (point % 32)) - 1U;
  for (int i = point / 32 + 1; i < count; ++i) limbs[i] = 0;
  int word = point / 32;
  while (word >= 0 && limbs[word] == 0) --word;
  Quad fraction = 0;
  if (word >= 0) {
    const int top = 32 * word + 31 - __builtin_clz(limbs[word]);
    fraction = ldexpq(static_cast<Quad>(Bits128(limbs, count, top - 127)), top - 127 - point);
  }
  if (upper) fraction = -fraction;
  r.quadrant = n & 3;
  r.rest = fraction * kQuadHalfPi;
  return r;
}

TReduced ReduceRadians(double x) {
  TReduced r;
  if (!(std::fabs(x) > wide::kPi / 4)) {
    r.rest = x;
    return r;
  }
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  const U128 m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  return ReduceMantissa(m, biased - 1075, x < 0.0);
}

TReduced ReduceRadiansWide(Quad x) {
  TReduced r;
  if (!(fabsq(x) > wide::kPi / 4)) {
    r.rest = x;
    return r;
  }
  if (isinfq(x) || isnanq(x)) return r;
  U128 bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int biased = static_cast<int>((bits >> 112) & 0x7fff);
  const U128 m = (bits & ((U128{1} << 112) - 1)) | (U128{1} << 112);
  return ReduceMantissa(m, biased - 16383 - 112, x < 0);
}

TReduced ReduceDegrees(double x) {
  // Both steps are exact: a remainder modulo 360 of a double is a double,
  // and so is its difference from the nearest multiple of 90.
  const double turn = std::fmod(x, 360.0);
  const double n = std::nearbyint(turn / 90.0);
  const double rest = turn - 90.0 * n;
  TReduced r;
  r.quadrant = (static_cast<int>(n) % 4 + 4) % 4;
  r.rest = static_cast<Quad>(rest) * kQuadPiOver180;
  return r;
}

TReduced ReduceInMode(double angle) { return DegMode ? ReduceDegrees(angle) : ReduceRadians(angle); }

void CosSin(const TReduced& a, long double& c, long double& s) {
  // Within pi/4 the extended sine and cosine are exact to the last bit or
  // so on every platform; the part of the remainder beyond extended
  // precision enters through the derivatives.
  const long double hi = static_cast<long double>(a.rest);
  const long double lo = static_cast<long double>(a.rest - static_cast<Quad>(hi));
  long double sa = std::sin(hi), ca = std::cos(hi);
  if (lo != 0.0L) {
    const long double s0 = sa;
    sa = sa + ca * lo;
    ca = ca - s0 * lo;
  }
  switch (a.quadrant & 3) {
    case 0: c = ca; s = sa; break;
    case 1: c = -sa; s = ca; break;
    case 2: c = -ca; s = -sa; break;
    default: c = sa; s = -ca; break;
  }
  // An exact zero is +0, whatever the quadrant's sign.
  c += 0.0L;
  s += 0.0L;
}

}  // namespace veltaro::angle
