// Building blocks that keep every digit inside an operation: sums of products
// of doubles without cancellation loss, the logarithm of a modulus next to 1,
// the argument, and the conversions between degrees and radians.
//
// The arithmetic itself runs in the 80-bit extended format. Where extended
// precision is not enough because two nearly equal quantities are
// subtracted, the exact products of doubles are formed in the 113-bit binary
// format of __float128 (a product of two doubles needs 106 bits), so the
// difference is exact up to one rounding.
#pragma once

#include <numbers>

namespace veltaro::wide {

using Quad = __float128;

inline constexpr long double kPi = std::numbers::pi_v<long double>;
inline constexpr long double kHalfPi = kPi / 2;

// The mathematical constants to 128 bits, as the sum of two extended values.
inline constexpr long double kPiHi = 0xc.90fdaa22168c235p-2L;
inline constexpr long double kPiLo = -0xe.ce675d1fc8f8cbbp-68L;
inline constexpr long double kLn2Hi = 0xb.17217f7d1cf79acp-4L;
inline constexpr long double kLn2Lo = -0xd.871319ff0342543p-70L;
inline constexpr long double kLn10Hi = 0x9.35d8dddaaa8ac17p-2L;
inline constexpr long double kLn10Lo = -0xa.d494ea3e967aeb9p-69L;

inline Quad QuadPi() { return static_cast<Quad>(kPiHi) + static_cast<Quad>(kPiLo); }
inline Quad QuadLn2() { return static_cast<Quad>(kLn2Hi) + static_cast<Quad>(kLn2Lo); }

// Rounds a wide value once to double; false when it is not finite or beyond
// the double range.
bool StoreQuad(Quad v, double& out);

// x^2 + y^2 - 1 of doubles, exact before its rounding to extended.
long double SquaresMinusOne(double x, double y);

// ln |x + iy|, accurate to the last bits also when |x + iy| is next to 1.
long double LnModulus(double x, double y);
// The same in 113 bits (for the power, where it is multiplied by a large
// exponent): exact to about 2^-64 of ln|z| - k ln 2 for the nearest power of
// two 2^k.
Quad LnModulusWide(double x, double y);

// The same to the last bit of the 113-bit format, absolutely (for the angle
// of a power, where it is multiplied by an imaginary exponent).
Quad LnModulusQuad(double x, double y);

// The argument of x + iy in radians, (-pi, pi]: a zero of either sign counts
// as +0, so a negative real number has the argument +pi.
long double Argument(long double x, long double y);

// An angle in radians as the current angle mode shows it (degrees in degree
// mode).
long double AngleInMode(long double radians);

// The argument of x + iy in 113 bits (not both 0).
Quad ArgumentWide(double x, double y);

// cos(pi*w) and sin(pi*w), exact next to the zeros; w must be exact in
// extended precision (a double, or a double times 1/4 or 3/4).
void CosSinPi(long double w, long double& c, long double& s);

}  // namespace veltaro::wide
