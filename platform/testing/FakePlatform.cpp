#include "FakePlatform.h"

namespace veltaro {

namespace {

TFakePlatform*& ActiveFake() {
  static TFakePlatform* fake = nullptr;
  return fake;
}

TWindowHandle RecordingEntry(TWindowHandle owner, const char* file, std::uint32_t command, std::uint32_t data) {
  return ActiveFake() ? ActiveFake()->RecordViewerCall(owner, file, command, data) : nullptr;
}

constexpr THtmlHelpA kRecordingEntry = &RecordingEntry;

}  // namespace

TFakePlatform::TFakePlatform() {
  previous_ = SetPlatform(this);
  ActiveFake() = this;
  toolkit_ = this;
  systemVersion = {TSystemFamily::WindowsNT, "", 5, 1, 2600, "Service Pack 2"};
  localeInfo = {0x0407, ","};
}

TFakePlatform::~TFakePlatform() {
  SetPlatform(previous_);
  ActiveFake() = nullptr;
}

std::string TFakePlatform::Contents(const std::string& path) const {
  const auto found = files.find(path);
  return found == files.end() ? std::string() : found->second;
}

std::string TFakePlatform::DirectoryOf(const std::string& path) const {
  const auto slash = path.find_last_of(kPathDelimiter);
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool TFakePlatform::FileExists(const std::string& path) { return files.count(path) > 0; }

// A directory's name with trailing separators names it too, as on the systems.
bool TFakePlatform::DirectoryExists(const std::string& path) {
  if (directories.count(path) > 0) return true;
  const auto end = path.find_last_not_of(kPathDelimiter);
  return end != std::string::npos && end + 1 < path.size() && directories.count(path.substr(0, end + 1)) > 0;
}

bool TFakePlatform::CreateNewFile(const std::string& path) {
  calls.push_back("CreateNewFile " + path);
  const std::string dir = DirectoryOf(path);
  if (files.count(path) || links.count(path)) {
    lastError = 80;
    return false;
  }
  if (!directories.count(dir) || readOnlyDirectories.count(dir)) {
    lastError = directories.count(dir) ? 5 : 3;
    return false;
  }
  files[path] = "";
  return true;
}

bool TFakePlatform::DeleteFile(const std::string& path) {
  calls.push_back("DeleteFile " + path);
  if (files.erase(path) || links.erase(path)) return true;
  lastError = 2;
  return false;
}

void TFakePlatform::ResetFileAttributes(const std::string& path) { calls.push_back("ResetFileAttributes " + path); }

bool TFakePlatform::AppendToFile(const std::string& path, const std::string& text) {
  if (links.count(path)) {
    lastError = 1921;
    return false;
  }
  if (!files.count(path)) {
    const std::string dir = DirectoryOf(path);
    if (!directories.count(dir) || readOnlyDirectories.count(dir)) {
      lastError = 5;
      return false;
    }
  }
  files[path] += text;
  return true;
}

bool TFakePlatform::ReadClassesRootDefault(const std::string& key, TRegistryValue& value) {
  calls.push_back("Registry " + key);
  value = {};
  if (registryKeysWithoutValue.count(key)) return true;
  const auto found = registry.find(key);
  if (found == registry.end()) {
    lastError = 2;
    return false;
  }
  value = found->second;
  return true;
}

TLibraryHandle TFakePlatform::LoadLibrary(const std::string& name) {
  calls.push_back("LoadLibrary " + name);
  if (!libraries.count(name)) {
    lastError = 126;
    return nullptr;
  }
  loaded_.push_back(name);
  return reinterpret_cast<TLibraryHandle>(loaded_.size());
}

void* TFakePlatform::LibraryExport(TLibraryHandle library, const std::string& name) {
  const auto index = reinterpret_cast<std::uintptr_t>(library);
  if (index == 0 || index > loaded_.size()) return nullptr;
  calls.push_back("LibraryExport " + name);
  if (name != "HtmlHelpA" || !libraries[loaded_[index - 1]].hasEntry) return nullptr;
  return reinterpret_cast<void*>(kRecordingEntry);
}

void TFakePlatform::FreeLibrary(TLibraryHandle library) {
  const auto index = reinterpret_cast<std::uintptr_t>(library);
  calls.push_back("FreeLibrary " + (index == 0 || index > loaded_.size() ? std::string("?") : loaded_[index - 1]));
}

bool TFakePlatform::FileVersionWords(const std::string& path, std::uint32_t& mostSignificant,
                                     std::uint32_t& leastSignificant) {
  const auto found = versions.find(path);
  if (found == versions.end()) return false;
  mostSignificant = found->second.first;
  leastSignificant = found->second.second;
  return true;
}

bool TFakePlatform::ShellOpen(TWindowHandle owner, const std::string& program, const std::string& parameters,
                              int showCommand) {
  calls.push_back("ShellOpen " + program + " | " + parameters + " | " + std::to_string(showCommand) +
                  (owner == ownerWindow ? " | owner" : " | ?"));
  if (!shellSucceeds) lastError = shellError;
  return shellSucceeds;
}

void TFakePlatform::MessageBox(const std::string& caption, const std::string& text, TMessageIcon icon) {
  calls.push_back("MessageBox " + text);
  boxes.push_back({caption, text, icon});
}

void TFakePlatform::BringToForeground(TWindowHandle window) {
  calls.push_back("BringToForeground");
  raised.push_back(window);
}

TWindowHandle TFakePlatform::RecordViewerCall(TWindowHandle owner, const char* file, std::uint32_t command,
                                              std::uint32_t data) {
  calls.push_back("HtmlHelpA " + std::to_string(command));
  viewerCalls.push_back({owner, file ? std::string(file) : std::string("<null>"), command, data});
  return viewerAnswer;
}

}  // namespace veltaro
