// The main window TfMain and its handlers, and the program-wide variable
// table.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Dialogs.h"
#include "TableFolders.h"
#include "VarTable.h"

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

// The program's current variable table.
extern TVarTable GlobalVarTable;

// One of the window's two file dialogs: what it offers to choose.
struct TFileDialog {
  TFileFilter filter;
};

class TfMain : public QWidget {
  Q_OBJECT

 public:
  // dialogs answers the window's questions; null means the real dialogs.
  explicit TfMain(TDialogs* dialogs = nullptr, QWidget* parent = nullptr);
  ~TfMain() override;

  // The first command-line argument ("" when there is none) and the folder
  // of the program file, for the start-up load.
  void SetStartup(std::string firstArgument, std::string programDirectory);

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
  TFileDialog SaveDialog;
  TFileDialog OpenDialog;

  // Handlers.
  void FormShow(QObject* sender);
  void bVariablesClick(QObject* sender);
  void bClearResultsClick(QObject* sender);
  void rbDegModeClick(QObject* sender);
  void lKelvaraLinkClick(QObject* sender);
  void SpeedButton1Click(QObject* sender);
  void SpeedButton2Click(QObject* sender);
  void eTermExit(QObject* sender);
  void sgVariablesExit(QObject* sender);
  void bAddVarClick(QObject* sender);
  void bDeleteVarClick(QObject* sender);
  void bCalculateClick(QObject* sender);
  void bSmartCalculateClick(QObject* sender);
  void bSaveClick(QObject* sender);
  void bOpenClick(QObject* sender);

  // Table to grid, and grid to table (false when a labelled row's value is
  // not a valid term; the table then stays as it was).
  void ReadVariableTable();
  bool WriteVariableTable();

  // Replaces GlobalVarTable by the file's contents and rebuilds the grid.
  void LoadVariableTableFile(const std::string& fileName);

  // The status line, history and reuse of results around the entry field.
  TTermAssist* TermAssist() const { return termAssist_; }

  // The design's scale: screen pixels per design pixel (120 per inch).
  double LayoutScale() const { return layoutScale_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void ConnectHandlers();
  void ApplyLayout();
  void FitToContents();
  void Place(QWidget* widget, int left, int top, int width, int height);
  void Calculate(bool smart);
  void AppendResult(const std::string& line);
  void OnFocusChanged(QWidget* old, QWidget* now);
  void ConnectKeys();

  std::unique_ptr<TDialogs> ownDialogs_;
  TDialogs* dialogs_ = nullptr;
  std::unique_ptr<THelpKeys> helpKeys_;
  TTermAssist* termAssist_ = nullptr;
  bool clickedByMouse_ = false;  // the command button now clicked was clicked with the mouse
  std::function<void(const QUrl&)> openUrl_;
  std::string firstArgument_;
  TTableFolders tableFolders_;  // where the file dialogs start
  std::string programDirectory_;
  bool shown_ = false;
  double fontScale_ = 1.0;
  double layoutScale_ = 1.0;
  // Each placed control with its design rectangle (120 pixels per inch).
  std::vector<std::pair<QWidget*, QRect>> design_;
};

}  // namespace veltaro
