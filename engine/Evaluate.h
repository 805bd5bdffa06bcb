// Evaluation of term trees over the complex numbers.
#pragma once

#include "Complex.h"
#include "TermTree.h"
#include "VarTable.h"

namespace veltaro {

// Computes the value of the tree against the table under the current angle
// mode. False on any failure: a null node or operand, a variable the table
// does not hold, or a mathematical failure. r is (0, 0) for a null tree and
// an unknown variable. Works without recursion for trees of any depth.
bool EvaluateTerm(const TTermElement* node, const TVarTable& table, TComplex& r);

}  // namespace veltaro
