#include "SmartConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>

#include "Format.h"

namespace veltaro {
namespace {

constexpr long double kPiL = std::numbers::pi_v<long double>;
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kDenormMin = std::numeric_limits<double>::denorm_min();

// The value as it reaches the formatter: computed in extended precision,
// stored as a double.
double Ext(long double v) { return static_cast<double>(v); }

// Every test runs with the precision the window sets when it is shown, and
// leaves the process-wide value as it found it.
class SmartConversion : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ConversionPrecision;
    ConversionPrecision = 10;
  }
  void TearDown() override { ConversionPrecision = saved_; }

 private:
  std::int32_t saved_ = 0;
};

TEST(SmartConversionStart, PrecisionIsZeroUntilTheWindowSetsIt) { EXPECT_EQ(ConversionPrecision, 0); }

TEST_F(SmartConversion, IsNearlyEqualComparesTheRelativeErrorStrictlyWithPowersOfOneTenth) {
  struct Row {
    std::int32_t precision;
    double q, n;
    bool expected;
  };
  const Row rows[] = {
      // 0.1 ^ 1 is 0.1 rounded to extended, exactly the relative error of
      // 10 against 9 or 11: the strict comparison rejects both.
      {1, 10, 9, false},
      {1, 10, 11, false},
      {1, 10.5, 10, true},
      {1, 9.5, 10, true},
      // From the second power on, the powers built by squaring lie just above
      // the nearest extended value of 10^-p, so an error of exactly 10^-p
      // passes.
      {2, 100, 99, true},
      {2, 100, 101, true},
      {2, 100, 98, false},
      {10, 1e10, 1e10 - 1, true},
      {10, 1e10, 1e10 + 1, true},
      {10, 1e10, 1e10 - 2, false},
      {15, 1e15, 1e15 - 1, true},
      {15, 1e15, 1e15 + 2, false},
      // Ordinary cases at the window's precision.
      {10, 1, 1, true},
      {10, 1.00000000009, 1, true},
      {10, 1.00000000011, 1, false},
      {10, 0.99999999991, 1, true},
      {10, 0.99999999989, 1, false},
      {10, 1000.00000009, 1000, true},
      {10, 1000.00000011, 1000, false},
      {10, 2.5, 2, false},
      {10, -3, -3, true},
      // The error is taken relative to q, not to n.
      {0, 2, 1, true},
      {0, 0.6, 1, true},
      {0, 0.5, 1, false},
      {0, 2, 0, false},
      {0, 3, 5, true},
      // q = 0 has no relative error: never equal.
      {10, 0, 0, false},
      {10, 0, 1, false},
      {0, 0, 0, false},
      // A negative precision makes the tolerance a power of ten.
      {-1, 1, 5, true},
      {-1, 1, 10.5, true},
      // 1 / 0.1 rounded to extended lies just below 10.
      {-1, 1, 11, false},
      // Extreme precisions: a vanishing tolerance accepts nothing, not even
      // equality; a huge one accepts every finite error.
      {400, 1, 1, true},
      {5000, 1, 1, false},
      {std::numeric_limits<std::int32_t>::max(), 1, 1, false},
      {std::numeric_limits<std::int32_t>::min(), 1, 1e300, true},
  };
  for (const Row& r : rows) {
    ConversionPrecision = r.precision;
    EXPECT_EQ(IsNearlyEqual(r.q, r.n), r.expected) << "precision " << r.precision << ", q " << r.q << ", n " << r.n;
  }
}

TEST_F(SmartConversion, FindFractionTriesNumeratorsUpTo100AgainstDenominatorsUpTo1000) {
  struct Row {
    double x;
    std::int32_t numerator, denominator;
  };
  const Row rows[] = {
      {0.5, 1, 2},
      {-0.5, -1, 2},
      {0.75, 3, 4},
      {1.0 / 3.0, 1, 3},
      {-2.0 / 3.0, -2, 3},
      {0.1, 1, 10},
      {2.0 / 4.0, 1, 2},
      // 1 / 0.4 = 2.5 rounds to the even 2, which fails; d = 2 gives 5.
      {0.4, 2, 5},
      {1.5, 3, 2},
      {7, 7, 1},
      {-7, -7, 1},
      {100, 100, 1},
      {0.001, 1, 1000},
      {0.099, 99, 1000},
      {100.0 / 999.0, 100, 999},
      {1.0 / 999.0, 1, 999},
      {22.0 / 7.0, 22, 7},
      {0.333333333333, 1, 3},
      // Near the edge of the tolerance a later numerator can still pass
      // where the smaller ones just fail.
      {0.50000000005, 19, 38},
      {0.3333333333, 29, 87},
      // Nothing: the numerator would exceed 100 or the denominator 1000.
      {101, 0, 0},
      {99.5, 0, 0},
      {200.0 / 3.0, 0, 0},
      {0.0001, 0, 0},
      {0.0005, 0, 0},
      {1.0 / 1001.0, 0, 0},
      {0.50000000006, 0, 0},
      {std::sqrt(2.0), 0, 0},
      {kPiL, 0, 0},
      // Zero, tiny and huge magnitudes find nothing and do not fail.
      {0, 0, 0},
      {-0.0, 0, 0},
      {0x1p-63, 0, 0},
      {1e-300, 0, 0},
      {kDenormMin, 0, 0},
      {kMax, 0, 0},
      {-kMax, 0, 0},
  };
  for (const Row& r : rows) {
    std::int32_t num = 12345, den = 12345;
    FindFraction(r.x, num, den);
    EXPECT_EQ(num, r.numerator) << r.x;
    EXPECT_EQ(den, r.denominator) << r.x;
  }
}

TEST_F(SmartConversion, FindFractionFollowsThePrecision) {
  struct Row {
    std::int32_t precision;
    double x;
    std::int32_t numerator, denominator;
  };
  const Row rows[] = {
      {10, 0.33333, 0, 0},
      {5, 0.33333, 1, 3},
      {4, 0.3333, 1, 3},
      {3, 0.333, 1, 3},
      {3, 3.1416, 22, 7},
      {2, 3.1416, 19, 6},
      {0, 123.456, 62, 1},
      {17, 0.1, 1, 10},
      // 0.1 + 0.2 is 3/10 within 1.8e-16.
      {17, 0.1 + 0.2, 0, 0},
      {16, 0.1 + 0.2, 0, 0},
      {15, 0.1 + 0.2, 3, 10},
      {5000, 0.5, 0, 0},
      // A tolerance above 1 admits the denominator 0 (d / 0 for any d).
      {-1, 250, 1, 0},
  };
  for (const Row& r : rows) {
    ConversionPrecision = r.precision;
    std::int32_t num = 12345, den = 12345;
    FindFraction(r.x, num, den);
    EXPECT_EQ(num, r.numerator) << "precision " << r.precision << ", x " << r.x;
    EXPECT_EQ(den, r.denominator) << "precision " << r.precision << ", x " << r.x;
  }
}

TEST_F(SmartConversion, FractionToStrWritesSignNumeratorAndDenominator) {
  struct Row {
    std::int32_t numerator, denominator;
    const char* text;
  };
  const Row rows[] = {
      {3, 4, "3/4"},
      {-1, 2, "-1/2"},
      {1, -2, "-1/2"},
      {-1, -2, "1/2"},
      {7, 1, "7"},
      {-7, 1, "-7"},
      {7, -1, "-7"},
      {-7, -1, "7"},
      {1, 1, "1"},
      {-1, 1, "-1"},
      {1, 1000, "1/1000"},
      {100, 999, "100/999"},
      {19, 38, "19/38"},
      // Equal magnitudes other than 1 are written as 1.
      {5, 5, "1"},
      {-5, 5, "-1"},
      {5, -5, "-1"},
      {-5, -5, "1"},
      {100, 100, "1"},
      // The sign comes from the product, which must not overflow.
      {std::numeric_limits<std::int32_t>::min(), 1, "-2147483648"},
      {std::numeric_limits<std::int32_t>::min(), -1, "2147483648"},
      {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(),
       "-2147483647/2147483648"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FractionToStr(r.numerator, r.denominator), r.text) << r.numerator << ", " << r.denominator;
  }
}

// Fraction, multiple of pi, power of e, power of 2..1000, plain decimal:
// the first form found wins.
TEST_F(SmartConversion, SmartFloatToStrTriesTheFormsInTheirOrder) {
  struct Row {
    double x;
    const char* text;
  };
  const Row rows[] = {
      {0, "0"},
      {-0.0, "0"},
      // Fractions.
      {0.5, "1/2"},
      {-0.5, "-1/2"},
      {0.75, "3/4"},
      {1.0 / 3.0, "1/3"},
      {0.1, "1/10"},
      {0.001, "1/1000"},
      {1.5, "3/2"},
      {3, "3"},
      {100, "100"},
      {-7, "-7"},
      {1, "1"},
      {-1, "-1"},
      {0.4, "2/5"},
      {2.5, "5/2"},
      {22.0 / 7.0, "22/7"},
      {0.099, "99/1000"},
      {1.0 / 999.0, "1/999"},
      // 4 is the fraction 4 before it could be 2^(2).
      {4, "4"},
      {0.25, "1/4"},
      {6, "6"},
      // Multiples of pi.
      {kPiL, "1*pi"},
      {-kPiL, "-1*pi"},
      {Ext(2 * kPiL), "2*pi"},
      {Ext(kPiL / 2), "1/2*pi"},
      {Ext(3 * kPiL / 4), "3/4*pi"},
      {Ext(-kPiL / 3), "-1/3*pi"},
      {Ext(kPiL / 7), "1/7*pi"},
      {Ext(100 * kPiL), "100*pi"},
      {Ext(kPiL / 1000), "1/1000*pi"},
      // Powers of e.
      {std::exp(1.0), "e^(1)"},
      {std::exp(2.0), "e^(2)"},
      {std::exp(-1.0), "e^(-1)"},
      {-std::exp(1.0), "-e^(1)"},
      {std::sqrt(std::exp(1.0)), "e^(1/2)"},
      {std::exp(100.0), "e^(100)"},
      // Powers of the integers 2..1000.
      {std::sqrt(2.0), "2^(1/2)"},
      {-std::sqrt(2.0), "-2^(1/2)"},
      {std::sqrt(3.0), "3^(1/2)"},
      {std::cbrt(2.0), "2^(1/3)"},
      {std::sqrt(10.0), "10^(1/2)"},
      {-std::sqrt(10.0), "-10^(1/2)"},
      {0.0001, "10^(-4)"},
      {1e-5, "10^(-5)"},
      {1e-16, "10^(-16)"},
      {101, "101^(1)"},
      {150, "150^(1)"},
      {1000, "10^(3)"},
      {1024, "2^(10)"},
      {729, "3^(6)"},
      {1e10, "10^(10)"},
      {1e20, "10^(20)"},
      {1e100, "10^(100)"},
      {0x1p100, "2^(100)"},
      {0x1p-10, "2^(-10)"},
      {0x1p-11, "2^(-11)"},
      // No form: the plain decimal text.
      {0.0005, "0.0005"},
      {99.5, "99.5"},
      {100.5, "100.5"},
      {1001, "1001"},
      {123.456, "123.456"},
      {0.123456789, "0.123456789"},
      {200.0 / 3.0, "66.6666666666667"},
      {1.0 / 3000.0, "0.000333333333333333"},
      {1000.0 / 7.0, "142.857142857143"},
      {Ext(101 * kPiL), "317.300858012569"},
      {std::exp(101.0), "7.30705997936807E43"},
      {1e101, "1E101"},
      {355.0 / 113.0, "3.14159292035398"},
      {3.0 / kPiL, "0.954929658551372"},
      {kMax, "1.79769313486232E308"},
  };
  for (const Row& r : rows) EXPECT_EQ(SmartFloatToStr(r.x), r.text) << r.x;
}

TEST_F(SmartConversion, AFormWithinTheRelativeToleranceIsShownAsThatForm) {
  struct Row {
    double x;
    const char* text;
  };
  const Row rows[] = {
      {0.333333333333, "1/3"},
      {0.33333333333, "1/3"},
      {0.999999999995, "1"},
      {1.0000000001, "1"},
      {0.9999999999, "1"},
      {1.00000000011, "1.00000000011"},
      {Ext(0.5L * (1 + 0.99e-10L)), "1/2"},
      {Ext(0.5L * (1 - 0.99e-10L)), "1/2"},
      {0.50000000006, "0.50000000006"},
      {3.0000000002999, "3"},
      {0.0001 * (1 + 1e-11), "10^(-4)"},
      {Ext(kPiL * (1 + 5e-11L)), "1*pi"},
      {Ext(kPiL * (1 - 5e-11L)), "1*pi"},
      {Ext(kPiL * (1 + 2e-10L)), "3.14159265421811"},
      // For a power the relative error of the number becomes an absolute
      // error of the exponent: e^(1/2) * (1 + 2e-11) has the exponent
      // 1/2 + 2e-11, relative 4e-11, while 1 + 5e-11 would reach the edge.
      {Ext(std::exp(0.5L) * (1 + 2e-11L)), "e^(1/2)"},
      {Ext(std::exp(0.5L) * (1 + 5e-11L)), "e^(19/38)"},
      {std::exp(0.5) * (1 + 2e-10), "1.64872127102987"},
      {std::sqrt(2.0) * (1 + 2e-11), "2^(1/2)"},
      {std::sqrt(2.0) * (1 + 5e-11), "1.41421356244381"},
      {std::sqrt(2.0) * (1 + 2e-10), "1.41421356265594"},
      // At the very edge a multiple of a simpler fraction can still pass.
      {0.50000000005, "19/38"},
      {3.0000000003, "57/19"},
  };
  for (const Row& r : rows) EXPECT_EQ(SmartFloatToStr(r.x), r.text) << r.x;
}

TEST_F(SmartConversion, PrecisionSetsTheDigitsOfAgreement) {
  struct Row {
    std::int32_t precision;
    double x;
    const char* text;
  };
  const Row rows[] = {
      {10, 0.33333, "0.33333"},
      {5, 0.33333, "1/3"},
      {4, 0.3333, "1/3"},
      {3, 3.1416, "22/7"},
      {4, 3.1416, "1*pi"},
      {6, std::sqrt(2.0), "2^(1/2)"},
      {5, std::sqrt(2.0), "e^(96/277)"},
      {16, std::sqrt(2.0), "1.4142135623731"},
      {15, 0.1 + 0.2, "3/10"},
      {16, 0.1 + 0.2, "0.3"},
      {16, 0.5, "1/2"},
      {0, 123.456, "62"},
      {1, 123.456, "36*pi"},
      {5000, 0.5, "0.5"},
  };
  for (const Row& r : rows) {
    ConversionPrecision = r.precision;
    EXPECT_EQ(SmartFloatToStr(r.x), r.text) << "precision " << r.precision << ", x " << r.x;
  }
}

// Below 2^-63 the reciprocal of the magnitude leaves the 64-bit integer
// range, so such numbers are written as plain decimals, even where a form
// such as e^(-44) or 10^(-20) exists.
TEST_F(SmartConversion, MagnitudesBelowTwoToTheMinus63AreWrittenPlain) {
  struct Row {
    double x;
    const char* text;
  };
  const Row rows[] = {
      {0x1p-63, "2^(-63)"},
      {-0x1p-63, "-2^(-63)"},
      {0x1p-62, "2^(-62)"},
      {std::nextafter(0x1p-63, 0.0), "1.0842021724855E-19"},
      {0x1p-64, "5.42101086242752E-20"},
      {1e-19, "1E-19"},
      {1e-20, "1E-20"},
      {std::exp(-44.0), "7.7811322411338E-20"},
      {-1e-300, "-1E-300"},
      {kDenormMin, "4.94065645841247E-324"},
      {-kDenormMin, "-4.94065645841247E-324"},
      {2.2250738585072014e-308, "2.2250738585072E-308"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(SmartFloatToStr(r.x), r.text) << r.x;
    if (std::fabs(r.x) < 0x1p-63) {
      EXPECT_EQ(SmartFloatToStr(r.x), FormatReal(r.x)) << r.x;
    }
  }
}

TEST_F(SmartConversion, FormatComplexSmartConvertsEachPartInTheResultLayout) {
  struct Row {
    TComplex z;
    const char* text;
  };
  const Row rows[] = {
      {{0, 0}, "0"},
      {{-0.0, 0}, "0"},
      {{0.5, 0}, "1/2"},
      {{-0.5, 0}, "-1/2"},
      {{0, 1}, "i"},
      {{0, -1}, "-i"},
      {{1, 1}, "1+i"},
      {{-1, -1}, "-1-i"},
      {{0, 0.5}, "1/2*i"},
      {{0, -0.5}, "-1/2*i"},
      {{0, 2}, "2*i"},
      {{3, 4}, "3+4*i"},
      {{3, -4}, "3-4*i"},
      {{-0.5, 0.5}, "-1/2+1/2*i"},
      {{kPiL, -kPiL}, "1*pi-1*pi*i"},
      {{std::sqrt(2.0), -std::sqrt(3.0)}, "2^(1/2)-3^(1/2)*i"},
      {{std::exp(1.0), std::exp(-1.0)}, "e^(1)+e^(-1)*i"},
      {{123.456, 0.0005}, "123.456+0.0005*i"},
      {{0, -123.456}, "-123.456*i"},
      {{1e-20, -1e-20}, "1E-20-1E-20*i"},
      // The tests for exactly 1 and -1 are made on the value; the near-ones
      // become "1" only through the conversion.
      {{0, 0.9999999999999999}, "1*i"},
      {{0, -0.9999999999999999}, "-1*i"},
      {{2, 1.0000000000000002}, "2+1*i"},
      {{0.9999999999999999, 0}, "1"},
  };
  for (const Row& r : rows) EXPECT_EQ(FormatComplexSmart(r.z), r.text) << r.z.re << ", " << r.z.im;
}

}  // namespace
}  // namespace veltaro
