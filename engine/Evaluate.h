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

// Where an evaluation failed: the first node, in the order of evaluation,
// whose own step failed, with the values its operation was given.
struct TEvaluationFailure {
  // The node that failed: an operation, a variable leaf the table does not
  // hold, or, when missingOperand is set, the node whose operand is null
  // (null itself when the whole tree is).
  const TTermElement* node = nullptr;
  bool missingOperand = false;
  // The operands the operation was applied to: the left and the right one
  // of an operator, the base and the argument of lg (lg stops at a base of
  // 0, before its argument is evaluated; second is then (0, 0)), the
  // argument of any other function in first.
  TComplex first;
  TComplex second;
};

// The same evaluation, with the same outcome; on failure, failure says
// where and with which values.
bool EvaluateTerm(const TTermElement* node, const TVarTable& table, TComplex& r, TEvaluationFailure& failure);

}  // namespace veltaro
