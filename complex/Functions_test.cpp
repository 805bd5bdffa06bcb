#include "Functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "TestSupport.h"

namespace veltaro {
namespace {

using Fn = bool (*)(TComplex, TComplex&);

struct Case {
  const char* name;
  Fn fn;
  TComplex z;
  TComplex expected;
  double tolerance;  // 0: bit for bit
};

void Check(const Case& c) {
  TComplex r;
  ASSERT_TRUE(c.fn(c.z, r)) << c.name << c.z;
  if (c.tolerance == 0.0) {
    EXPECT_EQ(r, c.expected) << c.name << c.z;
  } else {
    EXPECT_NEAR(r.re, c.expected.re, c.tolerance) << c.name << c.z;
    EXPECT_NEAR(r.im, c.expected.im, c.tolerance) << c.name << c.z;
  }
}

constexpr double kPi = std::numbers::pi;

TEST(ElementaryFunctions, RadianModeValues) {
  DegModeScope rad(false);
  const Case cases[] = {
      {"sqrt", ComplexSqrt, {-4, 0}, {0, 2}, 0},
      {"sqrt", ComplexSqrt, {0, 0}, {0, 0}, 0},
      {"sqrt", ComplexSqrt, {0, 1}, {0.7071067811865476, 0.7071067811865476}, 0},
      {"sin", ComplexSin, {0, 0}, {0, 0}, 0},
      {"tan", ComplexTan, {kPi / 2, 0}, {1.633123935319537e16, 0}, 1e3},
      {"arcsin", ComplexArcSin, {2, 0}, {1.5707963267948966, -1.3169578969248166}, 1e-15},
      {"arccos", ComplexArcCos, {2, 0}, {0, 1.3169578969248166}, 1e-15},
      {"arcsin", ComplexArcSin, {1, 0}, {kPi / 2, 0}, 1e-15},
      {"arctan", ComplexArcTan, {1, 0}, {0.7853981633974483, 0}, 0},
      {"arccot", ComplexArcCot, {1, 0}, {0.785398163397448, 0}, 1e-15},
      {"log", ComplexLog, {100, 0}, {2, 0}, 0},
      {"ln", ComplexLn, {-1, 0}, {0, kPi}, 0},
      {"tanh", ComplexTanh, {1, 0}, {0.7615941559557649, 0}, 1e-16},
      {"arcoth", ComplexArCoth, {2, 0}, {0.5493061443340549, 0}, 1e-16},
      {"artanh", ComplexArTanh, {0.5, 0}, {0.5493061443340549, 0}, 1e-16},
      {"h", ComplexUnitStep, {-2, 0}, {0, 0}, 0},
      {"h", ComplexUnitStep, {0, 0}, {0.5, 0}, 0},
      {"h", ComplexUnitStep, {3, 0}, {1, 0}, 0},
      {"h", ComplexUnitStep, {-1, 5}, {0, 0}, 0},
      {"sinh", ComplexSinh, {1, 0}, {1.1752011936438014, 0}, 1e-15},
      {"cosh", ComplexCosh, {0, 0}, {1, 0}, 0},
      {"arsinh", ComplexArSinh, {1, 0}, {0.881373587019543, 0}, 1e-15},
      {"arcosh", ComplexArCosh, {1, 0}, {0, 0}, 0},
      {"sin", ComplexSin, {0, 1}, {0, 1.1752011936438014}, 1e-15},
      {"cos", ComplexCos, {0, 1}, {1.5430806348152437, 0}, 1e-15},
      {"exp", ComplexExp, {1, 0}, {std::numbers::e, 0}, 0},
  };
  for (const Case& c : cases) Check(c);
  // The largest double below 3 prints as 3.
  TComplex r;
  ASSERT_TRUE(ComplexLog({1000, 0}, r));
  EXPECT_NEAR(r.re, 3.0, 5e-16);
}

TEST(ElementaryFunctions, DegreeModeActsOnlyAtItsPoints) {
  DegModeScope deg(true);
  const Case cases[] = {
      {"sin", ComplexSin, {30, 0}, {0.5, 0}, 0},
      {"cos", ComplexCos, {90, 0}, {0, 0}, 0},
      {"cos", ComplexCos, {60, 0}, {0.5, 0}, 0},
      {"sin", ComplexSin, {180, 0}, {0, 0}, 0},
      {"cos", ComplexCos, {270, 0}, {0, 0}, 0},
      {"sin", ComplexSin, {-720, 0}, {0, 0}, 0},
      {"tan", ComplexTan, {45, 0}, {1, 0}, 0},
      {"cot", ComplexCot, {-45, 0}, {-1, 0}, 0},
      {"exp", ComplexExp, {0, 90}, {0, 1}, 0},
      {"arcsin", ComplexArcSin, {1, 0}, {90, 0}, 1e-13},
      {"arccos", ComplexArcCos, {0, 0}, {90, 0}, 1e-13},
      {"arctan", ComplexArcTan, {1, 0}, {45, 0}, 0},
      {"arccot", ComplexArcCot, {1, 0}, {45, 0}, 0},
      {"exp", ComplexExp, {0, 180}, {-1, 0}, 0},
      {"ln", ComplexLn, {-1, 0}, {0, 180}, 0},
      {"artanh", ComplexArTanh, {2, 0}, {0.5493061443340549, 90}, 1e-13},
      {"sqrt", ComplexSqrt, {-4, 0}, {0, 2}, 0},
      {"sin", ComplexSin, {90, 0}, {1, 0}, 0},
  };
  for (const Case& c : cases) Check(c);
}

TEST(ElementaryFunctions, DomainAndOverflowFailures) {
  struct Fail { const char* name; Fn fn; TComplex z; bool deg; };
  const Fail fails[] = {
      {"ln", ComplexLn, {0, 0}, false},
      {"log", ComplexLog, {0, 0}, false},
      {"cot", ComplexCot, {0, 0}, false},
      {"arctan", ComplexArcTan, {0, 1}, false},
      {"arctan", ComplexArcTan, {0, -1}, false},
      {"arccot", ComplexArcCot, {0, 1}, false},
      {"artanh", ComplexArTanh, {1, 0}, false},
      {"artanh", ComplexArTanh, {-1, 0}, false},
      {"arcoth", ComplexArCoth, {1, 0}, false},
      {"arcoth", ComplexArCoth, {-1, 0}, false},
      {"exp", ComplexExp, {710, 0}, false},
      {"sinh", ComplexSinh, {1000, 0}, false},
      {"sin", ComplexSin, {0, 1000}, false},
      {"cosh", ComplexCosh, {711, 0}, false},
      // The cosine, resp. the sine, of these angles is exactly 0.
      {"tan", ComplexTan, {90, 0}, true},
      {"tan", ComplexTan, {-270, 0}, true},
      {"cot", ComplexCot, {180, 0}, true},
  };
  for (const Fail& f : fails) {
    DegModeScope mode(f.deg);
    TComplex r;
    EXPECT_FALSE(f.fn(f.z, r)) << f.name << f.z;
  }
  TComplex r;
  DegModeScope rad(false);
  EXPECT_FALSE(ComplexLg({1, 0}, {8, 0}, r));
  EXPECT_FALSE(ComplexLg({0, 0}, {8, 0}, r));
  EXPECT_FALSE(ComplexLg({2, 0}, {0, 0}, r));
  ASSERT_TRUE(ComplexLg({2, 0}, {8, 0}, r));
  EXPECT_EQ(r, (TComplex{3, 0}));
}

// A value that exists is given, however large the intermediate values of
// its formula would be.
TEST(ElementaryFunctions, NoSpuriousOverflow) {
  DegModeScope rad(false);
  const Case cases[] = {
      {"tanh", ComplexTanh, {800, 0}, {1, 0}, 0},
      {"tanh", ComplexTanh, {-1000, 3}, {-1, 0}, 0},
      {"coth", ComplexCoth, {800, 0}, {1, 0}, 0},
      {"sinh", ComplexSinh, {710.4758600739439, 0}, {1.7976931348621744e308, 0}, 1e294},
      {"cosh", ComplexCosh, {-710.4758600739439, 0}, {1.7976931348621744e308, 0}, 1e294},
      {"sin", ComplexSin, {0.75, 710.5}, {1.2553177633481544e308, 1.347490911916428e308}, 1e294},
      {"tan", ComplexTan, {1e19, 0}, {2.4727937658465273, 0}, 1e-14},
      {"cot", ComplexCot, {1e19, 0}, {0.4044008901234283, 0}, 1e-15},
      {"tan", ComplexTan, {1, 1000}, {0, 1}, 0},
      {"arcsin", ComplexArcSin, {1e155, 0}, {1.5707963267948966, -357.593836594637}, 1e-12},
      {"arcosh", ComplexArCosh, {1e155, 0}, {357.593836594637, 0}, 1e-12},
      {"arsinh", ComplexArSinh, {1.7976931348623157e308, 0}, {710.475860073944, 0}, 1e-12},
      {"artanh", ComplexArTanh, {1, 1e-320}, {368.7601940357669, 0.7853981633974483}, 1e-12},
  };
  for (const Case& c : cases) Check(c);
}

TEST(ElementaryFunctions, OutputMayAliasInput) {
  DegModeScope rad(false);
  const Fn fns[] = {ComplexSqrt, ComplexLog, ComplexSin, ComplexCos, ComplexTan, ComplexCot,
                    ComplexArcSin, ComplexArcCos, ComplexArcTan, ComplexArcCot, ComplexSinh,
                    ComplexCosh, ComplexTanh, ComplexCoth, ComplexArSinh, ComplexArCosh,
                    ComplexArTanh, ComplexArCoth, ComplexUnitStep};
  for (Fn fn : fns) {
    const TComplex z{0.3, 0.7};
    TComplex separate, aliased = z;
    ASSERT_TRUE(fn(z, separate));
    ASSERT_TRUE(fn(aliased, aliased));
    EXPECT_EQ(separate, aliased);
  }
}

}  // namespace
}  // namespace veltaro
