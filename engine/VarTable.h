// The variable table: parallel arrays of labels, comments and values, in
// order of insertion. Labels compare as exact byte strings.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Complex.h"

namespace veltaro {

inline constexpr std::size_t kMaxVariables = 65535;

struct TVarTable {
  std::vector<std::string> labels;
  std::vector<std::string> comments;
  std::vector<TComplex> values;
};

void ClearVarTable(TVarTable& table);
// True and the value of the last entry carrying exactly that label, or false
// and (0, 0).
bool FindVariable(const TVarTable& table, const std::string& label, TComplex& value);
// Updates every entry with that label, or appends one. An empty label, or a
// new label for a table that is full, changes nothing; returns whether the
// table now holds the label.
bool SetVariable(TVarTable& table, const std::string& label, TComplex value, const std::string& comment);
// Removes the first entry with that label, if any.
void DeleteVariable(TVarTable& table, const std::string& label);
void CopyVarTable(const TVarTable& source, TVarTable& destination);

}  // namespace veltaro
