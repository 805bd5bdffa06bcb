#include "Angle.h"

#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"

namespace veltaro {
namespace {

double Sin(double x) {
  long double c, s;
  angle::CosSin(angle::ReduceRadians(x), c, s);
  return static_cast<double>(s);
}

double Cos(double x) {
  long double c, s;
  angle::CosSin(angle::ReduceRadians(x), c, s);
  return static_cast<double>(c);
}

// Angles next to multiples of pi/2, where a reduction by a short pi loses
// the small results, ordinary ones and angles of every size up to the
// largest double; the expected values are the sine and cosine of the double
// angle, correctly rounded.
TEST(Angle, SineAndCosineOfDoubleAnglesToTheLastDigits) {
  const struct {
    double x;
    double sine;
    double cosine;
  } rows[] = {
      {1.5707963267948966, 1.0, 6.123233995736766e-17},
      {3.141592653589793, 1.2246467991473532e-16, -1.0},
      {4.71238898038469, -1.0, -1.8369701987210297e-16},
      {6.283185307179586, -2.4492935982947064e-16, 1.0},
      {314.1592653589793, 1.964386723728472e-15, 1.0},
      {19391.480654282997, 1.0, 1.3438873506151866e-12},
      {3141592.653589793, -2.231912181360871e-10, 1.0},
      {0.5, 0.479425538604203, 0.8775825618903728},
      {-1.5707963267948966, -1.0, 6.123233995736766e-17},
      {-9.42477796076938, -3.6739403974420594e-16, -1.0},
      {1000000000.0, 0.5458434494486996, 0.8378871813639024},
      {1073741824.0, -0.6173264150460421, 0.7867071229411882},
      {0.0, 0.0, 1.0},
      {1e22, -0.8522008497671888, 0.523214785395139},
      {-1e22, 0.8522008497671888, 0.523214785395139},
      {9223372036854775808.0, 0.9999303766734422, 0.011800076512800236},
      {1e300, -0.8178819121159085, -0.5753861119575491},
      {1.7976931348623157e308, 0.004961954789184062, -0.9999876894265599},
      // The double closest to a multiple of pi/2 of all: 6381956970095103 * 2^797.
      {5.319372648326541e255, 1.0, -4.687165924254628e-19},
  };
  for (const auto& r : rows) {
    EXPECT_NEAR(Sin(r.x), r.sine, std::fabs(r.sine) * 1e-15) << "sin " << r.x;
    EXPECT_NEAR(Cos(r.x), r.cosine, std::fabs(r.cosine) * 1e-15) << "cos " << r.x;
  }
}

// Degrees are reduced in degrees: every multiple of 90 is an exact quarter
// turn, at every size.
TEST(Angle, DegreesReduceToExactQuarterTurns) {
  const struct {
    double degrees;
    int quadrant;
  } rows[] = {
      {0, 0}, {90, 1}, {180, 2}, {270, 3}, {360, 0}, {-90, 3}, {-180, 2}, {450, 1}, {3.6e20, 0}, {-1e300, 0},
  };
  for (const auto& r : rows) {
    const angle::TReduced a = angle::ReduceDegrees(r.degrees);
    EXPECT_EQ(a.quadrant, r.quadrant) << r.degrees;
    EXPECT_TRUE(a.rest == 0) << r.degrees;
    long double c, s;
    angle::CosSin(a, c, s);
    EXPECT_EQ(std::fabs(c) + std::fabs(s), 1.0L) << r.degrees;
    EXPECT_FALSE(std::signbit(c) && c == 0.0L) << r.degrees;
  }
  long double c, s;
  angle::CosSin(angle::ReduceDegrees(30), c, s);
  EXPECT_EQ(static_cast<double>(s), 0.5);
  angle::CosSin(angle::ReduceDegrees(-120), c, s);
  EXPECT_EQ(static_cast<double>(c), -0.5);
  DegModeScope deg(true);
  EXPECT_EQ(angle::ReduceInMode(180).quadrant, 2);
}

}  // namespace
}  // namespace veltaro
