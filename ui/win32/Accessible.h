// The window for screen readers, through Microsoft Active Accessibility,
// where the system's own objects do not say enough: the variables grid as
// a table whose cells are its children, each named by its row's label, its
// column's header and its text ("x, Value, 2.5"), and native controls with
// a name of their own.
#pragma once

#include "Win32.h"

namespace veltaro {

// The answer to the grid's WM_GETOBJECT for its client area (0 for other
// objects, which the system answers).
LRESULT GridAccessibleObject(HWND grid, WPARAM flags, LPARAM objectId);

// The answer to WM_GETOBJECT of a native control whose name for screen
// readers is not its text (an edit field named by what it holds, a button
// that shows "<<"): the system's own object for it, with that name.
LRESULT NamedAccessibleObject(HWND control, WPARAM flags, LPARAM objectId, const wchar_t* name);

// The child id of a cell (row 0 is the header), as events and the object
// name it.
inline long GridCellChildId(int col, int row) { return row * 3 + col + 1; }

}  // namespace veltaro
