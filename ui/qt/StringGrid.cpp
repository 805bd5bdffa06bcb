#include "StringGrid.h"

#include "VarTableFile.h"

#include <QAccessible>
#include <QApplication>
#include <QBrush>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyledItemDelegate>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>
#include <limits>
#include <string_view>

#include "QtText.h"

namespace veltaro {

namespace {
const std::string kNoCell;

// A cell shows the start of its text, ended by an ellipsis when the text is
// wider than the cell. Every character (grapheme cluster) with a visible part
// takes at least half a pixel, so a text cut after twice as many such
// characters as the widest column has pixels looks the same in its cell as
// the whole text, while the toolkit lays out a few hundred characters instead
// of a text that may be megabytes long.
constexpr int kLeastShownCharacters = 256;

// Whether a code point may leave no mark of its own: combining marks, format
// and control characters, surrogates, and the fillers and jamo that merge
// into a neighbour.
bool MayBeInvisible(char32_t c) {
  switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
    case QChar::Other_Control:
    case QChar::Other_Surrogate:
      return true;
    default:
      break;
  }
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0xA960 && c <= 0xA97F) || (c >= 0xD7B0 && c <= 0xD7FF) ||
         c == 0x3164 || c == 0xFFA0;
}

bool HasVisiblePart(QStringView cluster) {
  for (qsizetype k = 0; k < cluster.size(); ++k) {
    char32_t c = cluster[k].unicode();
    if (QChar::isHighSurrogate(c) && k + 1 < cluster.size() && cluster[k + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(cluster[k].unicode(), cluster[k + 1].unicode());
      ++k;
    }
    if (!MayBeInvisible(c)) return true;
  }
  return false;
}

// The first units of decoded, not ending inside a surrogate pair.
QString StartOf(const QString& decoded, qsizetype units) {
  if (units < decoded.size() && units > 0 && decoded[units - 1].isHighSurrogate()) --units;
  return decoded.left(units);
}

// The text that a cell of text is drawn from: the whole text, or its start
// of limit visible characters when it holds more. Characters without a mark
// of their own (combining marks piling on one letter, zero-width characters)
// are kept only up to eight times limit in all: beyond that many the picture
// no longer changes in practice, and they would make the toolkit lay out the
// whole text again.
QString ShownText(const std::string& text, int limit) {
  // Each visible character takes at least one byte.
  if (text.size() <= static_cast<std::size_t>(limit)) return ToQString(text);
  const qsizetype most = 8 * static_cast<qsizetype>(limit);
  std::size_t bytes = 2 * static_cast<std::size_t>(limit);
  for (;;) {
    std::size_t end = std::min(bytes, text.size());
    // Not inside a character's bytes.
    for (int k = 0; k < 3 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80; ++k) ++end;
    const QString decoded = ToQString(std::string_view(text).substr(0, end));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, decoded);
    int visible = 0;
    qsizetype start = 0;
    for (qsizetype next = finder.toNextBoundary(); next > 0; start = next, next = finder.toNextBoundary()) {
      if (next > most) return StartOf(decoded, most);
      // The last cluster of a part may go on beyond it.
      if (next == decoded.size() && end < text.size()) break;
      if (HasVisiblePart(QStringView(decoded).sliced(start, next - start)) && ++visible == limit)
        return next == decoded.size() ? decoded : decoded.left(next);
    }
    if (end == text.size()) return decoded;
    bytes *= 2;
  }
}

// A tooltip shows a cell's whole text up to this many characters; a longer
// text shows its start, ended by an ellipsis, so that a text of megabytes
// does not hold up the window while the tip lays it out.
constexpr qsizetype kMostTipCharacters = 4096;

QString TipText(const std::string& text) {
  const QString decoded = ToQString(text);
  QString shown = decoded.size() > kMostTipCharacters
                      ? StartOf(decoded, kMostTipCharacters) + QChar(0x2026)
                      : decoded;
  // As rich text the tip wraps its lines to the screen instead of running
  // beyond it.
  return Qt::convertFromPlainText(shown, Qt::WhiteSpaceNormal);
}

bool IsLight(const QColor& color) { return color.lightness() >= 128; }

// Cell editors take texts of any length: a line editor would otherwise cut a
// long text it is opened on, and closing it would write the cut text back.
// The current cell of the focused grid is framed, so that the user sees
// where typed keys go.
class TCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setMaxLength(std::numeric_limits<int>::max());
    return editor;
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (!(option.state & QStyle::State_HasFocus)) return;
    painter->save();
    // Two pixels wide, inside the cell.
    const QRect r = option.rect;
    const QColor frame = option.palette.color(QPalette::Text);
    painter->fillRect(QRect(r.left(), r.top(), r.width(), 2), frame);
    painter->fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), frame);
    painter->fillRect(QRect(r.left(), r.top(), 2, r.height()), frame);
    painter->fillRect(QRect(r.right() - 1, r.top(), 2, r.height()), frame);
    painter->restore();
  }
};
}  // namespace

// ---- TStringGridModel ----------------------------------------------------------

void TStringGridModel::SetRowCount(int count) {
  const std::size_t wanted = static_cast<std::size_t>(std::max(count, 2) - 1);
  const std::size_t have = rows_.size();
  if (wanted == have) return;
  if (updateDepth_ > 0) {
    rows_.resize(wanted);
    return;
  }
  if (wanted > have) {
    beginInsertRows(QModelIndex(), static_cast<int>(have), static_cast<int>(wanted) - 1);
    rows_.resize(wanted);
    endInsertRows();
  } else {
    beginRemoveRows(QModelIndex(), static_cast<int>(wanted), static_cast<int>(have) - 1);
    rows_.resize(wanted);
    endRemoveRows();
  }
}

const std::string& TStringGridModel::Cell(int col, int row) const {
  if (col < 0 || col >= kGridColumns || row < 0 || row >= RowCount()) return kNoCell;
  return row == 0 ? header_[static_cast<std::size_t>(col)]
                  : rows_[static_cast<std::size_t>(row) - 1][static_cast<std::size_t>(col)];
}

void TStringGridModel::SetCell(int col, int row, std::string text) {
  if (col < 0 || col >= kGridColumns || row < 0 || row >= RowCount()) return;
  if (row == 0) {
    header_[static_cast<std::size_t>(col)] = std::move(text);
    if (updateDepth_ == 0) emit headerDataChanged(Qt::Horizontal, col, col);
    return;
  }
  rows_[static_cast<std::size_t>(row) - 1][static_cast<std::size_t>(col)] = std::move(text);
  if (updateDepth_ == 0) {
    const QModelIndex changed = index(row - 1, col);
    emit dataChanged(changed, changed);
  }
}

void TStringGridModel::SetWidestColumn(int pixels) {
  shownCharacters_ = std::max(kLeastShownCharacters, 2 * std::max(pixels, 0) + 64);
}

void TStringGridModel::BeginUpdate() {
  if (updateDepth_++ == 0) beginResetModel();
  invalidRows_.clear();
}

void TStringGridModel::MarkInvalidValues(const std::vector<int>& rows) {
  for (const int row : rows) {
    if (row < 1 || row >= RowCount() || !invalidRows_.insert(row).second) continue;
    if (updateDepth_ == 0) {
      const QModelIndex changed = index(row - 1, 1);
      emit dataChanged(changed, changed, {Qt::BackgroundRole, Qt::ForegroundRole});
    }
  }
}

void TStringGridModel::EndUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) endResetModel();
}

int TStringGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TStringGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kGridColumns; }

QVariant TStringGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return ShownText(Cell(index.column(), index.row() + 1), shownCharacters_);
  if (role == Qt::EditRole) return ToQString(Cell(index.column(), index.row() + 1));
  // The label column looks like the header: it is fixed.
  if (role == Qt::BackgroundRole && index.column() == 0) return QBrush(QApplication::palette().color(QPalette::Button));
  // An invalid value is drawn on red, light or dark as the cells are, with
  // the text in the colour that reads on it.
  if (index.column() == 1 && IsMarkedInvalid(index.row() + 1)) {
    const bool light = IsLight(QApplication::palette().color(QPalette::Base));
    if (role == Qt::BackgroundRole) return QBrush(light ? QColor(0xFF, 0xB4, 0xB4) : QColor(0x80, 0x20, 0x20));
    if (role == Qt::ForegroundRole) return QBrush(light ? QColor(Qt::black) : QColor(Qt::white));
  }
  return {};
}

bool TStringGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || index.column() == 0) return false;
  // A cell holds one line: a line break typed or pasted becomes a blank.
  SetCell(index.column(), index.row() + 1, WithoutLineBreaks(ToStdString(value.toString())));
  return true;
}

QVariant TStringGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  // A row is known by its variable's label: that is what a screen reader
  // gives as the header of the row's cells (the row headers are not drawn).
  if (orientation == Qt::Vertical && role == Qt::DisplayRole && section >= 0 && section + 1 < RowCount())
    return ToQString(Cell(0, section + 1));
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kGridColumns)
    return ToQString(header_[static_cast<std::size_t>(section)]);
  if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TStringGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (index.column() == 0) return Qt::ItemIsEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

// ---- TStringGrid ---------------------------------------------------------------

TStringGrid::TStringGrid(QWidget* parent) : QTableView(parent), model_(this) {
  setModel(&model_);
  setItemDelegate(new TCellDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  // A click on the selected cell opens its editor too, see mouseReleaseEvent.
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  // Tab leaves the grid instead of walking its cells.
  setTabKeyNavigation(false);
  setShowGrid(true);
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // The user may widen a column to read it.
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setStretchLastSection(false);
  // However a column's width changes, the cells' shown texts cover it.
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
    int widest = 0;
    for (int col = 0; col < kGridColumns; ++col) widest = std::max(widest, columnWidth(col));
    model_.SetWidestColumn(widest);
  });
  model_.SetWidestColumn(horizontalHeader()->defaultSectionSize());
  SetCurrentCell(1, 1);
}

int TStringGrid::ColWidth(int col) const { return columnWidth(col); }

void TStringGrid::SetColWidth(int col, int width) {
  if (col >= 0 && col < kGridColumns) setWidths_[static_cast<std::size_t>(col)] = std::max(width, 0);
  setColumnWidth(col, width);
}

void TStringGrid::SetRowHeight(int height) {
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setDefaultSectionSize(height);
  horizontalHeader()->setFixedHeight(height);
}

int TStringGrid::Row() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() + 1 : 1;
}

int TStringGrid::Col() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.column() : 1;
}

void TStringGrid::SetCurrentCell(int col, int row) {
  col = std::clamp(col, 1, kGridColumns - 1);
  row = std::clamp(row, 1, model_.RowCount() - 1);
  setCurrentIndex(model_.index(row - 1, col));
}

int TStringGrid::SelectionTop() const {
  const QModelIndexList selected = selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
  if (selected.isEmpty()) return Row();
  int top = selected.first().row();
  for (const QModelIndex& index : selected) top = std::min(top, index.row());
  return top + 1;
}

void TStringGrid::CommitOpenEditor() {
  if (state() != QAbstractItemView::EditingState) return;
  if (QWidget* editor = indexWidget(currentIndex())) commitData(editor);
}

void TStringGrid::BeginUpdate() {
  keptRow_ = Row();
  keptCol_ = Col();
  model_.BeginUpdate();
}

void TStringGrid::EndUpdate() {
  model_.EndUpdate();
  SetCurrentCell(keptCol_, keptRow_);
  // Columns the user resized take the program's widths again.
  for (int col = 0; col < kGridColumns; ++col) {
    const int width = setWidths_[static_cast<std::size_t>(col)];
    if (width > 0 && columnWidth(col) != width) setColumnWidth(col, width);
  }
}

void TStringGrid::MarkInvalidCells(const std::vector<int>& rows) {
  model_.MarkInvalidValues(rows);
  viewport()->update();
}

// The toolkit's own delayed edit on a click of the selected cell would let
// keys typed meanwhile fall through; this one gives way to the first key.
void TStringGrid::mousePressEvent(QMouseEvent* event) {
  CancelPendingEdit();
  const QModelIndex index = indexAt(event->position().toPoint());
  pressOnSelected_ = event->button() == Qt::LeftButton && index.isValid() && state() != EditingState &&
                     (model_.flags(index) & Qt::ItemIsEditable) && selectionModel() &&
                     selectionModel()->isSelected(index);
  pendingIndex_ = index;
  QTableView::mousePressEvent(event);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  const QModelIndex index = indexAt(event->position().toPoint());
  if (pressOnSelected_ && event->button() == Qt::LeftButton && index == pendingIndex_ && index == currentIndex() &&
      state() != EditingState)
    pendingEdit_.start(QApplication::doubleClickInterval(), this);
  pressOnSelected_ = false;
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  CancelPendingEdit();
  QTableView::mouseDoubleClickEvent(event);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
  // A typed key opens the editor itself (with the key in it) or moves on.
  CancelPendingEdit();
  QTableView::keyPressEvent(event);
}

// The grid tells assistive technology of a current cell only while it has
// the focus: a rebuild or a program's choice of cell while the user types
// elsewhere must not pull a screen reader into the grid.
void TStringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (hasFocus())
    QTableView::currentChanged(current, previous);
  else
    QAbstractItemView::currentChanged(current, previous);
}

// Coming back to the grid, from another control or from a closed cell
// editor, the focus is on its current cell, not on the grid as a whole.
// The toolkit reports the grid as a whole once this event is handled; the
// cell is reported after it.
void TStringGrid::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  if (QAccessible::isActive()) QMetaObject::invokeMethod(this, &TStringGrid::ReportFocusedCell, Qt::QueuedConnection);
}

void TStringGrid::ReportFocusedCell() {
  if (!QAccessible::isActive() || !hasFocus() || !currentIndex().isValid()) return;
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
  QAccessibleTableInterface* cells = table ? table->tableInterface() : nullptr;
  QAccessibleInterface* cell = cells ? cells->cellAt(currentIndex().row(), currentIndex().column()) : nullptr;
  const int child = cell ? table->indexOfChild(cell) : -1;
  if (child < 0) return;
  QAccessibleEvent focus(this, QAccessible::Focus);
  focus.setChild(child);
  QAccessible::updateAccessibility(&focus);
}

void TStringGrid::focusOutEvent(QFocusEvent* event) {
  CancelPendingEdit();
  QTableView::focusOutEvent(event);
}

void TStringGrid::timerEvent(QTimerEvent* event) {
  if (event->timerId() != pendingEdit_.timerId()) {
    QTableView::timerEvent(event);
    return;
  }
  pendingEdit_.stop();
  const QModelIndex index = pendingIndex_;
  if (index.isValid() && index == currentIndex() && state() != EditingState) edit(index);
}

void TStringGrid::CancelPendingEdit() { pendingEdit_.stop(); }

// A value or comment cell too narrow for its text shows the text as a tip.
bool TStringGrid::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QTableView::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex index = indexAt(help->pos());
  if (index.isValid() && index.column() >= 1) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    const int needed = itemDelegateForIndex(index)->sizeHint(option, index).width();
    if (needed > option.rect.width()) {
      QToolTip::showText(help->globalPos(), TipText(model_.Cell(index.column(), index.row() + 1)), viewport(),
                         option.rect);
      return true;
    }
  }
  QToolTip::hideText();
  event->ignore();
  return true;
}

}  // namespace veltaro
