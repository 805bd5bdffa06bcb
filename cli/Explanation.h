// What veltaro-calc says about a term besides its results line: how a valid
// term is read, and where and why an invalid one is refused.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "Calculation.h"
#include "VarTable.h"

namespace veltaro::cli {

struct TTermExplanation {
  // One line, without its line end:
  //   reads as READING                      for a term that parses
  //   column N: MESSAGE Try "SUGGESTION".   for one that does not, N the
  //                                         first offending character counted
  //                                         from 1, the part from "Try" only
  //                                         with a suggestion
  std::string line;
  // For an invalid term: blanks and carets ("^") that put the carets under
  // the offending characters of the term as its invalid-expression line
  // shows it. Empty for a valid term, when no width was given, for a term
  // holding anything but printable ASCII characters and when the carets
  // would pass the width.
  std::string marker;
};

// The explanation of term; the marker fits in markerWidth columns (0: none).
TTermExplanation ExplainTerm(std::string_view term, std::size_t markerWidth = 0);

// Why a term whose results line is the mathematical error has no value,
// calculated against table (after its missing variables were added) under
// options, as one line without its line end:
//   column N: WHY
// N the first character of the operation that has no value, counted from 1
// (the whole term for a result refused for its imaginary part). "" for a
// term that has a value or does not parse.
std::string ExplainMathError(std::string_view term, const TVarTable& table, const TCalcOptions& options);

}  // namespace veltaro::cli
