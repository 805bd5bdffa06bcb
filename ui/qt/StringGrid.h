// A string grid on the toolkit's model/view classes: a header row, a first
// column of fixed (read-only) cells and editable cells beside it. Cells hold
// byte strings, so texts that the grid only shows come back unchanged.
// Typed text stays in the grid until the program reads it; the grid never
// writes anywhere by itself.
#pragma once

#include <QAbstractTableModel>
#include <QBasicTimer>
#include <QTableView>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "GridTable.h"

namespace veltaro {

inline constexpr int kGridColumns = 3;

class TStringGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Rows counted as the grid shows them: row 0 is the header row, so a grid
  // always has at least two (the header and one data row).
  int RowCount() const { return static_cast<int>(rows_.size()) + 1; }
  void SetRowCount(int count);

  // Cell of column col in row (row 0 = the header).
  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);

  // The data rows, row 1 first.
  const std::vector<TGridRow>& Rows() const { return rows_; }

  // The width of the widest column in pixels: how much of a long text the
  // cells need to show it as the whole text would look.
  void SetWidestColumn(int pixels);

  // Changes between BeginUpdate and EndUpdate reach the view as one reset.
  // A rebuild forgets which value cells were marked invalid.
  void BeginUpdate();
  void EndUpdate();

  // Marks the value cells of the given rows (data rows from 1) as invalid
  // values; the marks stay until the next rebuild.
  void MarkInvalidValues(const std::vector<int>& rows);
  bool IsMarkedInvalid(int row) const { return invalidRows_.count(row) != 0; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  TGridRow header_;
  std::vector<TGridRow> rows_{TGridRow{}};
  int updateDepth_ = 0;
  int shownCharacters_ = 256;
  std::set<int> invalidRows_;
};

class TStringGrid : public QTableView {
  Q_OBJECT

 public:
  explicit TStringGrid(QWidget* parent = nullptr);

  TStringGridModel& Model() { return model_; }
  const TStringGridModel& Model() const { return model_; }

  int RowCount() const { return model_.RowCount(); }
  const std::string& Cell(int col, int row) const { return model_.Cell(col, row); }

  // Column widths as the program sets them. The user may widen or narrow a
  // column by its header; each rebuild sets the program's widths again.
  int ColWidth(int col) const;
  void SetColWidth(int col, int width);
  void SetRowHeight(int height);

  // The current cell as grid row and column (data rows from 1; the current
  // cell is never in the header row or the fixed column).
  int Row() const;
  int Col() const;
  void SetCurrentCell(int col, int row);
  // Top row of the selection.
  int SelectionTop() const;

  // Hands the text of an open cell editor to the grid, as if the editor had
  // been closed; the editor stays open.
  void CommitOpenEditor();

  // Rebuilds keep the current cell where it was, as far as rows remain.
  void BeginUpdate();
  void EndUpdate();

  // Marks the value cells of rows as invalid until the next rebuild.
  void MarkInvalidCells(const std::vector<int>& rows);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void timerEvent(QTimerEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void CancelPendingEdit();
  void ReportFocusedCell();

  TStringGridModel model_;
  int keptRow_ = 1;
  int keptCol_ = 1;
  // The widths the program set, restored by each rebuild (0: none set).
  std::array<int, kGridColumns> setWidths_{};
  // A second click on the selected cell opens its editor once the double
  // click time has passed; a key typed before that opens it at once.
  QBasicTimer pendingEdit_;
  QPersistentModelIndex pendingIndex_;
  bool pressOnSelected_ = false;
};

}  // namespace veltaro
