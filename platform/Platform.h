// Every operating-system service that the help support and the window use,
// behind one interface. The program uses one process-wide instance, chosen at
// start; tests install a fake that records calls and answers from a script.
// Toolkit-free: the services that need the window toolkit (message boxes,
// bringing a window to the front, the active window) are handed in by the
// window as a TToolkitServices.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltaro {

// Opaque handles: a loaded library and a top-level window.
using TLibraryHandle = void*;
using TWindowHandle = void*;

// The separator between the parts of a file name on this system, and the
// directory used when the temporary one does not exist.
#ifdef _WIN32
inline constexpr char kPathDelimiter = '\\';
inline constexpr const char* kFallbackTempDirectory = "c:";
#else
inline constexpr char kPathDelimiter = '/';
inline constexpr const char* kFallbackTempDirectory = "/tmp";
#endif

// How a registry value is stored.
enum class TRegistryValueKind { String, ExpandString, Other };

struct TRegistryValue {
  TRegistryValueKind kind = TRegistryValueKind::String;
  std::string data;
};

// The operating system's family, name and version numbers.
enum class TSystemFamily { WindowsNT, Windows, Other };

struct TSystemVersion {
  TSystemFamily family = TSystemFamily::Other;
  std::string name;         // the system's own name where the family has no table of names
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::string servicePack;  // empty when the system reports none
};

// The user's locale as the help log reports it.
struct TLocaleInfo {
  std::uint32_t defaultLcid = 0;
  std::string decimalSeparator = ".";
};

enum class TMessageIcon { Exclamation, Error, Information };

// What the window toolkit does for the platform.
class TToolkitServices {
 public:
  virtual ~TToolkitServices() = default;
  // A modal message box with one OK button and no owner window.
  virtual void MessageBox(const std::string& caption, const std::string& text, TMessageIcon icon) = 0;
  // Brings a window that the toolkit knows to the front; others are ignored.
  virtual void BringToForeground(TWindowHandle window) = 0;
  // The window of the active form, or else of the main form; null when none.
  virtual TWindowHandle OwnerWindow() = 0;
  // The application's title.
  virtual std::string ApplicationTitle() = 0;
};

class TPlatform {
 public:
  virtual ~TPlatform() = default;

  // Files and directories.
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Creates path for writing only when nothing (not even a link) is there yet,
  // and closes it again.
  virtual bool CreateNewFile(const std::string& path) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  // Makes an existing file an ordinary, writable one; a file with a further
  // name, or on Linux one of another owner, is left as it is.
  virtual void ResetFileAttributes(const std::string& path) = 0;
  // Appends text to path, creating it when missing; never writes through a
  // link and never into anything but an ordinary file with this one name
  // (on Linux also owned by the program's user). False when the file cannot
  // be opened or written.
  virtual bool AppendToFile(const std::string& path, const std::string& text) = 0;

  // Directories of the system, as the system reports them.
  virtual std::string TempPath() = 0;
  virtual std::string SystemDirectoryPath() = 0;
  virtual std::string WindowsDirectoryPath() = 0;

  // The running program.
  virtual std::string ModuleFileName() = 0;
  virtual std::vector<std::string> CommandLineArguments() = 0;  // argument 0 first
  virtual std::string RawCommandLine() = 0;

  // The registry: the default value of a key under HKEY_CLASSES_ROOT, opened
  // for reading only. False when the key cannot be opened.
  virtual bool ReadClassesRootDefault(const std::string& key, TRegistryValue& value) = 0;

  // Libraries loaded at run time.
  virtual TLibraryHandle LoadLibrary(const std::string& name) = 0;
  virtual void* LibraryExport(TLibraryHandle library, const std::string& name) = 0;
  virtual void FreeLibrary(TLibraryHandle library) = 0;

  // A file's version as two 32-bit words (major << 16 | minor, build << 16 |
  // revision). False when the file carries no version.
  virtual bool FileVersionWords(const std::string& path, std::uint32_t& mostSignificant,
                                std::uint32_t& leastSignificant) = 0;

  // The code of the last failed call, as a Windows error code.
  virtual std::uint32_t LastErrorCode() = 0;

  virtual TSystemVersion SystemVersion() = 0;
  virtual TLocaleInfo LocaleInfo() = 0;
  // The current time in the user's long time format, and the current date in
  // the short date format followed by the time.
  virtual std::string LongTimeNow() = 0;
  virtual std::string DateTimeNow() = 0;

  // Starts program with the parameters (split as a command line is), never
  // through a shell. False, with the last error set, when it cannot start.
  virtual bool ShellOpen(TWindowHandle owner, const std::string& program, const std::string& parameters,
                         int showCommand) = 0;
  // Gives up the rest of the thread's time slice.
  virtual void YieldTimeSlice() = 0;
  // The desktop as an owner window; null where there is none.
  virtual TWindowHandle DesktopWindow() = 0;

  // The toolkit's services; null until the window hands them in.
  virtual void SetToolkit(TToolkitServices* toolkit) = 0;
  virtual TToolkitServices* Toolkit() = 0;
};

// The process-wide instance: the system's own unless replaced.
TPlatform& Platform();
// Replaces the process-wide instance (null restores the system's own) and
// returns the one it replaces.
TPlatform* SetPlatform(TPlatform* platform);

// Help contexts and the viewer's entry point, shared by the program and the
// stand-in viewer.
inline constexpr std::uint32_t HH_HELP_CONTEXT = 15;
inline constexpr std::uint32_t HH_CLOSE_ALL = 18;

// The ANSI entry point of the HTML Help viewer: owner window, file name,
// command and datum; returns the window shown, or null.
using THtmlHelpA = TWindowHandle (*)(TWindowHandle owner, const char* file, std::uint32_t command,
                                     std::uint32_t data);

}  // namespace veltaro
