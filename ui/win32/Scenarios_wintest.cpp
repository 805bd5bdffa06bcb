// The window's everyday scenarios, the same table the window model runs,
// through the Win32 window's real controls: characters and keys sent to
// them through the window's own message handling, button clicks, the cell
// editor and double clicks in the results list.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "Complex.h"
#include "HelpEntry.h"
#include "Main.h"
#include "ScriptedDialogs.h"
#include "SmartConversion.h"
#include "Win32Text.h"
#include "WindowScenarios.h"

namespace veltaro {
namespace {

namespace fs = std::filesystem;

// Keys pressed as the keyboard would: Ctrl and Shift held in the thread's
// key state, the key posted to the control with the focus and handled by
// the message loop of the program.
void Press(TfMain& window, HWND target, UINT key, bool ctrl = false, bool shift = false) {
  BYTE state[256] = {};
  ::GetKeyboardState(state);
  state[VK_CONTROL] = ctrl ? 0x80 : 0;
  state[VK_SHIFT] = shift ? 0x80 : 0;
  ::SetKeyboardState(state);
  const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
  ::PostMessageW(target, WM_KEYDOWN, key, scan | 1);
  PumpMessages(window);
  ::PostMessageW(target, WM_KEYUP, key, scan | 1 | (3u << 30));
  PumpMessages(window);
  state[VK_CONTROL] = state[VK_SHIFT] = 0;
  ::SetKeyboardState(state);
}

class TWin32Driver : public TWindowDriver {
 public:
  TWin32Driver(TfMain& window, TScriptedDialogs& dialogs) : window_(window), dialogs_(dialogs) {}

  void Type(const std::string& term) override {
    const HWND field = Focus("eTerm");
    ::SendMessageW(field, EM_SETSEL, 0, -1);
    const std::wstring text = Wide(term);
    if (text.empty()) ::PostMessageW(field, WM_CHAR, L'\b', 1);
    for (wchar_t c : text) ::PostMessageW(field, WM_CHAR, c, 1);
    PumpMessages(window_);
  }
  void Click(const std::string& control) override {
    const HWND button = window_.Control(control);
    ASSERT_NE(button, nullptr) << control;
    ::SendMessageW(button, BM_CLICK, 0, 0);
    PumpMessages(window_);
  }
  void Key(TTermKey key) override {
    Press(window_, Focus("eTerm"),
          key == TTermKey::Up ? VK_UP : key == TTermKey::Down ? VK_DOWN : VK_ESCAPE);
  }
  void Command(TWindowCommand command) override {
    for (const TCommandKey& key : CommandKeys()) {
      if (key.command != command) continue;
      const UINT code = key.key == TKeyName::Delete ? VK_DELETE : key.key == TKeyName::F4 ? VK_F4 : key.letter;
      const HWND focused = ::GetFocus() ? ::GetFocus() : window_.Control("eTerm");
      Press(window_, focused, code, key.ctrl, key.shift);
      return;
    }
  }
  void Leave() override { Focus("mResults"); }
  void EditCell(int col, int row, const std::string& text) override {
    TVariablesGrid& grid = window_.Grid();
    Focus("sgVariables");
    grid.SetCurrentCell(col, row);
    Press(window_, grid.Handle(), VK_F2);
    ASSERT_NE(grid.Editor(), nullptr);
    ::SetWindowTextW(grid.Editor(), Wide(text).c_str());
    Press(window_, grid.Editor(), VK_RETURN);
    EXPECT_EQ(grid.Editor(), nullptr);
    EXPECT_EQ(::GetFocus(), grid.Handle());
  }
  void SelectRow(int row) override {
    // A click on the row's fixed cell.
    TVariablesGrid& grid = window_.Grid();
    const RECT cell = grid.CellRect(0, row);
    const LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    ::PostMessageW(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(grid.Handle(), WM_LBUTTONUP, 0, at);
    PumpMessages(window_);
  }
  void UseResult(int line) override {
    const HWND list = Focus("mResults");
    const std::vector<std::string> lines = window_.ResultLines();
    std::size_t index = 0;
    for (int k = 0; k < line && k < static_cast<int>(lines.size()); ++k) index += Wide(lines[k]).size() + 2;
    const LRESULT position = ::SendMessageW(list, EM_POSFROMCHAR, index + 1, 0);
    const LPARAM at = MAKELPARAM(LOWORD(position), HIWORD(position) + 2);
    ::PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    ::PostMessageW(list, WM_LBUTTONUP, 0, at);
    PumpMessages(window_);
  }
  void AnswerInput(std::optional<std::string> answer) override { dialogs_.inputAnswers.push_back(answer); }

  std::vector<std::string> Results() override { return window_.ResultLines(); }
  std::vector<TGridRow> Grid() override { return window_.Grid().Rows(); }
  std::string Term() override { return Utf8(WindowText(window_.Control("eTerm"))); }
  std::string Status() override { return Utf8(WindowText(window_.Control("lTermStatus"))); }
  std::vector<std::string> Messages() override {
    std::vector<std::string> messages;
    for (const TScriptedDialogs::TCall& call : dialogs_.calls)
      if (call.what == "Error" || call.what == "Information") messages.push_back(call.title + ": " + call.text);
    return messages;
  }
  bool VariablesShown() override {
    return (::GetWindowLongPtrW(window_.Grid().Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
  }

 private:
  HWND Focus(const char* name) {
    const HWND control = window_.Control(name);
    ::SetFocus(control);
    PumpMessages(window_);
    return control;
  }

  TfMain& window_;
  TScriptedDialogs& dialogs_;
};

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("veltaro-win32-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(dir);
    Reset();
    helpRequests.clear();
    SetHelpHandler([this](std::uint16_t command, std::int32_t data, bool&) {
      helpRequests.emplace_back(command, data);
      return true;
    });
  }
  void TearDown() override {
    window.reset();
    SetHelpHandler({});
    Reset();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  static void Reset() {
    ClearVarTable(GlobalVarTable);
    DegMode = false;
    ConversionPrecision = 0;
  }

  void StartEmpty() {
    window = std::make_unique<TfMain>(::GetModuleHandleW(nullptr), &dialogs);
    ASSERT_NE(window->Handle(), nullptr);
    window->openAddress = [this](const std::string& address) { openedAddresses.push_back(address); };
    window->SetStartup((dir / "missing.vlt").string(), dir.string());
    window->Show(SW_SHOWNORMAL);
    ::SetForegroundWindow(window->Handle());
    ::SetFocus(window->Control("eTerm"));
    PumpMessages(*window);
  }

  fs::path dir;
  TScriptedDialogs dialogs;
  std::unique_ptr<TfMain> window;
  std::vector<std::pair<std::uint16_t, std::int32_t>> helpRequests;
  std::vector<std::string> openedAddresses;
};

TEST_F(Win32Window, EverydayScenariosThroughTheControls) {
  for (const TWindowScenario& scenario : WindowScenarios()) {
    StartEmpty();
    TWin32Driver driver(*window, dialogs);
    RunScenario(driver, scenario);
    TearDown();
    dialogs = TScriptedDialogs();
    helpRequests.clear();
    SetUp();
  }
}

// Keys reach their commands wherever the focus is: Enter clicks the focused
// push button or else Calculate, Ctrl+Enter Smart-Calculate, F1 asks for the
// context of the focused control or of the window.
TEST_F(Win32Window, KeysReachTheirCommands) {
  struct TCase {
    const char* focus;
    UINT key;
    bool ctrl;
    const char* term;
    std::vector<std::string> results;
    std::vector<std::int32_t> help;
  };
  const TCase cases[] = {
      {"eTerm", VK_RETURN, false, "1/3", {"Result: 0.333333333333333"}, {}},
      {"eTerm", VK_RETURN, true, "1/3", {"Result: 1/3"}, {}},
      {"bSmartCalculate", VK_RETURN, false, "1/3", {"Result: 1/3"}, {}},
      {"bCalculate", VK_RETURN, false, "1/3", {"Result: 0.333333333333333"}, {}},
      {"cbComplex", VK_RETURN, false, "2+2", {"Result: 4"}, {}},
      {"mResults", VK_RETURN, false, "2+2", {"Result: 4"}, {}},
      {"sgVariables", VK_RETURN, false, "2+2", {"Result: 4"}, {}},
      {"eTerm", VK_F1, false, "", {}, {kTermHelpContext}},
      {"sgVariables", VK_F1, false, "", {}, {kVariablesHelpContext}},
      {"mResults", VK_F1, false, "", {}, {kWindowHelpContext}},
      {"bCalculate", VK_F1, false, "", {}, {kWindowHelpContext}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.focus) + " key " + std::to_string(c.key));
    StartEmpty();
    ::SetWindowTextW(window->Control("eTerm"), Wide(c.term).c_str());
    ::SetFocus(window->Control(c.focus));
    PumpMessages(*window);
    Press(*window, ::GetFocus(), c.key, c.ctrl);
    EXPECT_EQ(window->ResultLines(), c.results);
    std::vector<std::int32_t> contexts;
    for (const auto& [command, data] : helpRequests) contexts.push_back(data);
    EXPECT_EQ(contexts, c.help);
    TearDown();
    SetUp();
  }
}

// The grid's own keys: F2 or typing opens the editor, Escape cancels, Enter
// commits, Tab and the arrows move the cell cursor, and Tab from the last
// cell leaves the grid.
TEST_F(Win32Window, TheGridsKeys) {
  StartEmpty();
  TVariablesGrid& grid = window->Grid();
  grid.SetRows({{"a", "1", ""}, {"b", "2", ""}});
  ::SetFocus(grid.Handle());
  grid.SetCurrentCell(1, 1);
  PumpMessages(*window);
  Press(*window, grid.Handle(), VK_F2);
  ASSERT_NE(grid.Editor(), nullptr);
  ::SetWindowTextW(grid.Editor(), L"99");
  Press(*window, grid.Editor(), VK_ESCAPE);
  EXPECT_EQ(grid.Editor(), nullptr);
  EXPECT_EQ(grid.Cell(1, 1), "1");
  EXPECT_EQ(::GetFocus(), grid.Handle());
  // Each character goes where the focus is: the first opens the editor.
  for (wchar_t c : std::wstring(L"7*3")) {
    ::PostMessageW(::GetFocus(), WM_CHAR, c, 1);
    PumpMessages(*window);
  }
  ASSERT_NE(grid.Editor(), nullptr);
  Press(*window, grid.Editor(), VK_TAB);
  EXPECT_EQ(grid.Cell(1, 1), "7*3");
  EXPECT_EQ(grid.Col(), 2);
  Press(*window, grid.Handle(), VK_TAB);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(grid.Col(), 1);
  Press(*window, grid.Handle(), VK_UP);
  EXPECT_EQ(grid.Row(), 1);
  Press(*window, grid.Handle(), VK_DOWN);
  Press(*window, grid.Handle(), VK_RIGHT);
  EXPECT_EQ(::GetFocus(), grid.Handle());
  Press(*window, grid.Handle(), VK_TAB);
  EXPECT_NE(::GetFocus(), grid.Handle());
  EXPECT_EQ(::GetFocus(), window->Control("eTerm"));
  // Leaving the grid wrote its rows back: the variable has the typed value.
  EXPECT_EQ(RowTexts(window->Grid().Rows()), (std::vector<std::string>{"a=7*3=", "b=2="}));
}

// The results list's menu offers Copy result and Use in term for a results
// line only; Copy result puts the value on the clipboard.
TEST_F(Win32Window, TheResultsListsMenu) {
  StartEmpty();
  TWin32Driver driver(*window, dialogs);
  driver.Type("1/0");
  driver.Click("bCalculate");
  driver.Type("2*3");
  driver.Click("bCalculate");
  const std::vector<std::string> lines = window->ResultLines();
  ASSERT_EQ(lines.size(), 2u);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    TMenu menu(window->NewResultsMenu(lines[k]));
    const UINT expected = k == 1 ? 0 : MF_GRAYED;
    EXPECT_EQ(::GetMenuState(menu.get(), TfMain::kCopyResult, MF_BYCOMMAND) & MF_GRAYED, expected) << lines[k];
    EXPECT_EQ(::GetMenuState(menu.get(), TfMain::kUseInTerm, MF_BYCOMMAND) & MF_GRAYED, expected) << lines[k];
  }
  window->RunResultsMenuCommand(TfMain::kCopyResult, lines[1]);
  ASSERT_TRUE(::OpenClipboard(window->Handle()));
  const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  const auto* copied = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : nullptr;
  EXPECT_EQ(std::wstring(copied ? copied : L""), L"6");
  if (copied) ::GlobalUnlock(data);
  ::CloseClipboard();
  driver.Type("1+");
  window->RunResultsMenuCommand(TfMain::kUseInTerm, lines[1]);
  EXPECT_EQ(driver.Term(), "1+6");
}

// The link and the help buttons; the window's layout: every caption shows
// whole, and Tab visits the controls in the design's order (of the radio
// buttons, the checked one).
TEST_F(Win32Window, LinkHelpButtonsAndLayout) {
  StartEmpty();
  const HWND link = window->Control("lKelvaraLink");
  ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  PumpMessages(*window);
  EXPECT_EQ(openedAddresses, std::vector<std::string>{MakerPageAddress()});
  ::SendMessageW(window->Control("SpeedButton1"), BM_CLICK, 0, 0);
  ::SendMessageW(window->Control("SpeedButton2"), BM_CLICK, 0, 0);
  ASSERT_EQ(helpRequests.size(), 2u);
  EXPECT_EQ(helpRequests[0].second, kWindowHelpContext);
  EXPECT_EQ(helpRequests[1].second, kSupportHelpContext);

  for (const char* name : {"Label1", "Label2", "Label3", "lKelvaraLink"}) {
    const HWND label = window->Control(name);
    const std::wstring text = WindowText(label);
    const HDC dc = ::GetDC(label);
    SIZE size{};
    {
      TSelected font(dc, reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)));
      ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    ::ReleaseDC(label, dc);
    RECT client;
    ::GetClientRect(label, &client);
    EXPECT_LE(size.cx, client.right) << name;
    EXPECT_LE(size.cy, client.bottom) << name;
  }
  std::vector<std::string> visited;
  HWND focus = window->Control("eTerm");
  // Tab stops at one of the two radio buttons.
  for (std::size_t k = 0; k + 1 < TabOrder().size(); ++k) {
    for (const TControlDesign& control : WindowControls())
      if (window->Control(control.name) == focus) visited.emplace_back(control.name);
    focus = ::GetNextDlgTabItem(window->Handle(), focus, FALSE);
  }
  EXPECT_EQ(visited, (std::vector<std::string>{"eTerm", "bSmartCalculate", "bCalculate", "rbRadMode", "cbComplex",
                                               "mResults", "sgVariables"}));
}

}  // namespace
}  // namespace veltaro
