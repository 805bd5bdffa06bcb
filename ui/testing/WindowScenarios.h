// The window's everyday behaviours as one table of scenarios: steps a user
// takes and what the window then shows. The same table runs against the
// window model through a recording view and against each real window
// through its controls, each behind a TWindowDriver.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "GridTable.h"
#include "WindowDesign.h"

namespace veltaro {

class TWindowDriver {
 public:
  virtual ~TWindowDriver() = default;

  // The entry field's text replaced as typing it would.
  virtual void Type(const std::string& term) = 0;
  // A click on the control of that design name (a button, a radio button,
  // the check box).
  virtual void Click(const std::string& control) = 0;
  virtual void Key(TTermKey key) = 0;
  // A command's own key.
  virtual void Command(TWindowCommand command) = 0;
  // The focus moves from the entry field or the grid to the results list.
  virtual void Leave() = 0;
  // A grid cell's text (data rows from 1) edited and committed; the focus
  // stays in the grid.
  virtual void EditCell(int col, int row, const std::string& text) = 0;
  virtual void SelectRow(int row) = 0;
  // "Use in term" on a line of the results list (from 0).
  virtual void UseResult(int line) = 0;
  // The answer to the next input box; none stands for Cancel.
  virtual void AnswerInput(std::optional<std::string> answer) = 0;

  virtual std::vector<std::string> Results() = 0;
  virtual std::vector<TGridRow> Grid() = 0;
  virtual std::string Term() = 0;
  virtual std::string Status() = 0;
  // The message boxes shown so far, as "title: text".
  virtual std::vector<std::string> Messages() = 0;
  virtual bool VariablesShown() = 0;
};

struct TWindowScenario {
  const char* name;
  // "type TEXT", "click NAME", "key Up|Down|Escape", "command Open|Save|
  // ClearResults|AddVariable|DeleteVariable|ToggleVariables|Undo|Redo",
  // "leave",
  // "cell COL ROW TEXT", "select ROW", "use LINE", "answer TEXT",
  // "cancel".
  std::vector<std::string> steps;
  std::vector<std::string> results;
  // "label=value=comment" for each grid row; an empty table shows "==".
  std::vector<std::string> grid;
  std::optional<std::string> term;
  std::optional<std::string> status;
  std::vector<std::string> messages;
  bool variablesShown = true;
};

const std::vector<TWindowScenario>& WindowScenarios();

// "label=value=comment" for each grid row, for compact expectations.
std::vector<std::string> RowTexts(const std::vector<TGridRow>& rows);

// Takes the scenario's steps, then checks what the window shows (gtest
// expectations naming the scenario).
void RunScenario(TWindowDriver& driver, const TWindowScenario& scenario);

}  // namespace veltaro
