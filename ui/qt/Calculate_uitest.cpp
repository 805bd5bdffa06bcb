// Calculate and Smart-Calculate driven through the window's controls.
#include "WindowFixture.h"

namespace veltaro::testing_support {
namespace {

using CalculateCommands = WindowTest;

struct TLineCase {
  const char* term;
  bool smart;
  bool complexResults;
  const char* line;
};

TEST_F(CalculateCommands, AppendOneLinePerCommand) {
  StartEmpty();
  const TLineCase cases[] = {
      {"2+3", false, true, "Result: 5"},
      {"", false, true, "Error: Invalid expression: \"\"."},
      {"2+*", false, true, "Error: Invalid expression: \"2+*\"."},
      {"sqrt(-1)", false, true, "Result: i"},
      {"sqrt(-1)", false, false, "Error: Mathematical error in expression."},
      {"1/0", false, true, "Error: Mathematical error in expression."},
      {"1/3", true, true, "Result: 1/3"},
      {"pi/2", true, true, "Result: 1/2*pi"},
      {"sqrt(2)", true, true, "Result: 2^(1/2)"},
      {"sqrt(-4)", true, true, "Result: 2*i"},
      {"sqrt(-4)", true, false, "Error: Mathematical error in expression."},
      {"1/3", false, true, "Result: 0.333333333333333"},
      {"2*3", false, false, "Result: 6"},
      {"  1 + 1 ", false, true, "Result: 2"},
  };
  int count = 0;
  for (const TLineCase& c : cases) {
    SCOPED_TRACE(c.term);
    if (window->cbComplex->isChecked() != c.complexResults) Click(window->cbComplex);
    Type(QString::fromUtf8(c.term));
    Click(c.smart ? window->bSmartCalculate : window->bCalculate);
    const QStringList lines = Results();
    ASSERT_EQ(lines.size(), ++count);
    EXPECT_EQ(lines.last().toStdString(), c.line);
  }
}

TEST_F(CalculateCommands, EnterRunsCalculateNotSmartCalculate) {
  StartEmpty();
  Type("1/3");
  PressEnter(window->eTerm);
  EXPECT_EQ(Results(), QStringList({"Result: 0.333333333333333"}));
  // Enter elsewhere in the window, outside a cell editor and a focused push
  // button, does the same.
  for (QWidget* focus : std::initializer_list<QWidget*>{window->cbComplex, window->sgVariables, window->mResults,
                                                         window->rbRadMode}) {
    SCOPED_TRACE(focus->objectName().toStdString());
    Focus(focus);
    const qsizetype before = Results().size();
    PressEnter(focus);
    EXPECT_EQ(Results().size(), before + 1);
    EXPECT_EQ(Results().last(), "Result: 0.333333333333333");
  }
}

TEST_F(CalculateCommands, EnterInAnOpenCellEditorOnlyClosesIt) {
  StartEmpty();
  Type("a");
  Focus(window->sgVariables);
  EditCell(1, 1, "7");
  EXPECT_TRUE(Results().isEmpty());
  EXPECT_EQ(GridRows()[0][1], "7");
}

TEST_F(CalculateCommands, PressingCalculateTwiceAppendsTwoEqualLines) {
  StartEmpty();
  Type("e^(i*pi)");
  Click(window->bCalculate);
  Click(window->bCalculate);
  EXPECT_EQ(Results(), QStringList({"Result: -1", "Result: -1"}));
}

TEST_F(CalculateCommands, TheInvalidExpressionLineEchoesTheTermAsTyped) {
  StartEmpty();
  const char* terms[] = {"*2", "2x y", "\"quoted\"", "sin(", "1,5", "\xc3\xa4+1"};
  for (const char* term : terms) {
    SCOPED_TRACE(term);
    Type(QString::fromUtf8(term));
    Click(window->bCalculate);
    EXPECT_EQ(Results().last().toStdString(), std::string("Error: Invalid expression: \"") + term + "\".");
  }
}

TEST_F(CalculateCommands, AVeryLongTermGivesOneLine) {
  StartEmpty();
  QString term;
  for (int k = 0; k < 32767; ++k) term += QStringLiteral("1+");
  term += QStringLiteral("1");  // 65,535 characters
  Type(term);
  Click(window->bCalculate);
  ASSERT_EQ(Results().size(), 1);
  EXPECT_EQ(Results().last(), "Result: 32768");
  Type(term + QStringLiteral("+1"));  // one character too many
  Click(window->bCalculate);
  ASSERT_EQ(Results().size(), 2);
  EXPECT_TRUE(Results().last().startsWith("Error: Invalid expression: \"1+1+"));
  Type(QString(65535, QLatin1Char('(')));
  Click(window->bCalculate);
  EXPECT_EQ(Results().size(), 3);
}

}  // namespace
}  // namespace veltaro::testing_support
