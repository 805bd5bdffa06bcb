#include "LinuxPlatform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "FakePlatform.h"

namespace veltaro {
namespace {

namespace fs = std::filesystem;

class LinuxPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("veltaro-platform-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

  fs::path dir;
  TLinuxPlatform platform;
};

TEST_F(LinuxPlatformTest, NewFilesAreNeverCreatedOverAnExistingNameOrThroughALink) {
  const std::string target = Path("target");
  Write(target, "keep");
  fs::create_symlink(target, Path("link"));
  fs::create_symlink(Path("nowhere"), Path("dangling"));

  EXPECT_TRUE(platform.CreateNewFile(Path("fresh")));
  EXPECT_TRUE(fs::exists(Path("fresh")));
  EXPECT_FALSE(platform.CreateNewFile(Path("fresh")));
  EXPECT_EQ(platform.LastErrorCode(), 80u);
  EXPECT_FALSE(platform.CreateNewFile(Path("link")));
  EXPECT_FALSE(platform.CreateNewFile(Path("dangling")));
  EXPECT_FALSE(fs::exists(Path("nowhere")));
  EXPECT_FALSE(platform.CreateNewFile(Path("no/such/dir")));
  EXPECT_EQ(platform.LastErrorCode(), 2u);
  EXPECT_EQ(Read(target), "keep");
}

TEST_F(LinuxPlatformTest, AppendingCreatesAppendsAndRefusesLinksAndSpecialFiles) {
  const std::string log = Path("log.txt");
  EXPECT_TRUE(platform.AppendToFile(log, "one\r\n"));
  EXPECT_TRUE(platform.AppendToFile(log, "two\r\n"));
  EXPECT_EQ(Read(log), "one\r\ntwo\r\n");

  const std::string target = Path("victim");
  Write(target, "keep");
  fs::create_symlink(target, Path("planted"));
  EXPECT_FALSE(platform.AppendToFile(Path("planted"), "evil"));
  EXPECT_EQ(Read(target), "keep");

  fs::create_symlink(Path("absent"), Path("dangling"));
  EXPECT_FALSE(platform.AppendToFile(Path("dangling"), "evil"));
  EXPECT_FALSE(fs::exists(Path("absent")));

  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  EXPECT_FALSE(platform.AppendToFile(Path("fifo"), "x"));  // returns at once instead of blocking
  EXPECT_FALSE(platform.AppendToFile(dir.string(), "x"));
}

TEST_F(LinuxPlatformTest, DeletingAPlantedLinkRemovesTheLinkOnly) {
  const std::string target = Path("victim");
  Write(target, "keep");
  fs::create_symlink(target, Path("planted"));
  EXPECT_TRUE(platform.DeleteFile(Path("planted")));
  EXPECT_EQ(Read(target), "keep");
  EXPECT_FALSE(platform.DeleteFile(Path("planted")));
  EXPECT_EQ(platform.LastErrorCode(), 2u);
}

TEST_F(LinuxPlatformTest, ResettingAttributesMakesAReadOnlyFileWritableButNotALinksTarget) {
  const std::string file = Path("readonly");
  Write(file, "x");
  fs::permissions(file, fs::perms::owner_read);
  platform.ResetFileAttributes(file);
  EXPECT_NE(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);

  const std::string target = Path("target");
  Write(target, "x");
  fs::permissions(target, fs::perms::owner_read);
  fs::create_symlink(target, Path("link"));
  platform.ResetFileAttributes(Path("link"));
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(LinuxPlatformTest, AFileWithAnotherNameOrOwnerKeepsItsModeAndContents) {
  const auto modeOf = [](const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : ~0u;
  };
  const std::string target = Path("target");
  Write(target, "keep");
  ASSERT_EQ(::chmod(target.c_str(), 04555), 0);
  ASSERT_EQ(::link(target.c_str(), Path("second").c_str()), 0);
  platform.ResetFileAttributes(Path("second"));
  platform.ResetFileAttributes(target);
  EXPECT_EQ(modeOf(target), 04555u);
  EXPECT_FALSE(platform.AppendToFile(Path("second"), "evil"));
  ASSERT_EQ(::chmod(target.c_str(), 0644), 0);
  EXPECT_FALSE(platform.AppendToFile(target, "evil"));
  EXPECT_EQ(Read(target), "keep");
  // Its other name gone, the file is an ordinary one of its own again.
  ASSERT_TRUE(platform.DeleteFile(Path("second")));
  EXPECT_TRUE(platform.AppendToFile(target, "+"));
  EXPECT_EQ(Read(target), "keep+");

  if (::geteuid() != 0) GTEST_SKIP() << "a file of another owner needs root to make";
  const std::string foreign = Path("foreign");
  Write(foreign, "theirs");
  ASSERT_EQ(::chown(foreign.c_str(), 4242, 4242), 0);
  ASSERT_EQ(::chmod(foreign.c_str(), 02444), 0);
  platform.ResetFileAttributes(foreign);
  EXPECT_EQ(modeOf(foreign), 02444u);
  EXPECT_FALSE(platform.AppendToFile(foreign, "evil"));
  EXPECT_EQ(Read(foreign), "theirs");
}

TEST_F(LinuxPlatformTest, FilesAndDirectoriesAreTold) {
  Write(Path("file"), "");
  EXPECT_TRUE(platform.FileExists(Path("file")));
  EXPECT_FALSE(platform.FileExists(dir.string()));
  EXPECT_FALSE(platform.FileExists(Path("missing")));
  EXPECT_FALSE(platform.FileExists(""));
  EXPECT_TRUE(platform.DirectoryExists(dir.string()));
  EXPECT_FALSE(platform.DirectoryExists(Path("file")));
  EXPECT_FALSE(platform.DirectoryExists(""));
}

TEST_F(LinuxPlatformTest, ProgramsStartWithoutAShell) {
  // With a shell, the ';' and '$(...)' would run commands; here they are
  // plain parts of the file names that touch creates.
  const std::string parameters = "\"" + Path("a b") + "\" " + Path("c;touch_d") + " " + Path("$(e)");
  ASSERT_TRUE(platform.ShellOpen(nullptr, "/usr/bin/touch", parameters, 10));
  const std::string expected[] = {Path("a b"), Path("c;touch_d"), Path("$(e)")};
  for (int i = 0; i < 1000 && !fs::exists(expected[2]); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  for (const std::string& name : expected) EXPECT_TRUE(fs::exists(name)) << name;
  EXPECT_FALSE(fs::exists("touch_d"));
  EXPECT_FALSE(fs::exists(Path("e")));

  EXPECT_FALSE(platform.ShellOpen(nullptr, Path("no-such-program"), "", 10));
  EXPECT_EQ(platform.LastErrorCode(), 2u);
  Write(Path("not-executable"), "data");
  EXPECT_FALSE(platform.ShellOpen(nullptr, Path("not-executable"), "", 10));
  EXPECT_EQ(platform.LastErrorCode(), 5u);
}

TEST_F(LinuxPlatformTest, LibrariesLoadByPathAndReportWhatIsMissing) {
  EXPECT_EQ(platform.LoadLibrary(Path("missing.so")), nullptr);
  EXPECT_EQ(platform.LastErrorCode(), 126u);
  EXPECT_EQ(platform.LoadLibrary(""), nullptr);
  Write(Path("fake.so"), "not a library");
  EXPECT_EQ(platform.LoadLibrary(Path("fake.so")), nullptr);
  TLibraryHandle c = platform.LoadLibrary("libc.so.6");
  ASSERT_NE(c, nullptr);
  EXPECT_NE(platform.LibraryExport(c, "strlen"), nullptr);
  EXPECT_EQ(platform.LibraryExport(c, "HtmlHelpA"), nullptr);
  EXPECT_EQ(platform.LastErrorCode(), 127u);
  platform.FreeLibrary(c);
}

TEST_F(LinuxPlatformTest, LinuxHasNoRegistryAndItsDirectoriesAreTheProgramsOwn) {
  TRegistryValue value{TRegistryValueKind::String, "x"};
  EXPECT_FALSE(platform.ReadClassesRootDefault("CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32", value));
  EXPECT_EQ(value.data, "");
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(platform.ModuleFileName(), self);
  EXPECT_EQ(platform.SystemDirectoryPath(), fs::path(self).parent_path().string());
  EXPECT_EQ(platform.WindowsDirectoryPath(), fs::path(self).parent_path().string());
  EXPECT_EQ(platform.DesktopWindow(), nullptr);
  EXPECT_FALSE(platform.CommandLineArguments().empty());

  TLinuxPlatform elsewhere("/opt/x/veltaro", {"veltaro", "-debug"});
  EXPECT_EQ(elsewhere.ModuleFileName(), "/opt/x/veltaro");
  EXPECT_EQ(elsewhere.SystemDirectoryPath(), "/opt/x");
  EXPECT_EQ(elsewhere.RawCommandLine(), "veltaro -debug");
}

TEST_F(LinuxPlatformTest, TheSystemVersionIsWhatUnameSays) {
  struct utsname names {};
  ASSERT_EQ(::uname(&names), 0);
  const TSystemVersion version = platform.SystemVersion();
  EXPECT_EQ(version.family, TSystemFamily::Other);
  EXPECT_EQ(version.name, names.sysname);
  EXPECT_EQ(version.servicePack, names.version);
  std::uint32_t major = 0, minor = 0, patch = 0;
  ParseRelease(names.release, major, minor, patch);
  EXPECT_EQ(version.major, major);
  EXPECT_EQ(version.minor, minor);
  EXPECT_EQ(version.build, patch);
}

TEST(ParseRelease, LeadingNumbersOfAReleaseText) {
  const struct {
    const char* release;
    std::uint32_t major, minor, patch;
  } rows[] = {
      {"6.1.0-18-amd64", 6, 1, 0}, {"5.15.153.1-microsoft-standard-WSL2", 5, 15, 153}, {"4.19", 4, 19, 0},
      {"3", 3, 0, 0},               {"", 0, 0, 0},                                       {"x.1.2", 0, 0, 0},
      {"6.x", 6, 0, 0},             {"99999999999.2.3", 4294967295u, 2, 3},             {"6.8.12+rt", 6, 8, 12},
  };
  for (const auto& row : rows) {
    std::uint32_t major = 7, minor = 7, patch = 7;
    ParseRelease(row.release, major, minor, patch);
    EXPECT_EQ(major, row.major) << row.release;
    EXPECT_EQ(minor, row.minor) << row.release;
    EXPECT_EQ(patch, row.patch) << row.release;
  }
}

TEST(LocaleIdentifier, LocaleNamesMapToWindowsIdentifiers) {
  const struct {
    const char* name;
    std::uint32_t lcid;
  } rows[] = {
      {"en_US.UTF-8", 0x0409}, {"en_GB", 0x0809},          {"de_DE.UTF-8", 0x0407}, {"de_DE@euro", 0x0407},
      {"de_AT.UTF-8", 0x0C07}, {"fr_CA.UTF-8", 0x0C0C},    {"ja_JP.eucJP", 0x0411}, {"de", 0x0407},
      {"de_BE.UTF-8", 0x0407}, {"pt_BR.UTF-8", 0x0416},    {"C", 0x007F},           {"POSIX", 0x007F},
      {"C.UTF-8", 0x007F},     {"", 0x007F},               {"xx_YY.UTF-8", 0x1000}, {"fil_PH.UTF-8", 0x1000},
  };
  for (const auto& row : rows) EXPECT_EQ(LocaleIdentifier(row.name), row.lcid) << row.name;
}

TEST(CommandLine, ParametersSplitAsAWindowsProgramSplitsThem) {
  const struct {
    const char* line;
    std::vector<std::string> arguments;
  } rows[] = {
      {"", {}},
      {"   ", {}},
      {"-mapid 20 /a/b.chm", {"-mapid", "20", "/a/b.chm"}},
      {"-win -#mapid 999 x", {"-win", "-#mapid", "999", "x"}},
      {"\"a b\" c", {"a b", "c"}},
      {"a\\\\b", {"a\\\\b"}},
      {"a\\\"b", {"a\"b"}},
      {"\"a\\\\\" b", {"a\\", "b"}},
      {"\"\"", {""}},
      {"x\t\ty", {"x", "y"}},
      {"\"unterminated", {"unterminated"}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(SplitCommandLine(row.line), row.arguments) << row.line;
    EXPECT_EQ(SplitCommandLine(JoinCommandLine(row.arguments)), row.arguments) << row.line;
  }
  EXPECT_EQ(JoinCommandLine({"veltaro", "a b", "", "c"}), "veltaro \"a b\" \"\" c");
}

TEST(ProcessPlatform, AFakeReplacesTheSystemsPlatformWhileItLives) {
  TPlatform* system = &Platform();
  {
    TFakePlatform fake;
    EXPECT_EQ(&Platform(), &fake);
    EXPECT_EQ(Platform().Toolkit(), &fake);
  }
  EXPECT_EQ(&Platform(), system);
}

}  // namespace
}  // namespace veltaro
