// Angles reduced exactly to a quarter turn: whatever the size of an angle,
// its sine and cosine come from the angle itself, not from a rounded
// multiple of pi. In degree mode an angle is reduced in degrees, so the
// multiples of 90 degrees are exact quarter turns (sin 180 = 0, cos 90 = 0).
#pragma once

#include <cstdint>

#include "Wide.h"

namespace veltaro::angle {

// n quarter turns plus a remainder in [-pi/4, pi/4] radians, in 113 bits.
struct TReduced {
  int quadrant = 0;  // n mod 4
  wide::Quad rest = 0;
};

// An angle in radians, any finite value: its remainder is exact to 113 bits
// however close the angle lies to a multiple of pi/2.
TReduced ReduceRadians(double x);
TReduced ReduceRadiansWide(wide::Quad x);

// An angle in degrees: reduced modulo 90 exactly, then turned into radians.
TReduced ReduceDegrees(double x);

// An angle given as a number of quarter turns, x = limbs * 2^-point modulo
// 4, in count little-endian 32-bit limbs (changed): the quarter turns
// nearest x and the remainder in radians, with every bit of it that the
// limbs hold below its leading zeros (up to 113).
TReduced FromQuarterTurns(std::uint32_t* limbs, int count, int point);

// An angle given in the current angle mode.
TReduced ReduceInMode(double angle);

// The cosine and the sine of a reduced angle; exactly (1, 0), (0, 1),
// (-1, 0) or (0, -1) when the remainder is 0.
void CosSin(const TReduced& a, long double& c, long double& s);

}  // namespace veltaro::angle
