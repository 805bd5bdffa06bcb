// What veltaro-calc says about a term besides its results line: how a valid
// term is read, and where and why an invalid one is refused.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

}  // namespace veltaro::cli
