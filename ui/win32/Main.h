// The main window TfMain in Win32: native controls over the window model,
// which holds every rule of the window; TfMain shows what the model tells
// it and reports what happens to its controls, keys and focus.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Dialogs.h"
#include "Dpi.h"
#include "Handles.h"
#include "VariablesGrid.h"
#include "Win32Dialogs.h"
#include "WindowModel.h"
#include "WindowView.h"

namespace veltaro {

class TfMain : private TWindowView {
 public:
  // Registers the window classes the window uses; once per process.
  static void RegisterClasses(HINSTANCE instance);

  // Creates the window and its controls, hidden, and runs FormCreate.
  // dialogs answers the window's questions; null means the system's dialogs.
  explicit TfMain(HINSTANCE instance, TDialogs* dialogs = nullptr);
  ~TfMain() override;
  TfMain(const TfMain&) = delete;
  TfMain& operator=(const TfMain&) = delete;

  HWND Handle() const { return window_; }
  TWindowModel& Model() { return *model_; }

  // The first command-line argument ("" when there is none) and the folder
  // of the program file, for the start-up load.
  void SetStartup(std::string firstArgument, std::string programDirectory) {
    model_->SetStartup(std::move(firstArgument), std::move(programDirectory));
  }

  // Centres the window on its monitor, shows it and runs FormShow once.
  void Show(int showCommand);

  // The message loop's part of the window: its keys (commands, help,
  // Ctrl+Enter) and the dialog keys (Tab, Enter, Escape). True when the
  // message was taken.
  bool TranslateWindowMessage(MSG& message);

  // Called when the window is asked to close, before it goes; the program
  // ends its message loop when the window is destroyed if quitOnDestroy.
  std::function<void()> onClose;
  bool quitOnDestroy = false;
  // How an address is opened; the system's browser unless replaced.
  std::function<void(const std::string&)> openAddress;

  // Controls by their design names; the status line is "lTermStatus".
  HWND Control(std::string_view name) const;
  TVariablesGrid& Grid() { return *grid_; }
  // The lines of the results list.
  std::vector<std::string> ResultLines() const;
  // The line of the results list at a client point of the list.
  std::string ResultLineAt(POINT at) const;
  // The results list's menu for a line, as it pops up ("Copy result" and
  // "Use in term" first); the caller destroys it.
  HMENU NewResultsMenu(const std::string& line) const;
  // Runs a command of the results list's menu on a line.
  void RunResultsMenuCommand(int id, const std::string& line);
  static constexpr int kCopyResult = 950;
  static constexpr int kUseInTerm = 951;
  static constexpr int kCopy = 952;
  static constexpr int kSelectAll = 953;

  const TDpi& Dpi() const { return dpi_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  void OnCommand(int id, int code, HWND control);
  void OnFocusArrived(HWND now, HWND previous);
  TWindowArea AreaOf(HWND window) const;
  bool Owns(HWND window) const;
  void ShowResultsMenu(LPARAM at);
  void AskHelp();

  void CreateControls();
  HWND Add(std::string_view name, HWND control);
  void LoadGlyphs();
  void ApplyLayout();
  void FitToContents();
  RECT DesignRect(std::string_view name) const;  // absolute, in design pixels
  void PlaceStatus();
  void DrawStatus(const DRAWITEMSTRUCT& item);
  void BuildAccelerators();

  // The view of the model.
  std::string TermText() const override;
  std::size_t TermCursor() const override;
  void SetTerm(const std::string& text, std::size_t cursor) override;
  void SelectTerm(std::size_t start, std::size_t length) override;
  std::vector<TGridRow> GridRows() override;
  int SelectedRow() const override;
  void ShowTable(const std::vector<TGridRow>& rows) override;
  void MarkInvalidValues(const std::vector<int>& rows) override;
  bool DegreesChecked() const override;
  bool ComplexChecked() const override;
  void AppendResult(const std::string& line) override;
  void ClearResults() override;
  void ShowStatus(const std::string& text) override;
  void ShowVariablesPanel(bool shown) override;
  void OpenAddress(const std::string& address) override;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  std::unique_ptr<TWin32Dialogs> ownDialogs_;
  TDialogs* dialogs_ = nullptr;
  std::unique_ptr<TWindowModel> model_;
  std::unique_ptr<TVariablesGrid> grid_;
  std::map<std::string, HWND, std::less<>> controls_;
  HWND tooltips_ = nullptr;
  TAccelerators accelerators_;
  std::vector<TWindowCommand> acceleratorCommands_;
  TDpi dpi_;
  TFont font_, boldFont_, linkFont_, resultsFont_, statusFont_;
  std::map<int, TIcon> glyphs_;
  TIcon bigIcon_, smallIcon_;
  std::wstring statusTip_;
  bool shown_ = false;
  bool settingTerm_ = false;
  bool statusPending_ = false;
  bool clickedByMouse_ = false;
  bool variablesShown_ = true;
};

// Runs the program's message loop until the window goes; the exit code.
int RunMessageLoop(TfMain& window);

// Hands every message waiting for this thread's windows to them, through the
// window's keys; returns when none is left.
void PumpMessages(TfMain& window);

}  // namespace veltaro
