#include "WindowsPlatform.h"

#include <stdlib.h>

#include "Win32.h"

#include <vector>

namespace veltaro {

namespace {

// The sizes that the callers of these services expect the system to fill.
constexpr DWORD kDirectoryBuffer = 261;
constexpr DWORD kTempPathBuffer = 300;
constexpr DWORD kModuleNameBuffer = 301;
constexpr DWORD kLongestPath = 32768;

DWORD Attributes(const std::string& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesA(path.c_str());
}

// Text that the system writes into a buffer of the given size, up to the
// terminating zero; empty when the call fails or the buffer is too small.
template <typename Call>
std::string SystemText(DWORD size, Call call) {
  std::string buffer(size, '\0');
  const DWORD n = call(buffer.data(), size);
  if (n == 0 || n >= size) return {};
  buffer.resize(n);
  return buffer;
}

std::string NarrowText(const wchar_t* text) {
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string result(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), n, nullptr, nullptr);
  result.resize(static_cast<std::size_t>(n - 1));
  return result;
}

std::string LocaleText(LCTYPE type) {
  const int n = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, nullptr, 0);
  if (n <= 1) return {};
  std::string text(static_cast<std::size_t>(n), '\0');
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text.data(), n) == 0) return {};
  text.resize(static_cast<std::size_t>(n - 1));
  return text;
}

std::string TimeText() {
  const int n = ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, nullptr, 0);
  if (n <= 1) return {};
  std::string text(static_cast<std::size_t>(n), '\0');
  if (::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text.data(), n) == 0) return {};
  text.resize(static_cast<std::size_t>(n - 1));
  return text;
}

std::string ShortDateText() {
  const int n = ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, nullptr, 0);
  if (n <= 1) return {};
  std::string text(static_cast<std::size_t>(n), '\0');
  if (::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text.data(), n) == 0) return {};
  text.resize(static_cast<std::size_t>(n - 1));
  return text;
}

// The system's true version: the version call of the native layer, which
// answers without regard to the program's compatibility declarations.
bool NativeVersion(OSVERSIONINFOEXW& info) {
  using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  if (!ntdll) return false;
  const auto rtlGetVersion =
      reinterpret_cast<TRtlGetVersion>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
  if (!rtlGetVersion) return false;
  info = {};
  info.dwOSVersionInfoSize = sizeof info;
  return rtlGetVersion(&info) == 0;
}

}  // namespace

void TWin32Toolkit::MessageBox(const std::string& caption, const std::string& text, TMessageIcon icon) {
  UINT style = MB_OK | MB_TASKMODAL;
  switch (icon) {
    case TMessageIcon::Exclamation: style |= MB_ICONEXCLAMATION; break;
    case TMessageIcon::Error: style |= MB_ICONERROR; break;
    case TMessageIcon::Information: style |= MB_ICONINFORMATION; break;
  }
  ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

void TWin32Toolkit::BringToForeground(TWindowHandle window) {
  const HWND handle = static_cast<HWND>(window);
  if (handle && ::IsWindow(handle)) ::SetForegroundWindow(handle);
}

TWindowHandle TWin32Toolkit::OwnerWindow() { return ::GetActiveWindow(); }

bool TWindowsPlatform::Fail() { return Fail(::GetLastError()); }

bool TWindowsPlatform::Fail(std::uint32_t code) {
  lastError_ = code;
  return false;
}

bool TWindowsPlatform::FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWindowsPlatform::DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWindowsPlatform::CreateNewFile(const std::string& path) {
  // CREATE_NEW refuses any existing name, a planted link included.
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail();
  ::CloseHandle(file);
  return true;
}

bool TWindowsPlatform::DeleteFile(const std::string& path) {
  if (!::DeleteFileA(path.c_str())) return Fail();
  return true;
}

void TWindowsPlatform::ResetFileAttributes(const std::string& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return;
  // The attributes belong to the file, not to one of its names: a file with
  // a further name (a hard link planted in its place) keeps them.
  const HANDLE file = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool oneName = ::GetFileInformationByHandle(file, &info) && info.nNumberOfLinks == 1;
  ::CloseHandle(file);
  if (oneName) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

bool TWindowsPlatform::AppendToFile(const std::string& path, const std::string& text) {
  const HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail();
  // Only an ordinary file on a disk with this one name: never a device, a
  // pipe, a link, or a file that a further name shares.
  BY_HANDLE_FILE_INFORMATION info{};
  bool ok = ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
            !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
            info.nNumberOfLinks == 1;
  if (!ok) lastError_ = ERROR_ACCESS_DENIED;
  const char* data = text.data();
  std::size_t left = text.size();
  while (ok && left > 0) {
    const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
      ok = Fail(written == 0 && ::GetLastError() == 0 ? ERROR_WRITE_FAULT : ::GetLastError());
      break;
    }
    data += written;
    left -= written;
  }
  if (!::CloseHandle(file) && ok) ok = Fail();
  return ok;
}

std::string TWindowsPlatform::TempPath() {
  return SystemText(kTempPathBuffer, [](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); });
}

std::string TWindowsPlatform::SystemDirectoryPath() {
  return SystemText(kDirectoryBuffer, [](char* buffer, DWORD size) { return ::GetSystemDirectoryA(buffer, size); });
}

std::string TWindowsPlatform::WindowsDirectoryPath() {
  return SystemText(kDirectoryBuffer, [](char* buffer, DWORD size) { return ::GetWindowsDirectoryA(buffer, size); });
}

std::string TWindowsPlatform::ModuleFileName() {
  // The system cuts a long name to the buffer; grow it until the name fits.
  for (DWORD size = kModuleNameBuffer; size <= kLongestPath; size *= 2) {
    std::string buffer(size, '\0');
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), size);
    if (n == 0) return {};
    if (n < size) {
      buffer.resize(n);
      return buffer;
    }
  }
  return {};
}

std::vector<std::string> TWindowsPlatform::CommandLineArguments() {
  // The run-time library's split of the command line, argument 0 first.
  std::vector<std::string> arguments;
  for (int i = 0; i < __argc && __argv; ++i) arguments.emplace_back(__argv[i] ? __argv[i] : "");
  return arguments;
}

std::string TWindowsPlatform::RawCommandLine() {
  const char* line = ::GetCommandLineA();
  return line ? std::string(line) : std::string();
}

bool TWindowsPlatform::ReadClassesRootDefault(const std::string& key, TRegistryValue& value) {
  value = {};
  HKEY handle = nullptr;
  const LONG opened = ::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle);
  if (opened != ERROR_SUCCESS) return Fail(static_cast<std::uint32_t>(opened));
  DWORD type = REG_NONE;
  DWORD size = 0;
  LONG result = ::RegQueryValueExA(handle, nullptr, nullptr, &type, nullptr, &size);
  std::vector<BYTE> data;
  // The value may grow between the two calls; ask again with the new size.
  for (int attempt = 0; result == ERROR_SUCCESS && attempt < 4; ++attempt) {
    data.assign(size + 1, 0);
    DWORD got = size;
    result = ::RegQueryValueExA(handle, nullptr, nullptr, &type, data.data(), &got);
    if (result == ERROR_SUCCESS) {
      data.resize(got);
      break;
    }
    if (result == ERROR_MORE_DATA) {
      size = got;
      result = ERROR_SUCCESS;
      if (attempt == 3) result = ERROR_MORE_DATA;
    }
  }
  ::RegCloseKey(handle);
  // A key without a default value opens: the value is empty.
  if (result != ERROR_SUCCESS) return true;
  switch (type) {
    case REG_SZ: value.kind = TRegistryValueKind::String; break;
    case REG_EXPAND_SZ: value.kind = TRegistryValueKind::ExpandString; break;
    default: value.kind = TRegistryValueKind::Other; break;
  }
  if (value.kind != TRegistryValueKind::Other) {
    // Stored as written, up to the first terminating zero.
    std::string text(data.begin(), data.end());
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    value.data = std::move(text);
  }
  return true;
}

TLibraryHandle TWindowsPlatform::LoadLibrary(const std::string& name) {
  if (name.empty()) {
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const HMODULE library = ::LoadLibraryA(name.c_str());
  if (!library) Fail();
  return library;
}

void* TWindowsPlatform::LibraryExport(TLibraryHandle library, const std::string& name) {
  if (!library) return nullptr;
  void* address = reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
  if (!address) Fail();
  return address;
}

void TWindowsPlatform::FreeLibrary(TLibraryHandle library) {
  if (library) ::FreeLibrary(static_cast<HMODULE>(library));
}

bool TWindowsPlatform::FileVersionWords(const std::string& path, std::uint32_t& mostSignificant,
                                         std::uint32_t& leastSignificant) {
  mostSignificant = 0;
  leastSignificant = 0;
  if (path.empty()) return Fail(ERROR_INVALID_PARAMETER);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return Fail();
  std::vector<BYTE> buffer(size);
  if (!::GetFileVersionInfoA(path.c_str(), 0, size, buffer.data())) return Fail();
  void* block = nullptr;
  UINT length = 0;
  char root[] = "\\";
  if (!::VerQueryValueA(buffer.data(), root, &block, &length) || !block || length < sizeof(VS_FIXEDFILEINFO)) {
    return Fail(ERROR_RESOURCE_TYPE_NOT_FOUND);
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
  mostSignificant = fixed->dwFileVersionMS;
  leastSignificant = fixed->dwFileVersionLS;
  return true;
}

TSystemVersion TWindowsPlatform::SystemVersion() {
  TSystemVersion version;
  OSVERSIONINFOEXW info{};
  if (!NativeVersion(info)) return version;
  version.family = info.dwPlatformId == VER_PLATFORM_WIN32_NT ? TSystemFamily::WindowsNT : TSystemFamily::Windows;
  version.name = version.family == TSystemFamily::WindowsNT ? "Windows NT" : "Windows";
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  version.build = info.dwBuildNumber;
  version.servicePack = NarrowText(info.szCSDVersion);
  return version;
}

TLocaleInfo TWindowsPlatform::LocaleInfo() {
  TLocaleInfo info;
  info.defaultLcid = ::GetUserDefaultLCID();
  const std::string separator = LocaleText(LOCALE_SDECIMAL);
  if (!separator.empty()) info.decimalSeparator = separator;
  return info;
}

std::string TWindowsPlatform::LongTimeNow() { return TimeText(); }

std::string TWindowsPlatform::DateTimeNow() {
  const std::string date = ShortDateText();
  const std::string time = TimeText();
  if (date.empty()) return time;
  return time.empty() ? date : date + " " + time;
}

bool TWindowsPlatform::ShellOpen(TWindowHandle owner, const std::string& program, const std::string& parameters,
                                 int showCommand) {
  ::SetLastError(0);
  const HINSTANCE result = ::ShellExecuteA(static_cast<HWND>(owner), "open", program.c_str(),
                                           parameters.empty() ? nullptr : parameters.c_str(), nullptr, showCommand);
  const auto code = reinterpret_cast<INT_PTR>(result);
  if (code > 32) return true;
  // Codes up to 32 are the shell's; the small ones share the system's
  // meaning (file, path not found, access denied, out of memory).
  const DWORD last = ::GetLastError();
  return Fail(last != 0 ? last : (code == 0 ? ERROR_NOT_ENOUGH_MEMORY : static_cast<DWORD>(code)));
}

void TWindowsPlatform::YieldTimeSlice() { ::Sleep(0); }

TWindowHandle TWindowsPlatform::DesktopWindow() { return ::GetDesktopWindow(); }

}  // namespace veltaro
