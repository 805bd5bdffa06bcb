// Fuzzer of the help viewer's parsers: each input is read as a contents or
// index sitemap, as the help file's settings, and as a topic whose text is
// searched and whose links are resolved.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "HelpNavigation.h"
#include "HelpUrl.h"

using namespace veltaro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  for (const TSitemapEntry& entry : ParseSitemap(input)) {
    if (entry.name.empty() || entry.depth < 0 || entry.depth > kMaxSitemapDepth) std::abort();
  }
  THelpSettings settings;
  ParseHelpSettings(input, settings);

  const TTopicText topic = ExtractTopicText(input);
  for (const std::string& link : TopicLinks(input)) {
    const TLinkTarget target = ResolveLink("/topics/window.htm", link);
    if (!target.external && !target.object.empty() && target.object[0] != '/') std::abort();
  }
  TopicAnchors(input);

  TSearchIndex index;
  index.Add("/topics/window.htm", topic.title, topic.text);
  index.Add("/topics/other.htm", "other", input);
  const std::string_view query = input.substr(0, 64);
  for (const std::size_t found : index.Find(query)) {
    if (found >= index.TopicCount()) std::abort();
  }
  for (const std::string& word : SearchWords(query)) {
    if (word.empty()) std::abort();
  }
  SplitHelpUrl(input);
  return 0;
}
