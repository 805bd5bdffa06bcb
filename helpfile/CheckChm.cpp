// Checks a freshly compiled help file: it must have a context map that holds
// every context number the program asks for, and every topic name of the map
// must name a topic inside the file, not a path of the machine that compiled
// it.
//
//   veltaro-chmcheck FILE BUILD_DIR CONTEXT...
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "ChmArchive.h"

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
  if (failures == 0) std::printf("%s: %zu contexts mapped to topics inside the file\n", file.c_str(), map.size());
  return failures == 0 ? 0 : 1;
}
