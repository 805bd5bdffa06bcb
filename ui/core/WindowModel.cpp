#include "WindowModel.h"

#include <algorithm>
#include <utility>

#include "Complex.h"
#include "Explain.h"
#include "Format.h"
#include "GridTable.h"
#include "HelpEntry.h"
#include "MathFailure.h"
#include "Messages.h"
#include "ResultReuse.h"
#include "SmartConversion.h"
#include "TermPreview.h"
#include "VarTableFile.h"

namespace veltaro {

TVarTable GlobalVarTable;

namespace {

std::string Text(std::string_view s) { return std::string(s); }

// The last part of a file name, as a person reads it in a message.
std::string BaseName(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

bool SameTable(const TVarTable& a, const TVarTable& b) {
  return a.labels == b.labels && a.values == b.values && a.comments == b.comments;
}

// A value cell's text as the table would show it once written back; the
// text itself when it is no valid value.
std::string ShownValue(const std::string& text) {
  TComplex value;
  return EvaluateValueText(text, value) ? FormatComplex(value) : text;
}

}  // namespace

TWindowModel::TWindowModel(TWindowView& view, TDialogs& dialogs) : view_(view), dialogs_(dialogs) {}

TWindowModel::~TWindowModel() { ClearVarTable(GlobalVarTable); }

void TWindowModel::SetStartup(std::string firstArgument, std::string programDirectory) {
  firstArgument_ = std::move(firstArgument);
  programDirectory_ = std::move(programDirectory);
  if (!programDirectory_.empty() && programDirectory_.back() != '/') programDirectory_ += '/';
}

TCalcOptions TWindowModel::Options() const {
  TCalcOptions options;
  options.degMode = DegMode;
  options.complexResults = view_.ComplexChecked();
  return options;
}

// ---- The window's own commands -------------------------------------------------

void TWindowModel::FormCreate() {
  DegMode = view_.DegreesChecked();
  ReadVariableTable();
}

void TWindowModel::FormShow() {
  ConversionPrecision = 10;
  // The first table: the one named on the command line, or the default one
  // beside the program, or else the default one in the user's own folder.
  const std::string userFolder = UserTableFolder();
  const std::string startupTable = StartupTableFile(firstArgument_, programDirectory_, userFolder, FileExists);
  tableFolders_ = TTableFolders(startupTable, FileExists(startupTable), userFolder, FolderExists(userFolder));
  LoadVariableTableFile(startupTable);
  baseline_ = GlobalVarTable;
}

void TWindowModel::bVariablesClick() {
  variablesShown_ = !variablesShown_;
  view_.ShowVariablesPanel(variablesShown_);
}

void TWindowModel::bClearResultsClick() { view_.ClearResults(); }

void TWindowModel::rbDegModeClick() {
  DegMode = view_.DegreesChecked();
  RefreshStatus();
}

void TWindowModel::lKelvaraLinkClick() {
  // Whether the page opened is of no consequence.
  view_.OpenAddress(MakerPageAddress());
}

void TWindowModel::SpeedButton1Click() { HelpContext(kWindowHelpContext); }

void TWindowModel::SpeedButton2Click() { HelpContext(kSupportHelpContext); }

// ---- The variables grid --------------------------------------------------------

void TWindowModel::ReadVariableTable() {
  view_.ShowTable(GridRowsOfTable(GlobalVarTable));
  RefreshStatus();
}

bool TWindowModel::WriteVariableTable() {
  const std::vector<TGridRow> rows = view_.GridRows();
  if (TableFromGridRows(rows, GlobalVarTable)) return true;
  // The values that are not valid terms stay marked until the next rebuild.
  view_.MarkInvalidValues(InvalidValueRows(rows));
  return false;
}

void TWindowModel::sgVariablesExit() {
  const std::vector<TGridRow> rows = view_.GridRows();
  if (WriteVariableTable()) {
    // The status line follows the values just written back.
    RefreshStatus();
    return;
  }
  // The first rejected value is named; its cell is marked.
  const std::vector<int> invalid = InvalidValueRows(rows);
  if (invalid.empty()) return;
  const TGridRow& row = rows[static_cast<std::size_t>(invalid.front()) - 1];
  ShowMessage(Text(text::kValueOfPrefix) + row[0] + Text(text::kNotConstantInfix) + row[1]);
}

void TWindowModel::eTermExit() {
  TTableState before = Snapshot();
  // A term that does not parse changes neither the table nor the grid.
  if (!AddMissingVariables(view_.TermText(), GlobalVarTable)) return;
  ReadVariableTable();
  RecordIfEditsReplaced(std::move(before));
}

void TWindowModel::bAddVarClick() {
  TTableState before = Snapshot();
  WriteVariableTable();
  std::string typed;
  if (!dialogs_.InputQuery(Text(text::kNewVariableTitle), Text(text::kNewVariablePrompt), typed) || typed.empty())
    return;
  std::string label;
  if (!ParseVariableLabel(typed, label)) {
    dialogs_.MessageBox(TMessageKind::Error, Text(text::kErrorTitle),
                        Text(text::kInvalidLabelPrefix) + typed + Text(text::kInvalidLabelSuffix));
    return;
  }
  TComplex existing;
  if (FindVariable(GlobalVarTable, label, existing)) {
    dialogs_.MessageBox(TMessageKind::Error, Text(text::kErrorTitle),
                        Text(text::kVariablePrefix) + label + Text(text::kAlreadyExistsSuffix));
    return;
  }
  SetVariable(GlobalVarTable, label, TComplex{}, std::string());
  ReadVariableTable();
  RecordIfEditsReplaced(std::move(before));
}

void TWindowModel::bDeleteVarClick() {
  TTableState before = Snapshot();
  WriteVariableTable();
  const std::vector<TGridRow> rows = view_.GridRows();
  const int row = view_.SelectedRow();
  std::string label;
  if (row >= 1 && row <= static_cast<int>(rows.size())) label = rows[static_cast<std::size_t>(row) - 1][0];
  if (!label.empty()) DeleteVariable(GlobalVarTable, label);
  ReadVariableTable();
  if (label.empty())
    RecordIfEditsReplaced(std::move(before));
  else
    Record(std::move(before), label + Text(text::kDeletedSuffix), text::kUndoDeleted);
}

// ---- Calculate and Smart-Calculate ---------------------------------------------

void TWindowModel::Calculate(bool smart) {
  eTermExit();
  if (!WriteVariableTable()) {
    view_.AppendResult(Text(text::kInvalidVariableValue));
    return;
  }
  TCalcOptions options = Options();
  options.smart = smart;
  const std::string term = view_.TermText();
  const std::string line = CalculateLine(term, GlobalVarTable, options);
  view_.AppendResult(line);
  history_.Add(term);
  // The offending characters of an invalid term are selected, and the
  // operation that has no value in a term that gives the mathematical error.
  if (line.rfind(text::kInvalidExpressionPrefix, 0) == 0) {
    if (const std::optional<TTermProblem> problem = ExplainInvalidTerm(term))
      view_.SelectTerm(problem->start, problem->length);
  } else if (line == text::kMathError) {
    if (const std::optional<TMathFailure> failure = ExplainMathFailure(term, GlobalVarTable, options.complexResults))
      view_.SelectTerm(failure->start, failure->length);
  }
}

void TWindowModel::bCalculateClick() { Calculate(false); }

void TWindowModel::bSmartCalculateClick() { Calculate(true); }

// ---- The variable table file ---------------------------------------------------

void TWindowModel::LoadVariableTableFile(const std::string& fileName) {
  veltaro::LoadVariableTableFile(fileName, GlobalVarTable);
  ReadVariableTable();
}

void TWindowModel::bSaveClick() { SaveTable(); }

bool TWindowModel::SaveTable() {
  std::string fileName = tableFolders_.DialogFolder();
  if (!dialogs_.ExecuteSaveDialog(TableFileFilter(), fileName)) return false;
  fileName = WithTableExtension(fileName);
  // The name written may differ from the one the dialog saw: the question
  // about replacing a file is asked here, about the name written.
  if (FileExists(fileName) &&
      dialogs_.Question(Text(text::kAppTitle), BaseName(fileName) + Text(text::kReplaceSuffix), false) != TAnswer::Yes)
    return false;
  // The table saved is the one of the last successful write-back.
  WriteVariableTable();
  int error = 0;
  if (!SaveVariableTableFile(fileName, GlobalVarTable, error)) {
    dialogs_.MessageBox(TMessageKind::Error, Text(text::kAppTitle), SaveErrorText(error));
    return false;
  }
  tableFolders_.Used(fileName);
  baseline_ = GlobalVarTable;
  return true;
}

void TWindowModel::bOpenClick() {
  std::string fileName = tableFolders_.DialogFolder();
  if (!dialogs_.ExecuteOpenDialog(TableFileFilter(), fileName)) return;
  TTableState before = Snapshot();
  LoadVariableTableFile(fileName);
  tableFolders_.Used(fileName);
  baseline_ = GlobalVarTable;
  const std::string what =
      BaseName(fileName) + Text(FileExists(fileName) ? text::kOpenedSuffix : text::kUnreadableSuffix);
  Record(std::move(before), what, text::kUndoTable);
}

// ---- Focus, keys, the status line, history and reuse of results ----------------

void TWindowModel::FocusMoved(TWindowArea from, TWindowArea to) {
  focus_ = to;
  if (from == to) return;
  if (from == TWindowArea::Term) eTermExit();
  if (from == TWindowArea::Variables) sgVariablesExit();
}

bool TWindowModel::CommandAvailable(TWindowCommand command) const {
  switch (command) {
    case TWindowCommand::Open:
    case TWindowCommand::Save:
    case TWindowCommand::AddVariable:
      // The table's buttons act only while the variables panel is shown.
      return variablesShown_;
    case TWindowCommand::DeleteVariable:
      // Deleting acts on the grid's row, so only where the user works in it.
      return variablesShown_ && focus_ == TWindowArea::Variables;
    case TWindowCommand::ClearResults:
    case TWindowCommand::ToggleVariables:
    case TWindowCommand::Undo:
    case TWindowCommand::Redo:
      return true;
  }
  return false;
}

bool TWindowModel::RunCommand(TWindowCommand command) {
  if (!CommandAvailable(command)) return false;
  switch (command) {
    case TWindowCommand::Open: bOpenClick(); break;
    case TWindowCommand::Save: bSaveClick(); break;
    case TWindowCommand::ClearResults: bClearResultsClick(); break;
    case TWindowCommand::AddVariable: bAddVarClick(); break;
    case TWindowCommand::DeleteVariable: bDeleteVarClick(); break;
    case TWindowCommand::ToggleVariables: bVariablesClick(); break;
    case TWindowCommand::Undo: Undo(); break;
    case TWindowCommand::Redo: Redo(); break;
  }
  return true;
}

void TWindowModel::TermEdited() { history_.EndWalk(); }

void TWindowModel::RefreshStatus() {
  status_ = PreviewTerm(view_.TermText(), GlobalVarTable, Options()).StatusText();
  view_.ShowStatus(status_);
}

bool TWindowModel::TermKey(TTermKey key) {
  std::optional<std::string> replacement;
  switch (key) {
    case TTermKey::Up:
      replacement = history_.Older(view_.TermText());
      break;
    case TTermKey::Down:
      replacement = history_.Newer();
      break;
    case TTermKey::Escape:
      history_.EndWalk();
      view_.SetTerm({}, 0);
      return true;
  }
  if (!replacement) return false;
  view_.SetTerm(*replacement, replacement->size());
  return true;
}

std::optional<std::string> TWindowModel::ResultOfLine(const std::string& line) { return ResultValueOfLine(line); }

bool TWindowModel::UseInTerm(const std::string& line) {
  const std::optional<std::string> value = ResultValueOfLine(line);
  if (!value) return false;
  const TInsertion insertion = InsertValue(view_.TermText(), view_.TermCursor(), *value);
  history_.EndWalk();
  view_.SetTerm(insertion.term, insertion.cursor);
  return true;
}

// ---- Undo, redo and unsaved work -----------------------------------------------

TWindowModel::TTableState TWindowModel::Snapshot() {
  return {GlobalVarTable, view_.GridRows(), baseline_, {}};
}

void TWindowModel::Record(TTableState before, const std::string& what, std::string_view undoHint) {
  before.what = what;
  undo_.push_back(std::move(before));
  if (undo_.size() > kMaxUndoSteps) undo_.erase(undo_.begin());
  redo_.clear();
  ShowMessage(what + Text(text::kStatusSeparator) + Text(undoHint));
}

void TWindowModel::RecordIfEditsReplaced(TTableState before) {
  TVarTable typed;
  if (TableFromGridRows(before.grid, typed) && SameTable(typed, before.table)) return;
  // Texts that only write the table's own values differently are no edits.
  if (before.grid == GridRowsOfTable(before.table)) return;
  std::vector<TGridRow> shown = before.grid;
  for (TGridRow& row : shown) row[1] = ShownValue(row[1]);
  if (shown == GridRowsOfTable(before.table)) return;
  Record(std::move(before), Text(text::kEditsReplaced), text::kUndoEdits);
}

void TWindowModel::Restore(std::vector<TTableState>& from, std::vector<TTableState>& to) {
  TTableState state = std::move(from.back());
  from.pop_back();
  TTableState now = Snapshot();
  now.what = state.what;
  to.push_back(std::move(now));
  GlobalVarTable = std::move(state.table);
  baseline_ = std::move(state.baseline);
  view_.ShowTable(state.grid);
  RefreshStatus();
}

bool TWindowModel::Undo() {
  if (undo_.empty()) {
    ShowMessage(Text(text::kNothingToUndo));
    return false;
  }
  const std::string what = undo_.back().what;
  Restore(undo_, redo_);
  ShowMessage(Text(text::kUndonePrefix) + what + Text(text::kStatusSeparator) + Text(text::kRedoHint));
  return true;
}

bool TWindowModel::Redo() {
  if (redo_.empty()) {
    ShowMessage(Text(text::kNothingToRedo));
    return false;
  }
  const std::string what = redo_.back().what;
  Restore(redo_, undo_);
  ShowMessage(Text(text::kRedonePrefix) + what + Text(text::kStatusSeparator) + Text(text::kUndoHint));
  return true;
}

bool TWindowModel::HasUnsavedWork() {
  const std::vector<TGridRow> rows = view_.GridRows();
  const std::vector<TGridRow> saved = GridRowsOfTable(baseline_);
  std::vector<TGridRow> current;
  for (const TGridRow& row : rows) {
    if (row[0].empty()) continue;
    const TGridRow shown{row[0], ShownValue(row[1]), WithoutLineBreaks(row[2])};
    const bool known = std::any_of(saved.begin(), saved.end(), [&](const TGridRow& s) { return s[0] == row[0]; });
    // A variable a term created and nobody gave a value or comment is no work.
    if (!known && shown[1] == "0" && shown[2].empty()) continue;
    current.push_back(shown);
  }
  std::vector<TGridRow> before;
  for (const TGridRow& row : saved)
    if (!row[0].empty()) before.push_back(row);
  return current != before;
}

bool TWindowModel::CanClose() {
  if (!HasUnsavedWork()) return true;
  switch (dialogs_.Question(Text(text::kAppTitle), Text(text::kSaveChangesQuestion), true)) {
    case TAnswer::Yes: return SaveTable();
    case TAnswer::No: return true;
    case TAnswer::Cancel: break;
  }
  return false;
}

void TWindowModel::ShowMessage(const std::string& text) {
  status_ = text;
  view_.ShowStatus(status_);
}

}  // namespace veltaro
