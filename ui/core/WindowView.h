// What the window model needs of a window: the few reads and displays that
// every toolkit's window provides. A view only forwards; it holds no rule of
// the program. Positions in the term are byte offsets into its UTF-8 text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "GridTable.h"

namespace veltaro {

class TWindowView {
 public:
  virtual ~TWindowView() = default;

  // The entry field's text and its cursor.
  virtual std::string TermText() const = 0;
  virtual std::size_t TermCursor() const = 0;
  // Replaces the entry field's text, puts the cursor at cursor and gives the
  // field the focus.
  virtual void SetTerm(const std::string& text, std::size_t cursor) = 0;
  // Selects length bytes of the term from start and gives the field the focus.
  virtual void SelectTerm(std::size_t start, std::size_t length) = 0;

  // The grid's data rows, top to bottom, after an open cell editor has handed
  // its text to the grid; and the data row (from 1) that holds the selection.
  virtual std::vector<TGridRow> GridRows() = 0;
  virtual int SelectedRow() const = 0;
  // Rebuilds the grid with these data rows (at least one), forgetting marks.
  virtual void ShowTable(const std::vector<TGridRow>& rows) = 0;
  // Marks the value cells of these data rows (from 1) until the next rebuild.
  virtual void MarkInvalidValues(const std::vector<int>& rows) = 0;

  // The state of "Deg" and of "Complex results".
  virtual bool DegreesChecked() const = 0;
  virtual bool ComplexChecked() const = 0;

  virtual void AppendResult(const std::string& line) = 0;
  virtual void ClearResults() = 0;
  // The one-line status under the entry field.
  virtual void ShowStatus(const std::string& text) = 0;
  virtual void ShowVariablesPanel(bool shown) = 0;
  virtual void OpenAddress(const std::string& address) = 0;
};

}  // namespace veltaro
