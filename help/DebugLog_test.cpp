#include "DebugLog.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "HelpFixture.h"
#ifdef _WIN32
#include "WindowsPlatform.h"
#else
#include "LinuxPlatform.h"
#endif

namespace veltaro {
namespace {

using testing_support::HelpTest;
using testing_support::Words;

const std::string kEquals79(79, '=');
const std::string kDashes79(79, '-');

TEST_F(HelpTest, TheDebugSwitchIsAMarkerFileOrTheFirstDebugArgument) {
  const struct {
    std::vector<std::string> arguments;
    bool on;
  } rows[] = {
      {{"/prog/veltaro"}, false},
      {{}, false},
      {{"/prog/veltaro", "-debug"}, true},
      {{"/prog/veltaro", "/debug"}, true},
      {{"/prog/veltaro", "-DEBUG"}, true},
      {{"/prog/veltaro", "/DeBuG"}, true},
      {{"/prog/veltaro", "table.vlt", "-Debug"}, true},
      {{"/prog/veltaro", "--debug"}, false},
      {{"/prog/veltaro", "debug"}, false},
      {{"/prog/veltaro", "-debug "}, false},
      {{"/prog/veltaro", "-debugx"}, false},
      {{"/prog/veltaro", "\\debug"}, false},
      {{"-debug"}, false},  // argument 0 is the program
  };
  for (const auto& row : rows) {
    std::string joined;
    for (const auto& a : row.arguments) joined += "[" + a + "]";
    fake.files.erase("/prog/debug.debug");
    EXPECT_EQ(DebugSwitchOn("/prog", row.arguments), row.on) << joined;
    fake.files["/prog/debug.debug"] = "";
    EXPECT_TRUE(DebugSwitchOn("/prog", row.arguments)) << "marker file with " << joined;
  }
}

TEST_F(HelpTest, LogLinesAreOrdinaryMarkedOrSeparators) {
  const struct {
    const char* format;
    TLogArgs args;
    const char* line;
  } rows[] = {
      {"hello", {}, "12:34:56   hello"},
      {"", {}, "12:34:56   "},
      {"!marked", {}, "marked"},
      {"!", {}, ""},
      {"-", {}, nullptr},  // 79 dashes
      {"=", {}, nullptr},  // 79 equals signs
      {"-x", {}, "x"},
      {"=x", {}, "x"},
      {"--", {}, "-"},
      {" !x", {}, "12:34:56    !x"},
      {"%s", {std::string("!from an argument")}, "from an argument"},
      {"%s", {std::string("-")}, nullptr},
      {"%d%%", {std::int64_t{50}}, "12:34:56   50%"},
      {"%s", {}, "12:34:56   %s"},
  };
  EnableLog();
  for (const auto& row : rows) {
    fake.files.erase("/prog/HHDebug.txt");
    helpLog->WriteEntry(row.format, row.args);
    const std::string expected = row.line ? row.line : (std::string(row.format) == "=" ? kEquals79 : kDashes79);
    EXPECT_EQ(fake.Contents("/prog/HHDebug.txt"), expected + "\r\n") << row.format;
  }
  helpLog->stampTimes = false;
  fake.files.erase("/prog/HHDebug.txt");
  helpLog->WriteEntry("hello");
  helpLog->WriteEntry("");
  EXPECT_EQ(fake.Contents("/prog/HHDebug.txt"), "hello\r\n\r\n");
}

TEST_F(HelpTest, EntriesAppendAndDebugLinesNeedTheLogEnabled) {
  EnableLog();
  helpLog->DebugLine("one");
  helpLog->WriteEntry("two");
  helpLog->enabled = false;
  helpLog->DebugLine("three");
  helpLog->WriteEntry("four");
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"12:34:56   one", "12:34:56   two", "12:34:56   four"}));
}

TEST_F(HelpTest, AnEntryThatCannotBeWrittenIsLostSilently) {
  EnableLog();
  fake.links.insert("/prog/HHDebug.txt");
  helpLog->WriteEntry("lost");
  EXPECT_EQ(fake.Contents("/prog/HHDebug.txt"), "");
  EXPECT_EQ(fake.links.count("/prog/HHDebug.txt"), 1u);
}

TEST_F(HelpTest, MessageAndLogShowsAlwaysAndLogsTheTextOnceFormatted) {
  EnableLog();
  helpLog->MessageAndLog("Function ShellExecute(%s)\rReturned: %s",
                         {std::string("/win/HH.EXE, -mapid %d x"), std::string("[Error:2] File Not Found")});
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].caption, "Veltaro");
  EXPECT_EQ(fake.boxes[0].text, "Function ShellExecute(/win/HH.EXE, -mapid %d x)\rReturned: [Error:2] File Not Found");
  EXPECT_EQ(fake.boxes[0].icon, TMessageIcon::Exclamation);
  EXPECT_EQ(LogLines(),
            std::vector<std::string>{
                "12:34:56   Function ShellExecute(/win/HH.EXE, -mapid %d x)\rReturned: [Error:2] File Not Found"});

  helpLog->enabled = false;
  helpLog->MessageAndLog("second");
  EXPECT_EQ(fake.boxes.size(), 2u);
  EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(HelpTest, CreationFallsBackToTheTemporaryDirectory) {
  const struct {
    const char* what;
    const char* name;
    bool readOnly;
    const char* tempPath;
    const char* expected;
  } rows[] = {
      {"writable directory", "/prog/HHDebug.txt", false, "/tmp/", "/prog/HHDebug.txt"},
      {"read-only directory", "/prog/HHDebug.txt", true, "/tmp/", "/tmp/HHDebug.txt"},
      {"missing directory", "/gone/HHDebug.txt", false, "/tmp/", "/tmp/HHDebug.txt"},
      {"no directory part", "HHDebug.txt", false, "/tmp/", "/tmp/HHDebug.txt"},
      {"empty name", "", false, "/tmp/", "/prog/HHDebug.txt"},
      {"temporary path missing", "/gone/log.txt", false, "/nowhere/", "/tmp/log.txt"},
      {"temporary path with separators", "/gone/log.txt", false, "/tmp///", "/tmp/log.txt"},
  };
  logDirectory = "/prog";
  for (const auto& row : rows) {
    fake.readOnlyDirectories.clear();
    if (row.readOnly) fake.readOnlyDirectories.insert("/prog");
    fake.tempPath = row.tempPath;
    TDLogFile log(row.name, true, true, false, false);
    EXPECT_EQ(log.logFileName, row.expected) << row.what;
  }
}

TEST_F(HelpTest, TheOldLogGoesAtEveryStartEvenWithDebugModeOff) {
  fake.files["/prog/HHDebug.txt"] = "old run\r\n";
  TDLogFile off("/prog/HHDebug.txt", false, true, true, false);
  EXPECT_FALSE(fake.FileExists("/prog/HHDebug.txt"));
  off.DebugLine("nothing");
  EXPECT_FALSE(fake.FileExists("/prog/HHDebug.txt"));
  const std::vector<std::string> expected = {"CreateNewFile /prog/$_Temp_$.$$$", "DeleteFile /prog/$_Temp_$.$$$",
                                             "ResetFileAttributes /prog/HHDebug.txt", "DeleteFile /prog/HHDebug.txt"};
  EXPECT_EQ(fake.calls, expected);

  fake.files["/prog/HHDebug.txt"] = "old run\r\n";
  TDLogFile kept("/prog/HHDebug.txt", true, false, false, true);
  kept.WriteEntry("new");
  EXPECT_EQ(fake.Contents("/prog/HHDebug.txt"), "old run\r\nnew\r\n");
}

TEST_F(HelpTest, TheProbeFileIsNeverCreatedOverAnExistingOne) {
  EXPECT_TRUE(DirectoryWritable("/prog//"));
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"CreateNewFile /prog/$_Temp_$.$$$", "DeleteFile /prog/$_Temp_$.$$$"}));
  EXPECT_FALSE(fake.FileExists("/prog/$_Temp_$.$$$"));

  fake.calls.clear();
  fake.links.insert("/tmp/$_Temp_$.$$$");
  EXPECT_FALSE(DirectoryWritable("/tmp"));
  EXPECT_EQ(fake.calls, std::vector<std::string>{"CreateNewFile /tmp/$_Temp_$.$$$"});
  EXPECT_EQ(fake.links.count("/tmp/$_Temp_$.$$$"), 1u);

  fake.files["/prog/$_Temp_$.$$$"] = "someone's";
  EXPECT_FALSE(DirectoryWritable("/prog"));
  EXPECT_EQ(fake.Contents("/prog/$_Temp_$.$$$"), "someone's");

  fake.readOnlyDirectories.insert("/win");
  EXPECT_FALSE(DirectoryWritable("/win"));
  EXPECT_FALSE(DirectoryWritable("/gone"));
}

TEST_F(HelpTest, TheTemporaryDirectoryOrTheFallback) {
  const struct {
    const char* reported;
    const char* expected;
  } rows[] = {{"/tmp/", "/tmp"}, {"/tmp", "/tmp"}, {"/tmp///", "/tmp"}, {"/nowhere/", kFallbackTempDirectory}, {"", kFallbackTempDirectory}};
  for (const auto& row : rows) {
    fake.tempPath = row.reported;
    EXPECT_EQ(TempDirectory(), row.expected) << row.reported;
  }
}

TEST_F(HelpTest, SystemNamesOfTheHeader) {
  const struct {
    TSystemVersion v;
    const char* name;
  } rows[] = {
      {{TSystemFamily::WindowsNT, "", 4, 0, 1381, ""}, "Windows NT4"},
      {{TSystemFamily::WindowsNT, "", 4, 10, 0, ""}, "Windows NT4"},
      {{TSystemFamily::WindowsNT, "", 5, 0, 2195, ""}, "Windows 2000"},
      {{TSystemFamily::WindowsNT, "", 5, 1, 2600, ""}, "Windows XP"},
      {{TSystemFamily::WindowsNT, "", 5, 2, 3790, ""}, "Windows NT"},
      {{TSystemFamily::WindowsNT, "", 6, 1, 7601, ""}, "Windows NT"},
      {{TSystemFamily::WindowsNT, "", 3, 51, 1057, ""}, "Windows NT"},
      {{TSystemFamily::Windows, "", 4, 10, 2222, ""}, "Windows"},
      {{TSystemFamily::Other, "Linux", 6, 1, 0, ""}, "Linux"},
      {{TSystemFamily::Other, "FreeBSD", 14, 0, 0, ""}, "FreeBSD"},
  };
  for (const auto& row : rows) EXPECT_EQ(SystemName(row.v), row.name) << row.name;
}

class HelpStartTest : public HelpTest {
 protected:
  void SetUp() override {
    HelpTest::SetUp();
    InstallViewer(4, 73, 8252, 0);
    fake.files["/sys32/Shdocvw.dll"] = "";
    fake.versions["/sys32/Shdocvw.dll"] = Words(6, 0, 2900, 2180);
    fake.files["/prog/veltaro"] = "";
    fake.versions["/prog/veltaro"] = Words(1, 0, 0, 0);
    fake.arguments = {"/prog/veltaro", "a", "-Debug"};
    fake.rawCommandLine = "/prog/veltaro a -Debug";
  }
};

TEST_F(HelpStartTest, TheHeaderRowsByteForByte) {
  StartHelpSupport();
  ASSERT_TRUE(helpDebugMode);
  const std::string expected = kEquals79 + "\r\n" +
                               "Log File:             \t/prog/HHDebug.txt\r\n"
                               "Date:                 \t08.12.2026 12:34:56\r\n"
                               "Operating System:      \tWindows XP 5.1 (Build 2600) Service Pack 2\r\n"
                               "SysLocale.DefaultLCID: \t0x0407 (1031)\r\n"
                               "SysLocale.PriLangID:   \t0x0007 (7)\r\n"
                               "SysLocale.SubLangID:   \t0x0001 (1)\r\n"
                               "DecimalSeparator:      \t,\r\n" +
                               kDashes79 + "\r\n" +
                               "EXE Path =          \t/prog/veltaro\r\n"
                               "EXE Version =       \t1.0.0.0\r\n"
                               "Cmdline Param(s) =  \ta | -Debug\r\n"
                               "Actual CmdLine =  \t/prog/veltaro a -Debug\r\n"
                               "_RunDir =           \t/prog\r\n"
                               "_ModuleName =       \tveltaro\r\n"
                               "_ModuleDir =        \t/prog\r\n"
                               "_ModulePath =        \t/prog/veltaro\r\n"
                               "Module Version =       \t1.0.0.0\r\n" +
                               kDashes79 + "\r\n" +
                               "_hhInstalled =      \tYES\r\n"
                               "_hhVerStr =         \t4.73.8252.0\r\n"
                               "_hhFriendlyVerStr = \t1.2\r\n" +
                               kDashes79 + "\r\n" +
                               "_ieInstalled =      \tYES\r\n"
                               "_ieVerStr =         \t6.0.2900.2180\r\n"
                               "_ieFriendlyVerStr = \tInternet Explorer 6 (Windows XP SP2)\r\n" +
                               kEquals79 + "\r\n";
  EXPECT_EQ(fake.Contents("/prog/HHDebug.txt"), expected);
}

TEST_F(HelpStartTest, TheHeaderOnLinuxWithoutViewerBrowserOrArguments) {
  fake.files.clear();
  fake.versions.clear();
  fake.systemVersion = {TSystemFamily::Other, "Linux", 6, 1, 0, "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1"};
  fake.localeInfo = {0x0C07, "."};
  fake.arguments = {"veltaro"};
  fake.rawCommandLine = std::string(300, 'x');
  fake.files["/prog/debug.debug"] = "";
  StartHelpSupport();
  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 27u);
  EXPECT_EQ(lines[3], "Operating System:      \tLinux 6.1 (Build 0) #1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1");
  EXPECT_EQ(lines[4], "SysLocale.DefaultLCID: \t0x0C07 (3079)");
  EXPECT_EQ(lines[5], "SysLocale.PriLangID:   \t0x0007 (7)");
  EXPECT_EQ(lines[6], "SysLocale.SubLangID:   \t0x0003 (3)");
  EXPECT_EQ(lines[7], "DecimalSeparator:      \t.");
  EXPECT_EQ(lines[9], "EXE Path =          \tveltaro");
  EXPECT_EQ(lines[10], "EXE Version =       \t");
  EXPECT_EQ(lines[11], "Cmdline Param(s) =  \t");
  EXPECT_EQ(lines[12], "Actual CmdLine =  \t" + std::string(255, 'x'));
  EXPECT_EQ(lines[13], "_RunDir =           \t");
  EXPECT_EQ(lines[19], "_hhInstalled =      \tNO");
  EXPECT_EQ(lines[20], "_hhVerStr =         \t");
  EXPECT_EQ(lines[21], "_hhFriendlyVerStr = \t");
  EXPECT_EQ(lines[23], "_ieInstalled =      \tNO");
  EXPECT_EQ(lines[25], "_ieFriendlyVerStr = \t");

  fake.systemVersion.servicePack.clear();
  fake.files.erase("/prog/HHDebug.txt");
  helpLog->WriteHeader();
  EXPECT_EQ(LogLines()[3], "Operating System:      \tLinux 6.1 (Build 0) No Service Pack");
}

TEST_F(HelpStartTest, PathsLogDirectoryAndSwitchAreSettledAtStart) {
  fake.moduleFileName = "/prog/bin/veltaro";
  fake.directories.insert("/prog/bin");
  fake.readOnlyDirectories.insert("/prog/bin");
  fake.arguments = {"../bin/veltaro", "x.vlt"};
  StartHelpSupport();
  EXPECT_EQ(_ModulePath, "/prog/bin/veltaro");
  EXPECT_EQ(_ModuleDir, "/prog/bin");
  EXPECT_EQ(_ModuleName, "veltaro");
  EXPECT_EQ(_RunDir, "../bin");
  EXPECT_EQ(logDirectory, "/tmp");
  EXPECT_FALSE(helpDebugMode);
  ASSERT_NE(helpLog, nullptr);
  EXPECT_EQ(helpLog->logFileName, "/tmp/HHDebug.txt");
  EXPECT_FALSE(helpLog->enabled);
  EXPECT_TRUE(helpLog->stampTimes);
  EXPECT_TRUE(helpLog->writeHeader);
  EXPECT_FALSE(helpLog->keepOldLog);
  EXPECT_FALSE(fake.FileExists("/tmp/HHDebug.txt"));
  StopHelpSupport();
  EXPECT_EQ(helpLog, nullptr);
  LogHelpEvent("after the end");  // no log, no crash
}

}  // namespace
}  // namespace veltaro

// The same rules with the system's own file services, in a directory that
// others can write to.
namespace veltaro {
namespace {

class PlantedLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::ResetHelpState();
    dir = std::filesystem::temp_directory_path() / ("veltaro-links-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    victim = (dir / "victim").string();
    std::ofstream(victim) << "precious";
    previous = SetPlatform(&platform);
  }
  void TearDown() override {
    testing_support::ResetHelpState();
    SetPlatform(previous);
    std::filesystem::remove_all(dir);
  }
  std::string Read(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::filesystem::path dir;
  std::string victim;
#ifdef _WIN32
  TWindowsPlatform platform;
#else
  TLinuxPlatform platform;
#endif
  TPlatform* previous = nullptr;
};

TEST_F(PlantedLinks, TheLogNeverWritesThroughALinkAtItsName) {
  const std::string log = (dir / "HHDebug.txt").string();
  std::filesystem::create_symlink(victim, log);
  TDLogFile file(log, true, true, true, false);
  file.WriteEntry("entry");
  EXPECT_EQ(Read(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(log));
  EXPECT_EQ(Read(log).substr(0, 79), std::string(79, '='));

  // A link planted after the start: entries are lost, the target stays.
  std::filesystem::remove(log);
  std::filesystem::create_symlink(victim, log);
  file.WriteEntry("lost");
  EXPECT_EQ(Read(victim), "precious");
}

TEST_F(PlantedLinks, TheProbeIsNeverCreatedOverALinkOrAFile) {
  const std::string probe = (dir / "$_Temp_$.$$$").string();
  EXPECT_TRUE(DirectoryWritable(dir.string()));
  EXPECT_FALSE(std::filesystem::exists(probe));

  std::filesystem::create_symlink(victim, probe);
  EXPECT_FALSE(DirectoryWritable(dir.string()));
  EXPECT_TRUE(std::filesystem::is_symlink(probe));
  EXPECT_EQ(Read(victim), "precious");

  std::filesystem::remove(probe);
  std::filesystem::create_symlink((dir / "absent").string(), probe);
  EXPECT_FALSE(DirectoryWritable(dir.string()));
  EXPECT_FALSE(std::filesystem::exists(dir / "absent"));
}

}  // namespace
}  // namespace veltaro
