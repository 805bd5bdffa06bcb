#include "VarTable.h"

namespace veltaro {

void ClearVarTable(TVarTable& table) {
  table.labels.clear();
  table.comments.clear();
  table.values.clear();
}

bool FindVariable(const TVarTable& table, const std::string& label, TComplex& value) {
  value = TComplex{};
  if (label.empty()) return false;
  bool found = false;
  // Every entry is visited: with duplicate labels the last one wins.
  for (std::size_t i = 0; i < table.labels.size(); ++i) {
    if (table.labels[i] == label) {
      value = table.values[i];
      found = true;
    }
  }
  return found;
}

bool SetVariable(TVarTable& table, const std::string& label, TComplex value, const std::string& comment) {
  if (label.empty()) return false;
  bool matched = false;
  for (std::size_t i = 0; i < table.labels.size(); ++i) {
    if (table.labels[i] == label) {
      table.comments[i] = comment;
      table.values[i] = value;
      matched = true;
    }
  }
  if (matched) return true;
  if (table.labels.size() >= kMaxVariables) return false;
  table.labels.push_back(label);
  table.comments.push_back(comment);
  table.values.push_back(value);
  return true;
}

void DeleteVariable(TVarTable& table, const std::string& label) {
  for (std::size_t i = 0; i < table.labels.size(); ++i) {
    if (table.labels[i] == label) {
      const auto at = static_cast<std::ptrdiff_t>(i);
      table.labels.erase(table.labels.begin() + at);
      table.comments.erase(table.comments.begin() + at);
      table.values.erase(table.values.begin() + at);
      return;
    }
  }
}

void CopyVarTable(const TVarTable& source, TVarTable& destination) {
  if (&source == &destination) return;
  destination.labels = source.labels;
  destination.comments = source.comments;
  destination.values = source.values;
}

}  // namespace veltaro
