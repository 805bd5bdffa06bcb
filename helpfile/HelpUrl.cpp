#include "HelpUrl.h"

namespace veltaro {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i];
    char b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

THelpUrl SplitHelpUrl(std::string_view url) {
  THelpUrl parts;
  for (const std::string_view prefix : {std::string_view("mk:@MSITStore:"), std::string_view("ms-its:")}) {
    if (StartsWithNoCase(url, prefix)) {
      url.remove_prefix(prefix.size());
      break;
    }
  }
  // A window name is the text after the last ">", when it holds no separator.
  const auto gt = url.rfind('>');
  if (gt != std::string_view::npos && url.find_first_of("/\\", gt) == std::string_view::npos) {
    parts.window = std::string(url.substr(gt + 1));
    url = url.substr(0, gt);
  }
  const auto colons = url.find("::");
  if (colons != std::string_view::npos) {
    parts.topic = std::string(url.substr(colons + 2));
    url = url.substr(0, colons);
    for (char& c : parts.topic) {
      if (c == '\\') c = '/';
    }
    if (!parts.topic.empty() && parts.topic[0] != '/') parts.topic = "/" + parts.topic;
  }
  parts.file = std::string(url);
  return parts;
}

}  // namespace veltaro
