// Helpers shared by the tests of the arithmetic.
#pragma once

#include <ostream>

#include "Complex.h"

namespace veltaro {

inline std::ostream& operator<<(std::ostream& os, const TComplex& z) {
  return os << '(' << z.re << ", " << z.im << ')';
}

// Sets the angle mode for one scope and restores the previous one.
class DegModeScope {
 public:
  explicit DegModeScope(bool deg) : saved_(DegMode) { DegMode = deg; }
  ~DegModeScope() { DegMode = saved_; }
  DegModeScope(const DegModeScope&) = delete;
  DegModeScope& operator=(const DegModeScope&) = delete;

 private:
  bool saved_;
};

}  // namespace veltaro
