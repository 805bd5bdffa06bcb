#include "GridTable.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "Calculation.h"
#include "Format.h"
#include "VarTableFile.h"

namespace veltaro {

bool TableFromGridRows(const std::vector<TGridRow>& rows, TVarTable& table) {
  TVarTable fresh;
  // Position of each label in fresh, so that a repeated label is found at
  // once even in a grid of tens of thousands of rows.
  std::unordered_map<std::string_view, std::size_t> positions;
  positions.reserve(rows.size());
  for (const TGridRow& row : rows) {
    const std::string& label = row[0];
    if (label.empty()) continue;
    TComplex value;
    if (!EvaluateValueText(row[1], value)) return false;
    const auto found = positions.find(label);
    if (found != positions.end()) {
      fresh.values[found->second] = value;
      fresh.comments[found->second] = WithoutLineBreaks(row[2]);
      continue;
    }
    // A full table takes no further labels, as SetVariable behaves.
    if (fresh.labels.size() >= kMaxVariables) continue;
    positions.emplace(label, fresh.labels.size());
    fresh.labels.push_back(label);
    fresh.values.push_back(value);
    fresh.comments.push_back(WithoutLineBreaks(row[2]));
  }
  table = std::move(fresh);
  return true;
}

std::vector<int> InvalidValueRows(const std::vector<TGridRow>& rows) {
  std::vector<int> invalid;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (rows[k][0].empty()) continue;
    // A row alone fails exactly when its own value does.
    TComplex value;
    if (!EvaluateValueText(rows[k][1], value)) invalid.push_back(static_cast<int>(k) + 1);
  }
  return invalid;
}

std::vector<TGridRow> GridRowsOfTable(const TVarTable& table) {
  std::vector<TGridRow> rows;
  rows.reserve(std::max<std::size_t>(table.labels.size(), 1));
  for (std::size_t k = 0; k < table.labels.size(); ++k)
    rows.push_back({table.labels[k], FormatComplex(table.values[k]), table.comments[k]});
  if (rows.empty()) rows.emplace_back();
  return rows;
}

}  // namespace veltaro
