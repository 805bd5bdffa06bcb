// The help support against the system's own HTML Help viewer, registry and
// version resources (under Wine here): nothing is faked but the message
// boxes, which are recorded instead of waiting for a click.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "DebugLog.h"
#include "HelpChecks.h"
#include "HelpFixture.h"
#include "HelpHook.h"
#include "Versions.h"
#include "WindowsPlatform.h"
#include "hh.h"

// After the help support's own names, which the system's headers also define
// as macros of the same values.
#include "Win32.h"

namespace veltaro {
namespace {

namespace fs = std::filesystem;

constexpr const char* kViewerKey = "CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";

// Message boxes and raised windows, recorded.
class TRecordingToolkit : public TToolkitServices {
 public:
  void MessageBox(const std::string& caption, const std::string& text, TMessageIcon) override {
    boxes.push_back(caption + ": " + text);
  }
  void BringToForeground(TWindowHandle window) override { raised.push_back(window); }
  TWindowHandle OwnerWindow() override { return nullptr; }
  std::string ApplicationTitle() override { return "Veltaro"; }

  std::vector<std::string> boxes;
  std::vector<TWindowHandle> raised;
};

class HelpOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::ResetHelpState();
    previous = Platform().Toolkit();
    Platform().SetToolkit(&toolkit);
  }
  void TearDown() override {
    UnloadViewer();
    testing_support::ResetHelpState();
    Platform().SetToolkit(previous);
  }

  TRecordingToolkit toolkit;
  TToolkitServices* previous = nullptr;
};

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string ModuleDirectory() {
  char buffer[32768] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return fs::path(std::string(buffer, n)).parent_path().string();
}

// The version of a file as the system's version resource gives it, read here
// on its own.
std::string SystemFileVersion(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!::GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  char root[] = "\\";
  if (!::VerQueryValueA(data.data(), root, reinterpret_cast<void**>(&info), &length) || !info) return {};
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

TEST_F(HelpOnWindows, TheViewerIsLocatedWhereTheRegistrySays) {
  char registered[1024] = {};
  DWORD size = sizeof registered;
  ASSERT_EQ(::RegGetValueA(HKEY_CLASSES_ROOT, kViewerKey, nullptr,
                           RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, registered, &size),
            ERROR_SUCCESS);
  const std::string located = LocateViewer();
  EXPECT_EQ(Lower(located), Lower(ExpandSystemRoot(registered)));
  EXPECT_TRUE(Platform().FileExists(located));
  std::printf("LocateViewer: %s\n", located.c_str());
}

TEST_F(HelpOnWindows, TheViewerLoadsAndItsEntryPointResolves) {
  LoadViewer();
  ReadHelpVersions();
  ASSERT_NE(viewerLibrary, nullptr);
  ASSERT_NE(htmlHelpEntry, nullptr);
  char loaded[MAX_PATH] = {};
  ::GetModuleFileNameA(static_cast<HMODULE>(viewerLibrary), loaded, sizeof loaded);
  EXPECT_EQ(Lower(loaded), Lower(LocateViewer()));
  EXPECT_EQ(reinterpret_cast<void*>(htmlHelpEntry),
            reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(viewerLibrary), "HtmlHelpA")));
  EXPECT_TRUE(HelpViewerUsable());
  std::printf("LoadViewer: %s, HtmlHelpA resolved\n", loaded);
  UnloadViewer();
  EXPECT_EQ(viewerLibrary, nullptr);
  EXPECT_EQ(htmlHelpEntry, nullptr);
}

TEST_F(HelpOnWindows, VersionsAndReleaseNamesOfTheViewerAndTheBrowser) {
  ReadHelpVersions();
  const std::string viewerFile = LocateViewer();
  const std::string browserFile = SystemDirectory() + "\\Shdocvw.dll";
  EXPECT_TRUE(_hhInstalled);
  EXPECT_EQ(_hhVerStr, SystemFileVersion(viewerFile));
  EXPECT_EQ(_hhVerStr, std::to_string(_hhVerMajor) + "." + std::to_string(_hhVerMinor) + "." +
                           std::to_string(_hhVerBuild) + "." + std::to_string(_hhVerRevision));
  EXPECT_FALSE(_hhFriendlyVerStr.empty());
  EXPECT_TRUE(_ieInstalled);
  const std::string browser = SystemFileVersion(browserFile);
  ASSERT_FALSE(browser.empty());
  // Only releases before 4.71 carry their build in the revision.
  if (browser.rfind("4.", 0) != 0) {
    EXPECT_EQ(_ieVerStr, browser);
  }
  EXPECT_FALSE(_ieFriendlyVerStr.empty());
  // The release names follow from the tables for the versions read.
  const TVersion viewer{_hhVerMajor, _hhVerMinor, _hhVerBuild, _hhVerRevision};
  if (VersionOrder(viewer, TVersion{5, 2, 3669, 0}) > 0) {
    EXPECT_EQ(_hhFriendlyVerStr, "> 1.4a");
  } else if (VersionOrder(viewer, TVersion{4, 73, 8252, 0}) >= 0) {
    EXPECT_NE(_hhFriendlyVerStr.find('.'), std::string::npos);
  }
  std::printf("viewer  %s  %s  -> \"%s\"\nbrowser %s  %s  -> \"%s\"\n", viewerFile.c_str(), _hhVerStr.c_str(),
              _hhFriendlyVerStr.c_str(), browserFile.c_str(), _ieVerStr.c_str(), _ieFriendlyVerStr.c_str());
}

TEST_F(HelpOnWindows, OurOwnProgramCarriesItsVersion) {
  const std::string calc = fs::weakly_canonical(fs::path(ModuleDirectory()) / ".." / "cli" / "veltaro-calc.exe").string();
  ASSERT_TRUE(fs::exists(calc)) << calc;
  EXPECT_EQ(FileVersionText(calc), SystemFileVersion(calc));
  EXPECT_EQ(FileVersionText(calc).rfind("1.", 0), 0u) << FileVersionText(calc);
  // A program without a version resource has none.
  char self[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, self, sizeof self);
  EXPECT_EQ(FileVersionText(self), "");
  std::printf("%s %s\n", calc.c_str(), FileVersionText(calc).c_str());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST_F(HelpOnWindows, TheDebugLogHeaderShowsWindowsPathsAndVersions) {
  const std::string dir = ModuleDirectory();
  const std::string marker = dir + "\\debug.debug";
  const std::string log = dir + "\\HHDebug.txt";
  std::ofstream(marker).close();
  LoadViewer();
  StartHelpSupport();
  fs::remove(marker);
  EXPECT_TRUE(helpDebugMode);
  EXPECT_EQ(_ModuleDir, dir);
  EXPECT_EQ(helpLog->logFileName, log);
  std::ifstream in(log, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  in.close();
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 27u) << text;
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  const TSystemVersion system = Platform().SystemVersion();
  const std::string os = "Operating System:      \t" + SystemName(system) + " " + std::to_string(system.major) + "." +
                         std::to_string(system.minor) + " (Build " + std::to_string(system.build) + ") " +
                         (system.servicePack.empty() ? std::string("No Service Pack") : system.servicePack);
  struct Row { std::size_t line; std::string text; };
  const Row rows[] = {
      {0, std::string(79, '=')},
      {1, "Log File:             \t" + log},
      {3, os},
      {8, std::string(79, '-')},
      {15, "_ModuleDir =        \t" + dir},
      {18, std::string(79, '-')},
      {19, "_hhInstalled =      \tYES"},
      {20, "_hhVerStr =         \t" + _hhVerStr},
      {21, "_hhFriendlyVerStr = \t" + _hhFriendlyVerStr},
      {23, "_ieInstalled =      \tYES"},
      {24, "_ieVerStr =         \t" + _ieVerStr},
      {25, "_ieFriendlyVerStr = \t" + _ieFriendlyVerStr},
      {26, std::string(79, '=')},
  };
  for (const Row& r : rows) EXPECT_EQ(lines[r.line], r.text) << "line " << r.line;
  EXPECT_EQ(lines[4].rfind("SysLocale.DefaultLCID: \t0x", 0), 0u) << lines[4];
  EXPECT_EQ(lines[16].rfind("_ModulePath =        \t" + dir + "\\", 0), 0u) << lines[16];
  EXPECT_TRUE(toolkit.boxes.empty());
  std::printf("%s", text.c_str());
  StopHelpSupport();
  fs::remove(log);
}

// The window help of the program: the help file beside the program is
// handed to the system's viewer with a context number. Needs veltaro.chm
// beside this program and a display for the viewer's window.
TEST_F(HelpOnWindows, AContextRequestOpensTheHelpFileInTheSystemsViewer) {
  const std::string helpFile = ModuleDirectory() + "\\veltaro.chm";
  if (!fs::exists(helpFile)) GTEST_SKIP() << "no veltaro.chm beside the program";
  const HWND probe = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!probe) GTEST_SKIP() << "no window can be shown here (no display)";
  ::DestroyWindow(probe);
  LoadViewer();
  StartHelpSupport();
  EXPECT_EQ(HelpFilePath(), helpFile);
  std::vector<std::string> checkBoxes;
  RunHelpChecks([&](TMessageIcon, const std::string& title, const std::string& text) {
                  checkBoxes.push_back(title + ": " + text);
                },
                [](THelpRequestHandler handler) { return handler; });
  EXPECT_TRUE(checkBoxes.empty()) << checkBoxes.front();
  ASSERT_TRUE(MainHelpSystem);
  bool callHelp = true;
  EXPECT_TRUE(MainHelpSystem->HelpHook(HELP_CONTEXT, 1, callHelp));
  EXPECT_FALSE(callHelp);
  EXPECT_TRUE(toolkit.boxes.empty()) << toolkit.boxes.front();
  ASSERT_EQ(toolkit.raised.size(), 1u) << "the viewer showed no window";
  const HWND window = static_cast<HWND>(toolkit.raised.front());
  EXPECT_TRUE(::IsWindow(window));
  char title[256] = {};
  ::GetWindowTextA(window, title, sizeof title);
  std::printf("HtmlHelpA(HH_HELP_CONTEXT, 1) on %s: window \"%s\"\n", helpFile.c_str(), title);
  // The system's own services bring it to the front.
  TWin32Toolkit system("Veltaro");
  system.BringToForeground(window);
  EXPECT_EQ(::GetForegroundWindow(), window);
  CloseAllHelpWindows();
  MSG message;
  for (int i = 0; i < 50 && ::IsWindow(window); ++i) {
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
    ::Sleep(20);
  }
  EXPECT_FALSE(::IsWindow(window));
  // The viewer looks the number up in the file's context map: one that the
  // map lacks shows nothing.
  EXPECT_EQ(htmlHelpEntry(Platform().DesktopWindow(), helpFile.c_str(), HH_HELP_CONTEXT, 4242), nullptr);
  MainHelpSystem.reset();
  StopHelpSupport();
}

}  // namespace
}  // namespace veltaro
