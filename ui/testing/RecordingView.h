// A TWindowView that keeps what the model shows and answers its reads from
// fields a test sets: the window without a toolkit.
#pragma once

#include <string>
#include <vector>

#include "WindowView.h"

namespace veltaro {

class TRecordingView : public TWindowView {
 public:
  std::string term;
  std::size_t cursor = 0;
  std::size_t selectionStart = 0, selectionLength = 0;
  std::vector<TGridRow> grid{TGridRow{}};
  std::vector<int> marked;  // value cells marked invalid since the last rebuild
  int selectedRow = 1;
  bool degrees = false;
  bool complexResults = true;
  std::vector<std::string> results;
  std::string status;
  bool variablesShown = true;
  std::vector<std::string> openedAddresses;
  int rebuilds = 0;

  std::string TermText() const override { return term; }
  std::size_t TermCursor() const override { return cursor; }
  void SetTerm(const std::string& text, std::size_t at) override;
  void SelectTerm(std::size_t start, std::size_t length) override;
  std::vector<TGridRow> GridRows() override { return grid; }
  int SelectedRow() const override { return selectedRow; }
  void ShowTable(const std::vector<TGridRow>& rows) override;
  void MarkInvalidValues(const std::vector<int>& rows) override { marked = rows; }
  bool DegreesChecked() const override { return degrees; }
  bool ComplexChecked() const override { return complexResults; }
  void AppendResult(const std::string& line) override { results.push_back(line); }
  void ClearResults() override { results.clear(); }
  void ShowStatus(const std::string& text) override { status = text; }
  void ShowVariablesPanel(bool shown) override { variablesShown = shown; }
  void OpenAddress(const std::string& address) override { openedAddresses.push_back(address); }
};

}  // namespace veltaro
