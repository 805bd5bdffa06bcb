// Reuse of results: the value of a results line, and its insertion into a
// term so that it reads as one operand. Toolkit-free.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veltaro {

// The value text of a "Result: ..." line; nothing for every other line.
std::optional<std::string> ResultValueOfLine(std::string_view line);

struct TInsertion {
  std::string term;        // the term with the value inserted
  std::size_t cursor = 0;  // just after the inserted text
};

// Inserts value into term at cursor (a character offset, clamped to the
// term). The value goes in brackets where the term would otherwise read it
// differently from one bracketed operand, or only the bracketed form parses:
// "2*" with "-5" gives "2*(-5)", "2+" with "3" gives "2+3".
TInsertion InsertValue(std::string_view term, std::size_t cursor, std::string_view value);

}  // namespace veltaro
