#include "DebugLog.h"

#include <sys/stat.h>
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
using testing_support::Native;
using testing_support::Words;

const std::string kEquals79(79, '=');
const std::string kDashes79(79, '-');

TEST_F(HelpTest, TheDebugSwitchIsAMarkerFileOrTheFirstDebugArgument) {
  const struct {
    std::vector<std::string> arguments;
    bool on;
  } rows[] = {
      {{Native("/prog/veltaro")}, false},
      {{}, false},
      {{Native("/prog/veltaro"), "-debug"}, true},
      {{Native("/prog/veltaro"), "/debug"}, true},
      {{Native("/prog/veltaro"), "-DEBUG"}, true},
      {{Native("/prog/veltaro"), "/DeBuG"}, true},
      {{Native("/prog/veltaro"), "table.vlt", "-Debug"}, true},
      {{Native("/prog/veltaro"), "--debug"}, false},
      {{Native("/prog/veltaro"), "debug"}, false},
      {{Native("/prog/veltaro"), "-debug "}, false},
      {{Native("/prog/veltaro"), "-debugx"}, false},
      {{Native("/prog/veltaro"), "\\debug"}, false},
      {{"-debug"}, false},  // argument 0 is the program
  };
  for (const auto& row : rows) {
    std::string joined;
    for (const auto& a : row.arguments) joined += "[" + a + "]";
    fake.files.erase(Native("/prog/debug.debug"));
    EXPECT_EQ(DebugSwitchOn(Native("/prog"), row.arguments), row.on) << joined;
    fake.files[Native("/prog/debug.debug")] = "";
    EXPECT_TRUE(DebugSwitchOn(Native("/prog"), row.arguments)) << "marker file with " << joined;
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
    fake.files.erase(Native("/prog/HHDebug.txt"));
    helpLog->WriteEntry(row.format, row.args);
    const std::string expected = row.line ? row.line : (std::string(row.format) == "=" ? kEquals79 : kDashes79);
    EXPECT_EQ(fake.Contents(Native("/prog/HHDebug.txt")), expected + "\r\n") << row.format;
  }
  helpLog->stampTimes = false;
  fake.files.erase(Native("/prog/HHDebug.txt"));
  helpLog->WriteEntry("hello");
  helpLog->WriteEntry("");
  EXPECT_EQ(fake.Contents(Native("/prog/HHDebug.txt")), "hello\r\n\r\n");
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
  fake.links.insert(Native("/prog/HHDebug.txt"));
  helpLog->WriteEntry("lost");
  EXPECT_EQ(fake.Contents(Native("/prog/HHDebug.txt")), "");
  EXPECT_EQ(fake.links.count(Native("/prog/HHDebug.txt")), 1u);
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
    std::string name;
    bool readOnly;
    std::string tempPath;
    std::string expected;
  } rows[] = {
      {"writable directory", Native("/prog/HHDebug.txt"), false, Native("/tmp/"), Native("/prog/HHDebug.txt")},
      {"read-only directory", Native("/prog/HHDebug.txt"), true, Native("/tmp/"), Native("/tmp/HHDebug.txt")},
      {"missing directory", Native("/gone/HHDebug.txt"), false, Native("/tmp/"), Native("/tmp/HHDebug.txt")},
      {"no directory part", "HHDebug.txt", false, Native("/tmp/"), Native("/tmp/HHDebug.txt")},
      {"empty name", "", false, Native("/tmp/"), Native("/prog/HHDebug.txt")},
      {"temporary path missing", Native("/gone/log.txt"), false, Native("/nowhere/"),
       std::string(kFallbackTempDirectory) + kPathDelimiter + "log.txt"},
      {"temporary path with separators", Native("/gone/log.txt"), false, Native("/tmp///"), Native("/tmp/log.txt")},
  };
  logDirectory = Native("/prog");
  for (const auto& row : rows) {
    fake.readOnlyDirectories.clear();
    if (row.readOnly) fake.readOnlyDirectories.insert(Native("/prog"));
    fake.tempPath = row.tempPath;
    TDLogFile log(row.name, true, true, false, false);
    EXPECT_EQ(log.logFileName, row.expected) << row.what;
  }
}

TEST_F(HelpTest, TheOldLogGoesAtEveryStartEvenWithDebugModeOff) {
  fake.files[Native("/prog/HHDebug.txt")] = "old run\r\n";
  TDLogFile off(Native("/prog/HHDebug.txt"), false, true, true, false);
  EXPECT_FALSE(fake.FileExists(Native("/prog/HHDebug.txt")));
  off.DebugLine("nothing");
  EXPECT_FALSE(fake.FileExists(Native("/prog/HHDebug.txt")));
  const std::vector<std::string> expected = {"CreateNewFile " + Native(Native("/prog/$_Temp_$.$$$")), "DeleteFile " + Native(Native("/prog/$_Temp_$.$$$")),
                                             "ResetFileAttributes " + Native(Native("/prog/HHDebug.txt")), "DeleteFile " + Native(Native("/prog/HHDebug.txt"))};
  EXPECT_EQ(fake.calls, expected);

  fake.files[Native("/prog/HHDebug.txt")] = "old run\r\n";
  TDLogFile kept(Native("/prog/HHDebug.txt"), true, false, false, true);
  kept.WriteEntry("new");
  EXPECT_EQ(fake.Contents(Native("/prog/HHDebug.txt")), "old run\r\nnew\r\n");
}

TEST_F(HelpTest, TheProbeFileIsNeverCreatedOverAnExistingOne) {
  EXPECT_TRUE(DirectoryWritable(Native("/prog//")));
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"CreateNewFile " + Native(Native("/prog/$_Temp_$.$$$")), "DeleteFile " + Native(Native("/prog/$_Temp_$.$$$"))}));
  EXPECT_FALSE(fake.FileExists(Native("/prog/$_Temp_$.$$$")));

  fake.calls.clear();
  fake.links.insert(Native("/tmp/$_Temp_$.$$$"));
  EXPECT_FALSE(DirectoryWritable(Native("/tmp")));
  EXPECT_EQ(fake.calls, std::vector<std::string>{"CreateNewFile " + Native(Native("/tmp/$_Temp_$.$$$"))});
  EXPECT_EQ(fake.links.count(Native("/tmp/$_Temp_$.$$$")), 1u);

  fake.files[Native("/prog/$_Temp_$.$$$")] = "someone's";
  EXPECT_FALSE(DirectoryWritable(Native("/prog")));
  EXPECT_EQ(fake.Contents(Native("/prog/$_Temp_$.$$$")), "someone's");

  fake.readOnlyDirectories.insert(Native("/win"));
  EXPECT_FALSE(DirectoryWritable(Native("/win")));
  EXPECT_FALSE(DirectoryWritable(Native("/gone")));
}

TEST_F(HelpTest, TheTemporaryDirectoryOrTheFallback) {
  const struct {
    std::string reported;
    std::string expected;
  } rows[] = {{Native("/tmp/"), Native("/tmp")}, {Native("/tmp"), Native("/tmp")}, {Native("/tmp///"), Native("/tmp")}, {Native("/nowhere/"), kFallbackTempDirectory}, {"", kFallbackTempDirectory}};
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
    fake.files[Native("/sys32/Shdocvw.dll")] = "";
    fake.versions[Native("/sys32/Shdocvw.dll")] = Words(6, 0, 2900, 2180);
    fake.files[Native("/prog/veltaro")] = "";
    fake.versions[Native("/prog/veltaro")] = Words(1, 0, 0, 0);
    fake.arguments = {Native("/prog/veltaro"), "a", "-Debug"};
    fake.rawCommandLine = Native(Native("/prog/veltaro")) + " a -Debug";
  }
};

TEST_F(HelpStartTest, TheHeaderRowsByteForByte) {
  StartHelpSupport();
  ASSERT_TRUE(helpDebugMode);
  const std::string expected = kEquals79 + "\r\n" +
                               "Log File:             \t" + Native(Native("/prog/HHDebug.txt")) + "\r\n" +
                               "Date:                 \t08.12.2026 12:34:56\r\n"
                               "Operating System:      \tWindows XP 5.1 (Build 2600) Service Pack 2\r\n"
                               "SysLocale.DefaultLCID: \t0x0407 (1031)\r\n"
                               "SysLocale.PriLangID:   \t0x0007 (7)\r\n"
                               "SysLocale.SubLangID:   \t0x0001 (1)\r\n"
                               "DecimalSeparator:      \t,\r\n" +
                               kDashes79 + "\r\n" +
                               "EXE Path =          \t" + Native(Native("/prog/veltaro")) + "\r\n" +
                               "EXE Version =       \t1.0.0.0\r\n"
                               "Cmdline Param(s) =  \ta | -Debug\r\n"
                               "Actual CmdLine =  \t" + Native(Native("/prog/veltaro")) + " a -Debug\r\n" +
                               "_RunDir =           \t" + Native(Native("/prog")) + "\r\n" +
                               "_ModuleName =       \tveltaro\r\n"
                               "_ModuleDir =        \t" + Native(Native("/prog")) + "\r\n" +
                               "_ModulePath =        \t" + Native(Native("/prog/veltaro")) + "\r\n" +
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
  EXPECT_EQ(fake.Contents(Native("/prog/HHDebug.txt")), expected);
}

TEST_F(HelpStartTest, TheHeaderOnLinuxWithoutViewerBrowserOrArguments) {
  fake.files.clear();
  fake.versions.clear();
  fake.systemVersion = {TSystemFamily::Other, "Linux", 6, 1, 0, "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1"};
  fake.localeInfo = {0x0C07, "."};
  fake.arguments = {"veltaro"};
  fake.rawCommandLine = std::string(300, 'x');
  fake.files[Native("/prog/debug.debug")] = "";
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
  fake.files.erase(Native("/prog/HHDebug.txt"));
  helpLog->WriteHeader();
  EXPECT_EQ(LogLines()[3], "Operating System:      \tLinux 6.1 (Build 0) No Service Pack");
}

TEST_F(HelpStartTest, PathsLogDirectoryAndSwitchAreSettledAtStart) {
  fake.moduleFileName = Native("/prog/bin/veltaro");
  fake.directories.insert(Native("/prog/bin"));
  fake.readOnlyDirectories.insert(Native("/prog/bin"));
  fake.arguments = {Native("../bin/veltaro"), "x.vlt"};
  StartHelpSupport();
  EXPECT_EQ(_ModulePath, Native("/prog/bin/veltaro"));
  EXPECT_EQ(_ModuleDir, Native("/prog/bin"));
  EXPECT_EQ(_ModuleName, "veltaro");
  EXPECT_EQ(_RunDir, Native("../bin"));
  EXPECT_EQ(logDirectory, Native("/tmp"));
  EXPECT_FALSE(helpDebugMode);
  ASSERT_NE(helpLog, nullptr);
  EXPECT_EQ(helpLog->logFileName, Native("/tmp/HHDebug.txt"));
  EXPECT_FALSE(helpLog->enabled);
  EXPECT_TRUE(helpLog->stampTimes);
  EXPECT_TRUE(helpLog->writeHeader);
  EXPECT_FALSE(helpLog->keepOldLog);
  EXPECT_FALSE(fake.FileExists(Native("/tmp/HHDebug.txt")));
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
#ifdef _WIN32
    // Symbolic links need a privilege on Windows that a user may lack.
    std::error_code ec;
    std::filesystem::create_symlink(victim, dir / "probe-link", ec);
    if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
    std::filesystem::remove(dir / "probe-link");
#endif
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

#ifndef _WIN32
TEST_F(PlantedLinks, AHardLinkOrAnotherOwnersFileAtItsNameKeepsModeAndContents) {
  const std::string log = (dir / "HHDebug.txt").string();
  struct stat st {};
  const auto modeOf = [&](const std::string& path) {
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : ~0u;
  };
  // A file of its own with a setuid bit and no write permission, planted
  // as a second name at the log's place.
  ASSERT_EQ(::chmod(victim.c_str(), 04555), 0);
  for (const bool debug : {false, true}) {
    SCOPED_TRACE(debug ? "debug on" : "debug off");
    std::filesystem::create_hard_link(victim, log);
    TDLogFile file(log, debug, true, true, false);
    file.DebugLine("entry");
    EXPECT_EQ(modeOf(victim), 04555u);
    EXPECT_EQ(Read(victim), "precious");
    EXPECT_EQ(std::filesystem::hard_link_count(victim), 1u);  // only the log's name went
    EXPECT_EQ(std::filesystem::exists(log), debug);
    if (debug) {
      EXPECT_EQ(Read(log).substr(0, 79), std::string(79, '='));
    }
    std::filesystem::remove(log);
  }

  // A file of another owner at the log's name: its mode and contents stay
  // while it is there; only its name is removed.
  if (::geteuid() != 0) return;
  std::ofstream(log) << "someone else's";
  ASSERT_EQ(::chown(log.c_str(), 4242, 4242), 0);
  ASSERT_EQ(::chmod(log.c_str(), 04444), 0);
  Platform().ResetFileAttributes(log);
  EXPECT_EQ(modeOf(log), 04444u);
  EXPECT_FALSE(Platform().AppendToFile(log, "entry"));
  EXPECT_EQ(Read(log), "someone else's");
  TDLogFile file(log, false, true, true, false);
  EXPECT_FALSE(std::filesystem::exists(log));
}
#endif

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
