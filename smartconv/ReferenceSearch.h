// The closed-form search done literally: every numerator of every candidate
// is tried, each comparison through IsNearlyEqual, each logarithm computed
// where it is needed. About 100,200 trials for a number without a closed
// form. SmartFloatToStr gives the same texts much faster; this version is the
// yardstick its tests and benchmarks measure it against.
#pragma once

#include <cstdint>
#include <string>

namespace veltaro::smartconv {

void ReferenceFindFraction(double x, std::int32_t& numerator, std::int32_t& denominator);

std::string ReferenceSmartFloatToStr(double x);

}  // namespace veltaro::smartconv
