#include "Functions.h"

#include <cmath>

#include "Angle.h"
#include "Wide.h"

namespace veltaro {

namespace {

using wide::kPi;
constexpr TComplex kHalf{0.5, 0.0};

bool Store(long double re, long double im, TComplex& r) {
  TComplex out;
  if (!StoreDouble(re, out.re) || !StoreDouble(im, out.im)) return false;
  r = out;
  return true;
}

bool StoreSnapped(long double re, long double im, TComplex& r) {
  TComplex out;
  if (!Store(re, im, out)) return false;
  SnapComplex(out);
  r = out;
  return true;
}

long double Sign(double v) { return std::signbit(v) ? -1.0L : 1.0L; }

// a * b, exactly 0 when a is: an exact zero of a sine or cosine stays 0
// against a hyperbolic factor beyond the extended range.
long double Times(long double a, long double b) { return a == 0.0L ? 0.0L : a * b; }

// The real parts behind the circular and hyperbolic functions of one
// argument: the sine and cosine of an angle read in the current mode, and
// sinh and cosh of the other component. sin and cos of x + iy use the angle
// x and the hyperbolic component y; sinh and cosh use the angle y and x.
struct TParts {
  long double sinA, cosA, sinhB, coshB;
  double b;  // the hyperbolic component
};

TParts Parts(double angle, double hyperbolic) {
  TParts k;
  angle::CosSin(angle::ReduceInMode(angle), k.cosA, k.sinA);
  k.sinhB = std::sinh(static_cast<long double>(hyperbolic));
  k.coshB = std::cosh(static_cast<long double>(hyperbolic));
  k.b = hyperbolic;
  return k;
}

TParts Circular(TComplex z) { return Parts(z.re, z.im); }

TParts Hyperbolic(TComplex z) { return Parts(z.im, z.re); }

// Beyond this hyperbolic component the quotients below are taken in a form
// scaled by e^(-2|b|), where nothing overflows.
constexpr double kScaledFrom = 40.0;

// tan, cot, tanh and coth share one shape: with the angle a and the
// hyperbolic component b,
//   (sin a cos a + i sinh b cosh b) / (c^2 + sinh^2 b)  (c = cos a or sin a),
// with the sign of the second part given by imSign and the parts swapped
// for the hyperbolic functions. Scaled by 4 e^(-2|b|) = 4E the quotient is
//   (4E sin a cos a + i sgn(b) (1 - E^2)) / ((1 - E)^2 + 4E c^2).
// False where the divisor is exactly 0.
bool Quotient(const TParts& k, long double c, long double& circular, long double& hyperbolic) {
  if (std::fabs(k.b) <= kScaledFrom) {
    const long double d = c * c + k.sinhB * k.sinhB;
    if (d == 0.0L) return false;
    circular = k.sinA * k.cosA / d;
    hyperbolic = k.sinhB * k.coshB / d;
    return true;
  }
  const long double e = std::exp(-2.0L * std::fabs(static_cast<long double>(k.b)));
  const long double d = (1.0L - e) * (1.0L - e) + 4.0L * e * c * c;
  circular = 4.0L * e * k.sinA * k.cosA / d;
  hyperbolic = Sign(k.b) * (1.0L - e) * (1.0L + e) / d;
  return true;
}

}  // namespace

bool ComplexSqrt(TComplex z, TComplex& r) { return ComplexPower(z, kHalf, r); }

bool ComplexLog(TComplex z, TComplex& r) {
  if (z.re == 0.0 && z.im == 0.0) {
    r = TComplex{};
    return false;
  }
  const long double ln10 = wide::kLn10Hi + wide::kLn10Lo;
  const long double re = z.im == 0.0 ? std::log10(std::fabs(static_cast<long double>(z.re)))
                                     : wide::LnModulus(z.re, z.im) / ln10;
  return StoreSnapped(re, ComplexArgument(z) / ln10, r);
}

bool ComplexLg(TComplex base, TComplex x, TComplex& r) {
  if ((base.re == 0.0 && base.im == 0.0) || (x.re == 0.0 && x.im == 0.0)) return false;
  const long double br = wide::LnModulus(base.re, base.im), bi = ComplexArgument(base);
  const long double xr = wide::LnModulus(x.re, x.im), xi = ComplexArgument(x);
  if (br == 0.0L && bi == 0.0L) return false;
  if (bi == 0.0L && xi == 0.0L) return StoreSnapped(xr / br, 0.0L, r);
  const long double d = br * br + bi * bi;
  return StoreSnapped((xr * br + xi * bi) / d, (xi * br - xr * bi) / d, r);
}

bool ComplexSin(TComplex z, TComplex& r) {
  const TParts k = Circular(z);
  return StoreSnapped(Times(k.sinA, k.coshB), Times(k.cosA, k.sinhB), r);
}

bool ComplexCos(TComplex z, TComplex& r) {
  const TParts k = Circular(z);
  return StoreSnapped(Times(k.cosA, k.coshB), -Times(k.sinA, k.sinhB), r);
}

// tan z = (sin x cos x + i sinh y cosh y) / (cos^2 x + sinh^2 y), and the
// cotangent likewise: no part is a difference of nearly equal terms.
bool ComplexTan(TComplex z, TComplex& r) {
  const TParts k = Circular(z);
  long double re, im;
  if (!Quotient(k, k.cosA, re, im)) {
    r = TComplex{};
    return false;
  }
  return StoreSnapped(re, im, r);
}

bool ComplexCot(TComplex z, TComplex& r) {
  const TParts k = Circular(z);
  long double re, im;
  if (!Quotient(k, k.sinA, re, im)) {
    r = TComplex{};
    return false;
  }
  return StoreSnapped(re, -im, r);
}

namespace {

// The inverse sine and cosine of |x| + i|y| in the real formulas that keep
// every part exact: with r = |z + 1|, s = |z - 1| and A = (r + s) / 2,
// arcsin = arcsin(|x| / A) and arccos = arccos(|x| / A) for the real part,
// and ln(A + sqrt(A^2 - 1)) for the magnitude of the imaginary part. A - 1
// and A - |x| are formed without subtracting nearly equal values.
struct TInverseCircular {
  long double asinRe;  // in [0, pi/2]
  long double acosRe;  // in [0, pi/2]
  long double im;      // >= 0
};

TInverseCircular InverseCircular(double x, double y) {
  const long double ax = std::fabs(static_cast<long double>(x));
  const long double ay = std::fabs(static_cast<long double>(y));
  const long double r = std::hypot(ax + 1.0L, ay);
  const long double s = std::hypot(ax - 1.0L, ay);
  const long double a = (r + s) / 2.0L;
  const long double yy = ay * ay;
  const long double toR = yy / (r + ax + 1.0L);  // r - (|x| + 1)
  long double aMinusOne, aMinusX;
  if (ax < 1.0L) {
    aMinusOne = (toR + yy / (s + (1.0L - ax))) / 2.0L;
    aMinusX = (toR + s + (1.0L - ax)) / 2.0L;
  } else {
    aMinusOne = (toR + s + (ax - 1.0L)) / 2.0L;
    aMinusX = ay == 0.0L ? 0.0L : (toR + yy / (s + (ax - 1.0L))) / 2.0L;
  }
  const long double root = std::sqrt((a + ax) * aMinusX);  // sqrt(A^2 - x^2)
  TInverseCircular k;
  k.asinRe = std::atan2(ax, root);
  k.acosRe = std::atan2(root, ax);
  k.im = std::log1p(aMinusOne + std::sqrt(aMinusOne * (a + 1.0L)));
  return k;
}

// arcsin and arccos with the real part in radians. On the real axis beyond
// +-1 the imaginary part has the sign opposite to x for the sine and the
// sign of x for the cosine.
void ArcSinRadians(double x, double y, long double& re, long double& im) {
  const TInverseCircular k = InverseCircular(x, y);
  re = Sign(x) * k.asinRe;
  if (y != 0.0) {
    im = Sign(y) * k.im;
  } else {
    im = -Sign(x) * k.im;
  }
}

void ArcCosRadians(double x, double y, long double& re, long double& im) {
  const TInverseCircular k = InverseCircular(x, y);
  re = x < 0.0 ? kPi - k.acosRe : k.acosRe;
  if (y != 0.0) {
    im = -Sign(y) * k.im;
  } else {
    im = Sign(x) * k.im;
  }
}

}  // namespace

bool ComplexArcSin(TComplex z, TComplex& r) {
  long double re, im;
  ArcSinRadians(z.re, z.im, re, im);
  return StoreSnapped(wide::AngleInMode(re), im, r);
}

bool ComplexArcCos(TComplex z, TComplex& r) {
  long double re, im;
  ArcCosRadians(z.re, z.im, re, im);
  return StoreSnapped(wide::AngleInMode(re), im, r);
}

namespace {

// The real part of arctan z in radians and its imaginary part, z not real:
// (arg(1 + iz) - arg(1 - iz)) / 2 and (ln|1 - iz| - ln|1 + iz|) / 2. The
// difference of the arguments is the argument of 1 - |z|^2 + 2ix; on the
// imaginary axis beyond +-i it is +pi above and -pi below.
bool ArcTanParts(double x, double y, long double& twiceRe, long double& im) {
  if (x == 0.0 && (y == 1.0 || y == -1.0)) return false;
  const long double c = -wide::SquaresMinusOne(x, y);  // 1 - x^2 - y^2
  if (x == 0.0) {
    twiceRe = c > 0.0L ? 0.0L : Sign(y) * kPi;
  } else {
    twiceRe = std::atan2(2.0L * static_cast<long double>(x), c);
  }
  const long double lx = x, ly = y;
  const long double below = (1.0L - ly) * (1.0L - ly) + lx * lx;  // |1 + iz|^2
  const long double above = (1.0L + ly) * (1.0L + ly) + lx * lx;  // |1 - iz|^2
  const long double q = 4.0L * ly / below;                          // above / below - 1
  im = (std::fabs(q) < 0.5L ? std::log1p(q) : std::log(above / below)) / 4.0L;
  return true;
}

}  // namespace

bool ComplexArcTan(TComplex z, TComplex& r) {
  if (z.im == 0.0) {
    return Store(wide::AngleInMode(std::atan(static_cast<long double>(z.re))), 0.0L, r);
  }
  long double twiceRe, im;
  if (!ArcTanParts(z.re, z.im, twiceRe, im)) return false;
  return StoreSnapped(wide::AngleInMode(twiceRe / 2.0L), im, r);
}

// The right angle minus arctan z, the difference taken without cancellation:
// for x > 0 it is arctan(1/x) on the real axis and half the argument of
// -(1 - |z|^2) + 2ix otherwise.
bool ComplexArcCot(TComplex z, TComplex& r) {
  const long double x = z.re;
  if (z.im == 0.0) {
    long double re;
    if (z.re > 0.0) {
      re = std::atan(1.0L / x);
    } else {
      re = wide::kHalfPi + std::atan(-x);
    }
    return Store(wide::AngleInMode(re), 0.0L, r);
  }
  long double twiceRe, im;
  if (!ArcTanParts(z.re, z.im, twiceRe, im)) return false;
  long double twiceCot;
  if (z.re > 0.0) {
    twiceCot = std::atan2(2.0L * x, wide::SquaresMinusOne(z.re, z.im));
  } else {
    twiceCot = kPi - twiceRe;
  }
  return Store(wide::AngleInMode(twiceCot / 2.0L), -im, r);
}

bool ComplexSinh(TComplex z, TComplex& r) {
  const TParts k = Hyperbolic(z);
  return Store(Times(k.cosA, k.sinhB), Times(k.sinA, k.coshB), r);
}

bool ComplexCosh(TComplex z, TComplex& r) {
  const TParts k = Hyperbolic(z);
  return Store(Times(k.cosA, k.coshB), Times(k.sinA, k.sinhB), r);
}

// tanh z = (sinh x cosh x + i sin y cos y) / (sinh^2 x + cos^2 y), and the
// hyperbolic cotangent likewise.
bool ComplexTanh(TComplex z, TComplex& r) {
  const TParts k = Hyperbolic(z);
  long double circular, hyperbolic;
  if (!Quotient(k, k.cosA, circular, hyperbolic)) return false;
  return StoreSnapped(hyperbolic, circular, r);
}

bool ComplexCoth(TComplex z, TComplex& r) {
  const TParts k = Hyperbolic(z);
  long double circular, hyperbolic;
  if (!Quotient(k, k.sinA, circular, hyperbolic)) return false;
  return StoreSnapped(hyperbolic, -circular, r);
}

// arsinh z = -i arcsin(iz).
bool ComplexArSinh(TComplex z, TComplex& r) {
  long double re, im;
  ArcSinRadians(-z.im, z.re, re, im);
  return StoreSnapped(im, wide::AngleInMode(-re), r);
}

// ln(z + sqrt(z^2 - 1)) with the principal root: i arccos z where
// x*y >= 0 and -i arccos z where x*y < 0; on the real axis ln of
// x + sqrt(x^2 - 1), which is negative for x < -1 with the argument pi.
bool ComplexArCosh(TComplex z, TComplex& r) {
  if (z.im == 0.0) {
    const TInverseCircular k = InverseCircular(z.re, 0.0);
    if (z.re > 1.0) return StoreSnapped(k.im, 0.0L, r);
    if (z.re < -1.0) return StoreSnapped(-k.im, wide::AngleInMode(kPi), r);
    const long double angle = z.re < 0.0 ? kPi - k.acosRe : k.acosRe;
    return StoreSnapped(0.0L, wide::AngleInMode(angle), r);
  }
  long double re, im;
  ArcCosRadians(z.re, z.im, re, im);
  if ((z.re < 0.0) != (z.im < 0.0) && z.re != 0.0) return StoreSnapped(im, wide::AngleInMode(-re), r);
  return StoreSnapped(-im, wide::AngleInMode(re), r);
}

namespace {

// 1/2 ln q for q = (1 + z) / (1 - z) (sign +1, the inverse hyperbolic
// tangent) or q = (z + 1) / (z - 1) (sign -1, the cotangent). The real part
// is 1/4 ln(|z + 1|^2 / |z - 1|^2) for both; the argument of q is that of
// +-(1 - |z|^2) + 2iy, +pi on the real axis where q is negative.
bool HalfLnOfQuotient(TComplex z, long double sign, TComplex& r) {
  const double x = z.re, y = z.im;
  if (y == 0.0 && (x == 1.0 || x == -1.0)) return false;
  const long double lx = x, ly = y;
  const long double c = -wide::SquaresMinusOne(x, y) * sign;  // re of q times |z - 1|^2
  const long double below = (1.0L - lx) * (1.0L - lx) + ly * ly;  // |z - 1|^2
  const long double above = (1.0L + lx) * (1.0L + lx) + ly * ly;  // |z + 1|^2
  const long double t = 4.0L * lx / below;
  const long double re = (std::fabs(t) < 0.5L ? std::log1p(t) : std::log(above / below)) / 4.0L;
  long double arg;
  if (y == 0.0) {
    arg = c > 0.0L ? 0.0L : kPi;
  } else {
    arg = std::atan2(2.0L * ly * sign, c);
  }
  return StoreSnapped(re, wide::AngleInMode(arg) / 2.0L, r);
}

}  // namespace

bool ComplexArTanh(TComplex z, TComplex& r) { return HalfLnOfQuotient(z, 1.0L, r); }

bool ComplexArCoth(TComplex z, TComplex& r) { return HalfLnOfQuotient(z, -1.0L, r); }

bool ComplexUnitStep(TComplex z, TComplex& r) {
  if (z.re > 0.0) {
    r = TComplex{1.0, 0.0};
  } else if (z.re == 0.0) {
    r = TComplex{0.5, 0.0};
  } else {
    r = TComplex{};
  }
  return true;
}

}  // namespace veltaro
