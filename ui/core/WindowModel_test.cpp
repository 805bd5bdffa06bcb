// The window model without a toolkit: the scenario table through a recording
// view and scripted dialogs, and the rules no real window needs to repeat.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Complex.h"
#include "HelpEntry.h"
#include "RecordingView.h"
#include "SmartConversion.h"
#include "ScriptedDialogs.h"
#include "WindowModel.h"
#include "WindowScenarios.h"

namespace veltaro {
namespace {

class TModelDriver : public TWindowDriver {
 public:
  TModelDriver() : model(view, dialogs) {
    ClearVarTable(GlobalVarTable);
    DegMode = false;
    model.FormCreate();
    // Shown with a first argument that names no file: an empty table.
    model.SetStartup("/nonexistent/missing.vlt", "/nonexistent");
    model.FormShow();
  }
  ~TModelDriver() override {
    ClearVarTable(GlobalVarTable);
    DegMode = false;
  }

  void Type(const std::string& term) override {
    MoveFocus(TWindowArea::Term);
    view.SetTerm(term, term.size());
    model.TermEdited();
    model.RefreshStatus();
  }
  void Click(const std::string& control) override {
    // Buttons take the focus from where it was; the flat ones never do.
    const bool flat = control[0] == 'b' && control != "bCalculate" && control != "bSmartCalculate";
    if (!flat) MoveFocus(TWindowArea::Other);
    if (control == "bCalculate") return model.bCalculateClick();
    if (control == "bSmartCalculate") return model.bSmartCalculateClick();
    if (control == "bAddVar") return model.bAddVarClick();
    if (control == "bDeleteVar") return model.bDeleteVarClick();
    if (control == "bClearResults") return model.bClearResultsClick();
    if (control == "bVariables") return model.bVariablesClick();
    if (control == "bOpen") return model.bOpenClick();
    if (control == "bSave") return model.bSaveClick();
    if (control == "rbDegMode" || control == "rbRadMode") {
      view.degrees = control == "rbDegMode";
      return model.rbDegModeClick();
    }
    if (control == "cbComplex") {
      view.complexResults = !view.complexResults;
      return model.RefreshStatus();
    }
    ADD_FAILURE() << "no such control: " << control;
  }
  void Key(TTermKey key) override {
    MoveFocus(TWindowArea::Term);
    model.TermKey(key);
  }
  void Command(TWindowCommand command) override { model.RunCommand(command); }
  void Leave() override { MoveFocus(TWindowArea::Other); }
  void EditCell(int col, int row, const std::string& text) override {
    MoveFocus(TWindowArea::Variables);
    view.grid.at(static_cast<std::size_t>(row) - 1).at(static_cast<std::size_t>(col)) = text;
    view.selectedRow = row;
  }
  void SelectRow(int row) override {
    MoveFocus(TWindowArea::Variables);
    view.selectedRow = row;
  }
  void UseResult(int line) override { model.UseInTerm(view.results.at(static_cast<std::size_t>(line))); }
  void AnswerInput(std::optional<std::string> answer) override { dialogs.inputAnswers.push_back(answer); }

  std::vector<std::string> Results() override { return view.results; }
  std::vector<TGridRow> Grid() override { return view.grid; }
  std::string Term() override { return view.term; }
  std::string Status() override { return view.status; }
  std::vector<std::string> Messages() override {
    std::vector<std::string> messages;
    for (const TScriptedDialogs::TCall& call : dialogs.calls)
      if (call.what == "Error" || call.what == "Information") messages.push_back(call.title + ": " + call.text);
    return messages;
  }
  bool VariablesShown() override { return view.variablesShown; }

  void MoveFocus(TWindowArea to) {
    model.FocusMoved(focus, to);
    focus = to;
  }

  TRecordingView view;
  TScriptedDialogs dialogs;
  TWindowModel model;
  TWindowArea focus = TWindowArea::Term;
};

using TRows = std::vector<std::string>;

// The window's commands and grid driven as a user would, through the model.
class ModelWindow : public ::testing::Test {
 protected:
  void Type(const std::string& term) { d.Type(term); }
  void Click(const std::string& control) { d.Click(control); }
  void Leave() { d.Leave(); }
  void EditCell(int col, int row, const std::string& text) { d.EditCell(col, row, text); }
  void SelectRow(int row) { d.SelectRow(row); }
  TRows Grid() const { return RowTexts(d.view.grid); }
  const std::vector<std::string>& Results() const { return d.view.results; }

  TModelDriver d;
  TScriptedDialogs& dialogs = d.dialogs;
};

TEST_F(ModelWindow, CalculateCreatesTheTermsMissingVariablesWithZero) {
  Type("a+1");
  Click("bCalculate");
  Type("b*c+a");
  Click("bSmartCalculate");
  EXPECT_EQ(Grid(), TRows({"a=0=", "b=0=", "c=0="}));
  // An unparsable term creates nothing.
  Type("d+");
  Click("bCalculate");
  EXPECT_EQ(Results(), TRows({"Result: 1", "Result: 0", "Error: Invalid expression: \"d+\"."}));
  EXPECT_EQ(Grid().size(), 3u);
}

TEST_F(ModelWindow, CalculateUsesTheValuesTypedIntoTheGrid) {
  Type("a*b");
  EditCell(1, 1, "3");
  EditCell(1, 2, "2*i");
  Type("a*b");
  Click("bCalculate");
  EXPECT_EQ(Results(), TRows({"Result: 6*i"}));
  EXPECT_EQ(Grid(), TRows({"a=3=", "b=2*i="}));
}

TEST_F(ModelWindow, AnInvalidValueCellIsRestoredWhenTheTermParsesAndReportedWhenNot) {
  Type("a");
  Click("bCalculate");
  EditCell(1, 1, "5");
  Type("a");
  EditCell(1, 1, "1+");
  Type("a*2");
  Click("bCalculate");
  EXPECT_EQ(Results().back(), "Result: 10");
  EXPECT_EQ(Grid(), TRows({"a=5="}));
  EditCell(1, 1, "a+1");  // values cannot refer to variables
  Type("2+*");
  Click("bCalculate");
  Click("bSmartCalculate");
  EXPECT_EQ(Results(), TRows({"Result: 0", "Result: 10", "Error: Invalid variable value entered.",
                              "Error: Invalid variable value entered."}));
  EXPECT_EQ(Grid(), TRows({"a=a+1="}));
  EXPECT_EQ(GlobalVarTable.values[0], (TComplex{5, 0}));
}

TEST_F(ModelWindow, LeavingTheEntryFieldCreatesTheTermsVariablesInOrder) {
  const struct {
    const char* term;
    TRows rows;
  } cases[] = {
      {"a*b+a", {"a=0=", "b=0="}},
      {"b+c", {"a=0=", "b=0=", "c=0="}},
      {"2+*d", {"a=0=", "b=0=", "c=0="}},  // does not parse: nothing changes
      {"Ab+e+pi+i", {"a=0=", "b=0=", "c=0=", "Ab=0="}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.term);
    Type(c.term);
    Leave();
    EXPECT_EQ(Grid(), c.rows);
  }
  EXPECT_TRUE(Results().empty());
}

TEST_F(ModelWindow, ValueCellsAreEvaluatedInTheCurrentAngleMode) {
  Type("x");
  Leave();
  Click("rbDegMode");
  EditCell(1, 1, "sin(90)");
  Type("");
  EXPECT_EQ(GlobalVarTable.values[0], (TComplex{1, 0}));
  EXPECT_EQ(Grid(), TRows({"x=sin(90)="}));
  Leave();  // the empty term parses to nothing: no rebuild
  Type("x");
  Leave();
  EXPECT_EQ(Grid(), TRows({"x=1="}));
}

TEST_F(ModelWindow, AddVariableAcceptsALabelOnce) {
  dialogs.inputAnswers = {"x1", "x1", "X1", "(y)", "((z_2))"};
  for (int k = 0; k < 5; ++k) Click("bAddVar");
  EXPECT_EQ(Grid(), TRows({"x1=0=", "X1=0=", "y=0=", "z_2=0="}));
  ASSERT_EQ(dialogs.calls.size(), 6u);
  EXPECT_EQ(dialogs.calls[0].what, "InputQuery");
  EXPECT_EQ(dialogs.calls[0].title, "New variable");
  EXPECT_EQ(dialogs.calls[0].text, "Enter variable label:");
  EXPECT_EQ(dialogs.calls[0].preset, "");
  EXPECT_EQ(dialogs.calls[2].what, "Error");
  EXPECT_EQ(dialogs.calls[2].title, "Error");
  EXPECT_EQ(dialogs.calls[2].text, "Variable x1 already exists.");
  EXPECT_EQ(dialogs.unanswered, 0);
}

TEST_F(ModelWindow, AddVariableRefusesWhatIsNoSingleLabel) {
  for (const char* text : {"2x", "x y", "pi", "e", "i", "PI", "a+b", "sin(x)", "1", "  z  ", "\""}) {
    SCOPED_TRACE(text);
    dialogs.calls.clear();
    dialogs.inputAnswers = {std::string(text)};
    Click("bAddVar");
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[1].what, "Error");
    EXPECT_EQ(dialogs.calls[1].title, "Error");
    EXPECT_EQ(dialogs.calls[1].text, std::string("Invalid variable label: \"") + text + "\".");
  }
  EXPECT_EQ(Grid(), TRows({"=="}));
}

TEST_F(ModelWindow, AddVariableCancelledEmptyOrAfterAFailedWriteBack) {
  Type("a+b");
  Leave();
  EditCell(1, 1, "3");
  EditCell(1, 2, "1+");  // makes the whole write-back fail
  dialogs.inputAnswers = {std::nullopt, std::string()};
  Click("bAddVar");
  Click("bAddVar");
  EXPECT_EQ(dialogs.calls.size(), 2u);
  EXPECT_EQ(Grid(), TRows({"a=3=", "b=1+="}));
  dialogs.inputAnswers = {"c", "c"};
  Click("bAddVar");
  EXPECT_EQ(Grid(), TRows({"a=0=", "b=0=", "c=0="}));
  // A refused label leaves the grid as it is, edits included.
  EditCell(1, 1, "9");
  EditCell(1, 2, "1+");
  Click("bAddVar");
  EXPECT_EQ(dialogs.calls.back().text, "Variable c already exists.");
  EXPECT_EQ(Grid(), TRows({"a=9=", "b=1+=", "c=0="}));
}

TEST_F(ModelWindow, DeleteVariableRemovesTheSelectedRowsVariableAfterAWriteBack) {
  Type("a+b+c");
  Leave();
  EditCell(1, 1, "5");
  EditCell(1, 3, "7");
  SelectRow(2);
  Click("bDeleteVar");
  EXPECT_EQ(Grid(), TRows({"a=5=", "c=7="}));
  EXPECT_TRUE(dialogs.calls.empty());  // no confirmation
  EditCell(1, 1, "1+");
  EditCell(2, 2, "kept?");
  SelectRow(1);
  Click("bDeleteVar");  // the failed edits go with the rebuild
  EXPECT_EQ(Grid(), TRows({"c=7="}));
  Click("bDeleteVar");
  Click("bDeleteVar");  // the blank row of an empty table has no label
  EXPECT_EQ(Grid(), TRows({"=="}));
  EXPECT_TRUE(GlobalVarTable.labels.empty());
}

TEST_F(ModelWindow, UpAndDownWalkThroughTheCalculatedTerms) {
  for (const char* term : {"1+1", "2+2", "2+2", "3+3"}) {
    Type(term);
    Click("bCalculate");
  }
  Type("draft");
  const std::pair<TTermKey, const char*> walk[] = {
      {TTermKey::Up, "3+3"},   {TTermKey::Up, "2+2"},     {TTermKey::Up, "1+1"},  {TTermKey::Up, "1+1"},
      {TTermKey::Down, "2+2"}, {TTermKey::Down, "3+3"},   {TTermKey::Down, "draft"},
      {TTermKey::Escape, ""},
  };
  for (const auto& [key, term] : walk) {
    d.Key(key);
    EXPECT_EQ(d.view.term, term);
  }
  EXPECT_EQ(Results().size(), 4u);
}

TEST_F(ModelWindow, OpeningCanBeUndoneAlsoAFileThatIsNotThere) {
  Type("p+q");
  Leave();
  EditCell(2, 1, "mine");
  dialogs.openAnswers = {std::string("/nonexistent/nothere.vlt")};
  Click("bOpen");
  EXPECT_EQ(Grid(), TRows({"=="}));
  EXPECT_EQ(d.view.status, "nothere.vlt could not be read: the table is empty  \xC2\xB7  "
                           "Ctrl+Z brings the previous one back");
  EXPECT_TRUE(d.model.Undo());
  EXPECT_EQ(Grid(), TRows({"p=0=mine", "q=0="}));
  EXPECT_TRUE(d.model.Redo());
  EXPECT_EQ(Grid(), TRows({"=="}));
  EXPECT_FALSE(d.model.Redo());
  EXPECT_EQ(d.view.status, "Nothing to redo");
}

TEST_F(ModelWindow, AtLeastTwentyStepsCanBeUndone) {
  std::string term = "v0";
  for (int k = 1; k <= TWindowModel::kMaxUndoSteps; ++k) term += "+v" + std::to_string(k);
  Type(term);
  Leave();
  for (std::size_t k = 0; k < TWindowModel::kMaxUndoSteps; ++k) {
    SelectRow(1);
    Click("bDeleteVar");
  }
  EXPECT_EQ(Grid(), TRows({"v25=0="}));
  int undone = 0;
  while (d.model.Undo()) ++undone;
  EXPECT_EQ(undone, static_cast<int>(TWindowModel::kMaxUndoSteps));
  EXPECT_EQ(Grid().size(), TWindowModel::kMaxUndoSteps + 1);
  EXPECT_EQ(d.view.status, "Nothing to undo");
}

TEST_F(ModelWindow, SaveAsksBeforeReplacingTheFileItWrites) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "veltaro-model-replace";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string kept = (dir / "vars.vlt").generic_string();
  { std::ofstream(kept, std::ios::binary) << "kept"; }
  Type("k");
  Leave();
  // vars.txt becomes vars.vlt, which exists: the question names that file.
  dialogs.saveAnswers = {(dir / "vars.txt").generic_string()};
  dialogs.questionAnswers = {TAnswer::No};
  Click("bSave");
  ASSERT_EQ(dialogs.calls.size(), 2u);
  EXPECT_EQ(dialogs.calls[1].what, "Question");
  EXPECT_EQ(dialogs.calls[1].title, "Veltaro");
  EXPECT_EQ(dialogs.calls[1].text, "vars.vlt already exists. Replace it?");
  // Read and closed at once: a file open here could not be replaced on Windows.
  const auto contents = [&kept] {
    std::ifstream in(kept, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(contents(), "kept");
  dialogs.saveAnswers = {kept};
  dialogs.questionAnswers = {TAnswer::Yes};
  d.model.bSaveClick();
  EXPECT_EQ(contents().substr(0, 22), "Veltaro Variable table");
  std::filesystem::remove_all(dir);
}

TEST_F(ModelWindow, ClosingAsksOnlyWhenWorkWouldBeLost) {
  // Variables a term created are no work; a typed value or comment is.
  Type("a+b");
  Leave();
  EXPECT_FALSE(d.model.HasUnsavedWork());
  EXPECT_TRUE(d.model.CanClose());
  EditCell(2, 1, "note");
  EXPECT_TRUE(d.model.HasUnsavedWork());
  const struct {
    std::vector<TAnswer> answers;
    std::optional<std::string> saveAs;
    bool closes;
  } cases[] = {
      {{TAnswer::Cancel}, std::nullopt, false},
      {{TAnswer::Yes}, std::nullopt, false},  // the save dialog cancelled
      {{TAnswer::No}, std::nullopt, true},
  };
  for (const auto& c : cases) {
    dialogs.questionAnswers = {c.answers.begin(), c.answers.end()};
    dialogs.saveAnswers = {c.saveAs};
    EXPECT_EQ(d.model.CanClose(), c.closes);
    EXPECT_EQ(dialogs.calls.back().what, c.answers[0] == TAnswer::Yes ? "Save" : "Question");
  }
  EXPECT_EQ(dialogs.calls[0].text, "Save changes to the variable table?");
  EXPECT_EQ(dialogs.calls[0].preset, "Yes/No/Cancel");
  // Saved, the same table asks nothing; a deleted variable is work again.
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "veltaro-model-close.vlt";
  std::filesystem::remove(file);
  dialogs.questionAnswers = {TAnswer::Yes};
  dialogs.saveAnswers = {file.generic_string()};
  EXPECT_TRUE(d.model.CanClose());
  EXPECT_FALSE(d.model.HasUnsavedWork());
  SelectRow(2);
  Click("bDeleteVar");
  EXPECT_TRUE(d.model.HasUnsavedWork());
  d.model.Undo();
  EXPECT_FALSE(d.model.HasUnsavedWork());
  std::filesystem::remove(file);
}

TEST(WindowModel, EverydayScenarios) {
  for (const TWindowScenario& scenario : WindowScenarios()) {
    TModelDriver driver;
    RunScenario(driver, scenario);
  }
}

TEST(WindowModel, AnInvalidTermsFaultIsSelectedAfterTheCommand) {
  const struct {
    const char* term;
    std::size_t start, length;
  } cases[] = {{"2x", 1, 1}, {"1.2.3", 3, 1}, {"x + 1", 1, 1}, {"1,5", 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.term);
    TModelDriver driver;
    driver.Type(c.term);
    driver.model.bCalculateClick();
    EXPECT_EQ(driver.view.results.back(), std::string("Error: Invalid expression: \"") + c.term + "\".");
    EXPECT_EQ(driver.view.selectionStart, c.start);
    EXPECT_EQ(driver.view.selectionLength, c.length);
  }
  // A valid term selects nothing.
  TModelDriver driver;
  driver.Type("1+1");
  driver.model.bSmartCalculateClick();
  EXPECT_EQ(driver.view.selectionLength, 0u);
}

TEST(WindowModel, TheOperationWithoutValueIsSelectedAfterTheCommand) {
  const struct {
    const char* term;
    const char* selected;
  } cases[] = {{"2+1/(x-x)", "1/(x-x)"}, {"((ln(0))*3", "ln(0)"}, {"exp(1000)", "exp(1000)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.term);
    TModelDriver driver;
    driver.Type(c.term);
    driver.model.bCalculateClick();
    EXPECT_EQ(driver.view.results.back(), "Error: Mathematical error in expression.");
    EXPECT_EQ(std::string(c.term).substr(driver.view.selectionStart, driver.view.selectionLength), c.selected);
  }
}

TEST(WindowModel, AFailedWriteBackMarksEachInvalidValueUntilTheNextRebuild) {
  TModelDriver driver;
  driver.view.grid = {{"a", "1", ""}, {"b", "a+1", ""}, {"", "junk", ""}, {"c", "2*", ""}};
  EXPECT_FALSE(driver.model.WriteVariableTable());
  EXPECT_EQ(driver.view.marked, (std::vector<int>{2, 4}));
  EXPECT_TRUE(GlobalVarTable.labels.empty());
  driver.view.grid = {{"a", "1", "one\r\ntwo\nthree"}};
  driver.model.bCalculateClick();  // the empty term: the table is written back first
  ASSERT_EQ(GlobalVarTable.comments.size(), 1u);
  EXPECT_EQ(GlobalVarTable.comments[0], "one two three");
}

TEST(WindowModel, FocusLeavingAPartRunsItsExitOnce) {
  TModelDriver driver;
  driver.view.term = "p";
  const int before = driver.view.rebuilds;
  driver.model.FocusMoved(TWindowArea::Term, TWindowArea::Term);
  driver.model.FocusMoved(TWindowArea::Other, TWindowArea::Variables);
  EXPECT_EQ(driver.view.rebuilds, before);
  driver.model.FocusMoved(TWindowArea::Term, TWindowArea::Variables);
  EXPECT_EQ(driver.view.rebuilds, before + 1);
  driver.view.grid[0][1] = "x";
  driver.model.FocusMoved(TWindowArea::Variables, TWindowArea::Other);
  EXPECT_EQ(driver.view.marked, std::vector<int>{1});
}

TEST(WindowModel, TheLinkAndTheHelpButtons) {
  TModelDriver driver;
  std::vector<std::int32_t> contexts;
  const THelpHandler previous = SetHelpHandler([&](std::uint16_t, std::int32_t data, bool&) {
    contexts.push_back(data);
    return true;
  });
  driver.model.SpeedButton1Click();
  driver.model.SpeedButton2Click();
  driver.model.lKelvaraLinkClick();
  SetHelpHandler(previous);
  EXPECT_EQ(contexts, (std::vector<std::int32_t>{1, 999}));
  EXPECT_EQ(driver.view.openedAddresses, std::vector<std::string>{"http://www.kelvara.example/freeware.html"});
}

TEST(WindowModel, SaveAndOpenGoThroughTheDialogsAndTheFile) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("veltaro-model-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  {
    TModelDriver driver;
    driver.Type("k+1");
    driver.Leave();
    driver.EditCell(1, 1, "2*i");
    driver.EditCell(2, 1, "kept");
    driver.dialogs.saveAnswers.push_back((dir / "t.txt").generic_string());
    driver.model.bSaveClick();
    ASSERT_TRUE(std::filesystem::exists(dir / "t.vlt"));  // the table extension replaces another
    driver.dialogs.saveAnswers.push_back((dir / "missing" / "t.vlt").generic_string());
    driver.model.bSaveClick();
    // A failed save says why in an error box titled with the program's name.
    ASSERT_EQ(driver.Messages().size(), 1u);
    EXPECT_EQ(driver.dialogs.calls.back().what, "Error");
    EXPECT_EQ(driver.dialogs.calls.back().title, "Veltaro");
  }
  TModelDriver driver;
  driver.dialogs.openAnswers.push_back((dir / "t.vlt").generic_string());
  driver.model.bOpenClick();
  EXPECT_EQ(driver.view.grid, (std::vector<TGridRow>{{"k", "2*i", "kept"}}));
  // The next dialog starts where the last table was.
  driver.dialogs.openAnswers.push_back(std::nullopt);
  driver.model.bOpenClick();
  EXPECT_EQ(driver.dialogs.calls.back().folder, dir.generic_string() + "/");
  driver.dialogs.openAnswers.push_back((dir / "nothere.vlt").generic_string());
  driver.model.bOpenClick();
  EXPECT_EQ(driver.view.grid, std::vector<TGridRow>{TGridRow{}});
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace veltaro
