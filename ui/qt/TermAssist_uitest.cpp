// The help around the entry field, driven through the window's controls:
// the status line, selection of an invalid term's fault, the history, the
// reuse of results and the keys of the commands.
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QShortcut>
#include <QTextBlock>
#include <QTextLayout>

#include "TermAssist.h"
#include "WindowFixture.h"

namespace veltaro::testing_support {
namespace {

class TermAssist : public WindowTest {
 protected:
  // Types as a person does, key by key, and lets the preview run.
  void TypeKeys(const QString& text) {
    Focus(window->eTerm);
    window->eTerm->clear();
    QTest::keyClicks(window->eTerm, text);
    QApplication::processEvents();
  }
  QString Status() const { return window->lTermStatus->toolTip(); }
  void Key(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(widget, key, modifiers);
    QApplication::processEvents();
  }
  // The point of the results list's viewport where a line is drawn.
  QPoint PointOfLine(int line) const {
    const QTextBlock block = window->mResults->document()->findBlockByNumber(line);
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::Right);
    return window->mResults->cursorRect(cursor).center();
  }
};

TEST_F(TermAssist, TheStatusLineTellsWhatCalculateWouldGiveWithoutDoingAnything) {
  StartEmpty();
  const struct {
    const char* term;
    const char* status;
  } cases[] = {
      {"3/2", "= 1.5"},
      {"2^3^2", "= 64  \xC2\xB7  reads as (2^3)^2"},
      {"-2^2", "= -4  \xC2\xB7  reads as -(2^2)"},
      {"1+2)*3", "= 7  \xC2\xB7  reads as 1+(2*3)"},
      {"sin(x)^2", "= 0  \xC2\xB7  creates x"},
      {"a*b+a", "= 0  \xC2\xB7  creates a, b"},
      {"1/0", "Division by zero in 1/0."},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.term);
    TypeKeys(QString::fromUtf8(c.term));
    EXPECT_EQ(Status().toStdString(), c.status);
  }
  // Nothing was appended, created or shown in the grid.
  EXPECT_TRUE(Results().isEmpty());
  EXPECT_TRUE(GlobalVarTable.labels.empty());
  EXPECT_EQ(RowTexts(GridRows()), std::vector<std::string>({"=="}));
  // The angle mode and "Complex results" are those Calculate would use.
  TypeKeys("sqrt(-1)");
  EXPECT_EQ(Status(), "= i");
  Click(window->cbComplex);
  EXPECT_EQ(Status(), "The result i has an imaginary part; Complex results is off.");
  Click(window->cbComplex);
  TypeKeys("sin(90)");
  Click(window->rbDegMode);
  EXPECT_EQ(Status(), "= 1");
}

TEST_F(TermAssist, TheStatusLineExplainsAnInvalidTermAndSuggestsAFix) {
  StartEmpty();
  const char* terms[] = {"2x", "2*-3", "x + 1", "sin()", "1,5", "2+"};
  for (const char* term : terms) {
    SCOPED_TRACE(term);
    TypeKeys(QString::fromUtf8(term));
    EXPECT_FALSE(Status().isEmpty());
    EXPECT_FALSE(Status().startsWith("="));
  }
  TypeKeys("2x");
  EXPECT_TRUE(Status().endsWith(QString::fromUtf8("try 2*x"))) << Status().toStdString();
  EXPECT_TRUE(Results().isEmpty());
}

TEST_F(TermAssist, TheStatusLineLiesBetweenTheFieldAndTheButtonsAndIsElided) {
  StartEmpty();
  QLabel* status = window->lTermStatus;
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->parentWidget(), window->pEntry);
  EXPECT_TRUE(status->isVisible());
  EXPECT_GT(status->geometry().top(), window->eTerm->geometry().bottom());
  EXPECT_LT(status->geometry().bottom(), window->bSmartCalculate->geometry().top());
  EXPECT_LE(status->geometry().right(), window->pEntry->width());
  TypeKeys("a+b+c+d+e+f+g+h+j+k+l+m+n+o+p+q+r+s+t+u+v+w+y+z");
  EXPECT_TRUE(Status().contains("creates a, b, c"));
  EXPECT_NE(status->text(), Status());  // elided, the whole text in the tooltip
  EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
  // Too long for its line, the explanation gives way and the advice stays.
  status->resize(status->fontMetrics().horizontalAdvance("try 3*x") * 3, status->height());
  TypeKeys("3x");
  ASSERT_TRUE(Status().endsWith("try 3*x"));
  EXPECT_TRUE(status->text().endsWith("try 3*x"));
  EXPECT_TRUE(status->text().contains(QChar(0x2026)));
  EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
}

TEST_F(TermAssist, CtrlEnterRunsSmartCalculateAndAFocusedButtonTakesEnter) {
  StartEmpty();
  Type("1/3");
  Key(window->eTerm, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(Results(), QStringList({"Result: 1/3"}));
  Focus(window->bSmartCalculate);
  PressEnter(window->bSmartCalculate);
  EXPECT_EQ(Results().last(), "Result: 1/3");
  Focus(window->bCalculate);
  PressEnter(window->bCalculate);
  EXPECT_EQ(Results().last(), "Result: 0.333333333333333");
  EXPECT_EQ(Results().size(), 3);
}

TEST_F(TermAssist, ResultsAreCopiedAndUsedFromTheResultsList) {
  StartEmpty();
  Type("-5");
  Click(window->bCalculate);
  Type("1/0");
  Click(window->bCalculate);
  Type("2*");
  window->eTerm->setCursorPosition(2);
  std::unique_ptr<QMenu> menu(window->TermAssist()->NewResultsMenu(PointOfLine(0)));
  QAction* copy = menu->findChild<QAction*>("aCopyResult");
  QAction* use = menu->findChild<QAction*>("aUseInTerm");
  ASSERT_TRUE(copy && use);
  EXPECT_EQ(copy->text(), "Copy result");
  EXPECT_EQ(use->text(), "Use in term");
  EXPECT_TRUE(copy->isEnabled());
  copy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "-5");
  use->trigger();
  EXPECT_EQ(window->eTerm->text(), "2*(-5)");
  EXPECT_EQ(window->eTerm->cursorPosition(), 6);
  // An error line offers neither.
  menu.reset(window->TermAssist()->NewResultsMenu(PointOfLine(1)));
  EXPECT_FALSE(menu->findChild<QAction*>("aCopyResult")->isEnabled());
  EXPECT_FALSE(menu->findChild<QAction*>("aUseInTerm")->isEnabled());
  // A double click uses the line's value.
  Type("1+");
  window->eTerm->setCursorPosition(2);
  QTest::mouseDClick(window->mResults->viewport(), Qt::LeftButton, Qt::NoModifier, PointOfLine(0));
  QApplication::processEvents();
  EXPECT_EQ(window->eTerm->text(), "1+(-5)");
  Click(window->bCalculate);
  EXPECT_EQ(Results().last(), "Result: -4");
  EXPECT_EQ(Results().size(), 3);
}

TEST_F(TermAssist, EveryCommandHasAKey) {
  StartEmpty();
  Type("a+b");
  Click(window->bCalculate);
  EXPECT_EQ(GridRows().size(), 2u);
  // Ctrl+Shift+Delete deletes the selected variable where the focus is in
  // the grid, and nowhere else; Ctrl+Shift+N adds one.
  window->sgVariables->setCurrentIndex(window->sgVariables->model()->index(0, 1));
  Focus(window->eTerm);
  Key(window->eTerm, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(RowTexts(GridRows()), std::vector<std::string>({"a=0=", "b=0="}));
  Focus(window->sgVariables);
  Key(window->sgVariables, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(RowTexts(GridRows()), std::vector<std::string>({"b=0="}));
  // Ctrl+Z in the term field, which has nothing of its own to undo, brings
  // the variable back; Ctrl+Y deletes it again.
  Focus(window->eTerm);
  Key(window->eTerm, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(RowTexts(GridRows()), std::vector<std::string>({"a=0=", "b=0="}));
  Key(window->eTerm, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(RowTexts(GridRows()), std::vector<std::string>({"b=0="}));
  // With typing of its own to undo, the field takes Ctrl+Z itself.
  QTest::keyClicks(window->eTerm, "+1");
  Key(window->eTerm, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(window->eTerm->text(), "a+b");
  EXPECT_EQ(RowTexts(GridRows()), std::vector<std::string>({"b=0="}));
  dialogs.inputAnswers = {std::string("n")};
  Key(window->eTerm, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(RowTexts(GridRows()), std::vector<std::string>({"b=0=", "n=0="}));
  // Ctrl+S saves, Ctrl+O opens.
  const std::string file = Dir() + "/keys.vlt";
  dialogs.saveAnswers = {file};
  Key(window->eTerm, Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(file)));
  ClearVarTable(GlobalVarTable);
  dialogs.openAnswers = {file};
  Key(window->eTerm, Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(RowTexts(GridRows()), std::vector<std::string>({"b=0=", "n=0="}));
  // Ctrl+L clears the results; F4 hides and shows the variables panel.
  Key(window->eTerm, Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(Results().isEmpty());
  Key(window->eTerm, Qt::Key_F4);
  EXPECT_TRUE(window->pVariables->isHidden());
  Key(window->eTerm, Qt::Key_F4);
  EXPECT_FALSE(window->pVariables->isHidden());
  // The hints keep their texts.
  EXPECT_EQ(window->bSave->toolTip(), "Save variable table");
}

TEST_F(TermAssist, AMouseClickOnACommandGivesTheFocusBackToTheField) {
  StartEmpty();
  Type("1+1");
  for (QPushButton* button : {window->bCalculate, window->bSmartCalculate}) {
    button->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(window->eTerm->hasFocus());
  }
  // Space on a focused button keeps the focus there.
  window->bSmartCalculate->setFocus(Qt::TabFocusReason);
  Key(window->bSmartCalculate, Qt::Key_Space);
  EXPECT_TRUE(window->bSmartCalculate->hasFocus());
  EXPECT_EQ(Results().size(), 3);
}

TEST_F(TermAssist, ALongResultsLineBreaksInsideItsValue) {
  StartEmpty();
  window->mResults->appendPlainText("Result: " + QString(400, QLatin1Char('7')));
  QApplication::processEvents();
  const QTextBlock block = window->mResults->document()->firstBlock();
  ASSERT_GT(block.layout()->lineCount(), 1);
  EXPECT_GT(block.layout()->lineAt(0).textLength(), 12);
  // The window's messages still take one row each.
  window->mResults->appendPlainText("Error: Mathematical error in expression.");
  window->mResults->appendPlainText("Error: Invalid variable value entered.");
  QApplication::processEvents();
  EXPECT_EQ(block.next().layout()->lineCount(), 1);
  EXPECT_EQ(block.next().next().layout()->lineCount(), 1);
}

TEST_F(TermAssist, AFailedWriteBackMarksTheInvalidValuesUntilTheNextRebuild) {
  StartEmpty();
  Type("a+b+c");
  Click(window->bCalculate);
  EditCell(1, 1, "1+");
  EditCell(1, 3, "x");
  Type("2+*");  // a term that parses would restore the grid from the table
  Click(window->bCalculate);
  EXPECT_EQ(Results().last(), "Error: Invalid variable value entered.");
  const TStringGridModel& cells = window->sgVariables->Model();
  EXPECT_TRUE(cells.IsMarkedInvalid(1));
  EXPECT_FALSE(cells.IsMarkedInvalid(2));
  EXPECT_TRUE(cells.IsMarkedInvalid(3));
  // A successful write-back rebuilds nothing by itself; the next rebuild
  // forgets the marks.
  EditCell(1, 1, "1");
  EditCell(1, 3, "2");
  Type("d");
  Click(window->bCalculate);
  EXPECT_EQ(Results().last(), "Result: 0");
  EXPECT_FALSE(cells.IsMarkedInvalid(1));
  EXPECT_FALSE(cells.IsMarkedInvalid(3));
}

TEST_F(TermAssist, PicturesOfTheStatusLine) {
  StartEmpty();
  QDir().mkpath(VELTARO_PICTURE_DIR);
  const std::pair<const char*, const char*> pictures[] = {
      {"3/2+x", "status-valid.png"}, {"2^3^2", "status-reading.png"}, {"2sin(x)", "status-invalid.png"}};
  for (const auto& [term, file] : pictures) {
    TypeKeys(term);
    EXPECT_TRUE(window->grab().save(QStringLiteral(VELTARO_PICTURE_DIR "/") + file));
  }
  // A term without value after Calculate: the reason in the status line,
  // the operation selected in the term.
  TypeKeys("2+1/(x-x)");
  Click(window->bCalculate);
  EXPECT_EQ(window->eTerm->selectedText(), "1/(x-x)");
  EXPECT_EQ(Status(), "Division by zero in 1/(x-x): x-x is 0.");
  EXPECT_TRUE(window->grab().save(QStringLiteral(VELTARO_PICTURE_DIR "/status-math-error.png")));
}

}  // namespace
}  // namespace veltaro::testing_support
