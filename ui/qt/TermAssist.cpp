#include "TermAssist.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>

#include "Accessible.h"
#include "Messages.h"
#include "QtText.h"
#include "WindowModel.h"

namespace veltaro {

namespace {

// Longer texts are cut before eliding; the status is one line in any case.
constexpr qsizetype kMaxStatusChars = 2000;

// Where the suggestion of a corrected term starts in a status text.
const QString kAdviceMark = ToQString(text::kStatusSeparator) + QStringLiteral("try ");

}  // namespace

TTermAssist::TTermAssist(QLineEdit* term, QPlainTextEdit* results, std::function<QRect()> area,
                         TWindowModel& model, QObject* parent)
    : QObject(parent), term_(term), results_(results), area_(std::move(area)), model_(model) {
  status_ = new QLabel(term_->parentWidget());
  status_->setObjectName(QStringLiteral("lTermStatus"));
  // The palette's own grey for secondary text, darkened or lightened as far
  // as it must be to read on the panel (see FollowPalette); drawn at the
  // size of the other labels.
  status_->setTextFormat(Qt::PlainText);
  FollowPalette();
  status_->installEventFilter(this);
  PlaceStatus();
  status_->show();

  // Bursts of typing or a paste are previewed once, when the events are done.
  pending_ = new QTimer(this);
  pending_->setSingleShot(true);
  pending_->setInterval(0);
  connect(pending_, &QTimer::timeout, this, [this] { model_.RefreshStatus(); });
  connect(term_, &QLineEdit::textChanged, pending_, qOverload<>(&QTimer::start));
  connect(term_, &QLineEdit::textEdited, this, [this] { model_.TermEdited(); });
  term_->installEventFilter(this);
  term_->parentWidget()->installEventFilter(this);

  results_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(results_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    QMenu* menu = NewResultsMenu(pos);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(results_->viewport()->mapToGlobal(pos));
  });
  results_->viewport()->installEventFilter(this);
}

void TTermAssist::PlaceStatus() {
  status_->setGeometry(area_());
  Display();
}

void TTermAssist::ShowStatus(const std::string& text) {
  // A status shown now makes a pending one of earlier typing superfluous.
  pending_->stop();
  const QString status = ToQString(text);
  const bool changed = status != fullStatus_;
  fullStatus_ = status;
  Display();
  // A new status is spoken in the entry field; the same status shown again
  // (after Calculate, say) leaves the field's last words, the result, alone.
  if (changed) Announce(term_, status_->toolTip());
}

void TTermAssist::FollowPalette() {
  const QWidget* panel = status_->parentWidget();
  const QWidget* behind = panel;
  while (behind && !behind->isWindow() && !behind->autoFillBackground()) behind = behind->parentWidget();
  if (!panel || !behind) return;
  const QColor back = behind->palette().color(behind->backgroundRole());
  const QColor wanted = ReadableOn(back, panel->palette().color(QPalette::PlaceholderText),
                                   panel->palette().color(QPalette::WindowText));
  QPalette readable = status_->palette();
  bool same = readable.isBrushSet(QPalette::Active, QPalette::WindowText);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    same = same && readable.color(group, QPalette::WindowText) == wanted;
  if (same) return;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    readable.setColor(group, QPalette::WindowText, wanted);
  status_->setPalette(readable);  // comes back here once, with nothing left to change
}

void TTermAssist::Display() {
  QString shown = fullStatus_;
  if (shown.size() > kMaxStatusChars) shown = shown.left(kMaxStatusChars) + QChar(0x2026);
  status_->setToolTip(shown);
  const QFontMetrics metrics = status_->fontMetrics();
  const int width = status_->width();
  // Too long for its line, the explanation gives way first: the suggestion
  // at the end stays whole where it fits at all.
  const qsizetype advice = shown.lastIndexOf(kAdviceMark);
  if (advice > 0 && metrics.horizontalAdvance(shown) > width) {
    const QString tail = shown.mid(advice);
    const int room = width - metrics.horizontalAdvance(tail);
    if (room > metrics.horizontalAdvance(QStringLiteral("\u2026W"))) {
      status_->setText(metrics.elidedText(shown.left(advice), Qt::ElideRight, room) + tail);
      return;
    }
  }
  status_->setText(metrics.elidedText(shown, Qt::ElideRight, width));
}

QString TTermAssist::LineAt(const QPoint& pos) const { return results_->cursorForPosition(pos).block().text(); }

QMenu* TTermAssist::NewResultsMenu(const QPoint& pos) {
  const QString line = LineAt(pos);
  const bool isResult = TWindowModel::ResultOfLine(ToStdString(line)).has_value();
  QMenu* menu = results_->createStandardContextMenu(pos);
  QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().first();
  auto* copy = new QAction(QStringLiteral("Copy result"), menu);
  copy->setObjectName(QStringLiteral("aCopyResult"));
  copy->setEnabled(isResult);
  connect(copy, &QAction::triggered, this, [line] { CopyResult(line); });
  auto* use = new QAction(QStringLiteral("Use in term"), menu);
  use->setObjectName(QStringLiteral("aUseInTerm"));
  use->setEnabled(isResult);
  connect(use, &QAction::triggered, this, [this, line] { model_.UseInTerm(ToStdString(line)); });
  menu->insertAction(first, copy);
  menu->insertAction(first, use);
  if (first) menu->insertSeparator(first);
  return menu;
}

bool TTermAssist::CopyResult(const QString& line) {
  const std::optional<std::string> value = TWindowModel::ResultOfLine(ToStdString(line));
  if (!value) return false;
  QApplication::clipboard()->setText(ToQString(*value));
  return true;
}

bool TTermAssist::eventFilter(QObject* watched, QEvent* event) {
  if (watched == status_ && event->type() == QEvent::PaletteChange) FollowPalette();
  if (watched == term_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    // The field's own undo comes first; with nothing of its own to take
    // back, the keys undo and redo the table's steps.
    if (key->matches(QKeySequence::Undo) && !term_->isUndoAvailable()) {
      model_.RunCommand(TWindowCommand::Undo);
      return true;
    }
    if (key->matches(QKeySequence::Redo) && !term_->isRedoAvailable()) {
      model_.RunCommand(TWindowCommand::Redo);
      return true;
    }
    if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      switch (key->key()) {
        case Qt::Key_Up: model_.TermKey(TTermKey::Up); return true;
        case Qt::Key_Down: model_.TermKey(TTermKey::Down); return true;
        case Qt::Key_Escape: model_.TermKey(TTermKey::Escape); return true;
        default: break;
      }
    }
  }
  if ((watched == term_ || watched == term_->parentWidget()) &&
      (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
    PlaceStatus();
  }
  if (watched == results_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton &&
        model_.UseInTerm(ToStdString(LineAt(mouse->position().toPoint()))))
      return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace veltaro
