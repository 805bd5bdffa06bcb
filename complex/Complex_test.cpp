#include "Complex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "TestSupport.h"

namespace veltaro {
namespace {

constexpr double kPiD = std::numbers::pi;

TEST(GuardedSum, DropsAnOperandSmallerByMoreThan1e15) {
  struct Row { long double a, b, expected; };
  const Row rows[] = {
      {1.0L, 1e-16L, 1.0L},            // b dropped
      {1e-16L, 1.0L, 1.0L},            // a dropped
      {1.0L, 0.0L, 1.0L},              // zero never triggers the rule
      {0.0L, 0.0L, 0.0L},
      {1.0L, 2e-15L, 1.0L + 2e-15L},   // ratio not below 1e-15: plain sum
      {-1.0L, 1e-40L, -1.0L},
      {3.0L, 4.0L, 7.0L},
  };
  for (const Row& r : rows) EXPECT_EQ(GuardedSum(r.a, r.b), r.expected) << r.a << " + " << r.b;
}

TEST(GuardedDifference, DropsAnOperandSmallerByMoreThan1e15) {
  struct Row { long double a, b, expected; };
  const Row rows[] = {
      {1e-40L, 1.0L, -1.0L},           // a dropped: -b
      {1.0L, 1e-40L, 1.0L},            // b dropped: a
      {0.0L, 1.0L, -1.0L},             // plain 0 - 1
      {5.0L, 3.0L, 2.0L},
      {1.0L, 1.0L, 0.0L},
  };
  for (const Row& r : rows) EXPECT_EQ(GuardedDifference(r.a, r.b), r.expected) << r.a << " - " << r.b;
}

TEST(SnapComplex, ClearsAComponentNegligibleAgainstTheModulus) {
  struct Row { TComplex in, expected; };
  const Row rows[] = {
      {{1.0, 1e-16}, {1.0, 0.0}},
      {{1e-16, 1.0}, {0.0, 1.0}},
      {{1.0, 2e-15}, {1.0, 2e-15}},
      {{1e-300, 0.0}, {1e-300, 0.0}},     // a single nonzero component stays
      {{0.0, 6.123233995736766e-17}, {0.0, 6.123233995736766e-17}},
      {{0.0, 0.0}, {0.0, 0.0}},
  };
  for (const Row& r : rows) {
    TComplex z = r.in;
    SnapComplex(z);
    EXPECT_EQ(z, r.expected) << r.in;
  }
}

TEST(ComplexArgument, CoversEveryQuadrantInBothModes) {
  struct Row { TComplex z; long double rad, deg; };
  const long double pi = std::numbers::pi_v<long double>;
  const Row rows[] = {
      {{-1, 0}, pi, 180.0L},
      {{0, -1}, -pi / 2, -90.0L},
      {{0, 1}, pi / 2, 90.0L},
      {{0, 0}, 0.0L, 0.0L},
      {{1, 1}, pi / 4, 45.0L},
      {{-1, -1}, std::atan(1.0L) - pi, -135.0L},
  };
  for (const Row& r : rows) {
    DegModeScope rad(false);
    EXPECT_EQ(ComplexArgument(r.z), r.rad) << r.z;
    DegModeScope deg(true);
    EXPECT_NEAR(static_cast<double>(ComplexArgument(r.z)), static_cast<double>(r.deg), 1e-12) << r.z;
  }
}

TEST(ComplexMultiply, SnapsResidueAndFailsOnOverflow) {
  TComplex r;
  ASSERT_TRUE(ComplexMultiply({0, 1}, {0, 1}, r));
  EXPECT_EQ(r, (TComplex{-1, 0}));
  ASSERT_TRUE(ComplexMultiply({1e-20, 1}, {1e-20, 1}, r));
  EXPECT_EQ(r, (TComplex{-1, 0}));
  ASSERT_TRUE(ComplexMultiply({3, 4}, {3, -4}, r));
  EXPECT_EQ(r, (TComplex{25, 0}));
  EXPECT_FALSE(ComplexMultiply({1e200, 0}, {1e200, 0}, r));
  // Underflow is silent.
  ASSERT_TRUE(ComplexMultiply({1e-200, 0}, {1e-200, 0}, r));
  EXPECT_EQ(r, (TComplex{0, 0}));
  // The output may be one of the inputs.
  TComplex z{2, 3};
  ASSERT_TRUE(ComplexMultiply(z, z, z));
  EXPECT_EQ(z, (TComplex{-5, 12}));
}

TEST(ComplexDivide, FailsOnZeroDivisorWithZeroResult) {
  TComplex r{7, 7};
  EXPECT_FALSE(ComplexDivide({1, 1}, {0, 0}, r));
  EXPECT_EQ(r, (TComplex{0, 0}));
  ASSERT_TRUE(ComplexDivide({0, 0}, {3, 4}, r));
  EXPECT_EQ(r, (TComplex{0, 0}));
  ASSERT_TRUE(ComplexDivide({1, 0}, {0, 1}, r));
  EXPECT_EQ(r, (TComplex{0, -1}));
  ASSERT_TRUE(ComplexDivide({10, 5}, {1, 2}, r));
  EXPECT_EQ(r, (TComplex{4, -3}));
  EXPECT_FALSE(ComplexDivide({1e300, 0}, {1e-300, 0}, r));
}

TEST(ComplexLn, PrincipalValueInBothModes) {
  TComplex r{5, 5};
  EXPECT_FALSE(ComplexLn({0, 0}, r));
  EXPECT_EQ(r, (TComplex{0, 0}));
  {
    DegModeScope rad(false);
    ASSERT_TRUE(ComplexLn({-1, 0}, r));
    EXPECT_EQ(r, (TComplex{0, kPiD}));
    ASSERT_TRUE(ComplexLn({1, 0}, r));
    EXPECT_EQ(r, (TComplex{0, 0}));
  }
  DegModeScope deg(true);
  ASSERT_TRUE(ComplexLn({-1, 0}, r));
  EXPECT_EQ(r, (TComplex{0, 180}));
}

TEST(ComplexExp, SnapsOverflowsAndReadsDegrees) {
  TComplex r;
  DegModeScope rad(false);
  ASSERT_TRUE(ComplexExp({0, kPiD}, r));
  EXPECT_EQ(r, (TComplex{-1, 0}));
  EXPECT_FALSE(ComplexExp({710, 0}, r));
  ASSERT_TRUE(ComplexExp({-1000, 0}, r));
  EXPECT_EQ(r, (TComplex{0, 0}));
  // An angle of any size is reduced exactly.
  ASSERT_TRUE(ComplexExp({0, 1e19}, r));
  EXPECT_EQ(r, (TComplex{-0.37490516955071784, -0.9270631660486504}));
  ASSERT_TRUE(ComplexExp({0, 1e22}, r));
  EXPECT_EQ(r, (TComplex{0.523214785395139, -0.8522008497671888}));
  ASSERT_TRUE(ComplexExp({709, 0}, r));
  EXPECT_NEAR(r.re, 8.218407461554972e307, 1e293);
  {
    DegModeScope deg(true);
    ASSERT_TRUE(ComplexExp({0, 180}, r));
    EXPECT_EQ(r, (TComplex{-1, 0}));
  }
}

TEST(ComplexPower, ZeroBaseRulesAndPrincipalValues) {
  struct Row { TComplex base, exponent, expected; };
  const Row exact[] = {
      {{0, 0}, {0, 0}, {1, 0}},
      {{0, 0}, {2, 0}, {0, 0}},
      {{0, 0}, {0.5, -3}, {0, 0}},
      {{-2, 0}, {2, 0}, {4, 0}},
      {{-1, 0}, {3, 0}, {-1, 0}},
      {{2, 0}, {0, 0}, {1, 0}},
      {{-4, 0}, {0.5, 0}, {0, 2}},
  };
  DegModeScope rad(false);
  for (const Row& r : exact) {
    TComplex out;
    ASSERT_TRUE(ComplexPower(r.base, r.exponent, out)) << r.base << "^" << r.exponent;
    EXPECT_EQ(out, r.expected) << r.base << "^" << r.exponent;
  }
  TComplex out;
  ASSERT_TRUE(ComplexPower({-8, 0}, {1.0 / 3.0, 0}, out));
  EXPECT_NEAR(out.re, 1.0, 1e-15);
  EXPECT_NEAR(out.im, 1.7320508075688772, 1e-15);
  ASSERT_TRUE(ComplexPower({0, 1}, {0, 1}, out));
  EXPECT_NEAR(out.re, 0.20787957635076193, 1e-16);
  EXPECT_EQ(out.im, 0.0);
  {
    DegModeScope deg(true);
    ASSERT_TRUE(ComplexPower({0, 1}, {0, 1}, out));
    EXPECT_NEAR(out.re / 8.194012623990515e-40, 1.0, 1e-14);
    EXPECT_EQ(out.im, 0.0);
  }
  EXPECT_FALSE(ComplexPower({10, 0}, {400, 0}, out));
  // 0^w has no value where the real part of w is not positive (w != 0).
  for (const TComplex w : {TComplex{-1, 0}, TComplex{0, 1}, TComplex{-2, 1}, TComplex{0, -1e-300}}) {
    EXPECT_FALSE(ComplexPower({0, 0}, w, out)) << w;
  }
}

TEST(PlainSum, NoSnappingAndOverflowWhenStored) {
  TComplex r;
  ASSERT_TRUE(ComplexPlainSum({0.1, 0}, {0.2, 0}, r));
  EXPECT_EQ(r.re, 0.30000000000000004);
  ASSERT_TRUE(ComplexPlainSum({1, 1e-20}, {0, 0}, r));
  EXPECT_EQ(r, (TComplex{1, 1e-20}));
  EXPECT_FALSE(ComplexPlainSum({1e308, 0}, {1e308, 0}, r));
  EXPECT_FALSE(ComplexPlainDifference({0, -1e308}, {0, 1e308}, r));
  ASSERT_TRUE(ComplexPlainDifference({std::numeric_limits<double>::max(), 0}, {1, 0}, r));
}

}  // namespace
}  // namespace veltaro
