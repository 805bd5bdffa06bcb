// The window's everyday scenarios, the same table the window model runs,
// through the Win32 window's real controls: characters and keys sent to
// them through the window's own message handling, button clicks, the cell
// editor and double clicks in the results list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "Complex.h"
#include "Accessible.h"
#include "HelpEntry.h"
#include "HelpStartup.h"
#include "WindowsPlatform.h"
#include "Main.h"
#include "ScriptedDialogs.h"
#include "SmartConversion.h"
#include "Win32Text.h"
#include "WindowScenarios.h"

// After the system's own declarations, which it needs.
#include <oleacc.h>

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

// Takes a picture of a window as the screen shows it; false when it is all
// one colour (nothing was drawn). Kept as NAME.bmp, a 24-bit bitmap, in
// VELTARO_PICTURE_DIR when that is set.
bool Picture(HWND window, const std::string& name) {
  RECT frame;
  ::GetWindowRect(window, &frame);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const HDC screen = ::GetWindowDC(window);
  const HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool drawn = false;
  if (bitmap) {
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const std::size_t size = stride * static_cast<std::size_t>(height);
    const auto* pixels = static_cast<const unsigned char*>(bits);
    drawn = size > 0 && std::count(pixels, pixels + size, pixels[0]) != static_cast<std::ptrdiff_t>(size);
    if (const char* dir = std::getenv("VELTARO_PICTURE_DIR")) {
      BITMAPFILEHEADER file{};
      file.bfType = 0x4D42;
      file.bfOffBits = sizeof file + sizeof info.bmiHeader;
      file.bfSize = static_cast<DWORD>(file.bfOffBits + size);
      if (FILE* out = std::fopen((std::string(dir) + "\\" + name + ".bmp").c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, 1, size, out);
        std::fclose(out);
      }
    }
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(window, screen);
  return drawn;
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
      const UINT code = key.key == TKeyName::Delete ? VK_DELETE
                        : key.key == TKeyName::F4   ? VK_F4
                        : key.key == TKeyName::F1   ? VK_F1
                        : key.key == TKeyName::Enter ? VK_RETURN
                                                     : static_cast<UINT>(key.letter);
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
    // Windows need a display (the Windows test run gives one).
    const HWND probe = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (!probe) GTEST_SKIP() << "no window can be shown here (no display)";
    ::DestroyWindow(probe);
    dir = fs::temp_directory_path() / ("veltaro-win32-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(dir);
    Reset();
    helpRequests.clear();
    openedAddresses.clear();
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
    bool shift;
    const char* term;
    std::vector<std::string> results;
    std::vector<std::int32_t> help;
    bool link;
  };
  const TCase cases[] = {
      {"eTerm", VK_RETURN, false, false, "1/3", {"Result: 0.333333333333333"}, {}, false},
      {"eTerm", VK_RETURN, true, false, "1/3", {"Result: 1/3"}, {}, false},
      {"bSmartCalculate", VK_RETURN, false, false, "1/3", {"Result: 1/3"}, {}, false},
      {"bCalculate", VK_RETURN, false, false, "1/3", {"Result: 0.333333333333333"}, {}, false},
      {"cbComplex", VK_RETURN, false, false, "2+2", {"Result: 4"}, {}, false},
      {"mResults", VK_RETURN, false, false, "2+2", {"Result: 4"}, {}, false},
      {"sgVariables", VK_RETURN, false, false, "2+2", {"Result: 4"}, {}, false},
      {"eTerm", VK_F1, false, false, "", {}, {kTermHelpContext}, false},
      {"sgVariables", VK_F1, false, false, "", {}, {kVariablesHelpContext}, false},
      {"mResults", VK_F1, false, false, "", {}, {kWindowHelpContext}, false},
      {"bCalculate", VK_F1, false, false, "", {}, {kWindowHelpContext}, false},
      {"eTerm", VK_F1, false, true, "", {}, {kSupportHelpContext}, false},
      {"sgVariables", VK_F1, true, false, "", {}, {}, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.focus) + " key " + std::to_string(c.key) + (c.ctrl ? " ctrl" : "") +
                 (c.shift ? " shift" : ""));
    StartEmpty();
    ::SetWindowTextW(window->Control("eTerm"), Wide(c.term).c_str());
    ::SetFocus(window->Control(c.focus));
    PumpMessages(*window);
    Press(*window, ::GetFocus(), c.key, c.ctrl, c.shift);
    EXPECT_EQ(window->ResultLines(), c.results);
    std::vector<std::int32_t> contexts;
    for (const auto& [command, data] : helpRequests) contexts.push_back(data);
    EXPECT_EQ(contexts, c.help);
    EXPECT_EQ(openedAddresses.size(), c.link ? 1u : 0u);
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

// The window at the monitor's resolution: it is as large as its design
// scaled to the monitor (and grown for wider fonts), and the picture of it
// is kept (as a 24-bit bitmap in VELTARO_PICTURE_DIR when that is set).
TEST_F(Win32Window, PictureAtTheMonitorsResolution) {
  StartEmpty();
  TWin32Driver driver(*window, dialogs);
  driver.Type("sin(x)^2+cos(x)^2");
  driver.Click("bCalculate");
  driver.Type("sqrt(-2)");
  driver.Click("bSmartCalculate");
  driver.Type("x^2^3");
  PumpMessages(*window);
  RECT client;
  ::GetClientRect(window->Handle(), &client);
  const TDpi& dpi = window->Dpi();
  EXPECT_EQ(client.right, dpi(654));
  EXPECT_EQ(client.bottom, dpi(353));
  EXPECT_GE(dpi.Scale(), dpi.Dpi() / 120.0);

  EXPECT_TRUE(Picture(window->Handle(), "window-" + std::to_string(dpi.Dpi()) + "dpi")) << "nothing was drawn";
}

// Help through the system's viewer, as the program starts it: F1 in the
// entry field and in the grid and the two help buttons each open the help
// window (the topic the viewer chose is in its trace, which the Windows test
// run reads), and closing the window closes the help windows. Needs
// veltaro.chm beside this program.
TEST_F(Win32Window, HelpThroughTheSystemsViewer) {
  char program[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, program, MAX_PATH);
  if (!fs::exists(fs::path(program).parent_path() / "veltaro.chm")) GTEST_SKIP() << "no veltaro.chm beside the program";
  SetHelpHandler({});
  TWin32Toolkit toolkit("Veltaro");
  TToolkitServices* previous = Platform().Toolkit();
  Platform().SetToolkit(&toolkit);
  {
    THelpSupport support;
    StartEmpty();
    HelpFormCreate(*window, dialogs);
    EXPECT_TRUE(dialogs.calls.empty()) << dialogs.calls.front().title << ": " << dialogs.calls.front().text;
    const auto helpWindows = [] {
      std::vector<HWND> found;
      ::EnumThreadWindows(
          ::GetCurrentThreadId(),
          [](HWND w, LPARAM list) {
            if (::IsWindowVisible(w) && WindowText(w).find(L"Help") != std::wstring::npos)
              reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&found));
      return found;
    };
    const auto settle = [this] {
      for (int i = 0; i < 10; ++i) {
        PumpMessages(*window);
        ::Sleep(20);
      }
    };
    TVariablesGrid& grid = window->Grid();
    const std::pair<HWND, UINT> requests[] = {{window->Control("eTerm"), VK_F1},
                                              {grid.Handle(), VK_F1},
                                              {window->Control("SpeedButton1"), 0},
                                              {window->Control("SpeedButton2"), 0}};
    for (const auto& [control, key] : requests) {
      if (key) {
        ::SetFocus(control);
        Press(*window, control, key);
      } else {
        ::SendMessageW(control, BM_CLICK, 0, 0);
      }
      settle();
      std::printf("help request from %ls: %zu help window(s)\n", WindowText(control).c_str(), helpWindows().size());
      ASSERT_FALSE(helpWindows().empty());
      if (key && control == window->Control("eTerm")) Picture(helpWindows().front(), "help-window");
    }
    ::SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    for (int i = 0; i < 50 && !helpWindows().empty(); ++i) {
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
      ::Sleep(20);
    }
    EXPECT_TRUE(helpWindows().empty()) << "the help window outlived the program's window";
    window.reset();
  }
  Platform().SetToolkit(previous);
}

// A move to a monitor of another resolution lays the window out again for
// it, with pictures of its size.
TEST_F(Win32Window, AnotherMonitorsResolution) {
  StartEmpty();
  const HWND calculate = window->Control("bCalculate");
  const auto before = ::SendMessageW(calculate, BM_GETIMAGE, IMAGE_ICON, 0);
  RECT frame;
  ::GetWindowRect(window->Handle(), &frame);
  ::SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&frame));
  PumpMessages(*window);
  EXPECT_EQ(window->Dpi().Dpi(), 192);
  RECT client;
  ::GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.right, window->Dpi()(654));
  EXPECT_EQ(client.bottom, window->Dpi()(353));
  const auto after = ::SendMessageW(calculate, BM_GETIMAGE, IMAGE_ICON, 0);
  EXPECT_NE(after, before);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(reinterpret_cast<HICON>(after), &info));
  BITMAP bitmap{};
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 26);  // 16 design pixels at 192 pixels per inch
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
}

// Closing the window with work that is in no file asks first: Cancel keeps
// the window, No closes it; without such work it closes at once.
TEST_F(Win32Window, ClosingAsksAboutUnsavedWork) {
  StartEmpty();
  TWin32Driver driver(*window, dialogs);
  driver.Type("a");
  driver.Leave();
  ::SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialogs.calls.empty());
  EXPECT_EQ(window->Handle(), nullptr) << "nothing to save, yet the window stayed";
  window.reset();
  Reset();

  StartEmpty();
  TWin32Driver edited(*window, dialogs);
  edited.Type("a");
  edited.Leave();
  edited.EditCell(1, 1, "5");
  dialogs.questionAnswers = {TAnswer::Cancel, TAnswer::No};
  ::SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  ASSERT_EQ(dialogs.calls.size(), 1u);
  EXPECT_EQ(dialogs.calls[0].what, "Question");
  EXPECT_NE(window->Handle(), nullptr) << "Cancel closed the window";
  ::SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(dialogs.calls.size(), 2u);
  EXPECT_EQ(window->Handle(), nullptr) << "No kept the window";
}

// Every control has a name for screen readers, read back through the
// system's accessibility library: the native controls from their captions,
// the picture-only buttons and the grid from the window's design, and each
// cell of the grid from its row's label, its column and its text.
TEST_F(Win32Window, AccessibleNames) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  StartEmpty();
  window->Grid().SetRows({{"x", "2.5", "the width"}});
  const auto nameOf = [](HWND control, long child) {
    IAccessible* object = nullptr;
    const HRESULT found = ::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                                       reinterpret_cast<void**>(&object));
    std::string name = "(no object: " + std::to_string(static_cast<unsigned long>(found)) + ")";
    if (SUCCEEDED(found) && object) {
      VARIANT id;
      ::VariantInit(&id);
      id.vt = VT_I4;
      id.lVal = child;
      BSTR text = nullptr;
      name = SUCCEEDED(object->get_accName(id, &text)) && text ? Utf8(text) : "";
      ::SysFreeString(text);
      object->Release();
    }
    return name;
  };
  std::vector<std::string> names, expected;
  for (const TControlDesign& control : WindowControls()) {
    const HWND handle = window->Control(control.name);
    if (!handle || control.name.rfind("Label", 0) == 0 || control.name == "gbAngleMode") continue;
    names.push_back(std::string(control.name) + ": " + nameOf(handle, CHILDID_SELF));
    expected.push_back(std::string(control.name) + ": " + std::string(AccessibleName(control.name)));
  }
  EXPECT_EQ(names, expected);
  const HWND grid = window->Grid().Handle();
  EXPECT_EQ(nameOf(grid, GridCellChildId(1, 1)), "x, Value, 2.5");
  EXPECT_EQ(nameOf(grid, GridCellChildId(2, 1)), "x, Comment, the width");
  EXPECT_EQ(nameOf(grid, GridCellChildId(1, 0)), "Value");
  window.reset();
  ::CoUninitialize();
}

}  // namespace
}  // namespace veltaro
