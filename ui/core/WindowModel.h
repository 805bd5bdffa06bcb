// The main window's logic, toolkit-free: its state and every handler of its
// controls, driving a TWindowView and asking through TDialogs. Each window
// (Qt, Win32) builds its controls, reports what happens to them here and
// shows what the model tells it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Calculation.h"
#include "Dialogs.h"
#include "TableFolders.h"
#include "TermHistory.h"
#include "VarTable.h"
#include "WindowDesign.h"
#include "WindowView.h"

namespace veltaro {

// The program's current variable table.
extern TVarTable GlobalVarTable;

class TWindowModel {
 public:
  TWindowModel(TWindowView& view, TDialogs& dialogs);
  // The window goes: the program's table is freed with it.
  ~TWindowModel();
  TWindowModel(const TWindowModel&) = delete;
  TWindowModel& operator=(const TWindowModel&) = delete;

  // The first command-line argument ("" when there is none) and the folder
  // of the program file, for the start-up load.
  void SetStartup(std::string firstArgument, std::string programDirectory);

  // The window was created: the angle mode as its controls show it, and the
  // grid built from the table.
  void FormCreate();

  // Handlers, named as the window's design names them.
  void FormShow();
  void bVariablesClick();
  void bClearResultsClick();
  void rbDegModeClick();
  void lKelvaraLinkClick();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void eTermExit();
  void sgVariablesExit();
  void bAddVarClick();
  void bDeleteVarClick();
  void bCalculateClick();
  void bSmartCalculateClick();
  void bSaveClick();
  void bOpenClick();

  // Table to grid, and grid to table (false when a labelled row's value is
  // not a valid term; the table then stays as it was and those value cells
  // are marked).
  void ReadVariableTable();
  bool WriteVariableTable();

  // Replaces GlobalVarTable by the file's contents and rebuilds the grid.
  void LoadVariableTableFile(const std::string& fileName);

  // The focus moved from one part of the window to another; a move to
  // another window (a dialog, another program) is not reported. Leaving the
  // entry field or the grid runs its exit handler.
  void FocusMoved(TWindowArea from, TWindowArea to);

  // A command key: runs the command where it is available now (the table
  // commands only while the variables panel is shown). False when not.
  bool RunCommand(TWindowCommand command);
  bool CommandAvailable(TWindowCommand command) const;

  // The term was edited by typing: a walk through the history ends. The
  // status follows with RefreshStatus, which the view calls once a burst of
  // typing is over, and the model itself whenever the table or the options
  // change.
  void TermEdited();
  void RefreshStatus();
  const std::string& StatusText() const { return status_; }

  // Up, Down and Escape in the entry field; false when the key did nothing.
  bool TermKey(TTermKey key);

  // The value of a results line ("Copy result"); none for other lines.
  static std::optional<std::string> ResultOfLine(const std::string& line);
  // Inserts the value of a results line into the term at its cursor
  // ("Use in term"); false for a line that holds no result.
  bool UseInTerm(const std::string& line);

  bool VariablesShown() const { return variablesShown_; }
  const TTableFolders& Folders() const { return tableFolders_; }
  const TTermHistory& History() const { return history_; }
  TCalcOptions Options() const;

 private:
  void Calculate(bool smart);

  TWindowView& view_;
  TDialogs& dialogs_;
  TTermHistory history_;
  TTableFolders tableFolders_;
  std::string firstArgument_;
  std::string programDirectory_;
  std::string status_;
  bool variablesShown_ = true;
};

}  // namespace veltaro
