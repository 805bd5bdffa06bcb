#include "WindowModel.h"

#include <utility>

#include "Complex.h"
#include "Explain.h"
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

void TWindowModel::sgVariablesExit() { WriteVariableTable(); }

void TWindowModel::eTermExit() {
  // A term that does not parse changes neither the table nor the grid.
  if (!AddMissingVariables(view_.TermText(), GlobalVarTable)) return;
  ReadVariableTable();
}

void TWindowModel::bAddVarClick() {
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
}

void TWindowModel::bDeleteVarClick() {
  WriteVariableTable();
  const std::vector<TGridRow> rows = view_.GridRows();
  const int row = view_.SelectedRow();
  if (row >= 1 && row <= static_cast<int>(rows.size())) {
    const std::string& label = rows[static_cast<std::size_t>(row) - 1][0];
    if (!label.empty()) DeleteVariable(GlobalVarTable, label);
  }
  ReadVariableTable();
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

void TWindowModel::bSaveClick() {
  std::string fileName = tableFolders_.DialogFolder();
  if (!dialogs_.ExecuteSaveDialog(TableFileFilter(), fileName)) return;
  fileName = WithTableExtension(fileName);
  // The table saved is the one of the last successful write-back.
  WriteVariableTable();
  int error = 0;
  if (!SaveVariableTableFile(fileName, GlobalVarTable, error)) {
    dialogs_.MessageBox(TMessageKind::Error, Text(text::kAppTitle), SaveErrorText(error));
    return;
  }
  tableFolders_.Used(fileName);
}

void TWindowModel::bOpenClick() {
  std::string fileName = tableFolders_.DialogFolder();
  if (!dialogs_.ExecuteOpenDialog(TableFileFilter(), fileName)) return;
  LoadVariableTableFile(fileName);
  tableFolders_.Used(fileName);
}

// ---- Focus, keys, the status line, history and reuse of results ----------------

void TWindowModel::FocusMoved(TWindowArea from, TWindowArea to) {
  if (from == to) return;
  if (from == TWindowArea::Term) eTermExit();
  if (from == TWindowArea::Variables) sgVariablesExit();
}

bool TWindowModel::CommandAvailable(TWindowCommand command) const {
  switch (command) {
    case TWindowCommand::Open:
    case TWindowCommand::Save:
    case TWindowCommand::AddVariable:
    case TWindowCommand::DeleteVariable:
      // The table's buttons act only while the variables panel is shown.
      return variablesShown_;
    case TWindowCommand::ClearResults:
    case TWindowCommand::ToggleVariables:
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

}  // namespace veltaro
