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

// Nothing for a term that parses; otherwise the first problem found. Costs
// no more than a parse for any text up to kMaxTermLength characters.
std::optional<TTermProblem> ExplainInvalidTerm(std::string_view text);

}  // namespace veltaro
