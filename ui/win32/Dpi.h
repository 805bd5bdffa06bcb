// The one place where the window's design pixels (120 per inch) and font
// sizes become the pixels of the monitor the window is on.
#pragma once

#include <cmath>

namespace veltaro {

class TDpi {
 public:
  static constexpr int kDesign = 120;

  explicit TDpi(int dpi = kDesign, double grow = 1.0) : dpi_(dpi > 0 ? dpi : 96), grow_(grow) {}

  int Dpi() const { return dpi_; }
  // Screen pixels per design pixel: the monitor's, and more where the
  // font at hand needs it.
  double Scale() const { return dpi_ * grow_ / kDesign; }
  // A design length in screen pixels; edges scale, so controls that touch
  // at design still do.
  int operator()(int design) const { return static_cast<int>(std::lround(design * Scale())); }
  // A length that follows the monitor only (fonts, glyphs, system metrics).
  int Plain(int design) const { return static_cast<int>(std::lround(design * double(dpi_) / kDesign)); }

 private:
  int dpi_;
  double grow_;
};

}  // namespace veltaro
