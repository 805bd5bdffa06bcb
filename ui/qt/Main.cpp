#include "Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCheckBox>
#include <QDesktopServices>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTextOption>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

#include "Accessible.h"
#include "HelpKeys.h"
#include "Messages.h"
#include "QtDialogs.h"
#include "QtText.h"
#include "StringGrid.h"
#include "TermAssist.h"

namespace veltaro {

namespace {

bool Within(const QWidget* widget, const QWidget* ancestor) {
  return widget && (widget == ancestor || ancestor->isAncestorOf(widget));
}

QKeySequence SequenceOf(const TControlKey& key) {
  int code = key.key == TKeyName::F1 ? Qt::Key_F1 : Qt::Key_Return;
  if (key.ctrl) code |= Qt::CTRL;
  if (key.shift) code |= Qt::SHIFT;
  return QKeySequence(code);
}

QKeySequence SequenceOf(const TCommandKey& key) {
  int code = key.key == TKeyName::Delete ? Qt::Key_Delete
             : key.key == TKeyName::F4   ? Qt::Key_F4
                                         : Qt::Key_A + (key.letter - 'A');
  if (key.ctrl) code |= Qt::CTRL;
  if (key.shift) code |= Qt::SHIFT;
  return QKeySequence(code);
}

}  // namespace

TfMain::TfMain(TDialogs* dialogs, QWidget* parent) : QWidget(parent) {
  if (dialogs) {
    dialogs_ = dialogs;
  } else {
    ownDialogs_ = std::make_unique<TQtDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  model_ = std::make_unique<TWindowModel>(static_cast<TWindowView&>(*this), *dialogs_);
  openUrl_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  model_->SetStartup({}, ToFileName(QCoreApplication::applicationDirPath()));
  helpKeys_ = std::make_unique<THelpKeys>();
  InstallAccessibleInterfaces();
  CreateControls();
  ApplyLayout();
  termAssist_ = new TTermAssist(
      eTerm, mResults,
      [this] {
        // The gap between the entry field and the two command buttons.
        const int top = eTerm->geometry().bottom() + 1;
        const int left = Label3->x();
        return QRect(left, top, bCalculate->geometry().right() - left + 1,
                     std::max(bSmartCalculate->y() - top - 1, 1));
      },
      *model_, this);
  lTermStatus = termAssist_->StatusLabel();
  // A long line fills each row, so "Result: " stays with the start of its
  // value; the window's own messages are far shorter than a row.
  mResults->setWordWrapMode(QTextOption::WrapAnywhere);
  ConnectHandlers();
  ConnectKeys();
  model_->FormCreate();
}

TfMain::~TfMain() {
  // The controls go after this object's own part; their last focus changes
  // and events must not reach it.
  if (qApp) disconnect(qApp, nullptr, this, nullptr);
  lKelvaraLink->removeEventFilter(this);
}

void TfMain::ConnectHandlers() {
  // After a command clicked with the mouse the next term can be typed at once.
  const auto returnFocus = [this] {
    if (std::exchange(clickedByMouse_, false)) eTerm->setFocus(Qt::OtherFocusReason);
  };
  connect(bCalculate, &QPushButton::clicked, this, [this, returnFocus] {
    model_->bCalculateClick();
    returnFocus();
  });
  connect(bSmartCalculate, &QPushButton::clicked, this, [this, returnFocus] {
    model_->bSmartCalculateClick();
    returnFocus();
  });
  bCalculate->installEventFilter(this);
  bSmartCalculate->installEventFilter(this);
  connect(rbDegMode, &QRadioButton::clicked, this, [this] { model_->rbDegModeClick(); });
  connect(rbRadMode, &QRadioButton::clicked, this, [this] { model_->rbDegModeClick(); });
  connect(cbComplex, &QCheckBox::toggled, this, [this] { model_->RefreshStatus(); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { model_->SpeedButton1Click(); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { model_->SpeedButton2Click(); });
  connect(bClearResults, &QToolButton::clicked, this, [this] { model_->bClearResultsClick(); });
  connect(bVariables, &QToolButton::clicked, this, [this] { model_->bVariablesClick(); });
  connect(bOpen, &QToolButton::clicked, this, [this] { model_->bOpenClick(); });
  connect(bSave, &QToolButton::clicked, this, [this] { model_->bSaveClick(); });
  connect(bAddVar, &QToolButton::clicked, this, [this] { model_->bAddVarClick(); });
  connect(bDeleteVar, &QToolButton::clicked, this, [this] { model_->bDeleteVarClick(); });
  lKelvaraLink->installEventFilter(this);
  // Activated by assistive technology or by its key.
  connect(lKelvaraLink, &QLabel::linkActivated, this, [this] { model_->lKelvaraLinkClick(); });
  for (QToolButton* flat : {SpeedButton1, SpeedButton2, bClearResults, bVariables, bOpen, bSave, bAddVar, bDeleteVar})
    flat->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, &TfMain::OnFocusChanged);
}

// The focus moving inside this window is reported to the model; the window
// losing the focus to another one (a dialog, another program) leaves
// nothing. The grid's cell editor belongs to the grid.
void TfMain::OnFocusChanged(QWidget* old, QWidget* now) {
  if (!now || now->window() != this) return;
  model_->FocusMoved(AreaOf(old), AreaOf(now));
}

TWindowArea TfMain::AreaOf(const QWidget* widget) const {
  if (widget == eTerm) return TWindowArea::Term;
  if (Within(widget, sgVariables)) return TWindowArea::Variables;
  return TWindowArea::Other;
}

// Every command of the window has a key; the keys of help, Calculate and
// Smart-Calculate are handled where the key events arrive.
void TfMain::ConnectKeys() {
  for (const TCommandKey& key : CommandKeys()) {
    auto* shortcut = new QShortcut(SequenceOf(key), this);
    const TWindowCommand command = key.command;
    connect(shortcut, &QShortcut::activated, this, [this, command] { model_->RunCommand(command); });
  }
  // "Support free software" and the maker's link, which take no focus.
  for (const TControlKey& key : ControlKeys()) {
    const bool support = key.control == "SpeedButton2";
    if (!support && key.control != "lKelvaraLink") continue;
    auto* shortcut = new QShortcut(SequenceOf(key), this);
    connect(shortcut, &QShortcut::activated, this, [this, support] {
      if (support)
        model_->SpeedButton2Click();
      else
        model_->lKelvaraLinkClick();
    });
  }
}

bool TfMain::eventFilter(QObject* watched, QEvent* event) {
  // A flat button's tip shows its hint followed by its key; the hint itself
  // stays as it is.
  if (event->type() == QEvent::ToolTip && watched->isWidgetType() && watched != lKelvaraLink) {
    auto* button = static_cast<QWidget*>(watched);
    const QString key = button->property("veltaroKey").toString();
    const QString hint = button->toolTip().isEmpty() ? button->accessibleName() : button->toolTip();
    if (!key.isEmpty() && !hint.isEmpty()) {
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                         ToQString(WithKey(ToStdString(hint), ToStdString(key))), button);
      return true;
    }
  }
  if ((watched == bCalculate || watched == bSmartCalculate) && event->type() == QEvent::MouseButtonRelease)
    clickedByMouse_ = true;
  if (watched == lKelvaraLink && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && lKelvaraLink->rect().contains(mouse->position().toPoint())) {
      model_->lKelvaraLinkClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TfMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  model_->FormShow();
}

// Enter runs Calculate wherever no control takes the key for itself (an open
// cell editor does, and so does a focused push button); Ctrl+Enter runs
// Smart-Calculate.
void TfMain::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && modifiers == Qt::NoModifier) {
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    QPushButton* target = focused && focused->window() == this ? focused : bCalculate;
    if (target->isEnabled()) {
      target->click();
      event->accept();
      return;
    }
  }
  if (enter && modifiers == Qt::ControlModifier && bSmartCalculate->isEnabled()) {
    bSmartCalculate->click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

// Closing with work that is in no file asks first; the window stays when the
// user cancels or the save fails.
void TfMain::closeEvent(QCloseEvent* event) {
  if (model_->CanClose())
    event->accept();
  else
    event->ignore();
}

// ---- The view of the model ---------------------------------------------------

std::string TfMain::TermText() const { return ToStdString(eTerm->text()); }

std::size_t TfMain::TermCursor() const { return OffsetOfPosition(eTerm->text(), eTerm->cursorPosition()); }

void TfMain::SetTerm(const std::string& text, std::size_t cursor) {
  eTerm->setText(ToQString(text));
  eTerm->setCursorPosition(PositionOfOffset(text, cursor));
  eTerm->setFocus();
}

void TfMain::SelectTerm(std::size_t start, std::size_t length) {
  const std::string text = TermText();
  const int from = PositionOfOffset(text, start);
  const int to = PositionOfOffset(text, start + length);
  eTerm->setFocus();
  eTerm->setSelection(from, std::max(to - from, 0));
}

std::vector<TGridRow> TfMain::GridRows() {
  sgVariables->CommitOpenEditor();
  return sgVariables->Model().Rows();
}

int TfMain::SelectedRow() const { return sgVariables->SelectionTop(); }

void TfMain::ShowTable(const std::vector<TGridRow>& rows) {
  TStringGrid& grid = *sgVariables;
  TStringGridModel& cells = grid.Model();
  grid.BeginUpdate();
  cells.SetRowCount(2);
  cells.SetCell(0, 0, std::string(text::kHeaderLabel));
  cells.SetCell(1, 0, std::string(text::kHeaderValue));
  cells.SetCell(2, 0, std::string(text::kHeaderComment));
  cells.SetRowCount(static_cast<int>(rows.size()) + 1);
  for (std::size_t k = 0; k < rows.size(); ++k)
    for (int col = 0; col < kGridColumns; ++col) cells.SetCell(col, static_cast<int>(k) + 1, rows[k][col]);
  grid.EndUpdate();
  // The comment column is three times as wide as the value column.
  grid.SetColWidth(2, 3 * grid.ColWidth(1));
}

void TfMain::MarkInvalidValues(const std::vector<int>& rows) { sgVariables->MarkInvalidCells(rows); }

bool TfMain::DegreesChecked() const { return rbDegMode->isChecked(); }

bool TfMain::ComplexChecked() const { return cbComplex->isChecked(); }

// The new line is spoken where the user types: the entry field's
// description; the list's own text event goes to a list without the focus.
void TfMain::AppendResult(const std::string& line) {
  mResults->appendPlainText(ToQString(line));
  Announce(eTerm, ToQString(line));
}

void TfMain::ClearResults() { mResults->clear(); }

void TfMain::ShowStatus(const std::string& text) {
  if (termAssist_) termAssist_->ShowStatus(text);
}

void TfMain::ShowVariablesPanel(bool shown) {
  pVariables->setVisible(shown);
  bVariables->setText(ToQString(VariablesButtonCaption(shown)));
  bVariables->setToolTip(ToQString(VariablesButtonHint(shown)));
  bVariables->setAccessibleName(ToQString(VariablesButtonHint(shown)));
  bVariables->setAccessibleDescription(
      ToQString(WithKey(VariablesButtonHint(shown), ToStdString(bVariables->property("veltaroKey").toString()))));
  FitToContents();
}

void TfMain::OpenAddress(const std::string& address) {
  if (openUrl_) openUrl_(QUrl(ToQString(address)));
}

}  // namespace veltaro
