#include "VariablesGrid.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string_view>

#include "Accessible.h"
#include "Win32Text.h"

namespace veltaro {

namespace {

constexpr wchar_t kClassName[] = L"VeltaroVariablesGrid";
constexpr UINT kCloseEditor = WM_APP + 1;
// Longer texts are cut before they are drawn; a cell shows far fewer.
constexpr std::size_t kMaxDrawnChars = 1024;

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

}  // namespace

void TVariablesGrid::RegisterClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (::GetClassInfoExW(instance, kClassName, &windowClass)) return;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = GridProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExW(&windowClass);
}

TVariablesGrid::TVariablesGrid(HWND parent, int id) {
  ::CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_CLIPCHILDREN,
                    0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                    reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), this);
}

TVariablesGrid::~TVariablesGrid() {
  if (window_ && ::IsWindow(window_)) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    if (editor_) ::RemoveWindowSubclass(editor_, EditorProc, 1);
    ::DestroyWindow(window_);
  }
}

TVariablesGrid* TVariablesGrid::FromHandle(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  if (std::wstring_view(name) != kClassName) return nullptr;
  return reinterpret_cast<TVariablesGrid*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK TVariablesGrid::GridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* grid = static_cast<TVariablesGrid*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    grid->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(grid));
  }
  auto* grid = reinterpret_cast<TVariablesGrid*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!grid) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    grid->window_ = nullptr;
    grid->editor_ = nullptr;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return grid->Handle(message, wParam, lParam);
}

LRESULT TVariablesGrid::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      if (editor_) ::SendMessageW(editor_, WM_SETFONT, wParam, FALSE);
      if (LOWORD(lParam)) ::InvalidateRect(window_, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SIZE:
      UpdateScrollBar();
      ScrollTo(top_);
      return 0;
    case WM_SETFOCUS:
      ::InvalidateRect(window_, nullptr, FALSE);
      ::NotifyWinEvent(EVENT_OBJECT_FOCUS, window_, OBJID_CLIENT, GridCellChildId(col_, row_));
      if (onFocus) onFocus(window_, reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_KILLFOCUS:
      ::InvalidateRect(window_, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      int col = 0, row = 0;
      if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && !KeyDown(VK_CONTROL) &&
          TabTarget(KeyDown(VK_SHIFT), col, row))
        code |= DLGC_WANTTAB;
      return code;
    }
    case WM_KEYDOWN: {
      const bool ctrl = KeyDown(VK_CONTROL);
      switch (wParam) {
        case VK_LEFT: MoveTo(std::max(col_ - 1, 1), row_); return 0;
        case VK_RIGHT: MoveTo(std::min(col_ + 1, kGridColumns - 1), row_); return 0;
        case VK_UP: MoveTo(col_, row_ - 1); return 0;
        case VK_DOWN: MoveTo(col_, row_ + 1); return 0;
        case VK_PRIOR: MoveTo(col_, row_ - std::max(VisibleRows() - 1, 1)); return 0;
        case VK_NEXT: MoveTo(col_, row_ + std::max(VisibleRows() - 1, 1)); return 0;
        case VK_HOME: ctrl ? MoveTo(col_, 1) : MoveTo(1, row_); return 0;
        case VK_END: ctrl ? MoveTo(col_, static_cast<int>(rows_.size())) : MoveTo(kGridColumns - 1, row_); return 0;
        case VK_TAB: {
          int col = 0, row = 0;
          if (TabTarget(KeyDown(VK_SHIFT), col, row)) MoveTo(col, row);
          return 0;
        }
        case VK_F2: BeginEdit(); return 0;
        default: break;
      }
      break;
    }
    case WM_CHAR:
      if (wParam >= 0x20 && wParam != 0x7F) BeginEdit(std::wstring(1, static_cast<wchar_t>(wParam)));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const bool hadFocus = ::GetFocus() == window_;
      if (editor_) EndEdit(true);
      if (::GetFocus() != window_) ::SetFocus(window_);
      int col = 0, row = 0;
      if (!HitTest({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, col, row) || row < 1) return 0;
      if (col < 1) {
        MoveTo(col_, row);
        return 0;
      }
      // A click on the current cell of the focused grid, or a double click,
      // opens the editor at once, so the keys typed next reach it.
      const bool onCurrent = hadFocus && col == col_ && row == row_;
      MoveTo(col, row);
      if (onCurrent || message == WM_LBUTTONDBLCLK) BeginEdit();
      return 0;
    }
    case WM_MOUSEWHEEL: {
      const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      ScrollTo(top_ - 3 * notches);
      return 0;
    }
    case WM_VSCROLL: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_ALL;
      ::GetScrollInfo(window_, SB_VERT, &info);
      int top = top_;
      switch (LOWORD(wParam)) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= std::max(VisibleRows(), 1); break;
        case SB_PAGEDOWN: top += std::max(VisibleRows(), 1); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = info.nTrackPos; break;
        case SB_TOP: top = 1; break;
        case SB_BOTTOM: top = static_cast<int>(rows_.size()); break;
        default: break;
      }
      ScrollTo(top);
      return 0;
    }
    case WM_GETOBJECT:
      if (const LRESULT object = GridAccessibleObject(window_, wParam, lParam)) return object;
      break;
    case kCloseEditor:
      if (editor_ && ::GetFocus() != editor_) EndEdit(true);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK TVariablesGrid::EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data) {
  auto* grid = reinterpret_cast<TVariablesGrid*>(data);
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    case WM_KEYDOWN:
      if (grid->EditorKey(wParam)) return 0;
      break;
    case WM_CHAR:
      if (wParam == L'\r' || wParam == L'\x1b' || wParam == L'\t' || wParam == L'\n') return 0;
      break;
    case WM_SETFOCUS: {
      const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
      if (grid->onFocus) grid->onFocus(window, reinterpret_cast<HWND>(wParam));
      return result;
    }
    case WM_KILLFOCUS:
      // The text reaches the grid at once; the editor closes once the
      // focus has settled elsewhere.
      grid->CommitOpenEditor();
      ::PostMessageW(grid->window_, kCloseEditor, 0, 0);
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(window, EditorProc, 1);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

bool TVariablesGrid::EditorKey(WPARAM key) {
  switch (key) {
    case VK_RETURN:
      EndEdit(true);
      return true;
    case VK_ESCAPE:
      EndEdit(false);
      return true;
    case VK_UP:
    case VK_DOWN:
      EndEdit(true);
      MoveTo(col_, row_ + (key == VK_UP ? -1 : 1));
      return true;
    case VK_TAB: {
      const bool backward = KeyDown(VK_SHIFT);
      EndEdit(true);
      int col = 0, row = 0;
      if (TabTarget(backward, col, row)) {
        MoveTo(col, row);
      } else if (const HWND next = ::GetNextDlgTabItem(::GetAncestor(window_, GA_ROOT), window_, backward)) {
        ::SetFocus(next);
      }
      return true;
    }
    default:
      return false;
  }
}

void TVariablesGrid::SetHeader(const TGridRow& header) {
  header_ = header;
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void TVariablesGrid::SetRows(const std::vector<TGridRow>& rows) {
  EndEdit(false);
  rows_ = rows;
  if (rows_.empty()) rows_.emplace_back();
  invalid_.clear();
  row_ = std::clamp(row_, 1, static_cast<int>(rows_.size()));
  UpdateScrollBar();
  ScrollTo(top_);
  EnsureVisible();
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

const std::string& TVariablesGrid::Cell(int col, int row) const {
  static const std::string none;
  if (col < 0 || col >= kGridColumns || row < 0 || row > static_cast<int>(rows_.size())) return none;
  return row == 0 ? header_[col] : rows_[row - 1][col];
}

void TVariablesGrid::MarkInvalidValues(const std::vector<int>& rows) {
  invalid_.insert(rows.begin(), rows.end());
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void TVariablesGrid::SetCurrentCell(int col, int row) { MoveTo(col, row); }

void TVariablesGrid::SetMetrics(int rowHeight, const std::array<int, kGridColumns>& widths) {
  rowHeight_ = std::max(rowHeight, 4);
  widths_ = widths;
  UpdateScrollBar();
  PlaceEditor();
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

RECT TVariablesGrid::CellRect(int col, int row) const {
  int left = 0;
  for (int c = 0; c < col; ++c) left += widths_[c];
  const int top = row == 0 ? 0 : (row - top_ + 1) * rowHeight_;
  return {left, top, left + widths_[col], top + rowHeight_};
}

bool TVariablesGrid::HitTest(POINT at, int& col, int& row) const {
  if (at.y < rowHeight_) {
    row = 0;
  } else {
    row = top_ + at.y / rowHeight_ - 1;
    if (row > static_cast<int>(rows_.size())) return false;
  }
  int left = 0;
  for (col = 0; col < kGridColumns; ++col) {
    if (at.x >= left && at.x < left + widths_[col]) return true;
    left += widths_[col];
  }
  return false;
}

int TVariablesGrid::VisibleRows() const {
  RECT client{};
  if (window_) ::GetClientRect(window_, &client);
  return std::max(static_cast<int>(client.bottom - rowHeight_) / rowHeight_, 0);
}

void TVariablesGrid::UpdateScrollBar() {
  if (!window_) return;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 1;
  info.nMax = static_cast<int>(rows_.size());
  info.nPage = static_cast<UINT>(std::max(VisibleRows(), 1));
  info.nPos = top_;
  ::SetScrollInfo(window_, SB_VERT, &info, TRUE);
}

void TVariablesGrid::ScrollTo(int top) {
  const int last = std::max(static_cast<int>(rows_.size()) - std::max(VisibleRows(), 1) + 1, 1);
  top = std::clamp(top, 1, last);
  if (top == top_) return;
  top_ = top;
  UpdateScrollBar();
  PlaceEditor();
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void TVariablesGrid::EnsureVisible() {
  const int visible = std::max(VisibleRows(), 1);
  if (row_ < top_) ScrollTo(row_);
  else if (row_ >= top_ + visible) ScrollTo(row_ - visible + 1);
}

void TVariablesGrid::MoveTo(int col, int row) {
  if (editor_) EndEdit(true);
  col_ = std::clamp(col, 1, kGridColumns - 1);
  row_ = std::clamp(row, 1, static_cast<int>(rows_.size()));
  EnsureVisible();
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
  // Screen readers follow the cell cursor.
  if (window_ && ::GetFocus() == window_)
    ::NotifyWinEvent(EVENT_OBJECT_FOCUS, window_, OBJID_CLIENT, GridCellChildId(col_, row_));
}

bool TVariablesGrid::TabTarget(bool backward, int& col, int& row) const {
  col = col_ + (backward ? -1 : 1);
  row = row_;
  if (col >= kGridColumns) {
    col = 1;
    ++row;
  } else if (col < 1) {
    col = kGridColumns - 1;
    --row;
  }
  return row >= 1 && row <= static_cast<int>(rows_.size());
}

void TVariablesGrid::BeginEdit() {
  BeginEdit(Wide(Cell(col_, row_)));
  if (editor_) ::SendMessageW(editor_, EM_SETSEL, 0, -1);
}

void TVariablesGrid::BeginEdit(const std::wstring& typed) {
  if (!window_) return;
  if (editor_) EndEdit(true);
  EnsureVisible();
  editorStart_ = Cell(col_, row_);
  editor_ = ::CreateWindowExW(0, L"EDIT", typed.c_str(), WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0, window_,
                              reinterpret_cast<HMENU>(1),
                              reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
  if (!editor_) return;
  ::SendMessageW(editor_, EM_SETLIMITTEXT, 0, 0);
  ::SendMessageW(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  ::SetWindowSubclass(editor_, EditorProc, 1, reinterpret_cast<DWORD_PTR>(this));
  PlaceEditor();
  ::ShowWindow(editor_, SW_SHOW);
  ::SetFocus(editor_);
  const int end = ::GetWindowTextLengthW(editor_);
  ::SendMessageW(editor_, EM_SETSEL, end, end);
}

void TVariablesGrid::CommitOpenEditor() {
  if (!editor_) return;
  const std::wstring text = WindowText(editor_);
  // Text that was only shown keeps its bytes.
  if (text != Wide(editorStart_)) rows_[row_ - 1][col_] = Utf8(text);
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void TVariablesGrid::EndEdit(bool keep) {
  if (!editor_) return;
  if (keep) CommitOpenEditor();
  const HWND editor = editor_;
  editor_ = nullptr;
  if (::GetFocus() == editor) ::SetFocus(window_);
  ::DestroyWindow(editor);
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void TVariablesGrid::PlaceEditor() {
  if (!editor_) return;
  const RECT cell = CellRect(col_, row_);
  const bool shown = row_ >= top_;
  ::SetWindowPos(editor_, nullptr, cell.left + 1, cell.top + 1, cell.right - cell.left - 2,
                 cell.bottom - cell.top - 2, SWP_NOZORDER | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TVariablesGrid::Paint() {
  TPaint paint(window_);
  const HDC dc = paint.Dc();
  RECT client;
  ::GetClientRect(window_, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
  TSelected font(dc, font_ ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
  TPen line(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNSHADOW)));
  TBrush invalid(::CreateSolidBrush(RGB(0xFF, 0xDD, 0xDD)));
  TSelected pen(dc, line.get());
  ::SetBkMode(dc, TRANSPARENT);
  const bool focused = ::GetFocus() == window_;
  const int visible = VisibleRows() + 1;
  const int lastRow = std::min(static_cast<int>(rows_.size()), top_ + visible);
  auto drawCell = [&](int col, int row) {
    RECT cell = CellRect(col, row);
    const bool fixed = row == 0 || col == 0;
    const bool current = row == row_ && col == col_;
    const bool marked = col == 1 && row > 0 && IsMarkedInvalid(row);
    HBRUSH fill = ::GetSysColorBrush(COLOR_WINDOW);
    COLORREF ink = ::GetSysColor(COLOR_WINDOWTEXT);
    if (fixed) {
      fill = ::GetSysColorBrush(COLOR_BTNFACE);
      ink = ::GetSysColor(COLOR_BTNTEXT);
    } else if (current && focused) {
      fill = ::GetSysColorBrush(COLOR_HIGHLIGHT);
      ink = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else if (marked) {
      fill = invalid.get();
      ink = RGB(0xA0, 0x00, 0x00);
    } else if (current) {
      fill = ::GetSysColorBrush(COLOR_BTNFACE);
    }
    RECT inside{cell.left, cell.top, cell.right - 1, cell.bottom - 1};
    ::FillRect(dc, &inside, fill);
    ::MoveToEx(dc, cell.left, cell.bottom - 1, nullptr);
    ::LineTo(dc, cell.right - 1, cell.bottom - 1);
    ::LineTo(dc, cell.right - 1, cell.top - 1);
    std::wstring text = Wide(Cell(col, row));
    if (text.size() > kMaxDrawnChars) text.resize(kMaxDrawnChars);
    ::SetTextColor(dc, ink);
    RECT area{inside.left + 3, inside.top, inside.right - 2, inside.bottom};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  };
  for (int col = 0; col < kGridColumns; ++col) drawCell(col, 0);
  for (int row = top_; row <= lastRow; ++row)
    for (int col = 0; col < kGridColumns; ++col) drawCell(col, row);
}

}  // namespace veltaro
