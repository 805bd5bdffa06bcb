#include "Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
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
#include <QUrl>

#include "Calculation.h"
#include "Format.h"
#include "HelpEntry.h"
#include "HelpKeys.h"
#include "Messages.h"
#include "Parser.h"
#include "QtDialogs.h"
#include "QtText.h"
#include "SmartConversion.h"
#include "StringGrid.h"
#include "TableFolders.h"
#include "TermAssist.h"
#include "VarTableFile.h"

namespace veltaro {

TVarTable GlobalVarTable;

namespace {

std::string Text(std::string_view s) { return std::string(s); }

bool Within(const QWidget* widget, const QWidget* ancestor) {
  return widget && (widget == ancestor || ancestor->isAncestorOf(widget));
}

}  // namespace

TfMain::TfMain(TDialogs* dialogs, QWidget* parent) : QWidget(parent) {
  if (dialogs) {
    dialogs_ = dialogs;
  } else {
    ownDialogs_ = std::make_unique<TQtDialogs>(this);
    dialogs_ = ownDialogs_.get();
  }
  openUrl_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  programDirectory_ = ToFileName(QCoreApplication::applicationDirPath()) + "/";
  helpKeys_ = std::make_unique<THelpKeys>();
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
      [this] {
        TCalcOptions options;
        options.degMode = DegMode;
        options.complexResults = cbComplex->isChecked();
        return options;
      },
      &GlobalVarTable, this);
  lTermStatus = termAssist_->StatusLabel();
  // A long line fills each row, so "Result: " stays with the start of its
  // value; the window's own messages are far shorter than a row.
  mResults->setWordWrapMode(QTextOption::WrapAnywhere);
  ConnectHandlers();
  ConnectKeys();
  DegMode = rbDegMode->isChecked();
  ReadVariableTable();
}

TfMain::~TfMain() {
  // The controls go after this object's own part; their last focus changes
  // and events must not reach it.
  if (qApp) disconnect(qApp, nullptr, this, nullptr);
  lKelvaraLink->removeEventFilter(this);
}

void TfMain::SetStartup(std::string firstArgument, std::string programDirectory) {
  firstArgument_ = std::move(firstArgument);
  programDirectory_ = std::move(programDirectory);
  if (!programDirectory_.empty() && programDirectory_.back() != '/') programDirectory_ += '/';
}

void TfMain::ConnectHandlers() {
  // After a command clicked with the mouse the next term can be typed at once.
  const auto returnFocus = [this] {
    if (std::exchange(clickedByMouse_, false)) eTerm->setFocus(Qt::OtherFocusReason);
  };
  connect(bCalculate, &QPushButton::clicked, this, [this, returnFocus] {
    bCalculateClick(bCalculate);
    returnFocus();
  });
  connect(bSmartCalculate, &QPushButton::clicked, this, [this, returnFocus] {
    bSmartCalculateClick(bSmartCalculate);
    returnFocus();
  });
  bCalculate->installEventFilter(this);
  bSmartCalculate->installEventFilter(this);
  connect(rbDegMode, &QRadioButton::clicked, this, [this] { rbDegModeClick(rbDegMode); });
  connect(rbRadMode, &QRadioButton::clicked, this, [this] { rbDegModeClick(rbRadMode); });
  connect(cbComplex, &QCheckBox::toggled, termAssist_, &TTermAssist::Refresh);
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(SpeedButton1); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(SpeedButton2); });
  connect(bClearResults, &QToolButton::clicked, this, [this] { bClearResultsClick(bClearResults); });
  connect(bVariables, &QToolButton::clicked, this, [this] { bVariablesClick(bVariables); });
  connect(bOpen, &QToolButton::clicked, this, [this] { bOpenClick(bOpen); });
  connect(bSave, &QToolButton::clicked, this, [this] { bSaveClick(bSave); });
  connect(bAddVar, &QToolButton::clicked, this, [this] { bAddVarClick(bAddVar); });
  connect(bDeleteVar, &QToolButton::clicked, this, [this] { bDeleteVarClick(bDeleteVar); });
  lKelvaraLink->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, &TfMain::OnFocusChanged);
}

// A control is left when the focus moves from it to another control of this
// window; the window losing the focus to another one (a dialog, another
// program) leaves nothing.
void TfMain::OnFocusChanged(QWidget* old, QWidget* now) {
  if (!now || now->window() != this) return;
  if (old == eTerm && now != eTerm) eTermExit(eTerm);
  // The grid's cell editor belongs to the grid.
  if (Within(old, sgVariables) && !Within(now, sgVariables)) sgVariablesExit(sgVariables);
}

// Every command of the window has a key; the keys of help, Calculate and
// Smart-Calculate are handled where the key events arrive.
void TfMain::ConnectKeys() {
  const std::pair<QKeySequence, QAbstractButton*> keys[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_O), bOpen},
      {QKeySequence(Qt::CTRL | Qt::Key_S), bSave},
      {QKeySequence(Qt::CTRL | Qt::Key_L), bClearResults},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), bAddVar},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), bDeleteVar},
      {QKeySequence(Qt::Key_F4), bVariables},
  };
  for (const auto& [sequence, button] : keys) {
    auto* shortcut = new QShortcut(sequence, this);
    connect(shortcut, &QShortcut::activated, button, [button] {
      // The table buttons act only while the variables panel is shown.
      if (button->isVisibleTo(button->window()) && button->isEnabled()) button->click();
    });
  }
}

bool TfMain::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == bCalculate || watched == bSmartCalculate) && event->type() == QEvent::MouseButtonRelease)
    clickedByMouse_ = true;
  if (watched == lKelvaraLink && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && lKelvaraLink->rect().contains(mouse->position().toPoint())) {
      lKelvaraLinkClick(lKelvaraLink);
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
  FormShow(this);
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

// ---- The window's own commands -------------------------------------------------

void TfMain::FormShow(QObject*) {
  ConversionPrecision = 10;
  // The first table: the one named on the command line, or the default one
  // beside the program, or else the default one in the user's own folder.
  const std::string userFolder = UserTableFolder();
  const std::string startupTable = StartupTableFile(firstArgument_, programDirectory_, userFolder, FileExists);
  tableFolders_ = TTableFolders(startupTable, FileExists(startupTable), userFolder, FolderExists(userFolder));
  LoadVariableTableFile(startupTable);
}

void TfMain::bVariablesClick(QObject*) {
  pVariables->setVisible(pVariables->isHidden());
  const bool visible = !pVariables->isHidden();
  bVariables->setText(ToQString(visible ? text::kHideVariablesCaption : text::kShowVariablesCaption));
  bVariables->setToolTip(ToQString(visible ? text::kHideVariablesHint : text::kShowVariablesHint));
  FitToContents();
}

void TfMain::bClearResultsClick(QObject*) { mResults->clear(); }

void TfMain::rbDegModeClick(QObject*) {
  DegMode = rbDegMode->isChecked();
  termAssist_->Refresh();
}

void TfMain::lKelvaraLinkClick(QObject*) {
  // Whether the page opened is of no consequence.
  if (openUrl_) openUrl_(QUrl(QStringLiteral("http://") + ToQString(text::kMakerHost) + ToQString(text::kMakerPagePath)));
}

void TfMain::SpeedButton1Click(QObject*) { HelpContext(1); }

void TfMain::SpeedButton2Click(QObject*) { HelpContext(999); }

// ---- The variables grid --------------------------------------------------------

void TfMain::ReadVariableTable() {
  TStringGrid& grid = *sgVariables;
  TStringGridModel& cells = grid.Model();
  grid.BeginUpdate();
  cells.SetRowCount(2);
  cells.SetCell(0, 0, Text(text::kHeaderLabel));
  cells.SetCell(1, 0, Text(text::kHeaderValue));
  cells.SetCell(2, 0, Text(text::kHeaderComment));
  for (int col = 0; col < kGridColumns; ++col) cells.SetCell(col, 1, {});
  const std::size_t count = GlobalVarTable.labels.size();
  cells.SetRowCount(static_cast<int>(std::max<std::size_t>(count, 1)) + 1);
  for (std::size_t k = 0; k < count; ++k) {
    const int row = static_cast<int>(k) + 1;
    cells.SetCell(0, row, GlobalVarTable.labels[k]);
    cells.SetCell(1, row, FormatComplex(GlobalVarTable.values[k]));
    cells.SetCell(2, row, GlobalVarTable.comments[k]);
  }
  grid.EndUpdate();
  // The comment column is three times as wide as the value column.
  grid.SetColWidth(2, 3 * grid.ColWidth(1));
  if (termAssist_) termAssist_->Refresh();
}

bool TfMain::WriteVariableTable() {
  sgVariables->CommitOpenEditor();
  if (TableFromGridRows(sgVariables->Model().Rows(), GlobalVarTable)) return true;
  // The values that are not valid terms stay marked until the next rebuild.
  sgVariables->MarkInvalidCells(sgVariables->InvalidValueRows());
  return false;
}

void TfMain::sgVariablesExit(QObject*) { WriteVariableTable(); }

void TfMain::eTermExit(QObject*) {
  // A term that does not parse changes neither the table nor the grid.
  if (!AddMissingVariables(ToStdString(eTerm->text()), GlobalVarTable)) return;
  ReadVariableTable();
}

void TfMain::bAddVarClick(QObject*) {
  WriteVariableTable();
  std::string typed;
  if (!dialogs_->InputQuery(Text(text::kNewVariableTitle), Text(text::kNewVariablePrompt), typed) || typed.empty())
    return;
  std::string label;
  if (!ParseVariableLabel(typed, label)) {
    dialogs_->MessageBox(TMessageKind::Error, Text(text::kErrorTitle),
                         Text(text::kInvalidLabelPrefix) + typed + Text(text::kInvalidLabelSuffix));
    return;
  }
  TComplex existing;
  if (FindVariable(GlobalVarTable, label, existing)) {
    dialogs_->MessageBox(TMessageKind::Error, Text(text::kErrorTitle),
                         Text(text::kVariablePrefix) + label + Text(text::kAlreadyExistsSuffix));
    return;
  }
  SetVariable(GlobalVarTable, label, TComplex{}, std::string());
  ReadVariableTable();
}

void TfMain::bDeleteVarClick(QObject*) {
  WriteVariableTable();
  const std::string label = sgVariables->Cell(0, sgVariables->SelectionTop());
  if (!label.empty()) DeleteVariable(GlobalVarTable, label);
  ReadVariableTable();
}

// ---- Calculate and Smart-Calculate ---------------------------------------------

void TfMain::Calculate(bool smart) {
  eTermExit(eTerm);
  if (!WriteVariableTable()) {
    AppendResult(Text(text::kInvalidVariableValue));
    return;
  }
  TCalcOptions options;
  options.degMode = DegMode;
  options.complexResults = cbComplex->isChecked();
  options.smart = smart;
  const QString term = eTerm->text();
  const std::string line = CalculateLine(ToStdString(term), GlobalVarTable, options);
  AppendResult(line);
  termAssist_->Calculated(term, line);
}

void TfMain::AppendResult(const std::string& line) { mResults->appendPlainText(ToQString(line)); }

void TfMain::bCalculateClick(QObject*) { Calculate(false); }

void TfMain::bSmartCalculateClick(QObject*) { Calculate(true); }

// ---- The variable table file ---------------------------------------------------

void TfMain::LoadVariableTableFile(const std::string& fileName) {
  veltaro::LoadVariableTableFile(fileName, GlobalVarTable);
  ReadVariableTable();
}

void TfMain::bSaveClick(QObject*) {
  std::string fileName = tableFolders_.DialogFolder();
  if (!dialogs_->ExecuteSaveDialog(SaveDialog.filter, fileName)) return;
  fileName = WithTableExtension(fileName);
  // The table saved is the one of the last successful write-back.
  WriteVariableTable();
  int error = 0;
  if (!SaveVariableTableFile(fileName, GlobalVarTable, error)) {
    dialogs_->MessageBox(TMessageKind::Error, Text(text::kAppTitle), SaveErrorText(error));
    return;
  }
  tableFolders_.Used(fileName);
}

void TfMain::bOpenClick(QObject*) {
  std::string fileName = tableFolders_.DialogFolder();
  if (!dialogs_->ExecuteOpenDialog(OpenDialog.filter, fileName)) return;
  LoadVariableTableFile(fileName);
  tableFolders_.Used(fileName);
}

}  // namespace veltaro
