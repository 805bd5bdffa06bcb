// Every text that the program shows, defined once.
#pragma once

#include <string_view>

namespace veltaro::text {

inline constexpr std::string_view kAppTitle = "Veltaro";
inline constexpr std::string_view kResultPrefix = "Result: ";
inline constexpr std::string_view kInvalidVariableValue = "Error: Invalid variable value entered.";
inline constexpr std::string_view kInvalidExpressionPrefix = "Error: Invalid expression: \"";
inline constexpr std::string_view kInvalidExpressionSuffix = "\".";
inline constexpr std::string_view kMathError = "Error: Mathematical error in expression.";
inline constexpr std::string_view kTableFileHeader = "Veltaro Variable table";

}  // namespace veltaro::text
