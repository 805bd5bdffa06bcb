// The Windows back-end of the operating-system services: the real Win32
// calls, in their ANSI forms (the program's strings are bytes in the system
// code page). Compiled in Windows builds only.
#pragma once

#include <cstdint>
#include <string>

#include "Platform.h"

namespace veltaro {

// Message boxes and windows through the system itself, for a program that has
// no window toolkit of its own (the command line, the help checks).
class TWin32Toolkit : public TToolkitServices {
 public:
  explicit TWin32Toolkit(std::string applicationTitle) : title_(std::move(applicationTitle)) {}
  void MessageBox(const std::string& caption, const std::string& text, TMessageIcon icon) override;
  void BringToForeground(TWindowHandle window) override;
  TWindowHandle OwnerWindow() override;
  std::string ApplicationTitle() override { return title_; }

 private:
  std::string title_;
};

class TWindowsPlatform : public TPlatform {
 public:
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateNewFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  void ResetFileAttributes(const std::string& path) override;
  bool AppendToFile(const std::string& path, const std::string& text) override;
  std::string TempPath() override;
  std::string SystemDirectoryPath() override;
  std::string WindowsDirectoryPath() override;
  std::string ModuleFileName() override;
  std::vector<std::string> CommandLineArguments() override;
  std::string RawCommandLine() override;
  bool ReadClassesRootDefault(const std::string& key, TRegistryValue& value) override;
  TLibraryHandle LoadLibrary(const std::string& name) override;
  void* LibraryExport(TLibraryHandle library, const std::string& name) override;
  void FreeLibrary(TLibraryHandle library) override;
  bool FileVersionWords(const std::string& path, std::uint32_t& mostSignificant,
                        std::uint32_t& leastSignificant) override;
  std::uint32_t LastErrorCode() override { return lastError_; }
  TSystemVersion SystemVersion() override;
  TLocaleInfo LocaleInfo() override;
  std::string LongTimeNow() override;
  std::string DateTimeNow() override;
  bool ShellOpen(TWindowHandle owner, const std::string& program, const std::string& parameters,
                 int showCommand) override;
  void YieldTimeSlice() override;
  TWindowHandle DesktopWindow() override;
  void SetToolkit(TToolkitServices* toolkit) override { toolkit_ = toolkit; }
  TToolkitServices* Toolkit() override { return toolkit_; }

 private:
  // Keeps the system's code of the call that just failed; always false.
  bool Fail();
  bool Fail(std::uint32_t code);

  std::uint32_t lastError_ = 0;
  TToolkitServices* toolkit_ = nullptr;
};

}  // namespace veltaro
