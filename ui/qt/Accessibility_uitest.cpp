// What a screen reader learns of the window: every control's role, name and
// key; the grid's cells with their row and column; the status line and the
// focus frame drawn so that they read; and, where the desktop's
// accessibility bus is up, the events after Calculate, while typing, on Tab
// and after a cell edit.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QFileInfo>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>

#include "Accessible.h"
#include "WindowFixture.h"

namespace veltaro::testing_support {
namespace {

QAccessibleInterface* Of(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

class Accessibility : public WindowTest {
 protected:
  // Starts with the variables of term in the grid and an empty entry field.
  void StartWith(const QString& term) {
    StartEmpty();
    Type(term);
    Focus(window->sgVariables);
    Focus(window->eTerm);
    window->eTerm->clear();
    QApplication::processEvents();
  }

  QImage PictureOf(QWidget* control) {
    const QRect area(control->mapTo(window.get(), QPoint(0, 0)), control->size());
    return window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
  }

  // The colour most pixels of picture have: what its text is drawn on.
  static QColor MostCommonColour(const QImage& picture) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) ++counts[picture.pixel(x, y)];
    return QColor(std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                    return a.second < b.second;
                  })->first);
  }

  // The highest contrast of any pixel of picture against back.
  static double StrongestContrast(const QImage& picture, const QColor& back) {
    double most = 1;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) most = std::max(most, ContrastRatio(picture.pixelColor(x, y), back));
    return most;
  }

  void UseDarkPalette() {
    QPalette dark = window->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Button, QPalette::Base})
      dark.setColor(role, QColor(0x30, 0x30, 0x30));
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
      dark.setColor(role, QColor(0xE0, 0xE0, 0xE0));
    dark.setColor(QPalette::PlaceholderText, QColor(0x60, 0x60, 0x60));
    window->setPalette(dark);
    QApplication::processEvents();
  }
};

// Every control is named as a person would say it, with its role, and its
// key in its description; the hints keep their texts.
TEST_F(Accessibility, EveryControlHasARoleANameAndItsKey) {
  StartEmpty();
  struct TRow {
    QWidget* control;
    QAccessible::Role role;
    const char* name;
    const char* description;
  };
  const TRow rows[] = {
      {window.get(), QAccessible::Window, "Veltaro", ""},
      {window->pEntry, QAccessible::Grouping, "", ""},
      {window->eTerm, QAccessible::EditableText, "Term", ""},
      {window->SpeedButton1, QAccessible::Button, "Help", "Help (F1)"},
      {window->bSmartCalculate, QAccessible::Button, "Smart-Calculate", "Smart-Calculate (Ctrl+Enter)"},
      {window->bCalculate, QAccessible::Button, "Calculate", "Calculate (Enter)"},
      {window->rbRadMode, QAccessible::RadioButton, "Rad", ""},
      {window->cbComplex, QAccessible::CheckBox, "Complex results", ""},
      {window->bClearResults, QAccessible::Button, "Clear results", "Clear results (Ctrl+L)"},
      {window->mResults, QAccessible::EditableText, "Results", ""},
      {window->SpeedButton2, QAccessible::Button, "Support free software", "Support free software (Shift+F1)"},
      {window->bVariables, QAccessible::Button, "Hide variables", "Hide variables (F4)"},
      {window->sgVariables, QAccessible::Table, "Variables", ""},
      {window->bOpen, QAccessible::Button, "Open variable table", "Open variable table (Ctrl+O)"},
      {window->bSave, QAccessible::Button, "Save variable table", "Save variable table (Ctrl+S)"},
      {window->bAddVar, QAccessible::Button, "Add variable", "Add variable (Ctrl+Shift+N)"},
      {window->bDeleteVar, QAccessible::Button, "Delete variable", "Delete variable (Ctrl+Shift+Delete)"},
      {window->lKelvaraLink, QAccessible::Link, "More freeware at www.kelvara.example",
       "More freeware at www.kelvara.example (Ctrl+F1)"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.control->objectName().toStdString());
    QAccessibleInterface* accessible = Of(row.control);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), row.role);
    EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), row.name);
    EXPECT_EQ(accessible->text(QAccessible::Description).toStdString(), row.description);
  }
  EXPECT_EQ(window->Label3->buddy(), window->eTerm);
  EXPECT_EQ(window->bOpen->toolTip(), "Open variable table");
  // The buttons that take no focus tell their keys with their press action,
  // which does what a click does.
  for (QWidget* flat : std::initializer_list<QWidget*>{window->SpeedButton1, window->bClearResults,
                                                        window->SpeedButton2, window->bVariables, window->bOpen,
                                                        window->bSave, window->bAddVar, window->bDeleteVar}) {
    QAccessibleActionInterface* press = Of(flat)->actionInterface();
    ASSERT_NE(press, nullptr) << flat->objectName().toStdString();
    const std::string description = Of(flat)->text(QAccessible::Description).toStdString();
    EXPECT_EQ(" (" + press->keyBindingsForAction(QAccessibleActionInterface::pressAction()).join(' ').toStdString() + ")",
              description.substr(description.find(" (")))
        << flat->objectName().toStdString();
  }
  Type("1+1");
  PressEnter(window->eTerm);
  ASSERT_FALSE(Results().isEmpty());
  Of(window->bClearResults)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(Results().isEmpty());
  // The link is activated as a link; its key is told.
  QAccessibleActionInterface* link = Of(window->lKelvaraLink)->actionInterface();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->keyBindingsForAction(QAccessibleActionInterface::pressAction()).join(' ').toStdString(), "Ctrl+F1");
  link->doAction(QAccessibleActionInterface::pressAction());
  ASSERT_EQ(openedUrls.size(), 1u);
  // The panel's button follows its state.
  Click(window->bVariables);
  EXPECT_EQ(Of(window->bVariables)->text(QAccessible::Name).toStdString(), "Show variables");
  EXPECT_EQ(Of(window->bVariables)->text(QAccessible::Description).toStdString(), "Show variables (F4)");
}

// The commands that take no focus are reached by their keys.
TEST_F(Accessibility, KeysReachTheCommandsThatTakeNoFocus) {
  StartEmpty();
  QTest::keyClick(window->eTerm, Qt::Key_F1, Qt::ShiftModifier);
  QApplication::processEvents();
  ASSERT_FALSE(helpRequests.empty());
  EXPECT_EQ(helpRequests.back().second, 999);
  QTest::keyClick(window->eTerm, Qt::Key_F1, Qt::ControlModifier);
  QApplication::processEvents();
  ASSERT_EQ(openedUrls.size(), 1u);
  EXPECT_EQ(openedUrls.front().toString().toStdString(), "http://www.kelvara.example/freeware.html");
}

// A cell reads its text, its row's label and its column; the value and
// comment cells take the focus, the label cells do not.
TEST_F(Accessibility, GridCellsReadTheirLabelColumnAndValue) {
  StartWith("x+y");
  EditCell(1, 1, "2.5");
  QAccessibleTableInterface* table = Of(window->sgVariables)->tableInterface();
  ASSERT_NE(table, nullptr);
  QAccessibleInterface* value = table->cellAt(0, 1);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->text(QAccessible::Name), "2.5");
  QAccessibleTableCellInterface* cell = value->tableCellInterface();
  ASSERT_NE(cell, nullptr);
  ASSERT_EQ(cell->rowHeaderCells().size(), 1);
  EXPECT_EQ(cell->rowHeaderCells().first()->text(QAccessible::Name), "x");
  ASSERT_EQ(cell->columnHeaderCells().size(), 1);
  EXPECT_EQ(cell->columnHeaderCells().first()->text(QAccessible::Name), "Value");
  EXPECT_TRUE(value->state().focusable);
  EXPECT_FALSE(table->cellAt(0, 0)->state().focusable);
  EXPECT_EQ(table->cellAt(1, 0)->text(QAccessible::Name), "y");
}

// The status line reads with a contrast of at least 4.5 on light and dark
// palettes, at the size of the other labels, and so does every caption; the
// check box's focus frame is drawn with at least 3.
TEST_F(Accessibility, StatusLineAndFocusFrameReadOnLightAndDarkPalettes) {
  for (const bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    StartEmpty();
    if (dark) UseDarkPalette();
    Type("1+1");
    QApplication::processEvents();
    ASSERT_FALSE(window->lTermStatus->text().isEmpty());
    const QColor back = window->palette().color(window->backgroundRole());
    EXPECT_GE(StrongestContrast(PictureOf(window->lTermStatus), back), 4.5);
    EXPECT_EQ(window->lTermStatus->font().pixelSize(), window->Label3->font().pixelSize());
    // Every other text of the window reads too, on what it is drawn on. (On
    // a dark palette the style tints the push buttons' faces with the
    // palette's highlight; their captions are the palette's own colours.)
    for (QWidget* text : std::initializer_list<QWidget*>{
             window->Label1, window->Label2, window->Label3, window->lKelvaraLink, window->cbComplex, window->rbDegMode,
             window->rbRadMode, window->SpeedButton2, window->bVariables, window->bCalculate, window->bSmartCalculate}) {
      if (dark && qobject_cast<QPushButton*>(text)) continue;
      const QImage picture = PictureOf(text);
      EXPECT_GE(StrongestContrast(picture, MostCommonColour(picture)), 4.5) << text->objectName().toStdString();
    }

    Focus(window->eTerm);
    const QImage without = PictureOf(window->cbComplex);
    window->cbComplex->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const QImage with = PictureOf(window->cbComplex);
    double frame = 1;
    for (int y = 0; y < with.height(); ++y)
      for (int x = 0; x < with.width(); ++x)
        if (with.pixel(x, y) != without.pixel(x, y))
          frame = std::max(frame, ContrastRatio(with.pixelColor(x, y), without.pixelColor(x, y)));
    EXPECT_GE(frame, 3.0);
    std::filesystem::create_directories(VELTARO_PICTURE_DIR);
    window->grab().save(QStringLiteral(VELTARO_PICTURE_DIR "/accessibility-%1.png").arg(dark ? "dark" : "light"));
    window.reset();
  }
}

// ---- Events, recorded where the accessibility bus is up -------------------

struct TEvent {
  QObject* object;
  QAccessible::Event type;
  int child;
  QString description;
};
std::vector<TEvent>* recorded = nullptr;

void Record(QAccessibleEvent* event) {
  if (!recorded) return;
  // What a screen reader reads with the event: the new description, or the
  // text of a notification that appears.
  QString description;
  if (QAccessibleInterface* a = event->object() ? QAccessible::queryAccessibleInterface(event->object()) : nullptr) {
    if (event->type() == QAccessible::DescriptionChanged) description = a->text(QAccessible::Description);
    if (event->type() == QAccessible::ObjectShow && a->role() == QAccessible::Notification)
      description = a->text(QAccessible::Name);
  }
  recorded->push_back({event->object(), event->type(), event->child(), description});
}

class AccessibilityEvents : public Accessibility {
 protected:
  void SetUp() override {
    Accessibility::SetUp();
    // The bridge to the bus switches itself on once it has heard the bus.
    if (!qEnvironmentVariableIsSet("VELTARO_ON_BUS") || !QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000))
      GTEST_SKIP() << "the accessibility bus is not up; AccessibilityOnBus runs these";
    recorded = &events;
    QAccessible::installUpdateHandler(Record);
  }
  void TearDown() override {
    QAccessible::installUpdateHandler(nullptr);
    recorded = nullptr;
    Accessibility::TearDown();
  }

  std::vector<TEvent> Focused() const {
    std::vector<TEvent> focus;
    for (const TEvent& e : events)
      if (e.type == QAccessible::Focus) focus.push_back(e);
    return focus;
  }
  std::vector<QString> Descriptions(QObject* of) const {
    std::vector<QString> texts;
    for (const TEvent& e : events)
      if (e.type == QAccessible::DescriptionChanged && e.object == of) texts.push_back(e.description);
    return texts;
  }
  std::vector<QString> Notifications() const {
    std::vector<QString> texts;
    for (const TEvent& e : events)
      if (e.type == QAccessible::ObjectShow && !e.description.isEmpty()) texts.push_back(e.description);
    return texts;
  }

  std::vector<TEvent> events;
};

// Rebuilds of the grid (Calculate, leaving the field, adding and deleting a
// variable) report no focus in the grid; Tab reports the next control.
TEST_F(AccessibilityEvents, TheGridsRebuildReportsNoFocus) {
  StartWith("a+b");
  events.clear();
  Type("c+1");
  PressEnter(window->eTerm);
  QTest::keyClick(window->eTerm, Qt::Key_Tab);
  QApplication::processEvents();
  dialogs.inputAnswers = {std::string("d")};
  QTest::keyClick(window->bSmartCalculate, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
  QApplication::processEvents();
  ASSERT_EQ(GridRows().size(), 4u);
  window->bDeleteVar->click();
  QApplication::processEvents();
  ASSERT_EQ(GridRows().size(), 3u);
  for (const TEvent& e : Focused()) EXPECT_NE(e.object, window->sgVariables) << "child " << e.child;
  ASSERT_FALSE(Focused().empty());
  EXPECT_EQ(Focused().back().object, window->bSmartCalculate);
}

// After a cell edit the focus is reported on the cell, not on the grid.
TEST_F(AccessibilityEvents, ACommittedCellEditLeavesTheFocusOnTheCell) {
  StartWith("x");
  events.clear();
  EditCell(1, 1, "2.5");
  QApplication::processEvents();  // the cell is reported after the grid
  ASSERT_FALSE(Focused().empty());
  const TEvent last = Focused().back();
  EXPECT_EQ(last.object, window->sgVariables);
  EXPECT_GE(last.child, 0);
}

// While typing, the status becomes the entry field's description and
// appears as a notification; after Calculate the new results line does, and
// again when the same line comes twice.
TEST_F(AccessibilityEvents, StatusAndResultsAreAnnounced) {
  StartEmpty();
  events.clear();
  Type("1+1");
  QApplication::processEvents();
  std::vector<QString> said = Descriptions(window->eTerm);
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.back().toStdString(), "= 2");
  EXPECT_EQ(Notifications(), std::vector<QString>{"= 2"});
  events.clear();
  PressEnter(window->eTerm);
  PressEnter(window->eTerm);
  const std::vector<QString> results{"Result: 2", "Result: 2"};
  EXPECT_EQ(Descriptions(window->eTerm), results);
  EXPECT_EQ(Notifications(), results);
}

// The event checks on a private X display and D-Bus session with the
// accessibility bus switched on, as a screen reader would switch it on.
TEST(AccessibilityOnBus, RunsTheEventChecks) {
  if (qEnvironmentVariableIsSet("VELTARO_ON_BUS")) GTEST_SKIP() << "runs the others";
  const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
  const QString session = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
  if (xvfbRun.isEmpty() || session.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("dbus-send")).isEmpty() ||
      !QFileInfo::exists(QStringLiteral("/usr/libexec/at-spi-bus-launcher")))
    GTEST_SKIP() << "needs xvfb-run, dbus-run-session, dbus-send and at-spi2-core";
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.insert(QStringLiteral("VELTARO_ON_BUS"), QStringLiteral("1"));
  env.remove(QStringLiteral("QT_SCALE_FACTOR"));
  env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::MergedChannels);
  const QString enableBus = QStringLiteral(
      "dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus "
      "org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled variant:boolean:true "
      ">/dev/null && exec \"$@\"");
  process.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1600x1000x24 -dpi 100"),
                          session, QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"), enableBus,
                          QStringLiteral("sh"), QCoreApplication::applicationFilePath(),
                          QStringLiteral("--gtest_filter=AccessibilityEvents.*")});
  ASSERT_TRUE(process.waitForFinished(180000)) << "did not finish";
  const QString log = QString::fromLocal8Bit(process.readAll());
  EXPECT_TRUE(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
              !log.contains(QStringLiteral("[  SKIPPED ]")) && log.contains(QStringLiteral("[  PASSED  ]")))
      << log.toStdString();
}

}  // namespace
}  // namespace veltaro::testing_support
