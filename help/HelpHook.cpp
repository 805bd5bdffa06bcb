#include "HelpHook.h"

#include "DebugLog.h"
#include "HelpStrings.h"
#include "HelpTexts.h"
#include "Platform.h"
#include "Versions.h"
#include "hh.h"

namespace veltaro {

namespace {

constexpr int kShowDefault = 10;  // SW_SHOWDEFAULT

std::string Cleaned(const std::string& text) { return TrimChar(ReplaceAll(text, "%20", " "), ' '); }

}  // namespace

THookHelpSystem::THookHelpSystem(const std::string& helpFile_, const std::string& windowName_,
                                 std::uint8_t hostKind_, THelpHandlerInstaller install)
    : helpFile(helpFile_), windowName(windowName_), hostKind(hostKind_), install_(std::move(install)) {
  if (install_) {
    previousOnHelp = install_([this](std::uint16_t command, std::int32_t data, bool& callHelp) {
      return HelpHook(command, data, callHelp);
    });
  }
  chainPrevious = false;
  LogHelpEvent(helptext::kLogHookCreate, {helpFile, windowName, std::int64_t{hostKind}});
}

THookHelpSystem::~THookHelpSystem() {
  if (hostKind == kHostViewerLibrary) CloseAllHelpWindows();
  if (install_) install_(previousOnHelp);
  LogHelpEvent(helptext::kLogHookDestroy);
}

bool THookHelpSystem::HelpHook(std::uint16_t command, std::int32_t data, bool& callHelp) {
  bool result = true;
  LogHelpEvent(helptext::kLogHelpHook, {HelpCommandName(command), std::int64_t{data}});
  if (chainPrevious && previousOnHelp) result = previousOnHelp(command, data, callHelp);
  callHelp = false;
  switch (command) {
    case HELP_CONTEXT:
      if (onContext) {
        onContext(data);
      } else {
        OpenTopic(data);
      }
      break;
    case HELP_CONTEXTPOPUP:
      if (onContextPopup) {
        onContextPopup(data, popupX, popupY);
      } else {
        OpenTopic(data);
      }
      break;
    case HELP_SETPOPUP_POS: {
      const auto packed = static_cast<std::uint32_t>(data);
      popupX = static_cast<std::int16_t>(packed & 0xFFFF);
      popupY = static_cast<std::int16_t>(packed >> 16);
      break;
    }
    default:
      callHelp = true;
      break;
  }
  return result;
}

int THookHelpSystem::OpenTopic(std::int32_t contextId) {
  const int code = HHHelpContext(helpFile, contextId, windowName, hostKind);
  HHShowError(code);
  return code;
}

int HHHelpContext(const std::string& helpFile, std::int32_t contextId, const std::string& windowName,
                  std::uint8_t hostKind) {
  LogHelpEvent(helptext::kLogHHHelpContext,
               {helpFile, std::int64_t{contextId}, windowName, std::int64_t{hostKind}});
  const std::string path = ComposeHelpUrl(helpFile, "", windowName, hostKind == kHostHH ? 1 : 0);
  return ShowContext(path, contextId, hostKind);
}

std::string ComposeHelpUrl(const std::string& file, const std::string& topic, const std::string& window,
                           int prefixKind) {
  const std::string cleanFile = Cleaned(file);
  std::string cleanTopic = Cleaned(topic);
  const std::string cleanWindow = Cleaned(window);
  std::string path;
  if (cleanTopic.empty()) {
    path = cleanFile;
  } else {
    cleanTopic = ReplaceAll(cleanTopic, "\\", "/");
    if (cleanTopic[0] != '/') cleanTopic = "/" + cleanTopic;
    path = cleanFile.empty() ? cleanTopic : cleanFile + "::" + cleanTopic;
  }
  if (!cleanWindow.empty()) path += ">" + cleanWindow;
  if (prefixKind == 1) path = std::string(helptext::kPrefixMkMsitStore) + path;
  if (prefixKind == 2) path = std::string(helptext::kPrefixMsIts) + path;
  return path;
}

int ShowContext(const std::string& path, std::int32_t contextId, std::uint8_t hostKind) {
  LogHelpEvent(helptext::kLogShowContext, {path, std::int64_t{hostKind}});
  TPlatform& platform = Platform();
  int code = kHelpShown;
  if (!_hhInstalled) {
    code = kHelpNotInstalled;
  } else if (hostKind == kHostViewerLibrary) {
    // A viewer file with a version is no proof that its library loaded.
    if (!viewerLibrary || !htmlHelpEntry) {
      code = kViewerNotLoaded;
    } else {
      const TWindowHandle window = htmlHelpEntry(platform.DesktopWindow(), path.c_str(), HH_HELP_CONTEXT,
                                                 static_cast<std::uint32_t>(contextId));
      if (window) {
        if (TToolkitServices* toolkit = platform.Toolkit()) toolkit->BringToForeground(window);
      }
    }
  } else if (hostKind == kHostKeyHH || hostKind == kHostHH) {
    const bool keyHH = hostKind == kHostKeyHH;
    const std::string program =
        WindowsDirectory() + kPathDelimiter + std::string(keyHH ? helptext::kKeyHHProgram : helptext::kHHProgram);
    if (!platform.FileExists(program)) {
      code = keyHH ? kKeyHHMissing : kHHMissing;
    } else {
      RunViewerProgram(program, std::string(keyHH ? helptext::kKeyHHParameters : helptext::kHHParameters) +
                                    std::to_string(contextId) + " " + path);
    }
  }
  LogHelpEvent(helptext::kLogReturned, {std::int64_t{code}});
  return code;
}

std::string HelpErrorMessage(int code) {
  switch (code) {
    case kHelpShown: return {};
    case kHelpNotInstalled: return std::string(helptext::kHtmlHelpNotInstalled);
    case kKeyHHMissing: return std::string(helptext::kKeyHHNotFound);
    case kHHMissing: return std::string(helptext::kHHNotFound);
    case kViewerNotLoaded: return std::string(helptext::kViewerNotLoaded);
    default: return std::string(helptext::kUnknownHelpError);
  }
}

void HHShowError(int code) {
  const std::string message = HelpErrorMessage(code);
  if (message.empty()) return;
  ShowHelpMessage(message);
  LogHelpEvent(helptext::kLogShowError, {std::int64_t{code}, message});
}

void CloseAllHelpWindows() {
  if (!viewerLibrary) return;
  // A library without the entry point has no windows to close.
  if (htmlHelpEntry) htmlHelpEntry(nullptr, nullptr, HH_CLOSE_ALL, 0);
  Platform().YieldTimeSlice();
}

bool RunViewerProgram(const std::string& program, const std::string& parameters) {
  TPlatform& platform = Platform();
  TToolkitServices* toolkit = platform.Toolkit();
  const TWindowHandle owner = toolkit ? toolkit->OwnerWindow() : nullptr;
  if (platform.ShellOpen(owner, program, parameters, kShowDefault)) return true;
  ReportHelpFailure(helptext::kShellExecuteFailed, {program + ", " + parameters, LastErrorText()});
  return false;
}

std::string ErrorCodeText(std::uint32_t code) {
  switch (code) {
    case 2: return std::string(helptext::kFileNotFound);
    case 3: return std::string(helptext::kPathNotFound);
    case 5: return std::string(helptext::kAccessDenied);
    case 8: return std::string(helptext::kInsufficientMemory);
    case 19: return std::string(helptext::kWriteProtected);
    case 21: return std::string(helptext::kDeviceNotReady);
    case 32:
    case 33: return std::string(helptext::kFileInUse);
    case 39:
    case 112: return std::string(helptext::kDiskFull);
    case 276:
    case 1005:
    case 1392:
    case 1393: return std::string(helptext::kCorruptFileOrDisk);
    case 1009:
    case 1358: return std::string(helptext::kCorruptRegistry);
    case 1150: return std::string(helptext::kWindowsVersionIncorrect);
    case 1151: return std::string(helptext::kNotAWindowsProgram);
    default: return std::string(helptext::kGeneralFailure);
  }
}

std::string LastErrorText() {
  const std::uint32_t code = Platform().LastErrorCode();
  return "[Error:" + std::to_string(code) + "] " + ErrorCodeText(code);
}

std::string HelpCommandName(std::uint16_t command) {
  const char* name = "??";
  switch (command) {
    case 1: name = "HELP_CONTEXT"; break;
    case 2: name = "HELP_QUIT"; break;
    case 3: name = "HELP_INDEX or HELP_CONTENTS"; break;
    case 4: name = "HELP_HELPONHELP"; break;
    case 5: name = "HELP_SETINDEX or HELP_SETCONTENTS"; break;
    case 8: name = "HELP_CONTEXTPOPUP"; break;
    case 9: name = "HELP_FORCEFILE"; break;
    case 10: name = "HELP_CONTEXTMENU"; break;
    case 11: name = "HELP_FINDER"; break;
    case 12: name = "HELP_WM_HELP"; break;
    case 13: name = "HELP_SETPOPUP_POS"; break;
    case 257: name = "HELP_KEY"; break;
    case 258: name = "HELP_COMMAND"; break;
    case 261: name = "HELP_PARTIALKEY"; break;
    case 513: name = "HELP_MULTIKEY"; break;
    case 515: name = "HELP_SETWINPOS"; break;
    default: break;
  }
  return std::to_string(command) + " (" + name + ")";
}

}  // namespace veltaro
