#include "FlatButton.h"

#include <windowsx.h>

#include <memory>

#include "Accessible.h"
#include "Handles.h"

namespace veltaro {

namespace {

constexpr wchar_t kClassName[] = L"VeltaroFlatButton";

struct TFlatButton {
  bool showText;
  HICON icon;
  HICON disabledIcon;
  int iconSize;
  HFONT font = nullptr;
  std::wstring name;  // for screen readers, when not the window text
  bool hot = false;
  bool pressed = false;
};

TFlatButton* Of(HWND window) { return reinterpret_cast<TFlatButton*>(::GetWindowLongPtrW(window, GWLP_USERDATA)); }

void Click(HWND window) {
  ::SendMessageW(::GetParent(window), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(window), BN_CLICKED),
                 reinterpret_cast<LPARAM>(window));
}

void Paint(HWND window, TFlatButton& button) {
  TPaint paint(window);
  const HDC dc = paint.Dc();
  RECT client;
  ::GetClientRect(window, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  const bool enabled = ::IsWindowEnabled(window);
  if (enabled && button.hot) {
    RECT edge = client;
    ::DrawEdge(dc, &edge, button.pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  }
  const int shift = enabled && button.hot && button.pressed ? 1 : 0;
  const std::wstring text = button.showText ? WindowText(window) : std::wstring();
  TSelected font(dc, button.font ? button.font : ::GetStockObject(DEFAULT_GUI_FONT));
  SIZE extent{0, 0};
  if (!text.empty()) ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  const int gap = button.icon && !text.empty() ? extent.cy / 3 : 0;
  const int iconWidth = button.icon ? button.iconSize : 0;
  int x = (client.right - iconWidth - gap - extent.cx) / 2 + shift;
  if (button.icon) {
    const int y = (client.bottom - button.iconSize) / 2 + shift;
    if (enabled || button.disabledIcon)
      ::DrawIconEx(dc, x, y, enabled ? button.icon : button.disabledIcon, button.iconSize, button.iconSize, 0,
                   nullptr, DI_NORMAL);
    else
      ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(button.icon), 0, x, y, button.iconSize,
                   button.iconSize, DST_ICON | DSS_DISABLED);
    x += iconWidth + gap;
  }
  if (!text.empty()) {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    RECT area{x, shift, client.right, client.bottom + shift};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

LRESULT CALLBACK FlatButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TFlatButton* button = Of(window);
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_NCDESTROY:
      delete button;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_SETFONT:
      if (button) button->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) ::InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return button ? reinterpret_cast<LRESULT>(button->font) : 0;
    case WM_SETTEXT:
    case WM_ENABLE: {
      const LRESULT result = ::DefWindowProcW(window, message, wParam, lParam);
      ::InvalidateRect(window, nullptr, TRUE);
      return result;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (button) Paint(window, *button);
      return 0;
    case WM_MOUSEMOVE:
      if (button && !button->hot) {
        button->hot = true;
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window;
        ::TrackMouseEvent(&track);
        ::InvalidateRect(window, nullptr, TRUE);
      }
      if (button && button->pressed) {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT client;
        ::GetClientRect(window, &client);
        const bool inside = ::PtInRect(&client, at);
        if (inside != button->hot) {
          button->hot = inside;
          ::InvalidateRect(window, nullptr, TRUE);
        }
      }
      return 0;
    case WM_MOUSELEAVE:
      if (button && !button->pressed) {
        button->hot = false;
        ::InvalidateRect(window, nullptr, TRUE);
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (button) {
        button->pressed = true;
        button->hot = true;
        ::SetCapture(window);
        ::InvalidateRect(window, nullptr, TRUE);
      }
      return 0;
    case WM_LBUTTONUP:
      if (button && button->pressed) {
        button->pressed = false;
        ::ReleaseCapture();
        ::InvalidateRect(window, nullptr, TRUE);
        if (button->hot) Click(window);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (button && button->pressed) {
        button->pressed = false;
        button->hot = false;
        ::InvalidateRect(window, nullptr, TRUE);
      }
      return 0;
    case WM_GETOBJECT:
      if (button && !button->name.empty()) {
        if (const LRESULT object = NamedAccessibleObject(window, wParam, lParam, button->name.c_str())) return object;
      }
      break;
    case BM_CLICK:
      if (::IsWindowEnabled(window)) Click(window);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void SetFlatButtonIcons(HWND button, HICON icon, HICON disabledIcon, int iconSize) {
  if (TFlatButton* flat = Of(button)) {
    flat->icon = icon;
    flat->disabledIcon = disabledIcon;
    flat->iconSize = iconSize;
    ::InvalidateRect(button, nullptr, TRUE);
  }
}

void SetFlatButtonName(HWND button, const std::wstring& name) {
  if (TFlatButton* flat = Of(button)) flat->name = name;
}

void RegisterFlatButtonClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (::GetClassInfoExW(instance, kClassName, &windowClass)) return;
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = FlatButtonProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassExW(&windowClass);
}

HWND CreateFlatButton(HWND parent, int id, const wchar_t* text, bool showText, HICON icon, HICON disabledIcon,
                      int iconSize) {
  auto button = std::make_unique<TFlatButton>(TFlatButton{showText, icon, disabledIcon, iconSize});
  const HWND window = ::CreateWindowExW(0, kClassName, text, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)),
                                        button.get());
  if (window) button.release();
  return window;
}

}  // namespace veltaro
