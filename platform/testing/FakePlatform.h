// A scripted platform for tests: files, directories, registry values, file
// versions and libraries are what the test puts into it; every call that
// changes something or reaches outside is recorded in order. A loaded
// library's "HtmlHelpA" is a recording entry point that answers with
// viewerAnswer. While it lives, the fake is the process-wide platform.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Platform.h"

namespace veltaro {

class TFakePlatform : public TPlatform, public TToolkitServices {
 public:
  TFakePlatform();
  ~TFakePlatform() override;
  TFakePlatform(const TFakePlatform&) = delete;
  TFakePlatform& operator=(const TFakePlatform&) = delete;

  // One call into the viewer's entry point.
  struct TViewerCall {
    TWindowHandle owner;
    std::string file;  // "<null>" for a null file name
    std::uint32_t command;
    std::uint32_t data;
  };

  // A library that LoadLibrary finds by this exact name, and whether it has
  // the viewer's export.
  struct TLibrary {
    bool hasEntry = true;
  };

  // --- The script ---
  std::map<std::string, std::string> files;  // name -> contents
  std::set<std::string> directories;
  std::set<std::string> readOnlyDirectories;  // creating files there fails
  std::set<std::string> links;                // names that are planted links
  std::map<std::string, TRegistryValue> registry;  // key -> default value
  std::set<std::string> registryKeysWithoutValue;
  std::map<std::string, std::pair<std::uint32_t, std::uint32_t>> versions;  // file -> version words
  std::map<std::string, TLibrary> libraries;
  std::string tempPath = "/tmp/";
  std::string systemDirectory = "/sys32/";
  std::string windowsDirectory = "/win/";
  std::string moduleFileName = "/prog/veltaro";
  std::vector<std::string> arguments = {"/prog/veltaro"};
  std::string rawCommandLine = "/prog/veltaro";
  std::uint32_t lastError = 0;
  bool shellSucceeds = true;
  std::uint32_t shellError = 2;
  TSystemVersion systemVersion;
  TLocaleInfo localeInfo;
  std::string longTime = "12:34:56";
  std::string dateTime = "08.12.2026 12:34:56";
  TWindowHandle desktop = reinterpret_cast<TWindowHandle>(0xDE5C);
  TWindowHandle ownerWindow = reinterpret_cast<TWindowHandle>(0x0F0F);
  TWindowHandle viewerAnswer = reinterpret_cast<TWindowHandle>(0x4E1F);
  std::string applicationTitle = "Veltaro";

  // --- What happened ---
  std::vector<std::string> calls;  // "LoadLibrary name", "FreeLibrary name", "ShellOpen ...", "Yield", ...
  std::vector<TViewerCall> viewerCalls;
  struct TBox {
    std::string caption;
    std::string text;
    TMessageIcon icon;
  };
  std::vector<TBox> boxes;
  std::vector<TWindowHandle> raised;

  // The file's contents, "" when missing.
  std::string Contents(const std::string& path) const;

  // TPlatform
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateNewFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  void ResetFileAttributes(const std::string& path) override;
  bool AppendToFile(const std::string& path, const std::string& text) override;
  std::string TempPath() override { return tempPath; }
  std::string SystemDirectoryPath() override { return systemDirectory; }
  std::string WindowsDirectoryPath() override { return windowsDirectory; }
  std::string ModuleFileName() override { return moduleFileName; }
  std::vector<std::string> CommandLineArguments() override { return arguments; }
  std::string RawCommandLine() override { return rawCommandLine; }
  bool ReadClassesRootDefault(const std::string& key, TRegistryValue& value) override;
  TLibraryHandle LoadLibrary(const std::string& name) override;
  void* LibraryExport(TLibraryHandle library, const std::string& name) override;
  void FreeLibrary(TLibraryHandle library) override;
  bool FileVersionWords(const std::string& path, std::uint32_t& mostSignificant,
                        std::uint32_t& leastSignificant) override;
  std::uint32_t LastErrorCode() override { return lastError; }
  TSystemVersion SystemVersion() override { return systemVersion; }
  TLocaleInfo LocaleInfo() override { return localeInfo; }
  std::string LongTimeNow() override { return longTime; }
  std::string DateTimeNow() override { return dateTime; }
  bool ShellOpen(TWindowHandle owner, const std::string& program, const std::string& parameters,
                 int showCommand) override;
  void YieldTimeSlice() override { calls.push_back("Yield"); }
  TWindowHandle DesktopWindow() override { return desktop; }
  void SetToolkit(TToolkitServices* toolkit) override { toolkit_ = toolkit; }
  TToolkitServices* Toolkit() override { return toolkit_; }

  // TToolkitServices, installed as the toolkit at creation
  void MessageBox(const std::string& caption, const std::string& text, TMessageIcon icon) override;
  void BringToForeground(TWindowHandle window) override;
  TWindowHandle OwnerWindow() override { return ownerWindow; }
  std::string ApplicationTitle() override { return applicationTitle; }

  // The recording entry point's target.
  TWindowHandle RecordViewerCall(TWindowHandle owner, const char* file, std::uint32_t command, std::uint32_t data);

 private:
  std::string DirectoryOf(const std::string& path) const;

  TPlatform* previous_ = nullptr;
  TToolkitServices* toolkit_ = nullptr;
  std::vector<std::string> loaded_;  // handle i + 1 is loaded_[i]
};

}  // namespace veltaro
