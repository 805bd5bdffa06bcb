#include "HelpStrings.h"

#include "Platform.h"

namespace veltaro {

std::string FormatText(std::string_view format, const TLogArgs& args) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    const char kind = format[i + 1];
    if (kind == '%') {
      out += '%';
      ++i;
      continue;
    }
    if ((kind != 's' && kind != 'd') || next >= args.size()) {
      out += c;
      continue;
    }
    const TLogArg& arg = args[next++];
    if (const auto* s = std::get_if<std::string>(&arg)) {
      out += *s;
    } else {
      out += std::to_string(std::get<std::int64_t>(arg));
    }
    ++i;
  }
  return out;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  if (from.empty()) return text;
  std::size_t at = 0;
  while ((at = text.find(from, at)) != std::string::npos) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

std::string TrimChar(std::string_view text, char c) {
  const auto first = text.find_first_not_of(c);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(c);
  return std::string(text.substr(first, last - first + 1));
}

std::string TrimCharRight(std::string_view text, char c) {
  const auto last = text.find_last_not_of(c);
  if (last == std::string_view::npos) return {};
  return std::string(text.substr(0, last + 1));
}

std::string RepeatChar(char c, std::size_t count) { return std::string(count, c); }

const char* YesNo(bool value) { return value ? "YES" : "NO"; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string ExtractFileDir(std::string_view fileName) {
  const auto at = fileName.find_last_of(kPathDelimiter);
  if (at == std::string_view::npos) return {};
  if (at == 0) return std::string(1, kPathDelimiter);
  return std::string(fileName.substr(0, at));
}

std::string ExtractFileName(std::string_view fileName) {
  const auto at = fileName.find_last_of(kPathDelimiter);
  return std::string(at == std::string_view::npos ? fileName : fileName.substr(at + 1));
}

std::string RemoveTrailingDelimiters(std::string_view path) {
  std::string out = TrimCharRight(path, kPathDelimiter);
  if (out.empty() && !path.empty()) out = std::string(1, kPathDelimiter);
  return out;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string out(directory);
  if (out.empty() || out.back() != kPathDelimiter) out += kPathDelimiter;
  out += name;
  return out;
}

}  // namespace veltaro
