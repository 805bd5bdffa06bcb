// The elementary functions that terms can name. Each takes its input by value
// and may write its output into the same object. Angle mode acts inside the
// routines of Complex.h and in the real paths of sine, cosine, arctangent and
// arccotangent.
#pragma once

#include "Complex.h"

namespace veltaro {

bool ComplexSqrt(TComplex z, TComplex& r);
bool ComplexLog(TComplex z, TComplex& r);                   // ln z / ln 10
bool ComplexLg(TComplex base, TComplex x, TComplex& r);     // ln x / ln base
bool ComplexSin(TComplex z, TComplex& r);
bool ComplexCos(TComplex z, TComplex& r);
bool ComplexTan(TComplex z, TComplex& r);
bool ComplexCot(TComplex z, TComplex& r);
bool ComplexArcSin(TComplex z, TComplex& r);
bool ComplexArcCos(TComplex z, TComplex& r);
bool ComplexArcTan(TComplex z, TComplex& r);
bool ComplexArcCot(TComplex z, TComplex& r);
bool ComplexSinh(TComplex z, TComplex& r);
bool ComplexCosh(TComplex z, TComplex& r);
bool ComplexTanh(TComplex z, TComplex& r);
bool ComplexCoth(TComplex z, TComplex& r);
bool ComplexArSinh(TComplex z, TComplex& r);
bool ComplexArCosh(TComplex z, TComplex& r);
bool ComplexArTanh(TComplex z, TComplex& r);
bool ComplexArCoth(TComplex z, TComplex& r);
bool ComplexUnitStep(TComplex z, TComplex& r);

}  // namespace veltaro
