// A flat button: a picture, with or without its caption beside it, raised
// only under the mouse and sunken while pressed; it never takes the focus.
// A click (or BM_CLICK) sends WM_COMMAND with BN_CLICKED to the parent.
// The window text is the button's name for screen readers also where only
// the picture is drawn; a button that shows a caption other than its name
// has the name set apart (SetFlatButtonName).
#pragma once

#include <string>

#include "Win32.h"

namespace veltaro {

// Registers the window class once per process.
void RegisterFlatButtonClass(HINSTANCE instance);

// disabledIcon may be null: the picture is then drawn greyed when disabled.
// The icons stay the caller's.
HWND CreateFlatButton(HWND parent, int id, const wchar_t* text, bool showText, HICON icon, HICON disabledIcon,
                      int iconSize);

// New pictures, for a monitor of another resolution; they stay the caller's.
void SetFlatButtonIcons(HWND button, HICON icon, HICON disabledIcon, int iconSize);

// The name screen readers speak for a button that shows a different caption.
void SetFlatButtonName(HWND button, const std::wstring& name);

}  // namespace veltaro
