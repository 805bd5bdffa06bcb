// Checks a freshly compiled help file: it must have a context map that holds
// every context number the program asks for, and every topic name of the map
// must name a topic inside the file, not a path of the machine that compiled
// it. The contents, the index and every link of every topic must lead to an
// object of the file (and to an anchor of it where the link names one).
//
//   veltaro-chmcheck FILE BUILD_DIR CONTEXT...
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ChmArchive.h"
#include "HelpNavigation.h"

namespace {

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// One failure per link that leads to no object or to no anchor of it.
int CheckTarget(const veltaro::TChmArchive& archive, const std::string& file, const std::string& from,
                const std::string& link) {
  const veltaro::TLinkTarget target = veltaro::ResolveLink(from, link);
  if (target.external) return 0;
  std::string contents;
  if (!archive.Read(target.object, contents)) {
    std::fprintf(stderr, "%s: %s links to \"%s\", which is no object of the file\n", file.c_str(), from.c_str(),
                 link.c_str());
    return 1;
  }
  if (target.fragment.empty()) return 0;
  for (const std::string& anchor : veltaro::TopicAnchors(contents)) {
    if (anchor == target.fragment) return 0;
  }
  std::fprintf(stderr, "%s: %s links to \"%s\", whose topic has no such anchor\n", file.c_str(), from.c_str(),
               link.c_str());
  return 1;
}

int CheckLinks(const veltaro::TChmArchive& archive, const std::string& file) {
  int failures = 0;
  std::string system;
  veltaro::THelpSettings settings;
  if (!archive.Read("/#SYSTEM", system) || !veltaro::ParseHelpSettings(system, settings)) {
    std::fprintf(stderr, "%s: no readable #SYSTEM object\n", file.c_str());
    return 1;
  }
  for (const std::string& sitemap : {settings.contentsFile, settings.indexFile}) {
    if (sitemap.empty()) continue;
    std::string text;
    if (!archive.Read(sitemap, text)) {
      std::fprintf(stderr, "%s: the sitemap \"%s\" is missing\n", file.c_str(), sitemap.c_str());
      ++failures;
      continue;
    }
    for (const veltaro::TSitemapEntry& entry : veltaro::ParseSitemap(text)) {
      if (!entry.local.empty()) failures += CheckTarget(archive, file, "/", entry.local);
    }
  }
  for (std::size_t i = 0; i < archive.ObjectCount(); ++i) {
    const std::string name = archive.ObjectNameAt(i);
    if (!EndsWith(name, ".htm") && !EndsWith(name, ".html")) continue;
    std::string html;
    if (!archive.Read(name, html)) continue;
    for (const std::string& link : veltaro::TopicLinks(html)) failures += CheckTarget(archive, file, name, link);
  }
  return failures;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FILE BUILD_DIR CONTEXT...\n", argv[0]);
    return 2;
  }
  const std::string file = argv[1];
  const std::string buildDir = argv[2];
  veltaro::TChmArchive archive;
  if (!archive.Open(file)) {
    std::fprintf(stderr, "%s: cannot be read as a compiled help file\n", file.c_str());
    return 1;
  }
  veltaro::TContextMap map;
  if (!archive.ContextMap(map)) {
    std::fprintf(stderr, "%s: no context map (#IVB and #STRINGS missing or malformed)\n", file.c_str());
    return 1;
  }
  int failures = 0;
  for (int i = 3; i < argc; ++i) {
    std::uint32_t context = 0;
    const char* text = argv[i];
    const auto [end, error] = std::from_chars(text, text + std::strlen(text), context);
    if (error != std::errc() || *end != '\0') {
      std::fprintf(stderr, "%s: not a context number\n", text);
      return 2;
    }
    if (!map.count(context)) {
      std::fprintf(stderr, "%s: context %u is not mapped\n", file.c_str(), context);
      ++failures;
    }
  }
  for (const auto& [context, topic] : map) {
    const bool machinePath = !buildDir.empty() && topic.find(buildDir) != std::string::npos;
    if (machinePath || !archive.Contains(topic)) {
      std::fprintf(stderr, "%s: context %u maps to \"%s\", which is %s\n", file.c_str(), context, topic.c_str(),
                   machinePath ? "a path of the build machine" : "no topic of the file");
      ++failures;
    }
  }
  failures += CheckLinks(archive, file);
  if (failures == 0) std::printf("%s: %zu contexts mapped to topics inside the file\n", file.c_str(), map.size());
  return failures == 0 ? 0 : 1;
}
