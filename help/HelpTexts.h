// Every text of the help support, defined once.
#pragma once

#include <string_view>

namespace veltaro::helptext {

// Files.
inline constexpr std::string_view kViewerLibraryName = "hhctrl.ocx";
inline constexpr std::string_view kViewerEntryName = "HtmlHelpA";
inline constexpr std::string_view kViewerRegistryKey =
    "CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";
inline constexpr std::string_view kSystemRootPlaceholder = "%SYSTEMROOT%";
inline constexpr std::string_view kBrowserLibraryName = "Shdocvw.dll";
inline constexpr std::string_view kLogFileName = "HHDebug.txt";
inline constexpr std::string_view kDebugMarkerName = "debug.debug";
inline constexpr std::string_view kProbeFileName = "$_Temp_$.$$$";
inline constexpr std::string_view kHelpFileName = "veltaro.chm";
inline constexpr std::string_view kKeyHHProgram = "KeyHH.EXE";
inline constexpr std::string_view kHHProgram = "HH.EXE";

// Command-line switches of the debug mode.
inline constexpr std::string_view kDebugSwitchSlash = "/debug";
inline constexpr std::string_view kDebugSwitchDash = "-debug";

// Release names.
inline constexpr std::string_view kBrowserAtLeast7 = ">= Internet Explorer ";
inline constexpr std::string_view kBrowserBelowAll = "< Internet Explorer 1.0 (Plus!)";

// Prefixes of help paths.
inline constexpr std::string_view kPrefixMkMsitStore = "mk:@MSITStore:";
inline constexpr std::string_view kPrefixMsIts = "ms-its:";

// Parameters of the external viewer programs.
inline constexpr std::string_view kKeyHHParameters = "-win -#mapid ";
inline constexpr std::string_view kHHParameters = "-mapid ";

// Messages of a context request's result codes.
inline constexpr std::string_view kHtmlHelpNotInstalled = "MS Html Help is not installed on this PC.";
inline constexpr std::string_view kKeyHHNotFound = "System file KeyHH.EXE was not found in the Windows folder.";
inline constexpr std::string_view kHHNotFound = "System file HH.EXE was not found in the Windows folder.";
inline constexpr std::string_view kViewerNotLoaded = "The HTML Help viewer library could not be loaded.";
inline constexpr std::string_view kUnknownHelpError = "Unknown error returned by HHHelpContext";

// Failed start of an external viewer program.
inline constexpr std::string_view kShellExecuteFailed = "Function ShellExecute(%s)\rReturned: %s";

// Error texts by Windows error code.
inline constexpr std::string_view kFileNotFound = "File Not Found";
inline constexpr std::string_view kPathNotFound = "Path Not Found";
inline constexpr std::string_view kAccessDenied = "Access Denied";
inline constexpr std::string_view kInsufficientMemory = "Insufficient Memory";
inline constexpr std::string_view kWriteProtected = "Media Is Write Protected";
inline constexpr std::string_view kDeviceNotReady = "Device Not Ready";
inline constexpr std::string_view kFileInUse = "File In Use";
inline constexpr std::string_view kDiskFull = "Disk Full";
inline constexpr std::string_view kCorruptFileOrDisk = "Corrupt File Or Disk";
inline constexpr std::string_view kCorruptRegistry = "Corrupt Registry";
inline constexpr std::string_view kWindowsVersionIncorrect = "Windows Version Incorrect";
inline constexpr std::string_view kNotAWindowsProgram = "Not A Windows Or MSDos Program";
inline constexpr std::string_view kGeneralFailure = "General Failure";

// Debug lines.
inline constexpr std::string_view kLogHookCreate = "THookHelpSystem.Create(\"%s\",\"%s\", %d)";
inline constexpr std::string_view kLogHookDestroy = "THookHelpSystem.Destroy";
inline constexpr std::string_view kLogHelpHook = "THookHelpSystem.HelpHook(%s, %d)";
inline constexpr std::string_view kLogHHHelpContext = "HHHelpContext(\"%s\", %d, \"%s\", %d)";
inline constexpr std::string_view kLogShowContext = "ShowContext(\"%s\", %d)";
inline constexpr std::string_view kLogReturned = "  returned - %d";
inline constexpr std::string_view kLogShowError = "HHShowError(%d), \"%s\"";

// The window's start-up checks.
inline constexpr std::string_view kErrorTitle = "Error";
inline constexpr std::string_view kInformationTitle = "Information";
inline constexpr std::string_view kHelpFileNotFound = "Help file not found ";
inline constexpr std::string_view kViewerRequired =
    "This application requires the installation of MS HTML Help 1.2 or higher.";

}  // namespace veltaro::helptext
