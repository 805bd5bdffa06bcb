#include "WindowScenarios.h"

#include <gtest/gtest.h>

#include <sstream>

namespace veltaro {

namespace {

constexpr const char* kDot = "  \xC2\xB7  ";

std::string S(const char* a, const char* b) { return std::string(a) + kDot + b; }

std::optional<TWindowCommand> CommandNamed(const std::string& name) {
  static const std::pair<const char*, TWindowCommand> kNames[] = {
      {"Open", TWindowCommand::Open},
      {"Save", TWindowCommand::Save},
      {"ClearResults", TWindowCommand::ClearResults},
      {"AddVariable", TWindowCommand::AddVariable},
      {"DeleteVariable", TWindowCommand::DeleteVariable},
      {"ToggleVariables", TWindowCommand::ToggleVariables},
      {"Undo", TWindowCommand::Undo},
      {"Redo", TWindowCommand::Redo},
  };
  for (const auto& [text, command] : kNames)
    if (name == text) return command;
  return std::nullopt;
}

void TakeStep(TWindowDriver& driver, const std::string& step) {
  const std::size_t blank = step.find(' ');
  const std::string verb = step.substr(0, blank);
  const std::string rest = blank == std::string::npos ? "" : step.substr(blank + 1);
  if (verb == "type") return driver.Type(rest);
  if (verb == "click") return driver.Click(rest);
  if (verb == "leave") return driver.Leave();
  if (verb == "answer") return driver.AnswerInput(rest);
  if (verb == "cancel") return driver.AnswerInput(std::nullopt);
  if (verb == "select") return driver.SelectRow(std::stoi(rest));
  if (verb == "use") return driver.UseResult(std::stoi(rest));
  if (verb == "key") {
    if (rest == "Up") return driver.Key(TTermKey::Up);
    if (rest == "Down") return driver.Key(TTermKey::Down);
    if (rest == "Escape") return driver.Key(TTermKey::Escape);
  }
  if (verb == "command") {
    if (const std::optional<TWindowCommand> command = CommandNamed(rest)) return driver.Command(*command);
  }
  if (verb == "cell") {
    std::istringstream in(rest);
    int col = 0, row = 0;
    in >> col >> row;
    std::string text;
    std::getline(in >> std::ws, text);
    return driver.EditCell(col, row, text);
  }
  ADD_FAILURE() << "unknown step: " << step;
}

}  // namespace

std::vector<std::string> RowTexts(const std::vector<TGridRow>& rows) {
  std::vector<std::string> texts;
  for (const TGridRow& row : rows) texts.push_back(row[0] + "=" + row[1] + "=" + row[2]);
  return texts;
}

const std::vector<TWindowScenario>& WindowScenarios() {
  static const std::vector<TWindowScenario> scenarios = {
      {"CalculateAppendsTheResultAndCreatesTheVariablesOfTheTerm",
       {"type 2*x+y", "click bCalculate"},
       {"Result: 0"},
       {"x=0=", "y=0="}},
      {"AnInvalidTermCreatesNothing",
       {"type 2x+y", "click bCalculate", "type 2+*", "click bSmartCalculate", "type ", "click bCalculate"},
       {"Error: Invalid expression: \"2x+y\".", "Error: Invalid expression: \"2+*\".", "Error: Invalid expression: \"\"."},
       {"=="}},
      {"SmartCalculateGivesClosedForms",
       {"type sqrt(2)", "click bSmartCalculate", "type pi/2", "click bSmartCalculate", "type 1/3",
        "click bCalculate", "click bSmartCalculate"},
       {"Result: 2^(1/2)", "Result: 1/2*pi", "Result: 0.333333333333333", "Result: 1/3"},
       {"=="}},
      {"ComplexResultsOffMakesANonRealResultAnError",
       {"type sqrt(-4)", "click bCalculate", "click cbComplex", "click bCalculate", "click bSmartCalculate",
        "type 2*3", "click bCalculate"},
       {"Result: 2*i", "Error: Mathematical error in expression.", "Error: Mathematical error in expression.",
        "Result: 6"},
       {"=="}},
      {"DegreeModeAppliesToTermsAndValueCells",
       {"click rbDegMode", "type arcsin(1)", "click bCalculate", "type a", "leave", "cell 1 1 arccos(0)",
        "click bCalculate", "click rbRadMode", "type sin(a)", "click bCalculate"},
       {"Result: 90", "Result: 90", "Result: 0.893996663600558"},
       {"a=90="}},
      {"AValueCellIsATermWithoutVariablesAndAValidTermRestoresAnInvalidOne",
       {"type x*2", "leave", "cell 1 1 sqrt(-4)", "cell 2 1 the root", "click bCalculate", "cell 1 1 y+1",
        "click bCalculate", "cell 1 1 3", "click bCalculate"},
       {"Result: 4*i", "Result: 4*i", "Result: 6"},
       {"x=3=the root"}},
      {"AnInvalidValueIsReportedWhenTheTermDoesNotParse",
       {"type a+b", "leave", "cell 1 1 5", "cell 1 2 a", "type 2x", "click bCalculate"},
       {"Error: Invalid variable value entered."},
       {"a=5=", "b=a="}},
      {"LeavingTheFieldCreatesTheVariablesOfAValidTermOnly",
       {"type q+r", "leave", "type s+", "leave"},
       {},
       {"q=0=", "r=0="}},
      {"AddVariableAsksForALabel",
       {"answer v", "click bAddVar", "answer v", "click bAddVar", "answer 1v", "click bAddVar", "answer (w)",
        "click bAddVar", "cancel", "click bAddVar", "answer ", "click bAddVar"},
       {},
       {"v=0=", "w=0="},
       std::nullopt,
       std::nullopt,
       {"Error: Variable v already exists.", "Error: Invalid variable label: \"1v\"."}},
      {"DeleteVariableDeletesTheSelectedRow",
       {"type a+b+c", "leave", "select 2", "click bDeleteVar", "select 1", "command DeleteVariable"},
       {},
       {"c=0="}},
      {"DeletingTheLastVariableLeavesOneEmptyRow",
       {"type a", "leave", "select 1", "click bDeleteVar", "click bDeleteVar"},
       {},
       {"=="}},
      {"ClearResultsEmptiesTheList",
       {"type 1+1", "click bCalculate", "click bClearResults", "type 2+2", "click bCalculate", "command ClearResults"},
       {},
       {"=="}},
      {"HidingTheVariablesPanelTurnsTheTableKeysOff",
       {"click bVariables", "answer z", "command AddVariable", "command ToggleVariables", "answer y",
        "command AddVariable", "click bVariables"},
       {},
       {"z=0="},
       std::nullopt,
       std::nullopt,
       {},
       false},
      {"UpAndDownWalkThroughTheCalculatedTerms",
       {"type 1+1", "click bCalculate", "type 2+2", "click bCalculate", "click bCalculate", "type draft", "key Up",
        "key Up", "key Up", "key Down", "key Down"},
       {"Result: 2", "Result: 4", "Result: 4"},
       {"=="},
       "draft"},
      {"EscapeEmptiesTheField",
       {"type 1+1", "click bCalculate", "key Up", "key Escape"},
       {"Result: 2"},
       {"=="},
       ""},
      {"UseInTermInsertsTheValueInBracketsWhereNeeded",
       {"type -3", "click bCalculate", "type 1/0", "click bCalculate", "type 2^", "use 0", "use 1"},
       {"Result: -3", "Error: Mathematical error in expression."},
       {"=="},
       "2^(-3)"},
      {"DeleteVariableCanBeUndoneAndRedone",
       {"type a+b", "leave", "select 1", "click bDeleteVar", "command Undo", "command Redo", "command Undo"},
       {},
       {"a=0=", "b=0="},
       std::nullopt,
       S("Undone: a deleted", "Ctrl+Y does it again")},
      {"TheDeleteKeyActsOnlyInTheGrid",
       {"type a+b", "leave", "select 1", "type 1", "command DeleteVariable"},
       {},
       {"a=0=", "b=0="}},
      {"UndoBringsBackGridEditsThatARebuildReplaced",
       {"type x", "leave", "cell 1 1 1+", "cell 2 1 note", "type y", "leave", "command Undo"},
       {},
       {"x=1+=note"},
       std::nullopt,
       S("Undone: Grid edits replaced by the table's values", "Ctrl+Y does it again")},
      {"TheStatusLineFollowsValuesWrittenBack",
       {"type x*2", "leave", "cell 1 1 99", "type x*2", "cell 1 1 5", "leave"},
       {},
       {"x=5="},
       std::nullopt,
       "= 10"},
      {"LeavingTheGridNamesARejectedValue",
       {"type a+b", "leave", "cell 1 2 a+1", "leave"},
       {},
       {"a=0=", "b=a+1="},
       std::nullopt,
       "The value of b is not a constant term: a+1"},
      {"TheStatusLineTellsWhatCalculateWouldGive",
       {"type x^2^3"},
       {},
       {"=="},
       std::nullopt,
       S(S("= 0", "reads as (x^2)^3").c_str(), "creates x")},
      {"TheStatusLineFollowsTheOptions",
       {"type sqrt(-1)", "click cbComplex"},
       {},
       {"=="},
       std::nullopt,
       "The result i has an imaginary part; Complex results is off."},
      {"TheStatusLineSaysWhyATermHasNoValue",
       {"type 1/(x-x)"},
       {},
       {"=="},
       std::nullopt,
       S("Division by zero in 1/(x-x): x-x is 0.", "creates x")},
      {"TheStatusLineExplainsAnInvalidTerm",
       {"type 2x"},
       {},
       {"=="},
       std::nullopt,
       S("An operator is missing here; write * to multiply.", "try 2*x")},
  };
  return scenarios;
}

void RunScenario(TWindowDriver& driver, const TWindowScenario& scenario) {
  SCOPED_TRACE(scenario.name);
  for (const std::string& step : scenario.steps) {
    SCOPED_TRACE(step);
    TakeStep(driver, step);
  }
  EXPECT_EQ(driver.Results(), scenario.results);
  EXPECT_EQ(RowTexts(driver.Grid()), scenario.grid);
  if (scenario.term) EXPECT_EQ(driver.Term(), *scenario.term);
  if (scenario.status) EXPECT_EQ(driver.Status(), *scenario.status);
  EXPECT_EQ(driver.Messages(), scenario.messages);
  EXPECT_EQ(driver.VariablesShown(), scenario.variablesShown);
}

}  // namespace veltaro
