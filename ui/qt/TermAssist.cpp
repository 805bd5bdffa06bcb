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

#include "Explain.h"
#include "Messages.h"
#include "QtText.h"
#include "ResultReuse.h"
#include "TermPreview.h"
#include "VarTable.h"

namespace veltaro {

namespace {

// Longer texts are cut before eliding; the status is one line in any case.
constexpr qsizetype kMaxStatusChars = 2000;

// The QString position of a byte offset into the UTF-8 form of text.
int PositionOfOffset(const std::string& text, std::size_t offset) {
  if (offset > text.size()) offset = text.size();
  return static_cast<int>(QString::fromUtf8(text.data(), static_cast<qsizetype>(offset)).size());
}

}  // namespace

TTermAssist::TTermAssist(QLineEdit* term, QPlainTextEdit* results, std::function<QRect()> area,
                         std::function<TCalcOptions()> options, const TVarTable* table, QObject* parent)
    : QObject(parent), term_(term), results_(results), area_(std::move(area)), options_(std::move(options)),
      table_(table) {
  status_ = new QLabel(term_->parentWidget());
  status_->setObjectName(QStringLiteral("lTermStatus"));
  QFont small = status_->font();
  if (small.pointSizeF() > 0)
    small.setPointSizeF(small.pointSizeF() * 0.85);
  else
    small.setPixelSize(std::max(1, small.pixelSize() * 85 / 100));
  status_->setFont(small);
  // The palette's own grey for secondary text stays readable on dark palettes.
  status_->setForegroundRole(QPalette::PlaceholderText);
  status_->setTextFormat(Qt::PlainText);
  PlaceStatus();
  status_->show();

  // Bursts of typing or a paste are previewed once, when the events are done.
  pending_ = new QTimer(this);
  pending_->setSingleShot(true);
  pending_->setInterval(0);
  connect(pending_, &QTimer::timeout, this, &TTermAssist::Refresh);
  connect(term_, &QLineEdit::textChanged, pending_, qOverload<>(&QTimer::start));
  connect(term_, &QLineEdit::textEdited, this, [this] { history_.EndWalk(); });
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
  ShowStatus(ToStdString(fullStatus_));
}

void TTermAssist::ShowStatus(const std::string& text) {
  fullStatus_ = ToQString(text);
  QString shown = fullStatus_;
  if (shown.size() > kMaxStatusChars) shown = shown.left(kMaxStatusChars) + QChar(0x2026);
  status_->setToolTip(shown);
  status_->setText(status_->fontMetrics().elidedText(shown, Qt::ElideRight, status_->width()));
}

void TTermAssist::Refresh() {
  pending_->stop();
  const TTermPreview preview = PreviewTerm(ToStdString(term_->text()), *table_, options_());
  ShowStatus(preview.StatusText());
}

void TTermAssist::Calculated(const QString& term, const std::string& line) {
  history_.Add(ToStdString(term));
  if (line.rfind(text::kInvalidExpressionPrefix, 0) != 0) return;
  const std::string text = ToStdString(term);
  const std::optional<TTermProblem> problem = ExplainInvalidTerm(text);
  if (!problem) return;
  const int start = PositionOfOffset(text, problem->start);
  const int end = PositionOfOffset(text, problem->start + problem->length);
  term_->setFocus();
  term_->setSelection(start, std::max(end - start, 0));
}

QString TTermAssist::LineAt(const QPoint& pos) const { return results_->cursorForPosition(pos).block().text(); }

QMenu* TTermAssist::NewResultsMenu(const QPoint& pos) {
  const QString line = LineAt(pos);
  const bool isResult = ResultValueOfLine(ToStdString(line)).has_value();
  QMenu* menu = results_->createStandardContextMenu(pos);
  QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().first();
  auto* copy = new QAction(QStringLiteral("Copy result"), menu);
  copy->setObjectName(QStringLiteral("aCopyResult"));
  copy->setEnabled(isResult);
  connect(copy, &QAction::triggered, this, [line] { CopyResult(line); });
  auto* use = new QAction(QStringLiteral("Use in term"), menu);
  use->setObjectName(QStringLiteral("aUseInTerm"));
  use->setEnabled(isResult);
  connect(use, &QAction::triggered, this, [this, line] { UseInTerm(line); });
  menu->insertAction(first, copy);
  menu->insertAction(first, use);
  if (first) menu->insertSeparator(first);
  return menu;
}

bool TTermAssist::CopyResult(const QString& line) {
  const std::optional<std::string> value = ResultValueOfLine(ToStdString(line));
  if (!value) return false;
  QApplication::clipboard()->setText(ToQString(*value));
  return true;
}

bool TTermAssist::UseInTerm(const QString& line) {
  const std::optional<std::string> value = ResultValueOfLine(ToStdString(line));
  if (!value) return false;
  const std::string term = ToStdString(term_->text());
  const std::size_t cursor = static_cast<std::size_t>(term_->text().left(term_->cursorPosition()).toUtf8().size());
  const TInsertion insertion = InsertValue(term, cursor, *value);
  history_.EndWalk();
  term_->setText(ToQString(insertion.term));
  term_->setCursorPosition(PositionOfOffset(insertion.term, insertion.cursor));
  term_->setFocus();
  return true;
}

bool TTermAssist::eventFilter(QObject* watched, QEvent* event) {
  if (watched == term_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      std::optional<std::string> replacement;
      switch (key->key()) {
        case Qt::Key_Up:
          replacement = history_.Older(ToStdString(term_->text()));
          if (!replacement) return true;
          break;
        case Qt::Key_Down:
          replacement = history_.Newer();
          if (!replacement) return true;
          break;
        case Qt::Key_Escape:
          history_.EndWalk();
          term_->clear();
          return true;
        default:
          break;
      }
      if (replacement) {
        term_->setText(ToQString(*replacement));
        term_->end(false);
        return true;
      }
    }
  }
  if ((watched == term_ || watched == term_->parentWidget()) &&
      (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
    PlaceStatus();
  }
  if (watched == results_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && UseInTerm(LineAt(mouse->position().toPoint()))) return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace veltaro
