// Sine and cosine of an extended-precision angle in radians. The C library
// of a Windows build leaves them to the processor's own instructions, whose
// reduction by a 66-bit pi loses most digits next to the multiples of pi/2
// (cos of the double nearest pi/2 came out 6.12303E-17 instead of
// 6.12323E-17). There the angle is first reduced with pi/2 to 128 bits, and
// the processor only sees angles up to pi/4, where it is exact to the last
// bit or so; elsewhere the library's functions are used as they are.
#pragma once

#include <cmath>
#include <numbers>

namespace veltaro {

#ifdef _WIN32
namespace trig_detail {

// pi/2 in four parts of 32 bits each: any quadrant count below 2^32 times a
// part is exact in 64 bits.
inline constexpr long double kHalfPi1 = 0xc90fdaa2p-31L;
inline constexpr long double kHalfPi2 = 0x85a308d3p-65L;
inline constexpr long double kHalfPi3 = 0x98cc5170p-100L;
inline constexpr long double kHalfPi4 = 0xdc1cd129p-135L;
inline constexpr long double kReducedLimit = 2147483648.0L;  // 2^31

// x - k*pi/2 for the k nearest x/(pi/2); false when x is too large for an
// exact reduction here.
inline bool Reduce(long double x, long double& r, unsigned& quadrant) {
  if (!(std::fabs(x) < kReducedLimit)) return false;
  const long double k = std::nearbyint(x * (2.0L / std::numbers::pi_v<long double>));
  r = (((x - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3) - k * kHalfPi4;
  quadrant = static_cast<unsigned>(static_cast<long long>(k) & 3);
  return true;
}

}  // namespace trig_detail

inline long double Sine(long double x) {
  long double r;
  unsigned quadrant;
  if (!trig_detail::Reduce(x, r, quadrant)) return std::sin(x);
  switch (quadrant) {
    case 0: return std::sin(r);
    case 1: return std::cos(r);
    case 2: return -std::sin(r);
    default: return -std::cos(r);
  }
}

inline long double Cosine(long double x) {
  long double r;
  unsigned quadrant;
  if (!trig_detail::Reduce(x, r, quadrant)) return std::cos(x);
  switch (quadrant) {
    case 0: return std::cos(r);
    case 1: return -std::sin(r);
    case 2: return -std::cos(r);
    default: return std::sin(r);
  }
}
#else
inline long double Sine(long double x) { return std::sin(x); }
inline long double Cosine(long double x) { return std::cos(x); }
#endif

}  // namespace veltaro
