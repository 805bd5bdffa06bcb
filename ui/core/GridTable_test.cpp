#include "GridTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Complex.h"
#include "ScriptedDialogs.h"

namespace veltaro {
namespace {

// "label=re,im=comment" of every entry, in table order.
std::vector<std::string> Entries(const TVarTable& table) {
  std::vector<std::string> out;
  for (std::size_t k = 0; k < table.labels.size(); ++k) {
    const TComplex v = table.values[k];
    out.push_back(table.labels[k] + "=" + std::to_string(v.re) + "," + std::to_string(v.im) + "=" + table.comments[k]);
  }
  return out;
}

TVarTable Stale() {
  TVarTable table;
  table.labels = {"stale"};
  table.values = {TComplex{7, 0}};
  table.comments = {"before"};
  return table;
}

struct TWriteBackCase {
  const char* name;
  std::vector<TGridRow> rows;
  bool ok;
  std::vector<std::string> entries;  // the table afterwards
};

TEST(GridWriteBack, BuildsTheTableFromLabelledRowsOrLeavesItAlone) {
  DegMode = false;
  const TWriteBackCase cases[] = {
      {"blank row", {{"", "", ""}}, true, {}},
      {"one row", {{"a", "2", "two"}}, true, {"a=2.000000,0.000000=two"}},
      {"terms as values", {{"a", "2*3", ""}, {"b", "1+2*i", "c"}}, true,
       {"a=6.000000,0.000000=", "b=1.000000,2.000000=c"}},
      {"unlabelled rows are skipped, even invalid ones", {{"", "1+", "x"}, {"a", "1", ""}}, true,
       {"a=1.000000,0.000000="}},
      {"a repeated label keeps its first place, the later row wins",
       {{"q", "4", "first"}, {"r", "1", ""}, {"q", "5", "last"}}, true,
       {"q=5.000000,0.000000=last", "r=1.000000,0.000000="}},
      {"labels compare exactly", {{"x", "1", ""}, {"X", "2", ""}, {"x ", "3", ""}}, true,
       {"x=1.000000,0.000000=", "X=2.000000,0.000000=", "x =3.000000,0.000000="}},
      {"an empty value is invalid", {{"a", "", ""}}, false, {"stale=7.000000,0.000000=before"}},
      {"a value cannot use variables", {{"a", "1", ""}, {"b", "a+1", ""}}, false,
       {"stale=7.000000,0.000000=before"}},
      {"a value that fails to evaluate", {{"a", "1/0", ""}}, false, {"stale=7.000000,0.000000=before"}},
      {"a later invalid row spoils all", {{"a", "1", ""}, {"b", "2", ""}, {"c", "(", ""}}, false,
       {"stale=7.000000,0.000000=before"}},
  };
  for (const TWriteBackCase& c : cases) {
    SCOPED_TRACE(c.name);
    TVarTable table = Stale();
    EXPECT_EQ(TableFromGridRows(c.rows, table), c.ok);
    EXPECT_EQ(Entries(table), c.entries);
  }
}

TEST(GridWriteBack, EvaluatesValuesInTheCurrentAngleMode) {
  const std::vector<TGridRow> rows = {{"s", "sin(90)", ""}};
  TVarTable table;
  DegMode = true;
  ASSERT_TRUE(TableFromGridRows(rows, table));
  EXPECT_EQ(table.values[0], (TComplex{1, 0}));
  DegMode = false;
  ASSERT_TRUE(TableFromGridRows(rows, table));
  EXPECT_NEAR(table.values[0].re, 0.893996663600558, 1e-15);
}

TEST(GridWriteBack, AFullTableTakesNoFurtherLabels) {
  std::vector<TGridRow> rows;
  for (std::size_t k = 0; k < kMaxVariables + 2; ++k) {
    std::string label(1, 'v');
    label += std::to_string(k);
    rows.push_back({label, "0", ""});
  }
  rows.push_back({"v0", "3", "updated"});
  TVarTable table;
  ASSERT_TRUE(TableFromGridRows(rows, table));
  ASSERT_EQ(table.labels.size(), kMaxVariables);
  EXPECT_EQ(table.labels.back(), std::string(1, 'v') + std::to_string(kMaxVariables - 1));
  EXPECT_EQ(table.values[0], (TComplex{3, 0}));
  EXPECT_EQ(table.comments[0], "updated");
}

TEST(ScriptedDialogs, AnswersInOrderAndRecordsEveryQuestion) {
  TScriptedDialogs dialogs;
  dialogs.inputAnswers = {"x", std::nullopt};
  dialogs.saveAnswers = {"out"};
  std::string text = "preset";
  EXPECT_TRUE(dialogs.InputQuery("T", "P", text));
  EXPECT_EQ(text, "x");
  EXPECT_FALSE(dialogs.InputQuery("T", "P", text));
  EXPECT_EQ(text, "x");
  EXPECT_FALSE(dialogs.InputQuery("T", "P", text));  // no answer left: Cancel
  EXPECT_EQ(dialogs.unanswered, 1);
  std::string name;
  EXPECT_TRUE(dialogs.ExecuteSaveDialog({"F", "*.f"}, name));
  EXPECT_EQ(name, "out");
  EXPECT_FALSE(dialogs.ExecuteOpenDialog({"F", "*.f"}, name));
  dialogs.MessageBox(TMessageKind::Information, "Info", "text");
  const std::vector<std::string> expected = {"InputQuery|T|P|preset", "InputQuery|T|P|x", "InputQuery|T|P|x",
                                             "Save|F|*.f|",           "Open|F|*.f|",      "Information|Info|text|"};
  std::vector<std::string> seen;
  for (const auto& call : dialogs.calls) seen.push_back(call.what + "|" + call.title + "|" + call.text + "|" + call.preset);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(dialogs.unanswered, 2);
}

}  // namespace
}  // namespace veltaro
