#include "HelpHook.h"

#include <memory>

#include "HelpFixture.h"

namespace veltaro {
namespace {

using testing_support::HelpTest;
using testing_support::Native;

// The application's help entry, as the window's would be.
struct TEntry {
  THelpRequestHandler handler;
  int installs = 0;
  THelpHandlerInstaller Installer() {
    return [this](THelpRequestHandler next) {
      ++installs;
      std::swap(handler, next);
      return next;
    };
  }
  bool Ask(std::uint16_t command, std::int32_t data, bool& callHelp) {
    return handler ? handler(command, data, callHelp) : false;
  }
};

class HookTest : public HelpTest {
 protected:
  void SetUp() override {
    HelpTest::SetUp();
    InstallViewer();
    LoadViewer();
    ReadHelpVersions();
    EnableLog();
    fake.calls.clear();
  }
  std::unique_ptr<THookHelpSystem> NewHook(std::uint8_t hostKind = 0, const std::string& file = "/prog/veltaro.chm") {
    auto hook = std::make_unique<THookHelpSystem>(file, "", hostKind, entry.Installer());
    fake.files.erase(Native("/prog/HHDebug.txt"));
    return hook;
  }
  TEntry entry;
};

TEST(HelpCommandName, NumbersWithTheirNames) {
  const struct {
    std::uint16_t command;
    const char* label;
  } rows[] = {
      {1, "1 (HELP_CONTEXT)"},
      {2, "2 (HELP_QUIT)"},
      {3, "3 (HELP_INDEX or HELP_CONTENTS)"},
      {4, "4 (HELP_HELPONHELP)"},
      {5, "5 (HELP_SETINDEX or HELP_SETCONTENTS)"},
      {6, "6 (?\?)"},
      {7, "7 (?\?)"},
      {8, "8 (HELP_CONTEXTPOPUP)"},
      {9, "9 (HELP_FORCEFILE)"},
      {10, "10 (HELP_CONTEXTMENU)"},
      {11, "11 (HELP_FINDER)"},
      {12, "12 (HELP_WM_HELP)"},
      {13, "13 (HELP_SETPOPUP_POS)"},
      {14, "14 (?\?)"},
      {257, "257 (HELP_KEY)"},
      {258, "258 (HELP_COMMAND)"},
      {259, "259 (?\?)"},
      {261, "261 (HELP_PARTIALKEY)"},
      {513, "513 (HELP_MULTIKEY)"},
      {515, "515 (HELP_SETWINPOS)"},
      {0, "0 (?\?)"},
      {65535, "65535 (?\?)"},
  };
  for (const auto& row : rows) EXPECT_EQ(HelpCommandName(row.command), row.label) << row.command;
}

TEST(ComposeHelpUrl, FileTopicWindowAndPrefix) {
  const struct {
    const char* file;
    const char* topic;
    const char* window;
    int prefix;
    const char* url;
  } rows[] = {
      {"C:\\Prog\\help.chm", "", "", 0, "C:\\Prog\\help.chm"},
      {"C:\\Prog\\help.chm", "", "main", 1, "mk:@MSITStore:C:\\Prog\\help.chm>main"},
      {"a.chm", "sub\\page.htm", "", 0, "a.chm::/sub/page.htm"},
      {"a.chm", "/sub/page.htm", "", 0, "a.chm::/sub/page.htm"},
      {"", "page.htm", "", 0, "/page.htm"},
      {"a.chm", "", "", 2, "ms-its:a.chm"},
      {"a.chm", "p.htm", "w", 2, "ms-its:a.chm::/p.htm>w"},
      {"/my%20help/v.chm", "", "", 0, "/my help/v.chm"},
      {"  /prog/v.chm  ", "", "", 0, "/prog/v.chm"},
      {"%20/prog/v.chm%20", "", "", 0, "/prog/v.chm"},
      {"a.chm", " %20 ", " win%20 ", 0, "a.chm>win"},
      {"\t/prog/v.chm", "", "", 0, "\t/prog/v.chm"},
      {"a.chm", "", "", 7, "a.chm"},
      {"", "", "", 1, "mk:@MSITStore:"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ComposeHelpUrl(row.file, row.topic, row.window, row.prefix), row.url)
        << row.file << " | " << row.topic << " | " << row.window << " | " << row.prefix;
  }
}

TEST_F(HelpTest, LastErrorTextsByCode) {
  const struct {
    std::uint32_t code;
    const char* text;
  } rows[] = {
      {2, "[Error:2] File Not Found"},        {3, "[Error:3] Path Not Found"},
      {5, "[Error:5] Access Denied"},         {8, "[Error:8] Insufficient Memory"},
      {19, "[Error:19] Media Is Write Protected"}, {21, "[Error:21] Device Not Ready"},
      {32, "[Error:32] File In Use"},         {33, "[Error:33] File In Use"},
      {39, "[Error:39] Disk Full"},           {112, "[Error:112] Disk Full"},
      {276, "[Error:276] Corrupt File Or Disk"}, {1005, "[Error:1005] Corrupt File Or Disk"},
      {1392, "[Error:1392] Corrupt File Or Disk"}, {1393, "[Error:1393] Corrupt File Or Disk"},
      {1009, "[Error:1009] Corrupt Registry"}, {1358, "[Error:1358] Corrupt Registry"},
      {1150, "[Error:1150] Windows Version Incorrect"}, {1151, "[Error:1151] Not A Windows Or MSDos Program"},
      {0, "[Error:0] General Failure"},       {1, "[Error:1] General Failure"},
      {31, "[Error:31] General Failure"},     {193, "[Error:193] General Failure"},
      {4294967295u, "[Error:4294967295] General Failure"},
  };
  for (const auto& row : rows) {
    fake.lastError = row.code;
    EXPECT_EQ(LastErrorText(), row.text) << row.code;
  }
}

TEST_F(HookTest, CreationInstallsTheHookAndDestructionRestoresThePreviousHandler) {
  int previousCalls = 0;
  entry.handler = [&](std::uint16_t, std::int32_t, bool&) {
    ++previousCalls;
    return false;
  };
  auto hook = std::make_unique<THookHelpSystem>("/prog/veltaro.chm", "", 0, entry.Installer());
  EXPECT_FALSE(hook->chainPrevious);
  EXPECT_EQ(hook->popupX, 0);
  EXPECT_EQ(hook->popupY, 0);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"12:34:56   THookHelpSystem.Create(\"/prog/veltaro.chm\",\"\", 0)"});
  bool callHelp = true;
  EXPECT_TRUE(entry.Ask(HELP_QUIT, 0, callHelp));
  EXPECT_EQ(previousCalls, 0);
  fake.calls.clear();
  fake.files.erase(Native("/prog/HHDebug.txt"));
  hook.reset();
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"HtmlHelpA 18", "Yield"}));
  ASSERT_EQ(fake.viewerCalls.size(), 1u);
  EXPECT_EQ(fake.viewerCalls[0].owner, nullptr);
  EXPECT_EQ(fake.viewerCalls[0].file, "<null>");
  EXPECT_EQ(fake.viewerCalls[0].data, 0u);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"12:34:56   THookHelpSystem.Destroy"});
  EXPECT_FALSE(entry.Ask(HELP_CONTEXT, 1, callHelp));
  EXPECT_EQ(previousCalls, 1);
  EXPECT_EQ(entry.installs, 2);
}

TEST_F(HookTest, DestructionClosesViewerWindowsOnlyForTheViewerLibrary) {
  const struct {
    std::uint8_t hostKind;
    bool loaded;
    std::vector<std::string> calls;
  } rows[] = {
      {0, true, {"HtmlHelpA 18", "Yield"}},
      {0, false, {}},
      {1, true, {}},
      {2, true, {}},
  };
  for (const auto& row : rows) {
    if (!row.loaded) UnloadViewer();
    auto hook = NewHook(row.hostKind);
    fake.calls.clear();
    hook.reset();
    EXPECT_EQ(fake.calls, row.calls) << int{row.hostKind} << " loaded " << row.loaded;
    LoadViewer();
  }
}

TEST_F(HookTest, AContextRequestCallsTheViewerAndRaisesItsWindow) {
  auto hook = NewHook();
  for (const std::int32_t context : {1, 10, 20, 999, -5}) {
    fake.viewerCalls.clear();
    fake.raised.clear();
    bool callHelp = true;
    EXPECT_TRUE(entry.Ask(HELP_CONTEXT, context, callHelp)) << context;
    EXPECT_FALSE(callHelp) << context;
    ASSERT_EQ(fake.viewerCalls.size(), 1u) << context;
    EXPECT_EQ(fake.viewerCalls[0].owner, fake.desktop) << context;
    EXPECT_EQ(fake.viewerCalls[0].file, "/prog/veltaro.chm") << context;
    EXPECT_EQ(fake.viewerCalls[0].command, HH_HELP_CONTEXT) << context;
    EXPECT_EQ(fake.viewerCalls[0].data, static_cast<std::uint32_t>(context)) << context;
    EXPECT_EQ(fake.raised, std::vector<TWindowHandle>{fake.viewerAnswer}) << context;
  }
  EXPECT_TRUE(fake.boxes.empty());

  // No window shown: nothing raised, no message.
  fake.viewerAnswer = nullptr;
  fake.raised.clear();
  EXPECT_EQ(hook->OpenTopic(20), kHelpShown);
  EXPECT_TRUE(fake.raised.empty());
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(HookTest, EveryRequestWritesItsDebugLines) {
  auto hook = NewHook();
  bool callHelp = true;
  entry.Ask(HELP_CONTEXT, 1, callHelp);
  const std::vector<std::string> expected = {
      "12:34:56   THookHelpSystem.HelpHook(1 (HELP_CONTEXT), 1)",
      "12:34:56   HHHelpContext(\"/prog/veltaro.chm\", 1, \"\", 0)",
      "12:34:56   ShowContext(\"/prog/veltaro.chm\", 0)",
      "12:34:56     returned - 0",
  };
  EXPECT_EQ(LogLines(), expected);

  fake.files.erase(Native("/prog/HHDebug.txt"));
  entry.Ask(6, 77, callHelp);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"12:34:56   THookHelpSystem.HelpHook(6 (?\?), 77)"});

  helpLog->enabled = false;
  fake.files.erase(Native("/prog/HHDebug.txt"));
  entry.Ask(HELP_CONTEXT, 1, callHelp);
  EXPECT_FALSE(fake.FileExists(Native("/prog/HHDebug.txt")));
}

TEST_F(HookTest, OtherCommandsAreLeftToTheToolkit) {
  auto hook = NewHook();
  for (const std::uint16_t command : {2, 3, 4, 5, 6, 9, 10, 11, 12, 14, 257, 258, 261, 513, 515, 0, 65535}) {
    bool callHelp = false;
    EXPECT_TRUE(entry.Ask(command, 20, callHelp)) << command;
    EXPECT_TRUE(callHelp) << command;
  }
  EXPECT_TRUE(fake.viewerCalls.empty());
  EXPECT_TRUE(fake.boxes.empty());
}

TEST_F(HookTest, APopUpPositionIsUnpackedAsTwoSignedHalves) {
  const struct {
    std::uint32_t packed;
    std::int32_t x, y;
  } rows[] = {
      {0xFFFF0005u, 5, -1},       {0x00000000u, 0, 0},          {0x00640032u, 50, 100},
      {0x7FFF7FFFu, 32767, 32767}, {0x80008000u, -32768, -32768}, {0x0001FFFFu, -1, 1},
  };
  auto hook = NewHook();
  for (const auto& row : rows) {
    bool callHelp = true;
    entry.Ask(HELP_SETPOPUP_POS, static_cast<std::int32_t>(row.packed), callHelp);
    EXPECT_FALSE(callHelp) << std::hex << row.packed;
    EXPECT_EQ(hook->popupX, row.x) << std::hex << row.packed;
    EXPECT_EQ(hook->popupY, row.y) << std::hex << row.packed;
  }
  EXPECT_TRUE(fake.viewerCalls.empty());
}

TEST_F(HookTest, APopUpRequestOpensTheTopicUnlessItHasItsOwnHandler) {
  auto hook = NewHook();
  bool callHelp = true;
  entry.Ask(HELP_SETPOPUP_POS, static_cast<std::int32_t>(0xFFFF0005u), callHelp);
  entry.Ask(HELP_CONTEXTPOPUP, 20, callHelp);
  ASSERT_EQ(fake.viewerCalls.size(), 1u);
  EXPECT_EQ(fake.viewerCalls[0].command, HH_HELP_CONTEXT);
  EXPECT_EQ(fake.viewerCalls[0].data, 20u);

  std::vector<std::int32_t> popups;
  hook->onContextPopup = [&](std::int32_t context, std::int32_t x, std::int32_t y) {
    popups.insert(popups.end(), {context, x, y});
  };
  std::vector<std::int32_t> contexts;
  hook->onContext = [&](std::int32_t context) { contexts.push_back(context); };
  entry.Ask(HELP_CONTEXTPOPUP, 10, callHelp);
  entry.Ask(HELP_CONTEXT, 999, callHelp);
  EXPECT_EQ(popups, (std::vector<std::int32_t>{10, 5, -1}));
  EXPECT_EQ(contexts, std::vector<std::int32_t>{999});
  EXPECT_EQ(fake.viewerCalls.size(), 1u);
}

TEST_F(HookTest, ThePreviousHandlerIsAskedFirstOnlyWhenChained) {
  std::vector<std::int32_t> previous;
  entry.handler = [&](std::uint16_t, std::int32_t data, bool& callHelp) {
    previous.push_back(data);
    callHelp = true;
    return false;
  };
  auto hook = NewHook();
  bool callHelp = true;
  EXPECT_TRUE(entry.Ask(HELP_CONTEXT, 1, callHelp));
  EXPECT_TRUE(previous.empty());
  hook->chainPrevious = true;
  EXPECT_FALSE(entry.Ask(HELP_CONTEXT, 20, callHelp));
  EXPECT_FALSE(callHelp);
  EXPECT_EQ(previous, std::vector<std::int32_t>{20});
  EXPECT_EQ(fake.viewerCalls.size(), 2u);
}

TEST_F(HookTest, WithoutHtmlHelpNothingIsCalledWhateverTheHostKind) {
  fake.files[Native("/win/KeyHH.EXE")] = "";
  fake.files[Native("/win/HH.EXE")] = "";
  _hhInstalled = false;
  for (const std::uint8_t hostKind : {0, 1, 2, 3}) {
    auto hook = NewHook(hostKind);
    fake.calls.clear();
    fake.boxes.clear();
    EXPECT_EQ(hook->OpenTopic(20), kHelpNotInstalled) << int{hostKind};
    EXPECT_EQ(fake.calls, std::vector<std::string>{"MessageBox MS Html Help is not installed on this PC."})
        << int{hostKind};
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].caption, "Veltaro");
    EXPECT_EQ(fake.boxes[0].icon, TMessageIcon::Exclamation);
    EXPECT_EQ(LogLines().back(), "12:34:56   HHShowError(1), \"MS Html Help is not installed on this PC.\"");
  }
}

TEST_F(HookTest, AVersionedViewerThatDidNotLoadIsNeverCalled) {
  auto hook = NewHook();
  UnloadViewer();  // the file carries a version, but the library is gone
  ASSERT_TRUE(_hhInstalled);
  EXPECT_EQ(hook->OpenTopic(1), kViewerNotLoaded);
  EXPECT_TRUE(fake.viewerCalls.empty());
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "The HTML Help viewer library could not be loaded.");

  fake.libraries[Native("/sys32/hhctrl.ocx")].hasEntry = false;
  LoadViewer();
  ASSERT_NE(viewerLibrary, nullptr);
  EXPECT_EQ(hook->OpenTopic(1), kViewerNotLoaded);
  EXPECT_TRUE(fake.viewerCalls.empty());
  hook.reset();  // closing windows of a library without the entry point
  EXPECT_TRUE(fake.viewerCalls.empty());
}

TEST_F(HookTest, ExternalViewerProgramsStartWithTheirCommandLines) {
  const struct {
    std::uint8_t hostKind;
    bool programPresent;
    int code;
    std::string call;
    const char* message;
  } rows[] = {
      {1, true, 0, "ShellOpen " + Native("/win/KeyHH.EXE") + " | -win -#mapid 20 /my dir/veltaro.chm | 10 | owner", nullptr},
      {2, true, 0, "ShellOpen " + Native("/win/HH.EXE") + " | -mapid 20 mk:@MSITStore:/my dir/veltaro.chm | 10 | owner", nullptr},
      {1, false, 2, "", "System file KeyHH.EXE was not found in the Windows folder."},
      {2, false, 3, "", "System file HH.EXE was not found in the Windows folder."},
      {3, true, 0, "", nullptr},
      {255, true, 0, "", nullptr},
  };
  for (const auto& row : rows) {
    fake.files.erase(Native("/win/KeyHH.EXE"));
    fake.files.erase(Native("/win/HH.EXE"));
    if (row.programPresent) {
      fake.files[Native("/win/KeyHH.EXE")] = "";
      fake.files[Native("/win/HH.EXE")] = "";
    }
    auto hook = NewHook(row.hostKind, " /my%20dir/veltaro.chm ");
    fake.calls.clear();
    fake.boxes.clear();
    EXPECT_EQ(hook->OpenTopic(20), row.code) << int{row.hostKind};
    std::vector<std::string> calls;
    for (const auto& c : fake.calls) {
      if (c.rfind("ShellOpen", 0) == 0) calls.push_back(c);
    }
    EXPECT_EQ(calls, row.call.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.call})
        << int{row.hostKind};
    EXPECT_EQ(fake.boxes.size(), row.message ? 1u : 0u) << int{row.hostKind};
    if (row.message && !fake.boxes.empty()) {
      EXPECT_EQ(fake.boxes[0].text, row.message);
    }
    EXPECT_TRUE(fake.viewerCalls.empty());
    hook.reset();
  }
}

TEST_F(HookTest, AFailedProgramStartIsReportedButIsNoResultCode) {
  fake.files[Native("/win/HH.EXE")] = "";
  fake.shellSucceeds = false;
  fake.shellError = 5;
  auto hook = NewHook(2);
  EXPECT_EQ(hook->OpenTopic(999), kHelpShown);
  ASSERT_EQ(fake.boxes.size(), 1u);
  const std::string text =
      "Function ShellExecute(" + Native("/win/HH.EXE") + ", -mapid 999 mk:@MSITStore:/prog/veltaro.chm)\rReturned: [Error:5] Access "
      "Denied";
  EXPECT_EQ(fake.boxes[0].text, text);
  EXPECT_EQ(fake.boxes[0].caption, "Veltaro");
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "12:34:56   " + text);
  EXPECT_EQ(lines[3], "12:34:56     returned - 0");
}

TEST_F(HelpTest, UnknownResultCodesHaveTheirOwnMessage) {
  EXPECT_EQ(HelpErrorMessage(0), "");
  EXPECT_EQ(HelpErrorMessage(5), "Unknown error returned by HHHelpContext");
  EXPECT_EQ(HelpErrorMessage(-1), "Unknown error returned by HHHelpContext");
  HHShowError(0);
  EXPECT_TRUE(fake.boxes.empty());
  HHShowError(42);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "Unknown error returned by HHHelpContext");
}

}  // namespace
}  // namespace veltaro
