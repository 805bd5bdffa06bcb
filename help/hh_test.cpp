#include "hh.h"

#include "HelpFixture.h"

namespace veltaro {
namespace {

using testing_support::HelpTest;
using testing_support::Native;

constexpr const char* kKey = "CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32";

TEST_F(HelpTest, ALeadingSystemRootPlaceholderBecomesTheWindowsDirectory) {
  const struct {
    const char* path;
    std::string expected;
  } rows[] = {
      {"%SystemRoot%\\System32\\hhctrl.ocx", Native("/win") + "\\System32\\hhctrl.ocx"},
      {"%SYSTEMROOT%/System32/hhctrl.ocx", Native("/win") + "/System32/hhctrl.ocx"},
      {"%systemroot%", Native("/win")},
      {"%sYsTeMrOoT%x", Native("/win") + "x"},
      {"%SystemRoot", "%SystemRoot"},
      {"%SystemRoo%", "%SystemRoo%"},
      {"x%SystemRoot%\\hhctrl.ocx", "x%SystemRoot%\\hhctrl.ocx"},
      {"%SystemDrive%\\hhctrl.ocx", "%SystemDrive%\\hhctrl.ocx"},
      {"%WINDIR%\\hhctrl.ocx", "%WINDIR%\\hhctrl.ocx"},
      {"", ""},
      {"/usr/lib/hhctrl.ocx", "/usr/lib/hhctrl.ocx"},
  };
  fake.windowsDirectory = Native("/win/");
  for (const auto& row : rows) EXPECT_EQ(ExpandSystemRoot(row.path), row.expected) << row.path;
}

TEST_F(HelpTest, SystemDirectoriesLoseOneTrailingSeparator) {
  const struct {
    std::string reported;
    std::string expected;
  } rows[] = {{Native("/sys32/"), Native("/sys32")},
              {Native("/sys32"), Native("/sys32")},
              {Native("/sys32//"), Native("/sys32/")},
              {"", ""}};
  for (const auto& row : rows) {
    fake.systemDirectory = row.reported;
    fake.windowsDirectory = row.reported;
    EXPECT_EQ(SystemDirectory(), row.expected) << row.reported;
    EXPECT_EQ(WindowsDirectory(), row.expected) << row.reported;
  }
}

TEST_F(HelpTest, TheViewerIsLocatedAsRegisteredOrInTheSystemDirectory) {
  const struct {
    const char* what;
    bool keyPresent;
    bool valuePresent;
    TRegistryValue value;
    bool registeredFileExists;
    const char* expected;
  } rows[] = {
      {"no key", false, false, {}, false, "/sys32/hhctrl.ocx"},
      {"key without value", true, false, {}, false, "/sys32/hhctrl.ocx"},
      {"empty value", true, true, {TRegistryValueKind::String, ""}, false, "/sys32/hhctrl.ocx"},
      {"plain string", true, true, {TRegistryValueKind::String, "/opt/hh/hhctrl.ocx"}, true, "/opt/hh/hhctrl.ocx"},
      {"expandable string", true, true, {TRegistryValueKind::ExpandString, "%SystemRoot%/hh/hhctrl.ocx"}, true,
       "/win/hh/hhctrl.ocx"},
      {"plain string with placeholder", true, true, {TRegistryValueKind::String, "%systemroot%/hh/hhctrl.ocx"}, true,
       "/win/hh/hhctrl.ocx"},
      {"registered file missing", true, true, {TRegistryValueKind::String, "/opt/hh/hhctrl.ocx"}, false,
       "/sys32/hhctrl.ocx"},
      {"value of another type", true, true, {TRegistryValueKind::Other, "/opt/hh/hhctrl.ocx"}, true,
       "/sys32/hhctrl.ocx"},
  };
  for (const auto& row : rows) {
    fake.registry.clear();
    fake.registryKeysWithoutValue.clear();
    fake.files.clear();
    if (row.keyPresent && row.valuePresent) fake.registry[kKey] = {row.value.kind, Native(row.value.data)};
    if (row.keyPresent && !row.valuePresent) fake.registryKeysWithoutValue.insert(kKey);
    if (row.registeredFileExists) fake.files[Native(row.expected)] = "";
    EXPECT_EQ(LocateViewer(), Native(row.expected)) << row.what;
  }
}

TEST_F(HelpTest, LoadingTriesTheBareNameThenTheLocatedFile) {
  const struct {
    const char* what;
    bool bareLoads;
    bool locatedExists;
    bool locatedLoads;
    bool hasEntry;
    std::vector<std::string> calls;
    bool loaded;
    bool entry;
  } rows[] = {
      {"bare name", true, true, true, true, {"LoadLibrary hhctrl.ocx", "LibraryExport HtmlHelpA"}, true, true},
      {"located file",
       false,
       true,
       true,
       true,
       {"LoadLibrary hhctrl.ocx", "Registry " + std::string(kKey), "LoadLibrary " + Native("/sys32/hhctrl.ocx"),
        "LibraryExport HtmlHelpA"},
       true,
       true},
      {"located file missing",
       false,
       false,
       false,
       true,
       {"LoadLibrary hhctrl.ocx", "Registry " + std::string(kKey)},
       false,
       false},
      {"located file does not load",
       false,
       true,
       false,
       true,
       {"LoadLibrary hhctrl.ocx", "Registry " + std::string(kKey), "LoadLibrary " + Native("/sys32/hhctrl.ocx")},
       false,
       false},
      {"no entry point", true, false, false, false, {"LoadLibrary hhctrl.ocx", "LibraryExport HtmlHelpA"}, true, false},
  };
  for (const auto& row : rows) {
    testing_support::ResetHelpState();
    fake.calls.clear();
    fake.libraries.clear();
    fake.files.clear();
    if (row.bareLoads) fake.libraries["hhctrl.ocx"] = {row.hasEntry};
    if (row.locatedExists) fake.files[Native("/sys32/hhctrl.ocx")] = "";
    if (row.locatedLoads) fake.libraries[Native("/sys32/hhctrl.ocx")] = {row.hasEntry};
    LoadViewer();
    EXPECT_EQ(fake.calls, row.calls) << row.what;
    EXPECT_EQ(viewerLibrary != nullptr, row.loaded) << row.what;
    EXPECT_EQ(htmlHelpEntry != nullptr, row.entry) << row.what;
  }
}

TEST_F(HelpTest, LoadingTwiceLoadsOnceAndUnloadingClearsBothSlots) {
  InstallViewer();
  LoadViewer();
  ASSERT_NE(viewerLibrary, nullptr);
  fake.calls.clear();
  LoadViewer();
  EXPECT_TRUE(fake.calls.empty());
  UnloadViewer();
  EXPECT_EQ(fake.calls, std::vector<std::string>{"FreeLibrary " + Native("/sys32/hhctrl.ocx")});
  EXPECT_EQ(viewerLibrary, nullptr);
  EXPECT_EQ(htmlHelpEntry, nullptr);
  fake.calls.clear();
  UnloadViewer();
  EXPECT_TRUE(fake.calls.empty());
}

}  // namespace
}  // namespace veltaro
