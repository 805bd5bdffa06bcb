// The Windows back-end against the system's real services (run under Wine
// here): every answer is compared with what the system itself says.
#include "WindowsPlatform.h"

#include <gtest/gtest.h>

#include "Win32.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace veltaro {
namespace {

namespace fs = std::filesystem;

constexpr const char* kViewerKey = "CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ScratchDir {
 public:
  ScratchDir() {
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = fs::temp_directory_path() / ("veltaro-win-" + std::to_string(seed()));
      if (fs::create_directory(path_)) break;
    }
  }
  ~ScratchDir() {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(path_, ec)) {
      ::SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(path_, ec);
  }
  std::string operator/(const char* name) const { return (path_ / name).string(); }
  std::string str() const { return path_.string(); }

 private:
  fs::path path_;
};

TEST(WindowsPlatform, FilesAndDirectories) {
  TWindowsPlatform platform;
  ScratchDir dir;
  const std::string file = dir / "a.txt";
  struct Row { std::string path; bool file; bool directory; };
  EXPECT_TRUE(platform.CreateNewFile(file));
  const Row rows[] = {
      {file, true, false}, {dir.str(), false, true}, {dir / "missing", false, false}, {"", false, false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(platform.FileExists(r.path), r.file) << r.path;
    EXPECT_EQ(platform.DirectoryExists(r.path), r.directory) << r.path;
  }
  // An existing name is never created over.
  EXPECT_FALSE(platform.CreateNewFile(file));
  EXPECT_EQ(platform.LastErrorCode(), static_cast<std::uint32_t>(ERROR_FILE_EXISTS));
  EXPECT_TRUE(platform.DeleteFile(file));
  EXPECT_FALSE(platform.FileExists(file));
  EXPECT_FALSE(platform.DeleteFile(file));
  EXPECT_EQ(platform.LastErrorCode(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST(WindowsPlatform, AppendingCreatesThenAppendsAndResetMakesFilesOrdinary) {
  TWindowsPlatform platform;
  ScratchDir dir;
  const std::string file = dir / "log.txt";
  EXPECT_TRUE(platform.AppendToFile(file, "one\r\n"));
  EXPECT_TRUE(platform.AppendToFile(file, "two\r\n"));
  EXPECT_TRUE(platform.AppendToFile(file, ""));
  EXPECT_EQ(ReadAll(file), "one\r\ntwo\r\n");
  // Not a directory.
  EXPECT_FALSE(platform.AppendToFile(dir.str(), "x"));

  ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  platform.ResetFileAttributes(file);
  const DWORD attributes = ::GetFileAttributesA(file.c_str());
  EXPECT_EQ(attributes & static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u) << attributes;
  EXPECT_TRUE(platform.AppendToFile(file, "three\r\n"));
  // A missing file and a directory are left alone.
  platform.ResetFileAttributes(dir / "missing");
  platform.ResetFileAttributes(dir.str());
  EXPECT_TRUE(platform.DirectoryExists(dir.str()));
}

TEST(WindowsPlatform, SystemDirectoriesAndTheRunningProgram) {
  TWindowsPlatform platform;
  char buffer[MAX_PATH + 1] = {};
  ASSERT_GT(::GetSystemDirectoryA(buffer, sizeof buffer), 0u);
  EXPECT_EQ(platform.SystemDirectoryPath(), buffer);
  ASSERT_GT(::GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
  EXPECT_EQ(platform.WindowsDirectoryPath(), buffer);
  ASSERT_GT(::GetTempPathA(sizeof buffer, buffer), 0u);
  EXPECT_EQ(platform.TempPath(), buffer);
  EXPECT_TRUE(platform.DirectoryExists(platform.TempPath()));

  const std::string module = platform.ModuleFileName();
  EXPECT_TRUE(platform.FileExists(module)) << module;
  EXPECT_EQ(module.substr(module.size() - 4), ".exe");
  EXPECT_EQ(module[1], ':') << module;  // a drive letter, a full name
  const std::vector<std::string> arguments = platform.CommandLineArguments();
  ASSERT_FALSE(arguments.empty());
  EXPECT_NE(platform.RawCommandLine().find("platform_test"), std::string::npos) << platform.RawCommandLine();
  std::printf("module %s\nsystem %s\nwindows %s\ntemp %s\n", module.c_str(), platform.SystemDirectoryPath().c_str(),
              platform.WindowsDirectoryPath().c_str(), platform.TempPath().c_str());
}

TEST(WindowsPlatform, TheRegistryIsReadAsStoredAndNeverWritten) {
  TWindowsPlatform platform;
  TRegistryValue value;
  ASSERT_TRUE(platform.ReadClassesRootDefault(kViewerKey, value));
  EXPECT_NE(value.kind, TRegistryValueKind::Other);
  EXPECT_FALSE(value.data.empty());
  char expected[1024] = {};
  DWORD size = sizeof expected;
  ASSERT_EQ(::RegGetValueA(HKEY_CLASSES_ROOT, kViewerKey, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                           nullptr, expected, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value.data, expected);
  std::printf("registered viewer %s\n", value.data.c_str());

  const char* absent = "CLSID\\{00000000-0000-0000-0000-00000000beef}\\InprocServer32";
  EXPECT_FALSE(platform.ReadClassesRootDefault(absent, value));
  EXPECT_TRUE(value.data.empty());
  EXPECT_EQ(platform.LastErrorCode(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  HKEY key = nullptr;
  EXPECT_NE(::RegOpenKeyExA(HKEY_CLASSES_ROOT, absent, 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST(WindowsPlatform, LibrariesLoadResolveAndFree) {
  TWindowsPlatform platform;
  struct Row { const char* library; const char* entry; bool loads; bool resolves; };
  const Row rows[] = {
      {"hhctrl.ocx", "HtmlHelpA", true, true},
      {"kernel32.dll", "GetTickCount", true, true},
      {"kernel32.dll", "NoSuchExport", true, false},
      {"no-such-library.dll", "HtmlHelpA", false, false},
      {"", "HtmlHelpA", false, false},
  };
  for (const Row& r : rows) {
    const TLibraryHandle library = platform.LoadLibrary(r.library);
    EXPECT_EQ(library != nullptr, r.loads) << r.library;
    if (!library) {
      EXPECT_NE(platform.LastErrorCode(), 0u) << r.library;
      continue;
    }
    void* entry = platform.LibraryExport(library, r.entry);
    EXPECT_EQ(entry != nullptr, r.resolves) << r.library << " " << r.entry;
    if (!entry) {
      EXPECT_EQ(platform.LastErrorCode(), static_cast<std::uint32_t>(ERROR_PROC_NOT_FOUND)) << r.entry;
    }
    platform.FreeLibrary(library);
  }
  EXPECT_EQ(platform.LibraryExport(nullptr, "HtmlHelpA"), nullptr);
  platform.FreeLibrary(nullptr);

  // By its full name, the same library as by the bare name.
  const TLibraryHandle bare = platform.LoadLibrary("hhctrl.ocx");
  const TLibraryHandle full = platform.LoadLibrary(platform.SystemDirectoryPath() + "\\hhctrl.ocx");
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full, bare);
  EXPECT_NE(platform.LibraryExport(full, "HtmlHelpA"), nullptr);
  platform.FreeLibrary(full);
  platform.FreeLibrary(bare);
}

TEST(WindowsPlatform, FileVersionsComeFromTheVersionResource) {
  TWindowsPlatform platform;
  const std::string system = platform.SystemDirectoryPath();
  for (const std::string name : {"hhctrl.ocx", "shdocvw.dll", "kernel32.dll"}) {
    const std::string path = system + "\\" + name;
    std::uint32_t ms = 0, ls = 0;
    ASSERT_TRUE(platform.FileVersionWords(path, ms, ls)) << path;
    EXPECT_NE(ms, 0u) << path;
    std::printf("%s %u.%u.%u.%u\n", path.c_str(), ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
  }
  ScratchDir dir;
  const std::string plain = dir / "plain.txt";
  std::ofstream(plain) << "no resource";
  struct Row { std::string path; };
  for (const Row& r : {Row{plain}, Row{dir / "missing.dll"}, Row{""}}) {
    std::uint32_t ms = 7, ls = 7;
    EXPECT_FALSE(platform.FileVersionWords(r.path, ms, ls)) << r.path;
    EXPECT_EQ(ms, 0u);
    EXPECT_EQ(ls, 0u);
  }
}

TEST(WindowsPlatform, SystemVersionLocaleAndTime) {
  TWindowsPlatform platform;
  const TSystemVersion version = platform.SystemVersion();
  EXPECT_EQ(version.family, TSystemFamily::WindowsNT);
  EXPECT_GE(version.major, 5u);
  EXPECT_GT(version.build, 0u);
  const TLocaleInfo locale = platform.LocaleInfo();
  EXPECT_EQ(locale.defaultLcid, static_cast<std::uint32_t>(::GetUserDefaultLCID()));
  EXPECT_NE(locale.defaultLcid, 0u);
  EXPECT_EQ(locale.decimalSeparator.size(), 1u);
  const std::string time = platform.LongTimeNow();
  const std::string dateTime = platform.DateTimeNow();
  EXPECT_FALSE(time.empty());
  EXPECT_GT(dateTime.size(), time.size());
  std::printf("system %u.%u build %u \"%s\", locale 0x%04X, separator \"%s\", now %s\n", version.major,
              version.minor, version.build, version.servicePack.c_str(), locale.defaultLcid,
              locale.decimalSeparator.c_str(), dateTime.c_str());
}

TEST(WindowsPlatform, ShellOpenReportsAMissingProgramWithTheSystemsCode) {
  TWindowsPlatform platform;
  ScratchDir dir;
  EXPECT_FALSE(platform.ShellOpen(nullptr, dir / "KeyHH.EXE", "-win -#mapid 20 x.chm", SW_SHOWNORMAL));
  EXPECT_EQ(platform.LastErrorCode(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST(WindowsPlatform, ShellOpenStartsAProgramWithItsParameters) {
  TWindowsPlatform platform;
  ScratchDir dir;
  const std::string out = dir / "out.txt";
  const std::string cmd = platform.SystemDirectoryPath() + "\\cmd.exe";
  ASSERT_TRUE(platform.ShellOpen(nullptr, cmd, "/c echo started>\"" + out + "\"", SW_HIDE))
      << platform.LastErrorCode();
  for (int i = 0; i < 300 && ReadAll(out).empty(); ++i) ::Sleep(20);
  EXPECT_EQ(ReadAll(out).substr(0, 7), "started");
}

TEST(WindowsPlatform, TheDesktopAndTheToolkit) {
  TWindowsPlatform platform;
  EXPECT_EQ(platform.DesktopWindow(), static_cast<TWindowHandle>(::GetDesktopWindow()));
  EXPECT_EQ(platform.Toolkit(), nullptr);
  TWin32Toolkit toolkit("Veltaro");
  platform.SetToolkit(&toolkit);
  EXPECT_EQ(platform.Toolkit(), &toolkit);
  EXPECT_EQ(toolkit.ApplicationTitle(), "Veltaro");
  // Windows that are not windows are ignored.
  toolkit.BringToForeground(nullptr);
  toolkit.BringToForeground(reinterpret_cast<TWindowHandle>(std::uintptr_t{0x1234}));
  platform.YieldTimeSlice();
}

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
  char text[512] = {};
  ::GetWindowTextA(child, text, sizeof text);
  reinterpret_cast<std::vector<std::string>*>(texts)->push_back(text);
  return TRUE;
}

// The system's own message box, answered by a helper that presses its OK
// button as soon as it appears, so that nothing waits for a click.
TEST(WindowsPlatform, MessageBoxesShowTheirTextAndAreAnsweredWithOk) {
  TWin32Toolkit toolkit("Veltaro");
  const std::string caption = "Veltaro " + std::to_string(::GetCurrentProcessId());
  const std::string text = "Help file not found.";
  std::atomic<bool> shown{false};
  std::atomic<bool> done{false};
  std::vector<std::string> texts;
  std::thread answer([&] {
    for (int i = 0; i < 500 && !done; ++i) {
      if (const HWND box = ::FindWindowA(nullptr, caption.c_str())) {
        ::EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
        shown = true;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      ::Sleep(20);
    }
  });
  toolkit.MessageBox(caption, text, TMessageIcon::Exclamation);
  done = true;
  answer.join();
  if (!shown) GTEST_SKIP() << "no window can be shown here (no display)";
  EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "OK"), texts.end());
}

}  // namespace
}  // namespace veltaro
