// Why a term that parses has no value: the operation that failed, why, and
// where it stands in the term.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "TermTree.h"
#include "VarTable.h"

namespace veltaro {

enum class TMathFailureKind : std::uint8_t {
  DivisionByZero,   // a quotient whose divisor is 0
  PowerOfZero,      // 0 to a power whose exponent has a real part of 0 or less (0^0 is 1)
  LogarithmOfZero,  // ln, log or lg of 0
  LgBaseZero,       // lg to the base 0
  LgBaseOne,        // lg to a base whose logarithm is 0
  Pole,             // tan, cot, tanh, coth, arctan, arccot, artanh, arcoth where they have no value
  Overflow,         // a value beyond the range of numbers
  ImaginaryResult,  // a result with an imaginary part while "Complex results" is off
  UnknownVariable,  // a variable the table does not hold
  MissingOperand,   // a node without its operand (only in trees of failed parses)
};

struct TMathFailure {
  TMathFailureKind kind = TMathFailureKind::Overflow;
  // The failing operation in the term's text: a byte offset and a length,
  // surplus brackets and blanks around it left out; the whole term for a
  // result with an imaginary part. At least 1 long for a term that has
  // characters.
  std::size_t start = 0;
  std::size_t length = 0;
  // One sentence in plain words, naming the operation as written in the
  // term (long parts shortened with "...") and why it has no value.
  std::string message;
};

// Why the evaluation of tree, parsed from term, against table fails, or,
// with complexResults false, why its value is refused; nothing when tree
// has a value that is accepted. Evaluates under the current angle mode, as
// EvaluateTerm does, and with the same outcome; works without recursion for
// trees of any depth.
std::optional<TMathFailure> ExplainMathFailure(std::string_view term, const TTermElement* tree,
                                               const TVarTable& table, bool complexResults);

// The same for a term given as text; nothing when it does not parse.
std::optional<TMathFailure> ExplainMathFailure(std::string_view term, const TVarTable& table, bool complexResults);

}  // namespace veltaro
