// The window's everyday scenarios, the same table the window model runs,
// through the Qt window's real controls: typing, clicks, keys, cell editors
// and the results list.
#include <QTextBlock>
#include <QTextCursor>

#include "WindowFixture.h"
#include "WindowScenarios.h"

namespace veltaro::testing_support {
namespace {

class TQtDriver : public TWindowDriver {
 public:
  explicit TQtDriver(WindowTest& test, TfMain& window, TScriptedDialogs& dialogs)
      : test_(test), window_(window), dialogs_(dialogs) {}

  void Type(const std::string& term) override {
    test_.Focus(window_.eTerm);
    window_.eTerm->selectAll();
    if (term.empty())
      QTest::keyClick(window_.eTerm, Qt::Key_Backspace);
    else
      QTest::keyClicks(window_.eTerm, QString::fromStdString(term));
    QApplication::processEvents();
  }
  void Click(const std::string& control) override {
    auto* button = window_.findChild<QAbstractButton*>(QString::fromStdString(control));
    ASSERT_NE(button, nullptr) << control;
    test_.Click(button);
  }
  void Key(TTermKey key) override {
    const Qt::Key code = key == TTermKey::Up ? Qt::Key_Up : key == TTermKey::Down ? Qt::Key_Down : Qt::Key_Escape;
    test_.Focus(window_.eTerm);
    QTest::keyClick(window_.eTerm, code);
    QApplication::processEvents();
  }
  void Command(TWindowCommand command) override {
    for (const TCommandKey& key : CommandKeys()) {
      if (key.command != command) continue;
      const Qt::Key code = key.key == TKeyName::Delete ? Qt::Key_Delete
                           : key.key == TKeyName::F4   ? Qt::Key_F4
                                                       : Qt::Key(Qt::Key_A + (key.letter - 'A'));
      Qt::KeyboardModifiers modifiers;
      if (key.ctrl) modifiers |= Qt::ControlModifier;
      if (key.shift) modifiers |= Qt::ShiftModifier;
      QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : window_.eTerm;
      QTest::keyClick(focused, code, modifiers);
      QApplication::processEvents();
    }
  }
  void Leave() override { test_.Focus(window_.mResults); }
  void EditCell(int col, int row, const std::string& text) override {
    test_.EditCell(col, row, QString::fromStdString(text));
  }
  void SelectRow(int row) override {
    test_.Focus(window_.sgVariables);
    window_.sgVariables->setCurrentIndex(window_.sgVariables->model()->index(row - 1, 1));
    QApplication::processEvents();
  }
  void UseResult(int line) override {
    QTextCursor cursor(window_.mResults->document()->findBlockByNumber(line));
    cursor.movePosition(QTextCursor::Right);
    const QPoint point = window_.mResults->cursorRect(cursor).center();
    test_.Focus(window_.mResults);
    QTest::mouseDClick(window_.mResults->viewport(), Qt::LeftButton, {}, point);
    QApplication::processEvents();
  }
  void AnswerInput(std::optional<std::string> answer) override { dialogs_.inputAnswers.push_back(answer); }

  std::vector<std::string> Results() override {
    std::vector<std::string> lines;
    for (const QString& line : test_.Results()) lines.push_back(line.toStdString());
    return lines;
  }
  std::vector<TGridRow> Grid() override { return window_.sgVariables->Model().Rows(); }
  std::string Term() override { return window_.eTerm->text().toStdString(); }
  std::string Status() override { return window_.lTermStatus->toolTip().toStdString(); }
  std::vector<std::string> Messages() override {
    std::vector<std::string> messages;
    for (const TScriptedDialogs::TCall& call : dialogs_.calls)
      if (call.what == "Error" || call.what == "Information") messages.push_back(call.title + ": " + call.text);
    return messages;
  }
  bool VariablesShown() override { return !window_.pVariables->isHidden(); }

 private:
  WindowTest& test_;
  TfMain& window_;
  TScriptedDialogs& dialogs_;
};

class Scenarios : public WindowTest {
 public:
  void Run(const TWindowScenario& scenario) {
    StartEmpty();
    TQtDriver driver(*this, *window, dialogs);
    RunScenario(driver, scenario);
  }
};

TEST_F(Scenarios, EverydayScenariosThroughTheControls) {
  for (const TWindowScenario& scenario : WindowScenarios()) {
    Run(scenario);
    TearDown();
    dialogs = TScriptedDialogs();
    SetUp();
  }
}

}  // namespace
}  // namespace veltaro::testing_support
