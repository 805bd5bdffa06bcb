#include "WindowFixture.h"

#include <QAbstractItemView>
#include <fstream>
#include <sstream>

#include "Complex.h"
#include "HelpEntry.h"
#include "SmartConversion.h"

namespace veltaro::testing_support {

void WindowTest::SetUp() {
  ASSERT_TRUE(dir.isValid());
  ClearVarTable(GlobalVarTable);
  DegMode = false;
  ConversionPrecision = 0;
  SetHelpHandler([this](std::uint16_t command, std::int32_t data, bool&) {
    helpRequests.emplace_back(command, data);
    return true;
  });
}

void WindowTest::TearDown() {
  window.reset();
  SetHelpHandler({});
  ClearVarTable(GlobalVarTable);
  DegMode = false;
}

void WindowTest::Start(const std::string& firstArgument, const std::string& programDirectory) {
  window = std::make_unique<TfMain>(&dialogs);
  window->SetStartup(firstArgument, programDirectory);
  window->SetUrlOpener([this](const QUrl& url) { openedUrls.push_back(url); });
  window->show();
  // On an X display without a window manager only the program itself can
  // give its window the keyboard.
  if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
  }
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  window->eTerm->setFocus();
  QApplication::processEvents();
}

void WindowTest::StartEmpty() { Start(Dir() + "/missing.vlt", Dir()); }

std::string WindowTest::Dir() const { return dir.path().toStdString(); }

std::string WindowTest::WriteFile(const std::string& name, const std::string& contents) const {
  const std::string path = Dir() + "/" + name;
  std::ofstream out(path, std::ios::binary);
  out << contents;
  return path;
}

std::string WindowTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void WindowTest::Type(const QString& term) {
  Focus(window->eTerm);
  window->eTerm->setText(term);
}

void WindowTest::Click(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton);
  QApplication::processEvents();
}

void WindowTest::PressEnter(QWidget* widget) {
  QTest::keyClick(widget, Qt::Key_Return);
  QApplication::processEvents();
}

void WindowTest::Focus(QWidget* widget) {
  widget->setFocus(Qt::MouseFocusReason);
  QApplication::processEvents();
}

void WindowTest::EditCell(int col, int row, const QString& text, bool leaveOpen) {
  TStringGrid* grid = window->sgVariables;
  Focus(grid);
  const QModelIndex index = grid->model()->index(row - 1, col);
  grid->setCurrentIndex(index);
  grid->edit(index);
  QApplication::processEvents();
  auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(index));
  ASSERT_NE(editor, nullptr) << "no editor opened at column " << col << ", row " << row;
  editor->selectAll();
  QTest::keyClicks(editor, text);
  if (!leaveOpen) QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();
}

QStringList WindowTest::Results() const {
  const QString all = window->mResults->toPlainText();
  return all.isEmpty() ? QStringList() : all.split(QLatin1Char('\n'));
}

std::vector<TGridRow> WindowTest::GridRows() const { return window->sgVariables->Model().Rows(); }

}  // namespace veltaro::testing_support
