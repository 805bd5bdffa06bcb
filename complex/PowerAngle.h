// The angle of a power e^(w Ln b) with every bit it needs: ln|b| and the
// argument of b are worked out in fixed point to as many bits as the size
// of the exponent w takes away, so the angle Im(w Ln b) is exact however
// large w is and however close the result lies to an axis.
#pragma once

#include "Angle.h"
#include "Complex.h"

namespace veltaro::angle {

// The base b as its two magnitudes and the multiple of a quarter turn its
// argument is measured from: u = max(|re|, |im|) > 0, v = min(|re|, |im|),
// arg b = turns * pi + restSign * atan(v / u), where restSign is 0 on the
// axes and the diagonals (turns then holds the whole argument).
struct TPowerBase {
  double u = 1.0;
  double v = 0.0;
  long double turns = 0.0L;  // a multiple of 1/4
  int restSign = 0;
};

struct TPowerAngle {
  TReduced angle;         // Im(w Ln b) in radians, reduced
  wide::Quad lnModulus;   // ln|b|
  wide::Quad rest;        // restSign * atan(v / u), where w.re != 0
};

// In degree mode the imaginary part of Ln b is read in degrees and the
// exponential reads its angle in degrees, so only the share of ln|b| turns
// from degrees into radians: the angle is w.re arg b + w.im ln|b| pi/180.
TPowerAngle PowerAngle(const TPowerBase& b, TComplex w, bool deg);

}  // namespace veltaro::angle
