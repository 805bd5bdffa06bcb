#include "DebugLog.h"

#include <cstdio>

#include "HelpTexts.h"
#include "Versions.h"

namespace veltaro {

std::string _ModulePath;
std::string _ModuleDir;
std::string _ModuleName;
std::string _RunDir;
std::string logDirectory;
bool helpDebugMode = false;
std::unique_ptr<TDLogFile> helpLog;

namespace {

constexpr std::size_t kSeparatorWidth = 80;
constexpr std::size_t kCommandLineShown = 255;
constexpr const char* kLineEnd = "\r\n";

// "0x" and at least four upper-case hexadecimal digits.
std::string Hex4(std::uint32_t value) {
  std::string digits;
  do {
    digits += "0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  } while (value != 0 || digits.size() < 4);
  return "0x" + std::string(digits.rbegin(), digits.rend());
}

std::string Joined(const std::vector<std::string>& parts, std::size_t from, std::string_view separator) {
  std::string out;
  for (std::size_t i = from; i < parts.size(); ++i) {
    if (i > from) out += separator;
    out += parts[i];
  }
  return out;
}

}  // namespace

std::string TempDirectory() {
  TPlatform& platform = Platform();
  std::string path = platform.TempPath();
  if (!platform.DirectoryExists(path)) path = kFallbackTempDirectory;
  return RemoveTrailingDelimiters(path);
}

bool DirectoryWritable(const std::string& directory) {
  TPlatform& platform = Platform();
  const std::string probe = JoinPath(RemoveTrailingDelimiters(directory), helptext::kProbeFileName);
  if (!platform.CreateNewFile(probe)) return false;
  platform.DeleteFile(probe);
  return true;
}

TDLogFile::TDLogFile(const std::string& fileName, bool enabled_, bool stampTimes_, bool writeHeader_,
                     bool keepOldLog_) {
  TPlatform& platform = Platform();
  std::string name = fileName.empty() ? JoinPath(logDirectory, helptext::kLogFileName) : fileName;
  const std::string directory = RemoveTrailingDelimiters(ExtractFileDir(name));
  if (!platform.DirectoryExists(directory) || !DirectoryWritable(directory)) {
    name = JoinPath(TempDirectory(), ExtractFileName(name));
  }
  logFileName = name;
  enabled = enabled_;
  stampTimes = stampTimes_;
  writeHeader = writeHeader_;
  keepOldLog = keepOldLog_;
  if (platform.FileExists(logFileName)) platform.ResetFileAttributes(logFileName);
  WriteHeader();
}

void TDLogFile::WriteEntry(std::string_view format, const TLogArgs& args) {
  TPlatform& platform = Platform();
  const std::string prefix = stampTimes ? platform.LongTimeNow() + "   " : std::string();
  std::string text = args.empty() ? std::string(format) : FormatText(format, args);
  if (text == "-" || text == "=") text = RepeatChar(text[0], kSeparatorWidth);
  std::string line;
  if (!text.empty() && (text[0] == '!' || text[0] == '-' || text[0] == '=')) {
    line = text.substr(1);
  } else {
    line = prefix + text;
  }
  // The file is opened, written and closed in one step; an entry that
  // cannot be written is lost without a word.
  platform.AppendToFile(logFileName, line + kLineEnd);
}

void TDLogFile::DebugLine(std::string_view format, const TLogArgs& args) {
  if (enabled) WriteEntry(format, args);
}

void TDLogFile::MessageAndLog(std::string_view format, const TLogArgs& args) {
  const std::string text = FormatText(format, args);
  ShowHelpMessage(text);
  if (enabled) WriteEntry(text);
}

void TDLogFile::WriteHeader() {
  TPlatform& platform = Platform();
  if (!keepOldLog && platform.FileExists(logFileName)) platform.DeleteFile(logFileName);
  if (!enabled || !writeHeader) return;

  const std::vector<std::string> arguments = platform.CommandLineArguments();
  const std::string argument0 = arguments.empty() ? std::string() : arguments[0];
  const TSystemVersion system = platform.SystemVersion();
  const TLocaleInfo locale = platform.LocaleInfo();
  const std::uint32_t langId = locale.defaultLcid & 0xFFFF;
  const std::uint32_t primary = langId & 0x3FF;
  const std::uint32_t sub = langId >> 10;
  auto tab = [](const std::string& value) { return "\t" + value; };

  WriteEntry("=");
  WriteEntry("!Log File:             %s", {tab(logFileName)});
  WriteEntry("!Date:                 %s", {tab(platform.DateTimeNow())});
  WriteEntry("!Operating System:      %s %d.%d (Build %d) %s",
             {tab(SystemName(system)), std::int64_t{system.major}, std::int64_t{system.minor},
              std::int64_t{system.build}, system.servicePack.empty() ? std::string("No Service Pack") : system.servicePack});
  WriteEntry("!SysLocale.DefaultLCID: %s (%s)", {tab(Hex4(locale.defaultLcid)), std::to_string(locale.defaultLcid)});
  WriteEntry("!SysLocale.PriLangID:   %s (%s)", {tab(Hex4(primary)), std::to_string(primary)});
  WriteEntry("!SysLocale.SubLangID:   %s (%s)", {tab(Hex4(sub)), std::to_string(sub)});
  WriteEntry("!DecimalSeparator:      %s", {tab(locale.decimalSeparator)});
  WriteEntry("-");
  WriteEntry("!EXE Path =          %s", {tab(argument0)});
  WriteEntry("!EXE Version =       %s", {tab(FileVersionText(argument0))});
  WriteEntry("!Cmdline Param(s) =  %s", {tab(Joined(arguments, 1, " | "))});
  WriteEntry("!Actual CmdLine =  %s", {tab(platform.RawCommandLine().substr(0, kCommandLineShown))});
  WriteEntry("!_RunDir =           %s", {tab(_RunDir)});
  WriteEntry("!_ModuleName =       %s", {tab(_ModuleName)});
  WriteEntry("!_ModuleDir =        %s", {tab(_ModuleDir)});
  WriteEntry("!_ModulePath =        %s", {tab(_ModulePath)});
  WriteEntry("!Module Version =       %s", {tab(FileVersionText(_ModulePath))});
  WriteEntry("-");
  WriteEntry("!_hhInstalled =      %s", {tab(YesNo(_hhInstalled))});
  WriteEntry("!_hhVerStr =         %s", {tab(_hhVerStr)});
  WriteEntry("!_hhFriendlyVerStr = %s", {tab(_hhFriendlyVerStr)});
  WriteEntry("-");
  WriteEntry("!_ieInstalled =      %s", {tab(YesNo(_ieInstalled))});
  WriteEntry("!_ieVerStr =         %s", {tab(_ieVerStr)});
  WriteEntry("!_ieFriendlyVerStr = %s", {tab(_ieFriendlyVerStr)});
  WriteEntry("=");
}

std::string SystemName(const TSystemVersion& version) {
  switch (version.family) {
    case TSystemFamily::WindowsNT:
      if (version.major == 4) return "Windows NT4";
      if (version.major == 5 && version.minor == 0) return "Windows 2000";
      if (version.major == 5 && version.minor == 1) return "Windows XP";
      return "Windows NT";
    case TSystemFamily::Windows:
      return "Windows";
    case TSystemFamily::Other:
      break;
  }
  return version.name;
}

void ShowHelpMessage(const std::string& text) {
  if (TToolkitServices* toolkit = Platform().Toolkit()) {
    toolkit->MessageBox(toolkit->ApplicationTitle(), text, TMessageIcon::Exclamation);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

void LogHelpEvent(std::string_view format, const TLogArgs& args) {
  if (helpLog) helpLog->DebugLine(format, args);
}

void ReportHelpFailure(std::string_view format, const TLogArgs& args) {
  if (helpLog) {
    helpLog->MessageAndLog(format, args);
  } else {
    ShowHelpMessage(FormatText(format, args));
  }
}

bool DebugSwitchOn(const std::string& moduleDir, const std::vector<std::string>& arguments) {
  if (Platform().FileExists(JoinPath(moduleDir, helptext::kDebugMarkerName))) return true;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (EqualsIgnoringAsciiCase(arguments[i], helptext::kDebugSwitchSlash) ||
        EqualsIgnoringAsciiCase(arguments[i], helptext::kDebugSwitchDash)) {
      return true;
    }
  }
  return false;
}

void StartHelpSupport() {
  TPlatform& platform = Platform();
  _ModulePath = platform.ModuleFileName();
  _ModuleDir = RemoveTrailingDelimiters(ExtractFileDir(_ModulePath));
  _ModuleName = ExtractFileName(_ModulePath);
  const std::vector<std::string> arguments = platform.CommandLineArguments();
  _RunDir = arguments.empty() ? std::string() : RemoveTrailingDelimiters(ExtractFileDir(arguments[0]));
  logDirectory = DirectoryWritable(_ModuleDir) ? _ModuleDir : TempDirectory();
  helpDebugMode = DebugSwitchOn(_ModuleDir, arguments);
  ReadHelpVersions();
  helpLog = std::make_unique<TDLogFile>(JoinPath(logDirectory, helptext::kLogFileName), helpDebugMode, true, true,
                                        false);
}

void StopHelpSupport() { helpLog.reset(); }

}  // namespace veltaro
