// Values where holding an intermediate result as a double would lose digits:
// every operation must come out as its exact value rounded once.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Format.h"
#include "Functions.h"
#include "TestSupport.h"
#include "Angle.h"
#include "Wide.h"

namespace veltaro {
namespace {

using Fn = bool (*)(TComplex, TComplex&);

struct Row {
  const char* name;
  Fn fn;
  TComplex z;
  const char* text;  // FormatComplex of the result
};

std::string Text(Fn fn, TComplex z) {
  TComplex r;
  if (!fn(z, r)) return "fails";
  return FormatComplex(r);
}

std::string PowerText(TComplex b, TComplex w) {
  TComplex r;
  if (!ComplexPower(b, w, r)) return "fails";
  return FormatComplex(r);
}

TEST(ExactPowers, IntegerAndRootExponentsGiveTheExactValue) {
  for (bool deg : {false, true}) {
    DegModeScope mode(deg);
    EXPECT_EQ(PowerText({7, 0}, {7, 0}), "823543");
    EXPECT_EQ(PowerText({3, 0}, {20, 0}), "3486784401");
    EXPECT_EQ(PowerText({10, 0}, {15, 0}), "1E15");
    EXPECT_EQ(PowerText({1000, 0}, {5, 0}), "1E15");
    EXPECT_EQ(PowerText({357911, 0}, {1.0 / 3.0, 0}), "71");
    EXPECT_EQ(PowerText({913, 0}, {0.5, 0}), "30.2158898594763");
    EXPECT_EQ(PowerText({-2, 0}, {3, 0}), "-8");
    EXPECT_EQ(PowerText({-1, 0}, {0.5, 0}), "i");
    EXPECT_EQ(PowerText({2, 0}, {-3, 0}), "0.125");
    EXPECT_EQ(PowerText({2, 0}, {1023, 0}), "8.98846567431158E307");
    EXPECT_EQ(PowerText({2, 0}, {1024, 0}), "fails");
    EXPECT_EQ(PowerText({0.5, 0}, {1075, 0}), "0");
    // Real exponents read the same in both modes.
    EXPECT_EQ(PowerText({-8, 0}, {1.0 / 3.0, 0}), "1+1.73205080756888*i");
  }
  // A negative base: the angle is w times pi to the last bit, also next to
  // a right angle.
  DegModeScope rad(false);
  TComplex r;
  ASSERT_TRUE(ComplexPower({-1, 0}, {0.5 + 1e-10, 0}, r));
  // 0.5 + 1E-10 is stored as 0.5 + 1.00000008274037E-10.
  EXPECT_EQ(FormatComplex(r), "-3.14159291352633E-10+i");
  // A non-real exponent: the angle Im(w ln b) exact at every size, also
  // where the result lies next to an axis.
  EXPECT_EQ(PowerText({3, 0}, {0, 1.14592329321239442e8}), "0.143363251394403+0.989670136029993*i");
  EXPECT_EQ(PowerText({1.5, 0}, {0, 1e9}), "0.268693323392713+0.963225777252758*i");
  EXPECT_EQ(PowerText({10, 0}, {0, 1e6}), "0.305667004616532-0.952138478525449*i");
  EXPECT_EQ(PowerText({2.7182818284590455, 0}, {0, 6.283185307179587}), "1+1.33558642082982E-15*i");
  EXPECT_EQ(PowerText({1, 1e-150}, {1e303, 0}), "1.2647619083232E217-6.08644748003074E216*i");
  EXPECT_EQ(PowerText({-1, 0}, {-1.8446744073709552e19, 0}), "1");
  EXPECT_EQ(PowerText({0.1, 0}, {1e308, 0}), "0");
  // The double nearest e stands for e: e^w is exp(w).
  TComplex viaExp;
  ASSERT_TRUE(ComplexExp({0, 7 * 3.141592653589793}, viaExp));
  EXPECT_EQ(PowerText({2.718281828459045, 0}, {0, 7 * 3.141592653589793}), FormatComplex(viaExp));
  EXPECT_EQ(FormatComplex(viaExp), "-1");
  // A base next to 1 with a large exponent keeps its modulus:
  // |1 + 1E-10 i|^(1E12) = e^(1E12 * 5E-21) = 1.000000005.
  ASSERT_TRUE(ComplexPower({1, 1e-10}, {1e12, 0}, r));
  EXPECT_NEAR(std::hypot(r.re, r.im), 1.0000000050000000125, 2e-16);
}

TEST(ExactFunctions, CancellationFreeValues) {
  DegModeScope rad(false);
  const Row rows[] = {
      {"arccos", ComplexArcCos, {1e10, 0}, "23.7189981105004*i"},
      {"arcsin", ComplexArcSin, {0, 1e20}, "46.7448490404409*i"},
      {"arcsin", ComplexArcSin, {1e-20, 0}, "1E-20"},
      {"arcsin", ComplexArcSin, {1e150, 0}, "1.5707963267949-346.080911129667*i"},
      {"arcsin", ComplexArcSin, {1e155, 0}, "1.5707963267949-357.593836594637*i"},
      {"arccos", ComplexArcCos, {-2, 0}, "3.14159265358979-1.31695789692482*i"},
      {"sin", ComplexSin, {0, 1e-10}, "1E-10*i"},
      {"cos", ComplexCos, {0, 1e-10}, "1"},
      {"sinh", ComplexSinh, {1e-10, 0}, "1E-10"},
      {"tanh", ComplexTanh, {1e-10, 0}, "1E-10"},
      {"tanh", ComplexTanh, {800, 0}, "1"},
      {"tan", ComplexTan, {0, 1e-10}, "1E-10*i"},
      {"cot", ComplexCot, {1e-10, 1e-10}, "5000000000-5000000000*i"},
      {"arccot", ComplexArcCot, {1e10, 0}, "1E-10"},
      {"arccot", ComplexArcCot, {-1e10, 0}, "3.14159265348979"},
      {"arctan", ComplexArcTan, {1e-10, 1e-10}, "1E-10+1E-10*i"},
      {"arctan", ComplexArcTan, {0, 2}, "1.5707963267949+0.549306144334055*i"},
      {"arctan", ComplexArcTan, {0, -2}, "-1.5707963267949-0.549306144334055*i"},
      {"arctan", ComplexArcTan, {0, 1}, "fails"},
      {"artanh", ComplexArTanh, {1e-10, 0}, "1E-10"},
      {"artanh", ComplexArTanh, {2, 0}, "0.549306144334055+1.5707963267949*i"},
      {"arcoth", ComplexArCoth, {88, 0}, "0.0113641255387781"},
      {"arcoth", ComplexArCoth, {0, 0}, "1.5707963267949*i"},
      {"arsinh", ComplexArSinh, {1e-10, 0}, "1E-10"},
      {"arsinh", ComplexArSinh, {0, 2}, "1.31695789692482+1.5707963267949*i"},
      {"arcosh", ComplexArCosh, {-2, 0}, "-1.31695789692482+3.14159265358979*i"},
      {"arcosh", ComplexArCosh, {0.5, 0}, "1.0471975511966*i"},
      {"ln", ComplexLn, {1, 1e-10}, "5E-21+1E-10*i"},
      {"log", ComplexLog, {1000, 0}, "3"},
      {"log", ComplexLog, {1e-300, 0}, "-300"},
  };
  for (const Row& row : rows) EXPECT_EQ(Text(row.fn, row.z), row.text) << row.name << row.z;
}

TEST(ExactProducts, CancellingProductsAreExact) {
  TComplex r;
  const double x = 1.0 + std::ldexp(1.0, -40);
  const long double xSquaredMinusOne = std::ldexp(1.0L, -39) + std::ldexp(1.0L, -80);
  // (x + i)^2 = x^2 - 1 + 2xi, where x^2 - 1 = 2^-39 + 2^-80 exactly.
  ASSERT_TRUE(ComplexMultiply({x, 1}, {x, 1}, r));
  EXPECT_EQ(r.re, static_cast<double>(xSquaredMinusOne));
  // (x + i) / (1 + xi) = (2x + (1 - x^2) i) / (1 + x^2).
  ASSERT_TRUE(ComplexDivide({x, 1}, {1, x}, r));
  EXPECT_EQ(r.im, static_cast<double>(-xSquaredMinusOne / (2.0L + xSquaredMinusOne)));
  // Products below the snapping threshold are still dropped.
  ASSERT_TRUE(ComplexMultiply({1e-20, 1}, {1e-20, 1}, r));
  EXPECT_EQ(r, (TComplex{-1, 0}));
}

TEST(WideSteps, LogarithmOfModulusAndAngles) {
  // ln|1 + yi| = y^2/2 - y^4/4 + ...
  const long double y = 1e-10;
  EXPECT_NEAR(static_cast<double>(wide::LnModulus(1, 1e-10) / (y * y / 2) - 1), 0.0, 1e-18);
  EXPECT_EQ(wide::SquaresMinusOne(1.0 + std::ldexp(1.0, -30), std::ldexp(1.0, -20)),
            std::ldexp(1.0L, -29) + std::ldexp(1.0L, -40) + std::ldexp(1.0L, -60));
  EXPECT_EQ(wide::Argument(-1, -0.0), wide::kPi);
  EXPECT_EQ(wide::Argument(0, -0.0), 0.0L);
  long double c, s;
  for (double w : {0.0, 1.0, 2.0, -3.0, 1e300, 0.5, 1.5, -0.5}) {
    wide::CosSinPi(w, c, s);
    EXPECT_EQ(std::fabs(c) * std::fabs(s), 0.0L) << w;
    EXPECT_EQ(std::fabs(c) + std::fabs(s), 1.0L) << w;
  }
  wide::CosSinPi(1.0 / 6.0, c, s);
  EXPECT_EQ(static_cast<double>(s), 0.5);
  DegModeScope deg(true);
  const angle::TReduced right = angle::ReduceInMode(90);
  EXPECT_EQ(right.quadrant, 1);
  EXPECT_TRUE(right.rest == 0);
}

}  // namespace
}  // namespace veltaro
