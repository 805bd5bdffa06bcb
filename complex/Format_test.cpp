#include "Format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <locale>
#include <string>

#include "TestSupport.h"

namespace veltaro {
namespace {

TEST(FormatReal, FifteenSignificantDigitsFixedOrScientific) {
  struct Row { double x; const char* text; };
  const Row rows[] = {
      {0.00012, "0.00012"},
      {1500, "1500"},
      {12.75, "12.75"},
      {1e15, "1E15"},
      {0.00001, "1E-5"},
      {-2.5e-7, "-2.5E-7"},
      {1.5e100, "1.5E100"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {0.30000000000000004, "0.3"},
      {999999999999999.0, "999999999999999"},
      {999999999999999.9, "1E15"},
      {123456789012345678.0, "1.23456789012346E17"},
      {0.0001, "0.0001"},
      {0.00009, "9E-5"},
      {6.123233995736766e-17, "6.12323399573677E-17"},
      {-0.0, "0"},
      {0.0, "0"},
      {-0.5, "-0.5"},
      {1, "1"},
      {-7, "-7"},
      {100, "100"},
      {1e20, "1E20"},
      {std::numeric_limits<double>::max(), "1.79769313486232E308"},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
      {1234567890123455.0, "1.23456789012346E15"},  // an exact tie rounds up
      {0.1, "0.1"},
      {3.0000000000000004, "3"},
      {2.9999999999999996, "3"},
      {123.456, "123.456"},
      {1e-3, "0.001"},
      {0.99999999999999994, "1"},
  };
  for (const Row& r : rows) EXPECT_EQ(FormatReal(r.x), r.text) << r.x;
}

TEST(FormatReal, RoundTripsThroughFifteenDigits) {
  // What FormatReal writes, read back, is the value rounded to 15 digits.
  const double values[] = {1.0 / 7.0, 123456.789, -9.87654321e-30, 5e300, 42.0};
  for (double v : values) {
    const std::string text = FormatReal(v);
    const double back = std::strtod(text.c_str(), nullptr);  // C locale in this test
    EXPECT_NEAR(back / v, 1.0, 1e-14) << text;
  }
}

TEST(FormatComplex, LayoutOfRealAndImaginaryParts) {
  struct Row { TComplex z; const char* text; };
  const Row rows[] = {
      {{3, 4}, "3+4*i"},
      {{3, -4}, "3-4*i"},
      {{0, 1}, "i"},
      {{0, -1}, "-i"},
      {{2, 1}, "2+i"},
      {{-1, -1}, "-1-i"},
      {{0, 2.5}, "2.5*i"},
      {{0, 0}, "0"},
      {{-0.5, 0}, "-0.5"},
      {{0, 0.9999999999999999}, "1*i"},
      {{1e20, -3}, "1E20-3*i"},
      {{0, -2.5e-7}, "-2.5E-7*i"},
      {{-0.0, 0}, "0"},
      {{0, -0.0}, "0"},
  };
  for (const Row& r : rows) EXPECT_EQ(FormatComplex(r.z), r.text) << r.z;
}

// Finds or builds a locale whose decimal separator is a comma.
bool UseCommaLocale() {
#ifdef _WIN32
  // The system's own names of a German locale.
  for (const char* n : {"de-DE", "German_Germany.1252", "German"}) {
    if (std::setlocale(LC_ALL, n) != nullptr) return true;
  }
  return false;
#else
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"};
  for (const char* n : names) {
    if (std::setlocale(LC_ALL, n) != nullptr) return true;
  }
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "veltaro-test-locales";
  std::filesystem::create_directories(dir);
  const std::string cmd = "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0 && !std::filesystem::exists(dir / "de_DE.UTF-8")) return false;
  setenv("LOCPATH", dir.c_str(), 1);
  return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
#endif
}

TEST(FormatReal, PointWhateverTheLocale) {
  const std::locale savedGlobal;
  if (!UseCommaLocale()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(FormatReal(0.5), "0.5");
  EXPECT_EQ(FormatComplex({1.25, -2.5e-7}), "1.25-2.5E-7*i");
  EXPECT_EQ(FormatReal(1234.5), "1234.5");  // no thousands separator either
  // The process locale is left as the caller set it.
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
  std::setlocale(LC_ALL, "C");
  std::locale::global(savedGlobal);
}

}  // namespace
}  // namespace veltaro
