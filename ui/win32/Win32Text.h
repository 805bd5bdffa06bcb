// The window's texts between the program's UTF-8 and the system's UTF-16,
// and positions in a term between the two.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veltaro {

// Bytes that are not UTF-8 become U+FFFD.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// A file name as the file code takes it (the system's ANSI code page), and
// back; empty when a character of it has no form in that code page.
std::string AnsiFileName(std::wstring_view wide);
std::wstring WideFileName(std::string_view ansi);

// The UTF-16 position of a byte offset of utf8 (an offset inside a
// character counts as the character's start), and the byte offset of a
// UTF-16 position of the same text.
std::size_t PositionOfOffset(std::string_view utf8, std::size_t offset);
std::size_t OffsetOfPosition(std::string_view utf8, std::size_t position);

}  // namespace veltaro
