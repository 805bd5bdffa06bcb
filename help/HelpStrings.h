// Small string operations of the help support: replacing, trimming, file
// name parts, and the %s / %d formatting of debug lines and messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace veltaro {

// One argument of a formatted text: a string for %s or an integer for %d.
using TLogArg = std::variant<std::string, std::int64_t>;
using TLogArgs = std::vector<TLogArg>;

// Fills %s and %d with the arguments in order; "%%" gives "%". An argument of
// the other kind is written as it is; a conversion without an argument, and
// any other character after "%", stays as written.
std::string FormatText(std::string_view format, const TLogArgs& args);

// Every occurrence of from replaced by to.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

// c removed at both ends, or at the end only.
std::string TrimChar(std::string_view text, char c);
std::string TrimCharRight(std::string_view text, char c);

std::string RepeatChar(char c, std::size_t count);

const char* YesNo(bool value);

// ASCII letters compared without regard to case.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The directory part of a file name (without the final separator; "" when
// there is none, "/" for a file in the root) and its name part.
std::string ExtractFileDir(std::string_view fileName);
std::string ExtractFileName(std::string_view fileName);

// All trailing path separators removed; the root directory stays "/".
std::string RemoveTrailingDelimiters(std::string_view path);

// directory and name joined by one path separator.
std::string JoinPath(std::string_view directory, std::string_view name);

}  // namespace veltaro
