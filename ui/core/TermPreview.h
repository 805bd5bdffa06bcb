// What the window shows under the term while it is typed: what Calculate
// would give now, how the term is read, or why it is invalid. Toolkit-free;
// nothing is appended, created or changed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "Calculation.h"
#include "VarTable.h"

namespace veltaro {

struct TTermPreview {
  bool valid = false;
  std::string value;    // the value text Calculate would give, or its error line
  std::string reading;  // how the term is read, "" when the typed text says as much
  std::string creates;  // labels Calculate would add to the table, ", "-separated
  std::size_t errorStart = 0;   // the offending characters of an invalid term
  std::size_t errorLength = 0;
  std::string message;          // why it is invalid
  std::string suggestion;       // a corrected term, or ""
  // For a valid term that gives the mathematical error: the operation that
  // has no value (its characters in the term) and why.
  std::size_t failureStart = 0;
  std::size_t failureLength = 0;
  std::string failure;
  std::string StatusText() const;  // the whole status line, "" for an empty term
};

// The preview of term against table, under options. The labels the table
// lacks count as 0, as they would once Calculate has added them; table is
// not changed.
TTermPreview PreviewTerm(std::string_view term, const TVarTable& table, const TCalcOptions& options);

}  // namespace veltaro
