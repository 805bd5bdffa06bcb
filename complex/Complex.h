// Complex numbers and the arithmetic core of the calculator.
//
// Every intermediate value is held in the 80-bit x87 extended format
// (long double, 64-bit significand); a value is rounded to double only when
// it is stored into a TComplex component. An operation fails (returns false)
// on an invalid operation, a division by zero or an overflow, including a
// component whose magnitude exceeds the double range when it is stored.
// Underflow is silent.
#pragma once

namespace veltaro {

struct TComplex {
  double re = 0.0;
  double im = 0.0;

  friend bool operator==(const TComplex&, const TComplex&) = default;
};

// Angle mode: false = radians (the start value), true = degrees.
extern bool DegMode;

// 1e-15 as the nearest extended value: the relative threshold below which
// rounding residue is dropped.
inline constexpr long double kSnapEpsilon = 1e-15L;

// Rounds an extended value to double; false when the value is not finite or
// lies beyond the double range after rounding.
bool StoreDouble(long double v, double& out);

long double ComplexModulus(TComplex z);
long double ComplexArgument(TComplex z);
long double GuardedSum(long double a, long double b);
long double GuardedDifference(long double a, long double b);
void SnapComplex(TComplex& z);

bool ComplexMultiply(TComplex a, TComplex b, TComplex& r);
bool ComplexDivide(TComplex a, TComplex b, TComplex& r);
bool ComplexLn(TComplex z, TComplex& r);
bool ComplexExp(TComplex z, TComplex& r);
bool ComplexPower(TComplex base, TComplex exponent, TComplex& r);

// The plain component-wise sum and difference of terms: extended precision,
// no snapping, failure only when a stored component overflows.
bool ComplexPlainSum(TComplex a, TComplex b, TComplex& r);
bool ComplexPlainDifference(TComplex a, TComplex b, TComplex& r);

}  // namespace veltaro
