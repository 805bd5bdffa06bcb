// The main window's logic, toolkit-free: its state and every handler of its
// controls, driving a TWindowView and asking through TDialogs. Each window
// (Qt, Win32) builds its controls, reports what happens to them here and
// shows what the model tells it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
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
  // commands only while the variables panel is shown, Delete variable only
  // while the focus is in it). False when not.
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

  // Table undo and redo: Delete variable, Open and a rebuild of the grid
  // that replaces edits not written back can be taken back, the table and
  // the grid as they were, typed cells included. False when there is
  // nothing to take back.
  bool Undo();
  bool Redo();
  static constexpr std::size_t kMaxUndoSteps = 25;

  // Whether the table holds work that is in no file: a value or comment
  // typed, a variable added or deleted, a table opened and then changed.
  // Variables that a term created (value 0, no comment) are not work.
  bool HasUnsavedWork();
  // The window is about to close: false when it must stay open (the user
  // cancelled, or the save asked for failed or was cancelled).
  bool CanClose();

  bool VariablesShown() const { return variablesShown_; }
  const TTableFolders& Folders() const { return tableFolders_; }
  const TTermHistory& History() const { return history_; }
  TCalcOptions Options() const;

 private:
  // The table, the grid as shown and the table last loaded or saved; what
  // names the step that left them.
  struct TTableState {
    TVarTable table;
    std::vector<TGridRow> grid;
    TVarTable baseline;
    std::string what;
  };

  void Calculate(bool smart);
  bool SaveTable();
  TTableState Snapshot();
  // Keeps before as an undo step and tells what happened and how to undo it.
  void Record(TTableState before, const std::string& what, std::string_view undoHint);
  // Records before when the rebuild that just happened replaced grid edits
  // that had not reached the table.
  void RecordIfEditsReplaced(TTableState before);
  void Restore(std::vector<TTableState>& from, std::vector<TTableState>& to);
  void ShowMessage(const std::string& text);

  TWindowView& view_;
  TDialogs& dialogs_;
  TTermHistory history_;
  TTableFolders tableFolders_;
  std::string firstArgument_;
  std::string programDirectory_;
  std::string status_;
  bool variablesShown_ = true;
  TWindowArea focus_ = TWindowArea::Term;
  std::vector<TTableState> undo_;
  std::vector<TTableState> redo_;
  TVarTable baseline_;  // the table last loaded or saved
};

}  // namespace veltaro
