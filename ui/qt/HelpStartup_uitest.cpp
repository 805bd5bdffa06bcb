// The help support with the real program pieces: the window, the help hook,
// the stand-in viewer library and the help file, started as the program
// starts them from a program folder of its own, offscreen.
#include "HelpStartup.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTextBrowser>
#include <filesystem>

#include "DebugLog.h"
#include "HelpChecks.h"
#include "HelpEntry.h"
#include "LinuxPlatform.h"
#include "WindowFixture.h"
#include "hh.h"

namespace veltaro::testing_support {
namespace {

namespace fs = std::filesystem;

// The real toolkit services, with message boxes recorded instead of shown.
class TRecordingToolkit : public TQtToolkit {
 public:
  std::vector<std::string> boxes;
  void MessageBox(const std::string& caption, const std::string& text, TMessageIcon) override {
    boxes.push_back(caption + ": " + text);
  }
};

class HelpStartup : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    programDir = Dir() + "/program";
    fs::create_directories(programDir);
    buildDir = fs::read_symlink("/proc/self/exe").parent_path().string();
    displayName = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName("Veltaro");
  }

  void TearDown() override {
    MainHelpSystem.reset();
    window.reset();
    StopHelpSupport();
    UnloadViewer();
    if (platform) SetPlatform(previous);
    QGuiApplication::setApplicationDisplayName(displayName);
    WindowTest::TearDown();
  }

  // The program folder holds the viewer library and the help file of this
  // build, as far as asked.
  void Place(bool viewer, bool helpFile) {
    if (viewer) fs::create_symlink(buildDir + "/hhctrl.ocx", programDir + "/hhctrl.ocx");
    if (helpFile) fs::create_symlink(buildDir + "/veltaro.chm", programDir + "/veltaro.chm");
  }

  // Start-up in the program's order: help support, window with its help
  // checks, first showing.
  void StartProgram(std::vector<std::string> arguments) {
    platform = std::make_unique<TLinuxPlatform>(programDir + "/veltaro", std::move(arguments));
    previous = SetPlatform(platform.get());
    platform->SetToolkit(&toolkit);
    LoadViewer();
    StartHelpSupport();
    window = std::make_unique<TfMain>(&dialogs);
    HelpFormCreate(*window, &dialogs);
    window->SetStartup(Dir() + "/missing.vlt", Dir());
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QApplication::processEvents();
  }

  static QWidget* HelpWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == "THelpWindow" && w->isVisible()) return w;
    }
    return nullptr;
  }
  static std::string HelpTitle() {
    QWidget* help = HelpWindow();
    QTextBrowser* topic = help ? help->findChild<QTextBrowser*>("topic") : nullptr;
    return topic ? topic->documentTitle().toStdString() : "<no help window>";
  }
  static void SavePicture(QWidget* w, const QString& name) {
    QDir().mkpath(VELTARO_PICTURE_DIR);
    w->resize(820, 640);
    QApplication::processEvents();
    w->grab().save(QString(VELTARO_PICTURE_DIR) + "/" + name);
  }
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string text = ReadFile(programDir + "/HHDebug.txt");
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
  // An ordinary log line: a time, three blanks, the text.
  static bool IsEntry(const std::string& line, const std::string& text) {
    return line.size() > text.size() + 3 && line.ends_with("   " + text) && line[0] != ' ';
  }

  std::string programDir;
  std::string buildDir;
  std::unique_ptr<TLinuxPlatform> platform;
  TPlatform* previous = nullptr;
  TRecordingToolkit toolkit;
  QString displayName;
};

TEST_F(HelpStartup, F1AndTheHelpButtonsShowTheirTopicsInTheViewer) {
  Place(true, true);
  StartProgram({programDir + "/veltaro"});
  EXPECT_TRUE(dialogs.calls.empty());
  ASSERT_NE(viewerLibrary, nullptr);
  EXPECT_EQ(HelpWindow(), nullptr);

  Focus(window->eTerm);
  QTest::keyClick(window->eTerm, Qt::Key_F1);
  QApplication::processEvents();
  ASSERT_NE(HelpWindow(), nullptr);
  EXPECT_EQ(HelpTitle(), "Veltaro - writing terms");
  SavePicture(HelpWindow(), "help-context-20.png");

  Click(window->SpeedButton2);
  EXPECT_EQ(HelpTitle(), "Veltaro - support free software");
  SavePicture(HelpWindow(), "help-context-999.png");

  Click(window->SpeedButton1);
  EXPECT_EQ(HelpTitle(), "Veltaro - the calculator window");
  // Back in the calculator window, F1 in the grid.
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  Focus(window->sgVariables);
  QTest::keyClick(window->sgVariables, Qt::Key_F1);
  EXPECT_EQ(HelpTitle(), "Veltaro - variables and variable tables");
  EXPECT_TRUE(toolkit.boxes.empty());

  // Closing the window closes its help window and gives the help entry back.
  QPointer<QWidget> help = HelpWindow();
  window->close();
  QApplication::processEvents();
  EXPECT_TRUE(help.isNull());
  EXPECT_EQ(MainHelpSystem, nullptr);
  helpRequests.clear();
  EXPECT_TRUE(HelpContext(1));  // the handler from before the hook has it again
  EXPECT_EQ(helpRequests.size(), 1u);
  EXPECT_EQ(HelpWindow(), nullptr);
}

TEST_F(HelpStartup, ADebugStartWritesTheLogBesideTheProgram) {
  Place(true, true);
  StartProgram({programDir + "/veltaro", "-DEBUG"});
  ASSERT_TRUE(helpDebugMode);
  Focus(window->eTerm);
  QTest::keyClick(window->eTerm, Qt::Key_F1);
  QApplication::processEvents();
  window->close();
  QApplication::processEvents();

  const std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 33u);
  EXPECT_EQ(lines[0], std::string(79, '='));
  EXPECT_EQ(lines[1], "Log File:             \t" + programDir + "/HHDebug.txt");
  EXPECT_TRUE(lines[3].starts_with("Operating System:      \tLinux ")) << lines[3];
  EXPECT_EQ(lines[10], "EXE Version =       \t");  // no such file: the program here is the test
  EXPECT_EQ(lines[11], "Cmdline Param(s) =  \t-DEBUG");
  EXPECT_EQ(lines[15], "_ModuleDir =        \t" + programDir);
  EXPECT_EQ(lines[19], "_hhInstalled =      \tYES");
  EXPECT_EQ(lines[20], "_hhVerStr =         \t4.73.8252.0");
  EXPECT_EQ(lines[21], "_hhFriendlyVerStr = \t1.2");
  EXPECT_EQ(lines[23], "_ieInstalled =      \tNO");
  EXPECT_EQ(lines[26], std::string(79, '='));
  const std::string chm = programDir + "/veltaro.chm";
  const std::string expected[] = {
      "THookHelpSystem.Create(\"" + chm + "\",\"\", 0)",
      "THookHelpSystem.HelpHook(1 (HELP_CONTEXT), 20)",
      "HHHelpContext(\"" + chm + "\", 20, \"\", 0)",
      "ShowContext(\"" + chm + "\", 0)",
      "  returned - 0",
      "THookHelpSystem.Destroy",
  };
  ASSERT_EQ(lines.size(), 27u + std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_TRUE(IsEntry(lines[27 + i], expected[i])) << lines[27 + i];
  }
}

TEST_F(HelpStartup, WithoutTheViewerLibraryTheWindowSaysSoAndHelpIsMissing) {
  Place(false, true);
  StartProgram({programDir + "/veltaro"});
  EXPECT_EQ(viewerLibrary, nullptr);
  ASSERT_EQ(dialogs.calls.size(), 1u);
  EXPECT_EQ(dialogs.calls[0].what, "Information");
  EXPECT_EQ(dialogs.calls[0].title, "Information");
  EXPECT_EQ(dialogs.calls[0].text, "This application requires the installation of MS HTML Help 1.2 or higher.");
  ASSERT_NE(MainHelpSystem, nullptr);

  Click(window->SpeedButton1);
  EXPECT_EQ(toolkit.boxes, std::vector<std::string>{"Veltaro: MS Html Help is not installed on this PC."});
  EXPECT_EQ(HelpWindow(), nullptr);
}

TEST_F(HelpStartup, AMissingHelpFileIsReportedBeforeAMissingViewer) {
  Place(false, false);
  StartProgram({programDir + "/veltaro"});
  ASSERT_EQ(dialogs.calls.size(), 2u);
  EXPECT_EQ(dialogs.calls[0].what, "Error");
  EXPECT_EQ(dialogs.calls[0].title, "Error");
  EXPECT_EQ(dialogs.calls[0].text, "Help file not found \n" + programDir + "/veltaro.chm");
  EXPECT_EQ(dialogs.calls[1].what, "Information");
  ASSERT_NE(MainHelpSystem, nullptr);
}

TEST_F(HelpStartup, WithTheViewerButNoHelpFileTheViewerReportsTheMissingFile) {
  Place(true, false);
  StartProgram({programDir + "/veltaro"});
  ASSERT_EQ(dialogs.calls.size(), 1u);
  EXPECT_EQ(dialogs.calls[0].what, "Error");
  Click(window->SpeedButton1);
  EXPECT_EQ(HelpTitle(), "Help file not found");
  EXPECT_TRUE(toolkit.boxes.empty());
}

TEST(BoxText, ALoneCarriageReturnStartsANewLine) {
  EXPECT_EQ(BoxText("a\rb"), "a\nb");
  EXPECT_EQ(BoxText("a\r\nb"), "a\r\nb");
  EXPECT_EQ(BoxText("a\r"), "a\n");
  EXPECT_EQ(BoxText("plain"), "plain");
}

}  // namespace
}  // namespace veltaro::testing_support
