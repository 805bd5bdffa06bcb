#include "Main.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "FlatButton.h"
#include "Accessible.h"
#include "HelpEntry.h"
#include "Messages.h"
#include "Resources.h"
#include "WindowDesign.h"
#include "Win32Text.h"

namespace veltaro {

namespace {

constexpr wchar_t kClassName[] = L"VeltaroMainWindow";
constexpr UINT kRefreshStatus = WM_APP + 10;
constexpr int kFirstControlId = 100;
constexpr int kHelpCommand = 900;
constexpr int kSmartCommand = 901;
constexpr int kFirstKeyCommand = 1000;
constexpr int kDesignFontPixels = 13;
constexpr int kDesignGlyph = 16;
constexpr int kDesignColumnWidth = 64;
constexpr int kDesignRowHeight = 24;
// The status line holds one line; longer texts are cut before it is drawn.
constexpr std::size_t kMaxStatusChars = 2000;
constexpr int kSupportKeyCommand = 902;
constexpr int kLinkKeyCommand = 903;

UINT VirtualKey(TKeyName key, char letter) {
  switch (key) {
    case TKeyName::Delete: return VK_DELETE;
    case TKeyName::F4: return VK_F4;
    case TKeyName::F1: return VK_F1;
    case TKeyName::Enter: return VK_RETURN;
    case TKeyName::Letter: break;
  }
  return static_cast<UINT>(letter);
}

// The panels that the window draws itself; every other control is a child
// window of the window, placed where its design puts it.
bool IsPanel(std::string_view name) {
  return name == "Panel2" || name == "pEntry" || name == "pResult" || name == "Panel1" || name == "pVariables" ||
         name == "pVarButtons";
}

bool Within(std::string_view name, std::string_view panel) {
  for (std::optional<TControlDesign> control = ControlDesign(name); control;
       control = ControlDesign(control->parent)) {
    if (control->name == panel) return true;
    if (control->parent.empty()) break;
  }
  return false;
}

UINT DpiOf(HWND window) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<TGetDpiForWindow>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpi && window) {
    if (const UINT dpi = getDpi(window)) return dpi;
  }
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

TFont NewFont(int pixels, const wchar_t* face, int weight = FW_NORMAL, bool underline = false) {
  return TFont(::CreateFontW(-std::max(pixels, 6), 0, 0, 0, weight, FALSE, underline, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, face));
}

// The size of a text in a font, in pixels.
SIZE TextSize(HWND window, HFONT font, std::wstring_view text) {
  const HDC dc = ::GetDC(window);
  SIZE size{0, 0};
  {
    TSelected selected(dc, font);
    ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  }
  ::ReleaseDC(window, dc);
  return size;
}

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

// An edit field that takes typing, whose own undo Ctrl+Z and Ctrl+Y are.
bool IsWritableEdit(HWND window) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  return ::lstrcmpiW(name, L"Edit") == 0 && (::GetWindowLongPtrW(window, GWL_STYLE) & ES_READONLY) == 0;
}

// The pictures of the buttons: the normal one and, where it has its own, the
// disabled one.
struct TButtonGlyphs {
  const char* control;
  int icon;
  int disabledIcon;
};
constexpr TButtonGlyphs kButtonGlyphs[] = {
    {"SpeedButton1", IDI_GLYPH_HELP, 0},
    {"bSmartCalculate", IDI_GLYPH_SMILE, 0},
    {"bCalculate", IDI_GLYPH_CALCULATOR, 0},
    {"bClearResults", IDI_GLYPH_ERASER, IDI_GLYPH_ERASER_DISABLED},
    {"bVariables", IDI_GLYPH_VARIABLES, 0},
    {"bOpen", IDI_GLYPH_OPEN, 0},
    {"bSave", IDI_GLYPH_SAVE, 0},
    {"bAddVar", IDI_GLYPH_ADD, 0},
    {"bDeleteVar", IDI_GLYPH_BIN, IDI_GLYPH_BIN_DISABLED},
};

}  // namespace

void TfMain::RegisterClasses(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  ::InitCommonControlsEx(&controls);
  RegisterFlatButtonClass(instance);
  TVariablesGrid::RegisterClass(instance);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (::GetClassInfoExW(instance, kClassName, &windowClass)) return;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_VELTARO));
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExW(&windowClass);
}

TfMain::TfMain(HINSTANCE instance, TDialogs* dialogs) : instance_(instance) {
  RegisterClasses(instance);
  if (dialogs) {
    dialogs_ = dialogs;
  } else {
    ownDialogs_ = std::make_unique<TWin32Dialogs>();
    dialogs_ = ownDialogs_.get();
  }
  model_ = std::make_unique<TWindowModel>(static_cast<TWindowView&>(*this), *dialogs_);
  openAddress = [](const std::string& address) {
    ::ShellExecuteW(nullptr, L"open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
  // A fixed frame with the system menu and the close button only.
  ::CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Wide(text::kAppTitle).c_str(),
                    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                    nullptr, nullptr, instance, this);
  if (!window_) return;
  if (ownDialogs_) ownDialogs_->SetOwner(window_);
  dpi_ = TDpi(static_cast<int>(DpiOf(window_)));
  CreateControls();
  ApplyLayout();
  BuildAccelerators();
  model_->FormCreate();
}

TfMain::~TfMain() {
  if (window_) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    for (const auto& [name, control] : controls_) ::RemoveWindowSubclass(control, ControlProc, 0);
    grid_.reset();
    ::DestroyWindow(window_);
  }
}

// ---- Controls and layout ---------------------------------------------------

HWND TfMain::Add(std::string_view name, HWND control) {
  controls_.emplace(std::string(name), control);
  return control;
}

HWND TfMain::Control(std::string_view name) const {
  const auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

void TfMain::LoadGlyphs() {
  const int size = dpi_.Plain(kDesignGlyph);
  glyphs_.clear();
  for (int id : {IDI_GLYPH_HELP, IDI_GLYPH_SMILE, IDI_GLYPH_CALCULATOR, IDI_GLYPH_ERASER, IDI_GLYPH_ERASER_DISABLED,
                 IDI_GLYPH_VARIABLES, IDI_GLYPH_OPEN, IDI_GLYPH_SAVE, IDI_GLYPH_ADD, IDI_GLYPH_BIN,
                 IDI_GLYPH_BIN_DISABLED}) {
    glyphs_[id] = TIcon(static_cast<HICON>(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
  }
  const int big = dpi_.Plain(40), small = dpi_.Plain(20);
  bigIcon_ = TIcon(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VELTARO), IMAGE_ICON, big, big, 0)));
  smallIcon_ =
      TIcon(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VELTARO), IMAGE_ICON, small, small, 0)));
  ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void TfMain::CreateControls() {
  LoadGlyphs();
  const int glyph = dpi_.Plain(kDesignGlyph);
  const auto id = [](std::string_view name) {
    const auto controls = WindowControls();
    for (std::size_t k = 0; k < controls.size(); ++k)
      if (controls[k].name == name) return static_cast<int>(kFirstControlId + k);
    return 0;
  };
  const auto menu = [&id](std::string_view name) {
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id(name)));
  };
  const auto native = [&](std::string_view name, const wchar_t* cls, std::wstring caption, DWORD style,
                          DWORD exStyle = 0) {
    return Add(name, ::CreateWindowExW(exStyle, cls, caption.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                                       0, 0, 0, 0, window_, menu(name), instance_, nullptr));
  };
  const auto caption = [](std::string_view name) { return Wide(ControlDesign(name)->caption); };
  const auto flat = [&](std::string_view name, std::wstring text, bool showText, int icon, int disabledIcon) {
    const HICON normal = icon ? glyphs_[icon].get() : nullptr;
    const HICON disabled = disabledIcon ? glyphs_[disabledIcon].get() : nullptr;
    return Add(name, CreateFlatButton(window_, id(name), text.c_str(), showText, normal, disabled, glyph));
  };

  // The focusable controls first, in the order Tab visits them.
  const HWND eTerm = native("eTerm", WC_EDITW, L"", WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
  // Far more than the longest valid term, so a pasted text arrives whole and
  // the parser, not the field, decides.
  ::SendMessageW(eTerm, EM_SETLIMITTEXT, 1 << 20, 0);
  const HWND smart = native("bSmartCalculate", WC_BUTTONW, caption("bSmartCalculate"), WS_TABSTOP | BS_PUSHBUTTON);
  ::SendMessageW(smart, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyphs_[IDI_GLYPH_SMILE].get()));
  const HWND calculate = native("bCalculate", WC_BUTTONW, caption("bCalculate"), WS_TABSTOP | BS_DEFPUSHBUTTON);
  ::SendMessageW(calculate, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyphs_[IDI_GLYPH_CALCULATOR].get()));
  const HWND rad = native("rbRadMode", WC_BUTTONW, caption("rbRadMode"), WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON);
  native("rbDegMode", WC_BUTTONW, caption("rbDegMode"), BS_AUTORADIOBUTTON);
  ::SendMessageW(rad, BM_SETCHECK, BST_CHECKED, 0);
  const HWND complex = native("cbComplex", WC_BUTTONW, caption("cbComplex"), WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX);
  ::SendMessageW(complex, BM_SETCHECK, BST_CHECKED, 0);
  const HWND results =
      native("mResults", WC_EDITW, L"",
             WS_TABSTOP | WS_GROUP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL,
             WS_EX_CLIENTEDGE);
  ::SendMessageW(results, EM_SETLIMITTEXT, 0, 0);
  grid_ = std::make_unique<TVariablesGrid>(window_, id("sgVariables"));
  Add("sgVariables", grid_->Handle());
  ::SetWindowLongPtrW(grid_->Handle(), GWL_STYLE, ::GetWindowLongPtrW(grid_->Handle(), GWL_STYLE) | WS_GROUP);
  grid_->SetHeader({std::string(text::kHeaderLabel), std::string(text::kHeaderValue),
                    std::string(text::kHeaderComment)});
  grid_->onFocus = [this](HWND now, HWND previous) { OnFocusArrived(now, previous); };

  // Then the rest, which Tab passes by.
  native("lKelvaraLink", WC_STATICW, caption("lKelvaraLink"), SS_LEFT | SS_NOPREFIX | SS_NOTIFY | WS_GROUP);
  native("Label3", WC_STATICW, caption("Label3"), SS_LEFT | SS_NOPREFIX);
  // Its text is the whole status; what fits is drawn, the whole is its tip.
  native("lTermStatus", WC_STATICW, L"", SS_OWNERDRAW | SS_NOTIFY);
  // A flat button's window text is its name for screen readers, also where
  // it shows only its picture.
  const auto name = [](std::string_view control) { return Wide(AccessibleName(control)); };
  flat("SpeedButton1", name("SpeedButton1"), false, IDI_GLYPH_HELP, 0);
  native("gbAngleMode", WC_BUTTONW, caption("gbAngleMode"), BS_GROUPBOX);
  native("Label1", WC_STATICW, caption("Label1"), SS_LEFT | SS_NOPREFIX);
  flat("bClearResults", name("bClearResults"), false, IDI_GLYPH_ERASER, IDI_GLYPH_ERASER_DISABLED);
  flat("SpeedButton2", caption("SpeedButton2"), true, 0, 0);
  flat("bVariables", Wide(VariablesButtonCaption(true)), true, IDI_GLYPH_VARIABLES, 0);
  SetFlatButtonName(Control("bVariables"), Wide(VariablesButtonHint(true)));
  native("Label2", WC_STATICW, caption("Label2"), SS_LEFT | SS_NOPREFIX);
  flat("bOpen", name("bOpen"), false, IDI_GLYPH_OPEN, 0);
  flat("bSave", name("bSave"), false, IDI_GLYPH_SAVE, 0);
  flat("bAddVar", name("bAddVar"), false, IDI_GLYPH_ADD, 0);
  flat("bDeleteVar", name("bDeleteVar"), false, IDI_GLYPH_BIN, IDI_GLYPH_BIN_DISABLED);

  // Hints of the flat buttons.
  tooltips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                                0, 0, window_, nullptr, instance_, nullptr);
  {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(Control("lTermStatus"));
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    ::SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, dpi_.Plain(600));
  }
  // Each flat button's tip: its hint, or its name, followed by its key.
  for (const TControlDesign& control : WindowControls()) {
    const HWND handle = Control(control.name);
    wchar_t className[32] = {};
    if (handle) ::GetClassNameW(handle, className, 32);
    if (std::wstring_view(className) != L"VeltaroFlatButton") continue;
    std::string_view shown = control.name == "bVariables" ? VariablesButtonHint(true) : control.hint;
    if (shown.empty()) shown = control.caption.empty() ? AccessibleName(control.name) : control.caption;
    std::wstring hint = Wide(WithKey(shown, KeyOfControl(control.name)));
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(Control(control.name));
    tool.lpszText = hint.data();
    ::SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }

  // Help contexts: the window's, and those of the controls that have one.
  ::SetWindowContextHelpId(window_, kWindowHelpContext);
  for (const TControlDesign& control : WindowControls())
    if (control.helpContext != 0) ::SetWindowContextHelpId(Control(control.name), control.helpContext);

  // Focus moves, keys and clicks of the native controls come here.
  for (const char* name :
       {"eTerm", "bSmartCalculate", "bCalculate", "rbRadMode", "rbDegMode", "cbComplex", "mResults", "gbAngleMode"})
    ::SetWindowSubclass(Control(name), ControlProc, 0, reinterpret_cast<DWORD_PTR>(this));
  ::SetFocus(eTerm);
}

RECT TfMain::DesignRect(std::string_view name) const {
  std::optional<TControlDesign> control = ControlDesign(name);
  if (!control) return {};
  RECT r{control->left, control->top, control->left + control->width, control->top + control->height};
  for (auto parent = ControlDesign(control->parent); parent; parent = ControlDesign(parent->parent)) {
    ::OffsetRect(&r, parent->left, parent->top);
    if (parent->parent.empty()) break;
  }
  return r;
}

void TfMain::ApplyLayout() {
  // The fonts in use now go once the controls have the new ones.
  const TFont previous[] = {std::move(font_), std::move(boldFont_), std::move(linkFont_), std::move(resultsFont_),
                            std::move(statusFont_)};
  (void)previous;
  const int fontPixels = dpi_.Plain(kDesignFontPixels);
  const wchar_t* face = L"MS Shell Dlg 2";
  font_ = NewFont(fontPixels, face);
  boldFont_ = NewFont(fontPixels, face, FW_BOLD);
  linkFont_ = NewFont(fontPixels, face, FW_NORMAL, true);
  resultsFont_ = NewFont(fontPixels, L"Verdana");
  statusFont_ = NewFont(fontPixels * 85 / 100, face);

  // The design's pixels follow the monitor's resolution; where the font at
  // hand is wider than the design's, the whole design grows until every
  // caption shows whole. Labels are measured, not guessed.
  const double base = dpi_.Dpi() / double(TDpi::kDesign);
  double grow = 1.0;
  const auto need = [&](int pixels, int designPixels) { grow = std::max(grow, pixels / (designPixels * base)); };
  const auto width = [&](HFONT font, std::string_view text) { return TextSize(window_, font, Wide(text)).cx; };
  const int glyph = dpi_.Plain(kDesignGlyph);
  const int check = ::GetSystemMetrics(SM_CXMENUCHECK) + 6;
  need(width(font_.get(), text::kEnterTerm) + 2, 63);
  need(width(font_.get(), text::kResults) + 2, 48);
  need(width(font_.get(), text::kVariables) + 2, 61);
  need(width(linkFont_.get(), text::kLinkCaption) + 2, 244);
  need(width(font_.get(), text::kSmartCalculate) + glyph + 20, 129);
  need(width(font_.get(), text::kCalculate) + glyph + 20, 129);
  need(width(boldFont_.get(), text::kSupportFreeSoftware) + 12, 169);
  need(std::max(width(boldFont_.get(), text::kHideVariablesCaption), width(boldFont_.get(), text::kShowVariablesCaption)) +
           glyph + 14,
       49);
  need(width(font_.get(), text::kComplexResults) + check, 121);
  need(width(font_.get(), text::kDeg) + check, 49);
  need(width(font_.get(), text::kRad) + check, 49);
  need(width(font_.get(), text::kAngleMode) + 24, 129);
  need(TextSize(window_, font_.get(), L"Xg").cy, 16);
  grow = std::ceil(base * grow * 40.0) / 40.0 / base;
  dpi_ = TDpi(dpi_.Dpi(), grow);

  for (const auto& [name, control] : controls_) {
    HFONT font = font_.get();
    if (name == "lKelvaraLink") font = linkFont_.get();
    if (name == "SpeedButton2" || name == "bVariables") font = boldFont_.get();
    if (name == "mResults") font = resultsFont_.get();
    if (name == "lTermStatus") font = statusFont_.get();
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  for (const TControlDesign& control : WindowControls()) {
    if (IsPanel(control.name)) continue;
    const RECT r = DesignRect(control.name);
    // Edges are scaled, not sizes, so controls that touch at design still do.
    const int left = dpi_(r.left), top = dpi_(r.top);
    ::SetWindowPos(Control(control.name), nullptr, left, top, dpi_(r.right) - left, dpi_(r.bottom) - top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The link is as wide as its text, so only the text is a link.
  {
    const RECT r = DesignRect("lKelvaraLink");
    const SIZE text = TextSize(window_, linkFont_.get(), Wide(text::kLinkCaption));
    ::SetWindowPos(Control("lKelvaraLink"), nullptr, dpi_(r.left), dpi_(r.top), text.cx + 2,
                   std::max<int>(text.cy, dpi_(r.bottom) - dpi_(r.top)), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  PlaceStatus();
  const int column = dpi_(kDesignColumnWidth);
  grid_->SetMetrics(dpi_(kDesignRowHeight), {column, column, 3 * column});
  FitToContents();
}

void TfMain::PlaceStatus() {
  // The gap between the entry field and the two command buttons.
  const RECT term = DesignRect("eTerm"), label = DesignRect("Label3"), smart = DesignRect("bSmartCalculate"),
             calculate = DesignRect("bCalculate");
  const int top = dpi_(term.bottom) + 1;
  const int left = dpi_(label.left);
  ::SetWindowPos(Control("lTermStatus"), nullptr, left, top, dpi_(calculate.right) - left,
                 std::max(dpi_(smart.top) - top - 1, 1), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfMain::FitToContents() {
  // The window shrinks and grows to its visible contents.
  RECT bounds{0, 0, 0, 0};
  for (const char* panel : {"Panel2", "pEntry", "pResult", "Panel1", "pVariables"}) {
    if (!variablesShown_ && std::string_view(panel) == "pVariables") continue;
    const RECT r = DesignRect(panel);
    bounds.right = std::max<LONG>(bounds.right, dpi_(r.right));
    bounds.bottom = std::max<LONG>(bounds.bottom, dpi_(r.bottom));
  }
  RECT frame = bounds;
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE));
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfMain::BuildAccelerators() {
  std::vector<ACCEL> keys;
  acceleratorCommands_.clear();
  for (const TCommandKey& key : CommandKeys()) {
    ACCEL accel{};
    accel.fVirt = FVIRTKEY | (key.ctrl ? FCONTROL : 0) | (key.shift ? FSHIFT : 0);
    accel.key = static_cast<WORD>(VirtualKey(key.key, key.letter));
    accel.cmd = static_cast<WORD>(kFirstKeyCommand + acceleratorCommands_.size());
    acceleratorCommands_.push_back(key.command);
    keys.push_back(accel);
  }
  keys.push_back({FVIRTKEY, VK_F1, kHelpCommand});
  // "Support free software" and the maker's link, which take no focus.
  for (const TControlKey& key : ControlKeys()) {
    const bool support = key.control == "SpeedButton2";
    if (!support && key.control != "lKelvaraLink") continue;
    const BYTE modifiers = FVIRTKEY | (key.ctrl ? FCONTROL : 0) | (key.shift ? FSHIFT : 0);
    keys.push_back({modifiers, static_cast<WORD>(VirtualKey(key.key, 0)),
                    static_cast<WORD>(support ? kSupportKeyCommand : kLinkKeyCommand)});
  }
  keys.push_back({FVIRTKEY | FCONTROL, VK_RETURN, kSmartCommand});
  accelerators_ = TAccelerators(::CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
}

void TfMain::Show(int showCommand) {
  if (!window_) return;
  if (!shown_) {
    // Centred on the monitor it opens on.
    RECT frame;
    ::GetWindowRect(window_, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    ::SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  ::ShowWindow(window_, showCommand);
  ::UpdateWindow(window_);
  if (shown_) return;
  shown_ = true;
  ::SetFocus(Control("eTerm"));
  model_->FormShow();
}

// ---- Messages ----------------------------------------------------------------

bool TfMain::TranslateWindowMessage(MSG& message) {
  if (!window_) return false;
  if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return false;
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && !KeyDown(VK_CONTROL) && !KeyDown(VK_SHIFT) &&
      !KeyDown(VK_MENU)) {
    // Enter clicks the focused push button, or Calculate wherever no
    // control takes the key itself (an open cell editor does).
    const HWND focused = ::GetFocus();
    if (focused != grid_->Editor()) {
      const HWND smart = Control("bSmartCalculate");
      const HWND target = focused == smart ? smart : Control("bCalculate");
      if (::IsWindowEnabled(target))
        ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(target), BN_CLICKED),
                       reinterpret_cast<LPARAM>(target));
      return true;
    }
  }
  if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
    // An edit field's own undo comes first; in the entry field, with nothing
    // of its own to take back, and for redo, which it lacks, the keys undo
    // and redo the table's steps.
    const HWND focused = ::GetFocus();
    const bool ctrl = KeyDown(VK_CONTROL);
    const bool undoKey = message.wParam == 'Z' && ctrl && !KeyDown(VK_SHIFT);
    const bool redoKey = (message.wParam == 'Y' || message.wParam == 'Z') && ctrl && !undoKey;
    const bool fieldsOwn = IsWritableEdit(focused) &&
                           ((undoKey && (focused != Control("eTerm") || ::SendMessageW(focused, EM_CANUNDO, 0, 0))) ||
                            (redoKey && focused != Control("eTerm")));
    if (!fieldsOwn && ::TranslateAcceleratorW(window_, accelerators_.get(), &message))
      return true;
  }
  return ::IsDialogMessageW(window_, &message) != 0;
}

int RunMessageLoop(TfMain& window) {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.TranslateWindowMessage(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void PumpMessages(TfMain& window) {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) break;
    if (window.TranslateWindowMessage(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

LRESULT CALLBACK TfMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<TfMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TfMain*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT TfMain::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case DM_GETDEFID:
      // Enter clicks Calculate wherever no control takes the key itself.
      return MAKELRESULT(::GetDlgCtrlID(Control("bCalculate")), DC_HASDEFID);
    case WM_CTLCOLORSTATIC: {
      const HDC dc = reinterpret_cast<HDC>(wParam);
      const HWND control = reinterpret_cast<HWND>(lParam);
      if (control == Control("mResults")) {
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      ::SetTextColor(dc, control == Control("lKelvaraLink") ? RGB(0x00, 0x00, 0x80) : ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->hwndItem == Control("lTermStatus")) {
        DrawStatus(*item);
        return TRUE;
      }
      break;
    }
    case WM_NOTIFY: {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      if (info->hdr.code == TTN_GETDISPINFOW && reinterpret_cast<HWND>(info->hdr.idFrom) == Control("lTermStatus")) {
        statusTip_ = WindowText(Control("lTermStatus"));
        info->lpszText = statusTip_.data();
        return 0;
      }
      break;
    }
    case WM_CTLCOLORBTN: {
      // Radio buttons, the check box and the group box on the window's face.
      const HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == Control("lKelvaraLink")) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_PAINT: {
      TPaint paint(window_);
      // The sunken box of the results and the sunken panel of the variables.
      RECT results = DesignRect("pResult");
      results = {dpi_(results.left), dpi_(results.top), dpi_(results.right), dpi_(results.bottom)};
      ::DrawEdge(paint.Dc(), &results, EDGE_ETCHED, BF_RECT);
      if (variablesShown_) {
        RECT variables = DesignRect("pVariables");
        variables = {dpi_(variables.left), dpi_(variables.top), dpi_(variables.right), dpi_(variables.bottom)};
        ::DrawEdge(paint.Dc(), &variables, BDR_SUNKENOUTER, BF_RECT);
      }
      return 0;
    }
    case kRefreshStatus:
      if (std::exchange(statusPending_, false)) model_->RefreshStatus();
      return 0;
    case WM_DPICHANGED: {
      // The window moved to a monitor of another resolution: pictures,
      // fonts and places for it; the pictures in use go once replaced.
      dpi_ = TDpi(HIWORD(wParam));
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      std::map<int, TIcon> previous = std::move(glyphs_);
      TIcon previousBig = std::move(bigIcon_), previousSmall = std::move(smallIcon_);
      LoadGlyphs();
      for (const TButtonGlyphs& button : kButtonGlyphs) {
        const HWND control = Control(button.control);
        const HICON icon = glyphs_[button.icon].get();
        if (std::string_view(button.control) == "bSmartCalculate" || std::string_view(button.control) == "bCalculate")
          ::SendMessageW(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
        else
          SetFlatButtonIcons(control, icon, button.disabledIcon ? glyphs_[button.disabledIcon].get() : nullptr,
                             dpi_.Plain(kDesignGlyph));
      }
      ApplyLayout();
      ::InvalidateRect(window_, nullptr, TRUE);
      return 0;
    }
    case WM_HELP:
      AskHelp();
      return TRUE;
    case WM_NEXTDLGCTL: {
      // Tab and Shift+Tab of the dialog keys, as a dialog moves its focus.
      HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                 : ::GetNextDlgTabItem(window_, ::GetFocus(), wParam != 0);
      if (next) {
        ::SetFocus(next);
        if (::SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) ::SendMessageW(next, EM_SETSEL, 0, -1);
      }
      return 0;
    }
    case WM_CLOSE:
      // Closing with work that is in no file asks first; the window stays
      // when the user cancels or the save fails.
      if (!model_->CanClose()) return 0;
      if (onClose) onClose();
      ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      if (quitOnDestroy) ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

void TfMain::OnCommand(int id, int code, HWND control) {
  if (id >= kFirstKeyCommand && id < kFirstKeyCommand + static_cast<int>(acceleratorCommands_.size())) {
    model_->RunCommand(acceleratorCommands_[static_cast<std::size_t>(id - kFirstKeyCommand)]);
    return;
  }
  if (id == kHelpCommand) return AskHelp();
  if (id == kSupportKeyCommand) return model_->SpeedButton2Click();
  if (id == kLinkKeyCommand) return model_->lKelvaraLinkClick();
  if (id == kSmartCommand) {
    if (::IsWindowEnabled(Control("bSmartCalculate"))) model_->bSmartCalculateClick();
    return;
  }
  if (id < kFirstControlId || id >= kFirstControlId + static_cast<int>(WindowControls().size())) return;
  const std::string_view name = WindowControls()[static_cast<std::size_t>(id - kFirstControlId)].name;
  if (name == "eTerm") {
    if (code == EN_CHANGE) {
      if (!settingTerm_) model_->TermEdited();
      // Bursts of typing or a paste are previewed once, when they are done.
      if (!std::exchange(statusPending_, true)) ::PostMessageW(window_, kRefreshStatus, 0, 0);
    }
    return;
  }
  if (name == "lKelvaraLink") {
    if (code == STN_CLICKED) model_->lKelvaraLinkClick();
    return;
  }
  if (code != BN_CLICKED) return;
  (void)control;
  if (name == "bCalculate" || name == "bSmartCalculate") {
    if (name == "bCalculate") model_->bCalculateClick();
    else model_->bSmartCalculateClick();
    // After a command clicked with the mouse the next term can be typed at once.
    if (std::exchange(clickedByMouse_, false)) ::SetFocus(Control("eTerm"));
  } else if (name == "rbDegMode" || name == "rbRadMode") {
    model_->rbDegModeClick();
  } else if (name == "cbComplex") {
    model_->RefreshStatus();
  } else if (name == "SpeedButton1") {
    model_->SpeedButton1Click();
  } else if (name == "SpeedButton2") {
    model_->SpeedButton2Click();
  } else if (name == "bClearResults") {
    model_->bClearResultsClick();
  } else if (name == "bVariables") {
    model_->bVariablesClick();
  } else if (name == "bOpen") {
    model_->bOpenClick();
  } else if (name == "bSave") {
    model_->bSaveClick();
  } else if (name == "bAddVar") {
    model_->bAddVarClick();
  } else if (name == "bDeleteVar") {
    model_->bDeleteVarClick();
  }
}

// F1: the context of the focused control, or of the nearest window around
// it that has one.
void TfMain::AskHelp() {
  for (HWND w = ::GetFocus(); w && Owns(w); w = w == window_ ? nullptr : ::GetParent(w)) {
    if (const DWORD context = ::GetWindowContextHelpId(w)) {
      HelpContext(static_cast<std::int32_t>(context));
      return;
    }
  }
  HelpContext(kWindowHelpContext);
}

bool TfMain::Owns(HWND window) const { return window && (window == window_ || ::IsChild(window_, window)); }

TWindowArea TfMain::AreaOf(HWND window) const {
  if (!window) return TWindowArea::Other;
  if (window == Control("eTerm")) return TWindowArea::Term;
  if (window == grid_->Handle() || ::IsChild(grid_->Handle(), window)) return TWindowArea::Variables;
  return TWindowArea::Other;
}

// The focus moving inside this window is reported to the model; the focus
// coming back from another window (a dialog, another program) counts as
// coming from no part of it.
void TfMain::OnFocusArrived(HWND now, HWND previous) {
  if (!model_) return;
  // The focused push button is the one Enter clicks, and looks it.
  const HWND smart = Control("bSmartCalculate"), calculate = Control("bCalculate");
  ::SendMessageW(smart, BM_SETSTYLE, now == smart ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  ::SendMessageW(calculate, BM_SETSTYLE, now == smart ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, TRUE);
  model_->FocusMoved(Owns(previous) ? AreaOf(previous) : TWindowArea::Other, AreaOf(now));
}

LRESULT CALLBACK TfMain::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
  bool handled = false;
  const LRESULT result = reinterpret_cast<TfMain*>(data)->HandleControl(window, message, wParam, lParam, handled);
  return handled ? result : ::DefSubclassProc(window, message, wParam, lParam);
}

LRESULT TfMain::HandleControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  const bool noModifier = !KeyDown(VK_CONTROL) && !KeyDown(VK_SHIFT) && !KeyDown(VK_MENU);
  if (message == WM_SETFOCUS) {
    handled = true;
    const LRESULT result = ::DefSubclassProc(control, message, wParam, lParam);
    OnFocusArrived(control, reinterpret_cast<HWND>(wParam));
    return result;
  }
  if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(control, ControlProc, 0);
    return 0;
  }
  if (message == WM_GETOBJECT) {
    // The edit fields are named by what they hold.
    const char* name = control == Control("eTerm") ? "eTerm" : control == Control("mResults") ? "mResults" : nullptr;
    if (name) {
      if (const LRESULT object = NamedAccessibleObject(control, wParam, lParam, Wide(AccessibleName(name)).c_str())) {
        handled = true;
        return object;
      }
    }
  }
  if (message == WM_ERASEBKGND && control == Control("gbAngleMode")) {
    // The group box leaves its inside to the window, which does not draw
    // under its children.
    RECT inside;
    ::GetClientRect(control, &inside);
    ::FillRect(reinterpret_cast<HDC>(wParam), &inside, ::GetSysColorBrush(COLOR_BTNFACE));
    handled = true;
    return 1;
  }
  if (control == Control("eTerm")) {
    // Up, Down and Escape walk the history and empty the field.
    if (message == WM_GETDLGCODE) {
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      handled = true;
      LRESULT code = ::DefSubclassProc(control, message, wParam, lParam);
      if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) code |= DLGC_WANTMESSAGE;
      return code;
    }
    if (message == WM_KEYDOWN && noModifier && (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_ESCAPE)) {
      handled = true;
      model_->TermKey(wParam == VK_UP ? TTermKey::Up : wParam == VK_DOWN ? TTermKey::Down : TTermKey::Escape);
      return 0;
    }
    if (message == WM_CHAR && wParam == 0x1B) {
      handled = true;
      return 0;
    }
  } else if (control == Control("mResults")) {
    if (message == WM_GETDLGCODE) {
      // Tab leaves the list and Enter reaches the default button.
      handled = true;
      return ::DefSubclassProc(control, message, wParam, lParam) & ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    }
    if (message == WM_LBUTTONDBLCLK &&
        model_->UseInTerm(ResultLineAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))) {
      handled = true;
      return 0;
    }
    if (message == WM_CONTEXTMENU) {
      handled = true;
      ShowResultsMenu(lParam);
      return 0;
    }
  } else if (message == WM_LBUTTONUP && (control == Control("bCalculate") || control == Control("bSmartCalculate"))) {
    clickedByMouse_ = true;
    handled = true;
    const LRESULT result = ::DefSubclassProc(control, message, wParam, lParam);
    clickedByMouse_ = false;
    return result;
  }
  return 0;
}

// Too long for its line, the status gives way from its end; an explanation
// gives way before the suggestion that ends it, which stays whole where it
// fits at all.
void TfMain::DrawStatus(const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  RECT area = item.rcItem;
  ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
  TSelected font(dc, statusFont_.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
  const std::wstring shown = WindowText(item.hwndItem);
  const auto width = [dc](std::wstring_view text) {
    SIZE size{0, 0};
    ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  const UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  const std::wstring adviceMark = Wide(text::kStatusSeparator) + L"try ";
  const std::size_t advice = shown.rfind(adviceMark);
  const int room = area.right - area.left;
  if (advice != std::wstring::npos && advice > 0 && width(shown) > room) {
    const std::wstring_view tail = std::wstring_view(shown).substr(advice);
    const int left = room - width(tail);
    if (left > width(L"\u2026W")) {
      RECT head{area.left, area.top, area.left + left, area.bottom};
      ::DrawTextW(dc, shown.c_str(), static_cast<int>(advice), &head, flags);
      RECT rest{area.left + left, area.top, area.right, area.bottom};
      ::DrawTextW(dc, tail.data(), static_cast<int>(tail.size()), &rest, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      return;
    }
  }
  ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &area, flags);
}

// ---- The results list ------------------------------------------------------

std::vector<std::string> TfMain::ResultLines() const {
  std::vector<std::string> lines;
  const std::wstring text = WindowText(Control("mResults"));
  if (text.empty()) return lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(L"\r\n", start);
    lines.push_back(Utf8(std::wstring_view(text).substr(start, end == std::wstring::npos ? end : end - start)));
    if (end == std::wstring::npos) break;
    start = end + 2;
  }
  return lines;
}

namespace {

// The whole line of text that holds character index.
std::wstring LineAround(const std::wstring& text, std::size_t index) {
  index = std::min(index, text.size());
  const std::size_t before = index == 0 ? std::wstring::npos : text.rfind(L'\n', index - 1);
  const std::size_t start = before == std::wstring::npos ? 0 : before + 1;
  std::size_t end = text.find(L'\r', start);
  if (end == std::wstring::npos) end = text.size();
  if (index > end) return {};
  return text.substr(start, end - start);
}

}  // namespace

std::string TfMain::ResultLineAt(POINT at) const {
  const HWND list = Control("mResults");
  // The visual line under the point from the first line shown and the line
  // height, which hold for lists of any length.
  TEXTMETRICW metrics{};
  {
    const HDC dc = ::GetDC(list);
    TSelected font(dc, resultsFont_.get());
    ::GetTextMetricsW(dc, &metrics);
    ::ReleaseDC(list, dc);
  }
  RECT format{};
  ::SendMessageW(list, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  if (at.y < format.top || metrics.tmHeight <= 0) return {};
  const LRESULT first = ::SendMessageW(list, EM_GETFIRSTVISIBLELINE, 0, 0);
  const LRESULT count = ::SendMessageW(list, EM_GETLINECOUNT, 0, 0);
  const LRESULT line = first + (at.y - format.top) / metrics.tmHeight;
  if (line >= count) return {};
  const LRESULT index = ::SendMessageW(list, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
  if (index < 0) return {};
  return Utf8(LineAround(WindowText(list), static_cast<std::size_t>(index)));
}

HMENU TfMain::NewResultsMenu(const std::string& line) const {
  const bool isResult = TWindowModel::ResultOfLine(line).has_value();
  const UINT resultState = isResult ? MF_ENABLED : MF_GRAYED;
  const HMENU menu = ::CreatePopupMenu();
  ::AppendMenuW(menu, MF_STRING | resultState, kCopyResult, L"Copy result");
  ::AppendMenuW(menu, MF_STRING | resultState, kUseInTerm, L"Use in term");
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  DWORD start = 0, end = 0;
  ::SendMessageW(Control("mResults"), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  ::AppendMenuW(menu, MF_STRING | (start != end ? MF_ENABLED : MF_GRAYED), kCopy, L"&Copy");
  ::AppendMenuW(menu, MF_STRING, kSelectAll, L"Select &All");
  return menu;
}

void TfMain::RunResultsMenuCommand(int id, const std::string& line) {
  const HWND list = Control("mResults");
  if (id == kCopyResult) {
    const std::optional<std::string> value = TWindowModel::ResultOfLine(line);
    if (!value || !::OpenClipboard(window_)) return;
    const std::wstring text = Wide(*value);
    ::EmptyClipboard();
    if (const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
      auto* target = static_cast<wchar_t*>(::GlobalLock(memory));
      std::copy(text.c_str(), text.c_str() + text.size() + 1, target);
      ::GlobalUnlock(memory);
      if (!::SetClipboardData(CF_UNICODETEXT, memory)) ::GlobalFree(memory);
    }
    ::CloseClipboard();
  } else if (id == kUseInTerm) {
    model_->UseInTerm(line);
  } else if (id == kCopy) {
    ::SendMessageW(list, WM_COPY, 0, 0);
  } else if (id == kSelectAll) {
    ::SendMessageW(list, EM_SETSEL, 0, -1);
  }
}

void TfMain::ShowResultsMenu(LPARAM at) {
  const HWND list = Control("mResults");
  POINT screen{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  std::string line;
  if (at == -1) {
    // From the keyboard: the caret's line, the menu at the caret.
    DWORD start = 0, end = 0;
    ::SendMessageW(list, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    line = Utf8(LineAround(WindowText(list), end));
    ::GetCaretPos(&screen);
    ::ClientToScreen(list, &screen);
  } else {
    POINT client = screen;
    ::ScreenToClient(list, &client);
    line = ResultLineAt(client);
  }
  TMenu menu(NewResultsMenu(line));
  const int id = ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, window_, nullptr);
  if (id) RunResultsMenuCommand(id, line);
}

// ---- The view of the model ---------------------------------------------------

std::string TfMain::TermText() const { return Utf8(WindowText(Control("eTerm"))); }

std::size_t TfMain::TermCursor() const {
  DWORD start = 0, end = 0;
  ::SendMessageW(Control("eTerm"), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return OffsetOfPosition(TermText(), end);
}

void TfMain::SetTerm(const std::string& text, std::size_t cursor) {
  const HWND term = Control("eTerm");
  settingTerm_ = true;
  ::SetWindowTextW(term, Wide(text).c_str());
  settingTerm_ = false;
  ::SetFocus(term);
  const auto position = static_cast<WPARAM>(PositionOfOffset(text, cursor));
  ::SendMessageW(term, EM_SETSEL, position, static_cast<LPARAM>(position));
}

void TfMain::SelectTerm(std::size_t start, std::size_t length) {
  const std::string text = TermText();
  const std::size_t from = PositionOfOffset(text, start);
  const std::size_t to = PositionOfOffset(text, start + length);
  const HWND term = Control("eTerm");
  ::SetFocus(term);
  ::SendMessageW(term, EM_SETSEL, from, static_cast<LPARAM>(std::max(to, from)));
}

std::vector<TGridRow> TfMain::GridRows() {
  grid_->CommitOpenEditor();
  return grid_->Rows();
}

int TfMain::SelectedRow() const { return grid_->Row(); }

void TfMain::ShowTable(const std::vector<TGridRow>& rows) { grid_->SetRows(rows); }

void TfMain::MarkInvalidValues(const std::vector<int>& rows) { grid_->MarkInvalidValues(rows); }

bool TfMain::DegreesChecked() const {
  return ::SendMessageW(Control("rbDegMode"), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool TfMain::ComplexChecked() const {
  return ::SendMessageW(Control("cbComplex"), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TfMain::AppendResult(const std::string& line) {
  const HWND list = Control("mResults");
  const int length = ::GetWindowTextLengthW(list);
  const std::wstring text = (length > 0 ? L"\r\n" : L"") + Wide(line);
  ::SendMessageW(list, EM_SETSEL, static_cast<WPARAM>(length), length);
  ::SendMessageW(list, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  ::SendMessageW(list, EM_SCROLLCARET, 0, 0);
}

void TfMain::ClearResults() { ::SetWindowTextW(Control("mResults"), L""); }

void TfMain::ShowStatus(const std::string& text) {
  // A status shown now makes one pending from earlier typing superfluous.
  statusPending_ = false;
  std::wstring shown = Wide(text);
  if (shown.size() > kMaxStatusChars) shown = shown.substr(0, kMaxStatusChars) + L"\u2026";
  ::SetWindowTextW(Control("lTermStatus"), shown.c_str());
  ::InvalidateRect(Control("lTermStatus"), nullptr, TRUE);
}

void TfMain::ShowVariablesPanel(bool shown) {
  variablesShown_ = shown;
  // The focus does not stay in a hidden grid.
  if (!shown && AreaOf(::GetFocus()) == TWindowArea::Variables) ::SetFocus(Control("eTerm"));
  for (const TControlDesign& control : WindowControls()) {
    if (Within(control.name, "pVariables") && !IsPanel(control.name))
      ::ShowWindow(Control(control.name), shown ? SW_SHOW : SW_HIDE);
  }
  const HWND button = Control("bVariables");
  ::SetWindowTextW(button, Wide(VariablesButtonCaption(shown)).c_str());
  SetFlatButtonName(button, Wide(VariablesButtonHint(shown)));
  std::wstring hint = Wide(WithKey(VariablesButtonHint(shown), KeyOfControl("bVariables")));
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(button);
  tool.lpszText = hint.data();
  ::SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  FitToContents();
  ::InvalidateRect(window_, nullptr, TRUE);
}

void TfMain::OpenAddress(const std::string& address) {
  if (openAddress) openAddress(address);
}

}  // namespace veltaro
