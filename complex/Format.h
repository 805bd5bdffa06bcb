// Result texts. Numbers are always written with "." as the decimal
// separator, whatever the user's locale; the process locale is never touched.
#pragma once

#include <string>

#include "Complex.h"

namespace veltaro {

// At most 15 significant digits, fixed notation for 1e-4 <= |x| < 1e15 after
// rounding, otherwise scientific with an upper-case "E".
std::string FormatReal(double x);

// The layout shared by the plain and the smart result texts, with F writing
// one part: "3+4*i", "i", "-i", "2.5*i", "-1-i", "0".
using TPartFormatter = std::string (*)(double);
std::string FormatComplexWith(TComplex z, TPartFormatter F);

std::string FormatComplex(TComplex z);

}  // namespace veltaro
