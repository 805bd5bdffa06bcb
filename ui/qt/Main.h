// The main window TfMain in Qt: its controls over the window model, which
// holds every rule of the window; TfMain shows what the model tells it and
// reports what happens to its controls.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Dialogs.h"
#include "WindowModel.h"
#include "WindowView.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QUrl;

namespace veltaro {

class TStringGrid;
class THelpKeys;
class TTermAssist;

class TfMain : public QWidget, private TWindowView {
  Q_OBJECT

 public:
  // dialogs answers the window's questions; null means the real dialogs.
  explicit TfMain(TDialogs* dialogs = nullptr, QWidget* parent = nullptr);
  ~TfMain() override;

  // The first command-line argument ("" when there is none) and the folder
  // of the program file, for the start-up load.
  void SetStartup(std::string firstArgument, std::string programDirectory) {
    model_->SetStartup(std::move(firstArgument), std::move(programDirectory));
  }

  // The window's logic: its handlers and state.
  TWindowModel& Model() { return *model_; }

  // How the maker's page is opened; the desktop's default browser unless
  // replaced (tests record the address instead).
  void SetUrlOpener(std::function<void(const QUrl&)> opener) { openUrl_ = std::move(opener); }

  // Controls, named as the window's design names them.
  QFrame* Panel2 = nullptr;
  QLabel* lKelvaraLink = nullptr;
  QFrame* pEntry = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* eTerm = nullptr;
  QLabel* lTermStatus = nullptr;  // what the term gives or why it is invalid, while typing
  QToolButton* SpeedButton1 = nullptr;
  QPushButton* bSmartCalculate = nullptr;
  QPushButton* bCalculate = nullptr;
  QGroupBox* gbAngleMode = nullptr;
  QRadioButton* rbDegMode = nullptr;
  QRadioButton* rbRadMode = nullptr;
  QCheckBox* cbComplex = nullptr;
  QFrame* pResult = nullptr;
  QLabel* Label1 = nullptr;
  QToolButton* bClearResults = nullptr;
  QPlainTextEdit* mResults = nullptr;
  QFrame* Panel1 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QToolButton* bVariables = nullptr;
  QFrame* pVariables = nullptr;
  QLabel* Label2 = nullptr;
  TStringGrid* sgVariables = nullptr;
  QFrame* pVarButtons = nullptr;
  QToolButton* bOpen = nullptr;
  QToolButton* bSave = nullptr;
  QToolButton* bAddVar = nullptr;
  QToolButton* bDeleteVar = nullptr;

  // The status line, history and reuse of results around the entry field.
  TTermAssist* TermAssist() const { return termAssist_; }

  // The design's scale: screen pixels per design pixel (120 per inch).
  double LayoutScale() const { return layoutScale_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void DescribeControls();
  void ConnectHandlers();
  void ApplyLayout();
  void FitToContents();
  QWidget* Control(std::string_view name) const;  // the control of that design name
  void OnFocusChanged(QWidget* old, QWidget* now);
  TWindowArea AreaOf(const QWidget* widget) const;
  void ConnectKeys();

  // The view of the model.
  std::string TermText() const override;
  std::size_t TermCursor() const override;
  void SetTerm(const std::string& text, std::size_t cursor) override;
  void SelectTerm(std::size_t start, std::size_t length) override;
  std::vector<TGridRow> GridRows() override;
  int SelectedRow() const override;
  void ShowTable(const std::vector<TGridRow>& rows) override;
  void MarkInvalidValues(const std::vector<int>& rows) override;
  bool DegreesChecked() const override;
  bool ComplexChecked() const override;
  void AppendResult(const std::string& line) override;
  void ClearResults() override;
  void ShowStatus(const std::string& text) override;
  void ShowVariablesPanel(bool shown) override;
  void OpenAddress(const std::string& address) override;

  std::unique_ptr<TDialogs> ownDialogs_;
  TDialogs* dialogs_ = nullptr;
  std::unique_ptr<THelpKeys> helpKeys_;
  TTermAssist* termAssist_ = nullptr;
  bool clickedByMouse_ = false;  // the command button now clicked was clicked with the mouse
  std::function<void(const QUrl&)> openUrl_;
  std::unique_ptr<TWindowModel> model_;
  bool shown_ = false;
  double fontScale_ = 1.0;
  double layoutScale_ = 1.0;
};

}  // namespace veltaro
