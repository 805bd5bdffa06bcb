#include "GridTable.h"

#include <string_view>
#include <unordered_map>

#include "Calculation.h"

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
      fresh.comments[found->second] = row[2];
      continue;
    }
    // A full table takes no further labels, as SetVariable behaves.
    if (fresh.labels.size() >= kMaxVariables) continue;
    positions.emplace(label, fresh.labels.size());
    fresh.labels.push_back(label);
    fresh.values.push_back(value);
    fresh.comments.push_back(row[2]);
  }
  table = std::move(fresh);
  return true;
}

}  // namespace veltaro
