#include "Trig.h"

#include <gtest/gtest.h>

#include <cmath>

namespace veltaro {
namespace {

// Angles next to multiples of pi/2, where a reduction by a short pi loses
// the small results, and ordinary ones; the expected values are the sine and
// cosine of the double angle, correctly rounded.
TEST(Trig, SineAndCosineOfDoubleAnglesToTheLastDigits) {
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
  };
  for (const auto& r : rows) {
    const double s = static_cast<double>(Sine(r.x));
    const double c = static_cast<double>(Cosine(r.x));
    EXPECT_NEAR(s, r.sine, std::fabs(r.sine) * 1e-15) << "sin " << r.x;
    EXPECT_NEAR(c, r.cosine, std::fabs(r.cosine) * 1e-15) << "cos " << r.x;
  }
}

}  // namespace
}  // namespace veltaro
