#include "hh.h"

#include "HelpStrings.h"
#include "HelpTexts.h"

namespace veltaro {

TLibraryHandle viewerLibrary = nullptr;
THtmlHelpA htmlHelpEntry = nullptr;

namespace {

std::string WithoutTrailingDelimiter(std::string path) {
  if (!path.empty() && path.back() == kPathDelimiter) path.pop_back();
  return path;
}

}  // namespace

std::string SystemDirectory() { return WithoutTrailingDelimiter(Platform().SystemDirectoryPath()); }

std::string WindowsDirectory() { return WithoutTrailingDelimiter(Platform().WindowsDirectoryPath()); }

std::string ExpandSystemRoot(const std::string& path) {
  const std::size_t n = helptext::kSystemRootPlaceholder.size();
  if (path.size() >= n && EqualsIgnoringAsciiCase(std::string_view(path).substr(0, n), helptext::kSystemRootPlaceholder)) {
    return WindowsDirectory() + path.substr(n);
  }
  return path;
}

std::string LocateViewer() {
  TPlatform& platform = Platform();
  std::string name;
  TRegistryValue value;
  if (platform.ReadClassesRootDefault(std::string(helptext::kViewerRegistryKey), value)) {
    // A value that is not a string names no file.
    if (value.kind != TRegistryValueKind::Other) name = ExpandSystemRoot(value.data);
    if (!name.empty() && !platform.FileExists(name)) name.clear();
  }
  if (name.empty()) name = SystemDirectory() + kPathDelimiter + std::string(helptext::kViewerLibraryName);
  return name;
}

void LoadViewer() {
  if (viewerLibrary) return;
  TPlatform& platform = Platform();
  viewerLibrary = platform.LoadLibrary(std::string(helptext::kViewerLibraryName));
  if (!viewerLibrary) {
    const std::string located = LocateViewer();
    if (!located.empty() && platform.FileExists(located)) viewerLibrary = platform.LoadLibrary(located);
  }
  if (viewerLibrary) {
    htmlHelpEntry = reinterpret_cast<THtmlHelpA>(platform.LibraryExport(viewerLibrary, std::string(helptext::kViewerEntryName)));
  }
}

void UnloadViewer() {
  if (!viewerLibrary) return;
  Platform().FreeLibrary(viewerLibrary);
  htmlHelpEntry = nullptr;
  viewerLibrary = nullptr;
}

}  // namespace veltaro
