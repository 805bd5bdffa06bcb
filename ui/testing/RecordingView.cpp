#include "RecordingView.h"

#include <algorithm>

namespace veltaro {

void TRecordingView::SetTerm(const std::string& text, std::size_t at) {
  term = text;
  cursor = std::min(at, term.size());
  selectionStart = selectionLength = 0;
}

void TRecordingView::SelectTerm(std::size_t start, std::size_t length) {
  selectionStart = start;
  selectionLength = length;
}

void TRecordingView::ShowTable(const std::vector<TGridRow>& rows) {
  grid = rows;
  marked.clear();
  ++rebuilds;
  // A rebuild keeps the selection where it was, as far as rows remain.
  selectedRow = std::clamp(selectedRow, 1, static_cast<int>(grid.size()));
}

}  // namespace veltaro
