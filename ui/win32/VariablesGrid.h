// The variables grid: a small custom-drawn string grid with a fixed header
// row and a fixed (read-only) first column, lines between the cells, a cell
// cursor moved by the arrow keys, Tab, Home, End and the page keys, and a
// cell editor opened by typing, F2, a double click or a click on the
// current cell (Enter commits, Escape cancels). Cells hold byte strings
// (UTF-8 for what is shown), so texts that are only shown come back
// unchanged. Typed text stays in the grid until the program reads it.
#pragma once

#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "GridTable.h"
#include "Handles.h"
#include "Win32.h"

namespace veltaro {

inline constexpr int kGridColumns = 3;

class TVariablesGrid {
 public:
  // Registers the window class once per process.
  static void RegisterClass(HINSTANCE instance);

  // Creates the control as a child of parent; the window lives until its
  // parent goes, this object as long as its owner keeps it.
  TVariablesGrid(HWND parent, int id);
  ~TVariablesGrid();
  TVariablesGrid(const TVariablesGrid&) = delete;
  TVariablesGrid& operator=(const TVariablesGrid&) = delete;

  HWND Handle() const { return window_; }
  // The grid of a grid window; null for other windows.
  static TVariablesGrid* FromHandle(HWND window);
  // The open cell editor; null when none is open.
  HWND Editor() const { return editor_; }

  void SetHeader(const TGridRow& header);
  // Rebuilds the grid with these data rows (at least one is kept): closes an
  // open editor without taking its text, forgets the marks and keeps the
  // current cell where it was as far as rows remain.
  void SetRows(const std::vector<TGridRow>& rows);
  const std::vector<TGridRow>& Rows() const { return rows_; }
  const std::string& Cell(int col, int row) const;  // row 0 is the header

  void MarkInvalidValues(const std::vector<int>& rows);
  bool IsMarkedInvalid(int row) const { return invalid_.count(row) != 0; }

  // The current cell (data rows from 1; never the fixed column).
  int Row() const { return row_; }
  int Col() const { return col_; }
  void SetCurrentCell(int col, int row);

  // Row height and column widths in pixels; the font with WM_SETFONT.
  void SetMetrics(int rowHeight, const std::array<int, kGridColumns>& widths);
  int ColWidth(int col) const { return widths_[col]; }
  // The rectangle of a cell in client pixels (row 0 is the header).
  RECT CellRect(int col, int row) const;

  // Opens the editor on the current cell: with the cell's text selected, or
  // with typed text replacing it.
  void BeginEdit();
  void BeginEdit(const std::wstring& typed);
  // Hands the editor's text to its cell; the editor stays open.
  void CommitOpenEditor();
  // Closes the editor, keeping its text or not.
  void EndEdit(bool keep);

  // Called whenever the grid or its editor gains the focus, with the window
  // that had it.
  std::function<void(HWND gained, HWND previous)> onFocus;

 private:
  static LRESULT CALLBACK GridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool EditorKey(WPARAM key);
  void Paint();
  void MoveTo(int col, int row);
  // The cell a Tab (forward or backward) leads to; false when it leaves the grid.
  bool TabTarget(bool backward, int& col, int& row) const;
  int VisibleRows() const;
  void ScrollTo(int top);
  void EnsureVisible();
  void UpdateScrollBar();
  void PlaceEditor();
  bool HitTest(POINT at, int& col, int& row) const;

  HWND window_ = nullptr;
  HWND editor_ = nullptr;
  HFONT font_ = nullptr;
  TGridRow header_;
  std::vector<TGridRow> rows_{TGridRow{}};
  std::set<int> invalid_;
  int row_ = 1;
  int col_ = 1;
  int top_ = 1;  // the first data row shown
  int rowHeight_ = 24;
  std::array<int, kGridColumns> widths_{64, 64, 192};
  std::string editorStart_;  // the cell's text when the editor opened
};

}  // namespace veltaro
