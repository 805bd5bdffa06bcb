// Owners of the system's handles: each frees its handle when it goes.
#pragma once

#include <memory>
#include <type_traits>

#include "Win32.h"

namespace veltaro {

struct TGdiDeleter {
  void operator()(void* object) const { ::DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct TIconDeleter {
  void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
struct TMenuDeleter {
  void operator()(HMENU menu) const { ::DestroyMenu(menu); }
};
struct TAcceleratorDeleter {
  void operator()(HACCEL table) const { ::DestroyAcceleratorTable(table); }
};
struct TWindowDeleter {
  void operator()(HWND window) const { ::DestroyWindow(window); }
};

using TFont = std::unique_ptr<std::remove_pointer_t<HFONT>, TGdiDeleter>;
using TBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, TGdiDeleter>;
using TPen = std::unique_ptr<std::remove_pointer_t<HPEN>, TGdiDeleter>;
using TIcon = std::unique_ptr<std::remove_pointer_t<HICON>, TIconDeleter>;
using TMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, TMenuDeleter>;
using TAccelerators = std::unique_ptr<std::remove_pointer_t<HACCEL>, TAcceleratorDeleter>;
using TOwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, TWindowDeleter>;

// A GDI object selected into a device context until this goes.
class TSelected {
 public:
  TSelected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~TSelected() { ::SelectObject(dc_, previous_); }
  TSelected(const TSelected&) = delete;
  TSelected& operator=(const TSelected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A window's client area painted between BeginPaint and EndPaint.
class TPaint {
 public:
  explicit TPaint(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
  ~TPaint() { ::EndPaint(window_, &paint_); }
  TPaint(const TPaint&) = delete;
  TPaint& operator=(const TPaint&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// The text of a window.
inline std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace veltaro
