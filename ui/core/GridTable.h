// The variables grid's rows as plain data, and the write-back of those rows
// into a variable table. Toolkit-free.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "VarTable.h"

namespace veltaro {

// One data row of the variables grid: label, value text, comment.
using TGridRow = std::array<std::string, 3>;

// Builds a table from the rows, top to bottom: rows with an empty label are
// skipped; each value text is evaluated as a term without variables under the
// current angle mode; a label seen before updates its first row's variable in
// place (the later value and comment win); a comment keeps to one line.
// When every labelled row has a valid value, table is replaced and true
// returned; otherwise table is left as it was.
bool TableFromGridRows(const std::vector<TGridRow>& rows, TVarTable& table);

// The data rows (from 1) whose label is not empty and whose value text is
// not a valid term without variables: the rows that make a write-back fail.
std::vector<int> InvalidValueRows(const std::vector<TGridRow>& rows);

// The grid's rows for a table: label, value text and comment of each
// variable, or one empty row for an empty table.
std::vector<TGridRow> GridRowsOfTable(const TVarTable& table);

}  // namespace veltaro
