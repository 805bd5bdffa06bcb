// The help debug log HHDebug.txt, the help support's paths and its debug
// switch.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HelpStrings.h"
#include "Platform.h"

namespace veltaro {

class TDLogFile {
 public:
  // Settles the file name (the temporary directory when the given one's
  // directory is missing or not writable), makes an existing file ordinary
  // and writes the header.
  TDLogFile(const std::string& fileName, bool enabled, bool stampTimes, bool writeHeader, bool keepOldLog);
  virtual ~TDLogFile() = default;

  // One entry, whatever enabled says. With no arguments the format is written
  // as it stands. A text starting with "!", "-" or "=" loses that character
  // and the time prefix; "-" and "=" alone are separator lines.
  void WriteEntry(std::string_view format, const TLogArgs& args = {});
  // WriteEntry only when enabled.
  void DebugLine(std::string_view format, const TLogArgs& args = {});
  // Shows the formatted text in a message box and, when enabled, logs it.
  void MessageAndLog(std::string_view format, const TLogArgs& args = {});
  void WriteHeader();

  std::string logFileName;
  bool enabled = false;
  bool stampTimes = false;
  bool writeHeader = false;
  bool keepOldLog = false;
};

// A modal box with an OK button and the exclamation icon, no owner window,
// captioned with the application's title.
void ShowHelpMessage(const std::string& text);

// Debug lines and failure reports of the help support go through the one log.
void LogHelpEvent(std::string_view format, const TLogArgs& args = {});
void ReportHelpFailure(std::string_view format, const TLogArgs& args = {});

// The user's temporary directory without a trailing separator.
std::string TempDirectory();
// Whether a new file can be created in directory (tried with a probe file
// that is removed again; an existing file of that name is left alone).
bool DirectoryWritable(const std::string& directory);

// The help support's paths and switch, set once at start.
extern std::string _ModulePath;
extern std::string _ModuleDir;
extern std::string _ModuleName;
extern std::string _RunDir;
extern std::string logDirectory;
extern bool helpDebugMode;
extern std::unique_ptr<TDLogFile> helpLog;

// Start-up of the help support: paths, log directory and debug switch, the
// versions, then the log. The viewer is loaded before (LoadViewer).
void StartHelpSupport();
// Frees the log.
void StopHelpSupport();

// Whether the debug switch is on: a marker file beside the program, or the
// first "/debug" or "-debug" argument in any letter case.
bool DebugSwitchOn(const std::string& moduleDir, const std::vector<std::string>& arguments);

// The system's name for the log's header.
std::string SystemName(const TSystemVersion& version);

}  // namespace veltaro
