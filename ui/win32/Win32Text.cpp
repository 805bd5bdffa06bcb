#include "Win32Text.h"

#include "Win32.h"

namespace veltaro {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
  return utf8;
}

std::string AnsiFileName(std::wstring_view wide) {
  if (wide.empty()) return {};
  BOOL lost = FALSE;
  const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, &lost);
  if (n <= 0 || lost) return {};
  std::string ansi(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(), n,
                        nullptr, &lost);
  return lost ? std::string() : ansi;
}

std::wstring WideFileName(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return wide;
}

std::size_t PositionOfOffset(std::string_view utf8, std::size_t offset) {
  if (offset > utf8.size()) offset = utf8.size();
  while (offset > 0 && offset < utf8.size() && (static_cast<unsigned char>(utf8[offset]) & 0xC0) == 0x80) --offset;
  return Wide(utf8.substr(0, offset)).size();
}

std::size_t OffsetOfPosition(std::string_view utf8, std::size_t position) {
  const std::wstring wide = Wide(utf8);
  if (position >= wide.size()) return utf8.size();
  // A position between the halves of a surrogate pair counts as the pair's start.
  if (position > 0 && wide[position] >= 0xDC00 && wide[position] <= 0xDFFF) --position;
  return Utf8(std::wstring_view(wide).substr(0, position)).size();
}

}  // namespace veltaro
