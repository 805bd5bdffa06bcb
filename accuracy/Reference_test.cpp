// The reference arithmetic on its own: values known in closed form, the
// failures, the angle mode, the exact zeros and the tie distance.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "Format.h"
#include "ReferenceArithmetic.h"
#include "TermTree.h"

namespace veltaro::reference {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
// ln(2 + sqrt 3) = 1.31695789692481670862..., correctly rounded.
constexpr double kLnRoot3 = 1.3169578969248168;
constexpr double kHalfLn3 = 0.5493061443340549;   // ln 3 / 2

TComplex Ref(std::uint8_t op, TComplex a, TComplex b = {}, bool deg = false) {
  const TReferenceResult r = ReferenceEvaluate(op, a, b, deg);
  EXPECT_TRUE(r.settled) << "op " << int(op) << " (" << a.re << ", " << a.im << ")";
  EXPECT_TRUE(r.ok) << "op " << int(op) << " (" << a.re << ", " << a.im << ")";
  return r.value;
}

std::string RefText(std::uint8_t op, TComplex a, TComplex b = {}, bool deg = false) {
  return FormatComplex(Ref(op, a, b, deg));
}

bool RefFails(std::uint8_t op, TComplex a, TComplex b = {}, bool deg = false) {
  const TReferenceResult r = ReferenceEvaluate(op, a, b, deg);
  EXPECT_TRUE(r.settled);
  return !r.ok;
}

// The values that the finished program must print, worked out by the
// reference from the same operands the terms give.
TEST(Reference, GivesTheKnownResultTexts) {
  EXPECT_EQ(RefText(opPower, {7, 0}, {7, 0}), "823543");
  EXPECT_EQ(RefText(opPower, {3, 0}, {20, 0}), "3486784401");
  EXPECT_EQ(RefText(opPower, {10, 0}, {15, 0}), "1E15");
  EXPECT_EQ(RefText(opPower, {1000, 0}, {5, 0}), "1E15");
  const TComplex third = Ref(opDivide, {1, 0}, {3, 0});
  EXPECT_EQ(third.re, 1.0 / 3.0);
  EXPECT_EQ(RefText(opPower, {357911, 0}, third), "71");
  EXPECT_EQ(RefText(opArcCos, {1E10, 0}), "23.7189981105004*i");
  EXPECT_EQ(RefText(opArcSin, {0, 1E20}), "46.7448490404409*i");
  const TComplex iTimes = Ref(opMultiply, {0, 1}, {1E-10, 0});
  EXPECT_EQ(RefText(opSin, iTimes), "1E-10*i");
  EXPECT_EQ(RefText(opArcCot, {1E10, 0}), "1E-10");
  // sqrt(913) = 30.2158898594762...
  EXPECT_EQ(RefText(opSqrt, {913, 0}), "30.2158898594763");
  const TComplex ii = Ref(opMultiply, {0, 1}, {0, 1});
  EXPECT_EQ(ii, (TComplex{-1, 0}));
  EXPECT_EQ(RefText(opAdd, ii, {1, 0}), "0");
  const TComplex iPi = Ref(opMultiply, {0, 1}, {kPi, 0});
  EXPECT_EQ(Ref(opPower, {2.718281828459045, 0}, iPi), (TComplex{-1, 0}));
  const TComplex minusTwo = Ref(opSubtract, {0, 0}, {2, 0});
  EXPECT_EQ(Ref(opPower, minusTwo, {2, 0}), (TComplex{4, 0}));
  const TComplex minusEight = Ref(opSubtract, {0, 0}, {8, 0});
  EXPECT_EQ(RefText(opPower, minusEight, third), "1+1.73205080756888*i");
}

TEST(Reference, FollowsTheDefinitionsOnTheAxes) {
  EXPECT_EQ(Ref(opArcSin, {2, 0}), (TComplex{kHalfPi, -kLnRoot3}));
  EXPECT_EQ(Ref(opArcSin, {-2, 0}), (TComplex{-kHalfPi, kLnRoot3}));
  EXPECT_EQ(Ref(opArcCos, {2, 0}), (TComplex{0, kLnRoot3}));
  EXPECT_EQ(Ref(opArcCos, {-2, 0}), (TComplex{kPi, -kLnRoot3}));
  EXPECT_EQ(Ref(opArcTan, {0, 2}), (TComplex{kHalfPi, kHalfLn3}));
  EXPECT_EQ(Ref(opArcTan, {0, -2}), (TComplex{-kHalfPi, -kHalfLn3}));
  EXPECT_EQ(Ref(opArTanh, {2, 0}), (TComplex{kHalfLn3, kHalfPi}));
  EXPECT_EQ(Ref(opArTanh, {2, 0}, {}, true), (TComplex{kHalfLn3, 90}));
  EXPECT_EQ(Ref(opArCoth, {2, 0}), (TComplex{kHalfLn3, 0}));
  EXPECT_EQ(Ref(opArCosh, {-2, 0}), (TComplex{-kLnRoot3, kPi}));
  EXPECT_EQ(Ref(opArcSin, {1, 0}), (TComplex{kHalfPi, 0}));
  EXPECT_EQ(Ref(opArcSin, {1, 0}, {}, true), (TComplex{90, 0}));
  EXPECT_EQ(Ref(opArcCos, {0, 0}, {}, true), (TComplex{90, 0}));
  EXPECT_EQ(Ref(opLn, {-1, 0}), (TComplex{0, kPi}));
  EXPECT_EQ(Ref(opLn, {-1, 0}, {}, true), (TComplex{0, 180}));
  EXPECT_EQ(Ref(opExp, {0, 180}, {}, true), (TComplex{-1, 0}));
  EXPECT_EQ(Ref(opArg, {0, -1}), (TComplex{-kHalfPi, 0}));
  EXPECT_EQ(Ref(opArg, {-1, 0}, {}, true), (TComplex{180, 0}));
  EXPECT_EQ(Ref(opArg, {0, 0}), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opSqrt, {-4, 0}), (TComplex{0, 2}));
  EXPECT_EQ(Ref(opSqrt, {-4, 0}, {}, true), (TComplex{0, 2}));
  EXPECT_EQ(Ref(opArcTan, {1, 0}, {}, true), (TComplex{45, 0}));
  EXPECT_EQ(Ref(opArcCot, {1, 0}, {}, true), (TComplex{45, 0}));
  EXPECT_EQ(Ref(opArcCot, {0, 0}), (TComplex{kHalfPi, 0}));
  EXPECT_EQ(Ref(opArcCot, {-1, 0}), (TComplex{3 * kPi / 4, 0}));
  EXPECT_EQ(Ref(opLog, {100, 0}), (TComplex{2, 0}));
  // ln 1000 / ln 10 is exactly 3.
  EXPECT_EQ(Ref(opLog, {1000, 0}), (TComplex{3, 0}));
  EXPECT_EQ(Ref(opLg, {2, 0}, {8, 0}), (TComplex{3, 0}));
  // 30 degrees are read as the double 0.52359877559829892668..., just
  // above pi/6, whose sine 0.50000000000000004642... rounds to 0.5.
  EXPECT_EQ(Ref(opSin, {30, 0}, {}, true), (TComplex{0.5, 0}));
  // Degrees are exact: multiples of 90 are exact quarter turns.
  EXPECT_EQ(Ref(opCos, {90, 0}, {}, true), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opSin, {180, 0}, {}, true), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opCos, {60, 0}, {}, true), (TComplex{0.5, 0}));
  EXPECT_EQ(Ref(opTan, {45, 0}, {}, true), (TComplex{1, 0}));
  EXPECT_EQ(Ref(opCosh, {0, 90}, {}, true), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opCos, {90, 0}), (TComplex{-0.4480736161291701, 0}));
  EXPECT_EQ(Ref(opTanh, {1, 0}), (TComplex{0.7615941559557649, 0}));
  // e^(-pi/2) = 0.20787957635076190854...
  EXPECT_EQ(Ref(opPower, {0, 1}, {0, 1}), (TComplex{0.2078795763507619, 0}));
  EXPECT_EQ(Ref(opPower, {0, 1}, {0, 1}, true), (TComplex{8.194012623990515e-40, 0}));
  EXPECT_EQ(Ref(opMultiply, {1E-20, 1}, {1E-20, 1}), (TComplex{-1, 0}));
  EXPECT_EQ(Ref(opPower, {0, 0}, {0, 0}), (TComplex{1, 0}));
  EXPECT_EQ(Ref(opPower, {0, 0}, {2, 1}), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opExp, {-1000, 0}), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opExp, {0, 1E19}), (TComplex{-0.37490516955071784, -0.9270631660486504}));
  // e^w is exp(w), in both modes.
  EXPECT_EQ(Ref(opPower, {2.718281828459045, 0}, {0, 180}, true), (TComplex{-1, 0}));
  EXPECT_EQ(Ref(opPower, {2.718281828459045, 0}, {2, 0}), Ref(opExp, {2, 0}));
  EXPECT_EQ(Ref(opDivide, {0, 0}, {3, 4}), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opStep, {-1, 5}), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opStep, {0, 0}), (TComplex{0.5, 0}));
  EXPECT_EQ(Ref(opAbs, {3, 4}), (TComplex{5, 0}));
  EXPECT_GT(Ref(opTan, {kHalfPi, 0}).re, 1.6E16);
}

TEST(Reference, FailsExactlyWhereTheOperationFails) {
  struct TCase {
    std::uint8_t op;
    TComplex a, b;
    bool deg;
  };
  const std::vector<TCase> failing = {
      {opDivide, {1, 1}, {0, 0}, false},   {opLn, {0, 0}, {}, false},        {opLog, {0, 0}, {}, false},
      {opLg, {0, 0}, {8, 0}, false},       {opLg, {1, 0}, {8, 0}, false},    {opLg, {2, 0}, {0, 0}, false},
      {opCot, {0, 0}, {}, false},          {opArcTan, {0, 1}, {}, false},    {opArcTan, {0, -1}, {}, true},
      {opArcCot, {0, 1}, {}, false},       {opArTanh, {1, 0}, {}, false},    {opArTanh, {-1, 0}, {}, false},
      {opArCoth, {1, 0}, {}, false},       {opArCoth, {-1, 0}, {}, false},   {opExp, {710, 0}, {}, false},
      {opSinh, {1000, 0}, {}, false},      {opSin, {0, 1000}, {}, false},
      {opMultiply, {1E200, 0}, {1E200, 0}, false},
      {opExp, {12000, 1E19}, {}, false},   {opPower, {1E200, 0}, {2, 0}, false},
      {opSin, {1E19, 20000}, {}, false},   {opCos, {1E19, -20000}, {}, false},
      {opSinh, {20000, 1E19}, {}, false},  {opCosh, {-20000, 1E19}, {}, false},
      {opPower, {2, 1}, {1E20, 0}, false}, {opPower, {200000, 7}, {5.0711602736750225e303, 0}, false},
      // Where the cosine, resp. the sine, is exactly 0; 0^w for a real part
      // of w that is not positive.
      {opTan, {90, 0}, {}, true},          {opCot, {-180, 0}, {}, true},     {opCoth, {0, 180}, {}, true},
      {opPower, {0, 0}, {-1, 0}, false},   {opPower, {0, 0}, {0, 1}, false}, {opPower, {0, 0}, {-2, 1}, true},
  };
  for (const TCase& c : failing) {
    EXPECT_TRUE(RefFails(c.op, c.a, c.b, c.deg)) << "op " << int(c.op) << " (" << c.a.re << ", " << c.a.im << ")";
  }
  // A value that exists is given, whatever the size of the angle or of the
  // intermediate values.
  EXPECT_EQ(Ref(opSin, {1E19, 0}), (TComplex{-0.9270631660486504, 0}));
  EXPECT_EQ(Ref(opSin, {1E22, 0}), (TComplex{-0.8522008497671888, 0}));
  EXPECT_EQ(Ref(opTanh, {800, 0}), (TComplex{1, 0}));
  EXPECT_EQ(Ref(opCoth, {-800, 1}), (TComplex{-1, 0}));
  EXPECT_EQ(Ref(opTan, {1, -1E300}), (TComplex{0, -1}));
  EXPECT_EQ(Ref(opPower, {0.1, 0}, {1E308, 0}), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opPower, {-1, 0}, {-1.8446744073709552E19, 0}), (TComplex{1, 0}));
  EXPECT_EQ(RefText(opArCosh, {1E155, 0}), "357.593836594637");
  EXPECT_EQ(RefText(opArcSin, {1E300, 1E300}), "0.785398163397448+691.815248669054*i");
  EXPECT_EQ(Ref(opPower, {2, 1}, {-1E20, 0}), (TComplex{0, 0}));
}

// Where the formulas cancel almost everything, the reference keeps going
// until the digits are there.
TEST(Reference, SurvivesCancellation) {
  // iz + sqrt(1 - z*z) for z = 1E150*i is 1E150*(sqrt(1 + 1E-300) - 1).
  const double asinh150 = static_cast<double>(std::asinh(1E150L));
  const TComplex a = Ref(opArcSin, {0, 1E150});
  EXPECT_EQ(a.re, 0.0);
  EXPECT_NEAR(a.im, asinh150, 1E-12);
  const TComplex b = Ref(opArSinh, {-1E150, 0});
  EXPECT_NEAR(b.re, -asinh150, 1E-12);
  EXPECT_EQ(b.im, 0.0);
  // arctan and artanh of tiny arguments are the argument.
  EXPECT_EQ(Ref(opArcTan, {1E-300, 1E-300}), (TComplex{1E-300, 1E-300}));
  EXPECT_EQ(Ref(opArTanh, {1E-300, 0}), (TComplex{1E-300, 0}));
  EXPECT_EQ(Ref(opArSinh, {1E-300, 0}), (TComplex{1E-300, 0}));
  EXPECT_EQ(Ref(opArcSin, {1E-300, -1E-300}), (TComplex{1E-300, -1E-300}));
  EXPECT_EQ(Ref(opArcCot, {1E300, 0}), (TComplex{1E-300, 0}));
  EXPECT_EQ(Ref(opArcCot, {-1E300, 0}), (TComplex{kPi, 0}));
  // The inverse cotangent of a big number just off the real axis.
  const TComplex c = Ref(opArcCot, {1E300, 1});
  EXPECT_EQ(c.re, 1E-300);
  EXPECT_EQ(c.im, 0.0);
}

TEST(Reference, KeepsExactZerosExact) {
  // arccot(2i) = pi/2 - (pi/2 + 0.549i): the real part cancels exactly.
  const TComplex up = Ref(opArcCot, {0, 2});
  EXPECT_EQ(up.re, 0.0);
  EXPECT_EQ(up.im, -kHalfLn3);
  const TComplex upDeg = Ref(opArcCot, {0, 2}, {}, true);
  EXPECT_EQ(upDeg.re, 0.0);
  EXPECT_EQ(Ref(opArcCot, {0, -2}), (TComplex{kPi, kHalfLn3}));
  EXPECT_EQ(Ref(opArcCos, {1, 0}), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opArCosh, {1, 0}), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opSinh, {0, 0}), (TComplex{0, 0}));
  EXPECT_EQ(Ref(opSinh, {2, 0}).im, 0.0);
  EXPECT_EQ(Ref(opCosh, {0, 2}).im, 0.0);
  EXPECT_EQ(Ref(opArTanh, {0, 1}), (TComplex{0, kPi / 4}));
}

TEST(Reference, MeasuresTheDistanceToARoundingTie) {
  TDecimal tie;
  tie.digits = "1000000000000005000000000000000000000000";
  tie.exponent = 1;  // 1.000000000000005
  EXPECT_LT(TieDistanceUlps(tie, 1.000000000000005), 0.01);
  TDecimal one;
  one.digits = "1000000000000000000000000000000000000000";
  one.exponent = 1;
  EXPECT_GT(TieDistanceUlps(one, 1.0), 10.0);
  // 2^-52 above the tie is exactly one ulp of a number in [1, 2).
  TDecimal above;
  above.digits = "1000000000000005222044604925031308084726";
  above.exponent = 1;
  EXPECT_NEAR(TieDistanceUlps(above, 1.000000000000005), 1.0, 1E-6);
  // The exact 16-digit integer 5^22 ends in a 5 but is a double itself: no
  // rounding of it is in doubt.
  const TReferenceResult r = ReferenceEvaluate(opPower, {5, 0}, {22, 0}, false);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.value.re, 2384185791015625.0);
  EXPECT_LT(TieDistanceUlps(r.exactRe, r.value.re), 0.01);
  EXPECT_TRUE(r.exactRe.representable);
  EXPECT_FALSE(NearRoundingTie(r));
}

}  // namespace
}  // namespace veltaro::reference
