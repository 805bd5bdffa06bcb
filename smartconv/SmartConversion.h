// Closed-form recognition: writes a real number as a short fraction, a
// multiple of pi, a power of e or a power of an integer from 2 to 1000 when
// it agrees with one to ConversionPrecision decimal digits.
#pragma once

#include <cstdint>
#include <string>

#include "Complex.h"

namespace veltaro {

// Decimal digits of agreement that a closed form needs: 0 at start, 10 once
// the window has been shown.
extern std::int32_t ConversionPrecision;

// tau > |(q - n) / q|, with tau = 0.1 ^ ConversionPrecision.
bool IsNearlyEqual(double q, double n);

// x ~ numerator / denominator with |numerator| <= 100 and a denominator from
// 1 to 1000; both 0 when there is none.
void FindFraction(double x, std::int32_t& numerator, std::int32_t& denominator);

std::string FractionToStr(std::int32_t numerator, std::int32_t denominator);

// The closed form of x, or FormatReal(x) when none is found.
std::string SmartFloatToStr(double x);

// The result text of Smart-Calculate: the layout of FormatComplex with each
// part written by SmartFloatToStr.
std::string FormatComplexSmart(TComplex z);

}  // namespace veltaro
