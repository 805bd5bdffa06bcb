// Why a term is invalid: the first offending place, a short message and,
// where one exists, a corrected term.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veltaro {

struct TTermProblem {
  std::size_t start = 0;   // 0-based offset of the offending characters in the text
  std::size_t length = 0;  // how many characters, at least 1 where the text has any
  std::string message;     // in plain words, one sentence
  std::string suggestion;  // a corrected term that parses, or "" when none
};

// Nothing exactly when ParseTerm takes the text; otherwise the first problem
// found from the left. The suggestion repairs every place of the known kinds
// (a missing "*", a sign after an operator, blanks, a lower-case e, a
// decimal comma, a misspelt function name, lg without base, a label ending in
// E before a sign, a closing bracket without an opening one) and is given
// only when the parser takes it. The empty text (and one of blanks only) is
// invalid as for the parser: "The term is empty.", start 0, length the
// number of blanks. A text longer than kMaxTermLength gives start
// kMaxTermLength and the length of the excess, without a suggestion, as does
// nesting deeper than the parser counts (at the first bracket too deep).
// Costs about as much as a parse, at most a few parses, for any text up to
// kMaxTermLength characters, and works without recursion.
std::optional<TTermProblem> ExplainInvalidTerm(std::string_view text);

}  // namespace veltaro
