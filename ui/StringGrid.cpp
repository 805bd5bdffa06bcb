#include "StringGrid.h"

#include <QBrush>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QPalette>
#include <QTextBoundaryFinder>
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

// Cell editors take texts of any length: a line editor would otherwise cut a
// long text it is opened on, and closing it would write the cut text back.
class TCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setMaxLength(std::numeric_limits<int>::max());
    return editor;
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
  if (role == Qt::BackgroundRole && index.column() == 0) return QBrush(QGuiApplication::palette().color(QPalette::Button));
  return {};
}

bool TStringGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || index.column() == 0) return false;
  SetCell(index.column(), index.row() + 1, ToStdString(value.toString()));
  return true;
}

QVariant TStringGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
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
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  // Tab leaves the grid instead of walking its cells.
  setTabKeyNavigation(false);
  setShowGrid(true);
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
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

void TStringGrid::SetColWidth(int col, int width) { setColumnWidth(col, width); }

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
}

}  // namespace veltaro
