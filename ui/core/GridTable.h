// The variables grid's rows as plain data, and the write-back of those rows
// into a variable table. Toolkit-free.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "VarTable.h"

namespace veltaro {

// One data row of the variables grid: label, value text, comment.
using TGridRow = std::array<std::string, 3>;

// Builds a table from the rows, top to bottom: rows with an empty label are
// skipped; each value text is evaluated as a term without variables under the
// current angle mode; a label seen before updates its first row's variable in
// place (the later value and comment win). When every labelled row has a
// valid value, table is replaced and true returned; otherwise table is left
// as it was.
bool TableFromGridRows(const std::vector<TGridRow>& rows, TVarTable& table);

}  // namespace veltaro
