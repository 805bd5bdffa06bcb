// The Linux back-end of the operating-system services. Linux has no registry
// and no browser component: they are reported absent. The "system" and
// "Windows" directories are the program's own directory, where the program's
// stand-in viewer lives.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "Platform.h"

namespace veltaro {

class TLinuxPlatform : public TPlatform {
 public:
  // The running program as the system reports it.
  TLinuxPlatform() = default;
  // A program file and command line given by the caller instead (a program
  // started from another place, in tests).
  TLinuxPlatform(std::string moduleFileName, std::vector<std::string> arguments);
  ~TLinuxPlatform() override;

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
  std::uint32_t LastErrorCode() override;
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
  bool Fail(int errorNumber);
  void ReapChildren();

  std::optional<std::string> moduleFileName_;
  std::optional<std::vector<std::string>> arguments_;
  int lastError_ = 0;
  std::vector<pid_t> children_;
  TToolkitServices* toolkit_ = nullptr;
};

// Splits a parameter text as a Windows program splits its command line:
// blanks and tabs separate, double quotes group, backslashes before a quote
// escape it.
std::vector<std::string> SplitCommandLine(const std::string& parameters);

// Joins arguments into one command line, quoting those that need it.
std::string JoinCommandLine(const std::vector<std::string>& arguments);

// The Windows locale identifier of a locale name such as "de_DE.UTF-8";
// 0x007F for "C" and "POSIX", 0x1000 for one without an identifier.
std::uint32_t LocaleIdentifier(const std::string& localeName);

// Major, minor and patch numbers at the start of a release text such as
// "6.1.0-18-amd64"; missing ones are 0.
void ParseRelease(const std::string& release, std::uint32_t& major, std::uint32_t& minor, std::uint32_t& patch);

}  // namespace veltaro
