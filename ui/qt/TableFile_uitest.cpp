// Saving and opening variable tables through the window, and the table
// loaded at start.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "TestUnblocker.h"
#include "WindowFixture.h"

namespace veltaro::testing_support {
namespace {

using Rows = std::vector<std::string>;

const std::string kHeader = "Veltaro Variable table\r\n";

using veltaro::test_support::TUnblocker;

// A FIFO that holds a whole table, kept open by a writer that never ends it.
class TTableFifo {
 public:
  TTableFifo(const std::string& path, const std::string& table) : path_(path) {
    if (::mkfifo(path.c_str(), 0600) != 0) return;
    writer_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (writer_ >= 0 && ::write(writer_, table.data(), table.size()) != static_cast<ssize_t>(table.size())) Close();
  }
  ~TTableFifo() { Close(); }
  bool Ready() const { return writer_ >= 0; }
  // Ends the writer, so that a reader gets to the end of the table.
  void Close() {
    if (writer_ >= 0) ::close(std::exchange(writer_, -1));
  }

 private:
  std::string path_;
  int writer_ = -1;
};

bool IsKind(const std::string& path, mode_t kind) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

class TableFile : public WindowTest {
 protected:
  void TearDown() override {
    for (const std::string& path : immutable_) SetImmutable(path, false);
    WindowTest::TearDown();
  }

  // Makes path unwritable even for the superuser, as far as the file system
  // allows; false when it cannot.
  bool MakeReadOnly(const std::string& path) {
    if (::chmod(path.c_str(), 0444) != 0) return false;
    if (::geteuid() != 0) return true;
    if (!SetImmutable(path, true)) return false;
    immutable_.push_back(path);
    return true;
  }

  static bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }

  // Saves under name; replacing an existing file is agreed to. That
  // question is the model's to test, so it is not kept among the calls.
  void SaveAs(const std::string& name) {
    dialogs.saveAnswers = {name};
    dialogs.questionAnswers = {TAnswer::Yes};
    Click(window->bSave);
    std::erase_if(dialogs.calls, [](const TScriptedDialogs::TCall& call) { return call.what == "Question"; });
    dialogs.questionAnswers.clear();
  }

  void OpenFile(const std::string& name) {
    dialogs.openAnswers = {name};
    Click(window->bOpen);
  }

  std::vector<std::string> immutable_;
};

TEST_F(TableFile, SavingGivesTheNameTheTableExtension) {
  StartEmpty();
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.d"));
  struct TCase {
    std::string chosen;
    std::string written;
  };
  const TCase cases[] = {
      {"vars.txt", "vars.vlt"},        {"vars", "vars.vlt"},           {"vars.vlt", "vars.vlt"},
      {"folder.d/plain", "folder.d/plain.vlt"}, {"two.dots.txt", "two.dots.vlt"}, {"upper.VLT", "upper.vlt"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.chosen);
    SaveAs(Dir() + "/" + c.chosen);
    EXPECT_EQ(ReadFile(Dir() + "/" + c.written), kHeader + "0\r\n");
  }
  EXPECT_FALSE(std::filesystem::exists(Dir() + "/vars.txt"));
  EXPECT_FALSE(std::filesystem::exists(Dir() + "/folder.vlt"));
  for (const auto& call : dialogs.calls) EXPECT_EQ(call.what, "Save");
}

TEST_F(TableFile, SavingWritesTheTableAfterAWriteBack) {
  StartEmpty();
  Type("x+z");
  Focus(window->cbComplex);
  EditCell(1, 1, "2.5");
  EditCell(2, 1, "length");
  EditCell(1, 2, "1-2*i", /*leaveOpen=*/true);
  SaveAs(Dir() + "/example");
  EXPECT_EQ(ReadFile(Dir() + "/example.vlt"),
            kHeader + "2\r\nx\r\n2.5\r\n0\r\nlength\r\nz\r\n1\r\n-2\r\n\r\n");
  // A failed write-back saves the table of the last successful one.
  EditCell(1, 1, "1+");
  EditCell(2, 2, "not saved");
  SaveAs(Dir() + "/example");
  EXPECT_EQ(ReadFile(Dir() + "/example.vlt"),
            kHeader + "2\r\nx\r\n2.5\r\n0\r\nlength\r\nz\r\n1\r\n-2\r\n\r\n");
  EXPECT_EQ(GridRows()[0][1], "1+");  // saving rebuilds nothing
  EXPECT_EQ(dialogs.calls.size(), 2u);
}

TEST_F(TableFile, CancellingTheSaveDialogWritesNothing) {
  StartEmpty();
  dialogs.saveAnswers = {std::nullopt};
  Click(window->bSave);
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
  EXPECT_EQ(dialogs.calls.size(), 1u);
}

TEST_F(TableFile, SavingOntoAReadOnlyFileReportsAccessDeniedAndKeepsTheFile) {
  StartEmpty();
  const std::string path = WriteFile("locked.vlt", "old contents");
  if (!MakeReadOnly(path)) GTEST_SKIP() << "this file system cannot make a file read-only for this user";
  Type("a");
  Click(window->bCalculate);
  SaveAs(path);
  ASSERT_EQ(dialogs.calls.size(), 2u);
  EXPECT_EQ(dialogs.calls[1].what, "Error");
  EXPECT_EQ(dialogs.calls[1].title, "Veltaro");
  EXPECT_EQ(dialogs.calls[1].text, "File access denied.");
  EXPECT_EQ(ReadFile(path), "old contents");
  EXPECT_EQ(RowTexts(GridRows()), Rows({"a=0="}));
}

TEST_F(TableFile, SavingIntoAMissingFolderReportsTheErrorNumber) {
  StartEmpty();
  SaveAs(Dir() + "/no such folder/vars");
  ASSERT_EQ(dialogs.calls.size(), 2u);
  EXPECT_EQ(dialogs.calls[1].what, "Error");
  EXPECT_EQ(dialogs.calls[1].title, "Veltaro");
  EXPECT_EQ(dialogs.calls[1].text, "I/O error 2.");
}

TEST_F(TableFile, OpeningReplacesTheTableAndTheGrid) {
  StartEmpty();
  Type("old");
  Click(window->bCalculate);
  struct TCase {
    std::string contents;
    Rows rows;
  };
  const TCase cases[] = {
      {kHeader + "2\r\nx\r\n2.5\r\n0\r\nlength\r\nz\r\n1\r\n-2\r\n\r\n", {"x=2.5=length", "z=1-2*i="}},
      {"anything at all\r\n1\r\nv\r\n1.5E3\r\n0\r\n\r\n", {"v=1500="}},
      {"h\r\n2 variables\r\na b\r\n1\r\n0\r\n c \r\nb\r\n2\r\n0\r\n\r\n", {"a b=1= c ", "b=2="}},
      {"h\nx\n1\n2\n3\n", {"=="}},  // line feeds alone: one single line
      {kHeader + "3\r\nq\r\n4\r\n0\r\nfour\r\n", {"q=4=four"}},
      {kHeader + "65535\r\nq\r\n4\r\n0\r\nfour\r\nr\r\n5", {"q=4=four", "r=5="}},
      {kHeader + "1\r\nbig\r\n1.79769313486232E308\r\n-1.79769313486232E308\r\n\r\n",
       {"big=1.79769313486232E308-1.79769313486232E308*i="}},
      {kHeader + "0\r\n", {"=="}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.contents);
    OpenFile(WriteFile("open.vlt", c.contents));
    EXPECT_EQ(RowTexts(GridRows()), c.rows);
  }
  EXPECT_EQ(dialogs.unanswered, 0);
}

TEST_F(TableFile, OpeningAFifoOrADeviceGivesAnEmptyTableAtOnce) {
  StartEmpty();
  Type("old");
  Click(window->bCalculate);
  const std::string fifo = Dir() + "/fifo.vlt";
  TTableFifo table(fifo, kHeader + "1\r\nf\r\n1\r\n0\r\n\r\n");
  ASSERT_TRUE(table.Ready());
  {
    TUnblocker unblock([&] { table.Close(); });
    OpenFile(fifo);
    EXPECT_FALSE(unblock.Done()) << "opening waited for the FIFO's writer";
    EXPECT_EQ(RowTexts(GridRows()), Rows({"=="}));
  }
  const std::string startFifo = Dir() + "/start.vlt";
  TTableFifo startTable(startFifo, kHeader + "1\r\ns\r\n1\r\n0\r\n\r\n");
  ASSERT_TRUE(startTable.Ready());
  {
    TUnblocker unblock([&] { startTable.Close(); });
    Start(startFifo, Dir());
    EXPECT_FALSE(unblock.Done()) << "the start-up load waited for the FIFO's writer";
    EXPECT_EQ(RowTexts(GridRows()), Rows({"=="}));
  }
  const std::string zero = Dir() + "/zero.vlt";
  if (::geteuid() == 0 && ::mknod(zero.c_str(), S_IFCHR | 0666, ::makedev(1, 5)) == 0) {
    OpenFile(zero);
    EXPECT_EQ(RowTexts(GridRows()), Rows({"=="}));
  }
  EXPECT_TRUE(dialogs.calls.size() >= 1u);
  for (const auto& call : dialogs.calls) EXPECT_EQ(call.what, "Open");
}

TEST_F(TableFile, SavingOntoAFifoADeviceOrALinkKeepsIt) {
  StartEmpty();
  Type("a");
  Click(window->bCalculate);
  const std::string expected = kHeader + "1\r\na\r\n0\r\n0\r\n\r\n";

  // Nobody reads the FIFO: the system's description at once, the FIFO stays.
  const std::string fifo = Dir() + "/pipe.vlt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  {
    TUnblocker unblock([&] {
      const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
    });
    SaveAs(fifo);
    EXPECT_FALSE(unblock.Done()) << "saving waited for a reader";
  }
  ASSERT_EQ(dialogs.calls.size(), 2u);
  EXPECT_EQ(dialogs.calls[1].what, "Error");
  EXPECT_EQ(dialogs.calls[1].text, "I/O error 6.");
  EXPECT_TRUE(IsKind(fifo, S_IFIFO));

  // A hard link: both names get the table.
  const std::string first = WriteFile("first.vlt", "old");
  const std::string second = Dir() + "/second.vlt";
  ASSERT_EQ(::link(first.c_str(), second.c_str()), 0);
  SaveAs(second);
  EXPECT_EQ(ReadFile(first), expected);
  EXPECT_EQ(ReadFile(second), expected);

  // A link to a file not yet there: the file is made, the link stays.
  ASSERT_EQ(::symlink("made.vlt", (Dir() + "/dangling.vlt").c_str()), 0);
  SaveAs(Dir() + "/dangling.vlt");
  EXPECT_TRUE(IsKind(Dir() + "/dangling.vlt", S_IFLNK));
  EXPECT_EQ(ReadFile(Dir() + "/made.vlt"), expected);
  EXPECT_EQ(dialogs.calls.size(), 4u);

  // A device like the system's /dev/null stays that device.
  const std::string null = Dir() + "/null.vlt";
  if (::geteuid() == 0 && ::mknod(null.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
    SaveAs(null);
    EXPECT_TRUE(IsKind(null, S_IFCHR));
  }
}

TEST_F(TableFile, RowsWithoutLabelsGoAndRepeatedLabelsMergeAtTheNextWriteBack) {
  StartEmpty();
  OpenFile(WriteFile("t.vlt", kHeader + "4\r\nq\r\n4\r\n0\r\nfirst\r\n\r\n9\r\n0\r\n\r\nr\r\n1\r\n0\r\n\r\nq\r\n5\r\n0\r\nlast\r\n"));
  EXPECT_EQ(RowTexts(GridRows()), Rows({"q=4=first", "=9=", "r=1=", "q=5=last"}));
  Focus(window->sgVariables);
  Focus(window->eTerm);
  ASSERT_EQ(GlobalVarTable.labels, Rows({"q", "r"}));
  EXPECT_EQ(GlobalVarTable.values[0], (TComplex{5, 0}));
  EXPECT_EQ(GlobalVarTable.comments[0], "last");
}

TEST_F(TableFile, ALabelWithBlanksIsShownAndSavedUnchanged) {
  StartEmpty();
  const std::string contents = kHeader + "1\r\nmy var \r\n3\r\n-1\r\n a comment \r\n";
  OpenFile(WriteFile("blanks.vlt", contents));
  EXPECT_EQ(RowTexts(GridRows()), Rows({"my var =3-i= a comment "}));
  SaveAs(Dir() + "/again");
  EXPECT_EQ(ReadFile(Dir() + "/again.vlt"), contents);
}

TEST_F(TableFile, OpeningAMissingFileEmptiesTheTableWithoutAMessage) {
  StartEmpty();
  Type("a+b");
  Click(window->bCalculate);
  OpenFile(Dir() + "/does-not-exist");
  EXPECT_EQ(RowTexts(GridRows()), Rows({"=="}));
  EXPECT_TRUE(GlobalVarTable.labels.empty());
  EXPECT_EQ(dialogs.calls.size(), 1u);
  // No extension is added when opening.
  WriteFile("plain", kHeader + "1\r\nn\r\n1\r\n0\r\n\r\n");
  OpenFile(Dir() + "/plain");
  EXPECT_EQ(RowTexts(GridRows()), Rows({"n=1="}));
}

TEST_F(TableFile, CancellingTheOpenDialogKeepsTheTable) {
  StartEmpty();
  Type("a");
  Click(window->bCalculate);
  dialogs.openAnswers = {std::nullopt};
  Click(window->bOpen);
  EXPECT_EQ(RowTexts(GridRows()), Rows({"a=0="}));
}

using StartUp = TableFile;

TEST_F(StartUp, LoadsTheFileNamedByTheFirstArgument) {
  WriteFile("default.vlt", kHeader + "1\r\nd\r\n1\r\n0\r\n\r\n");
  const std::string named = WriteFile("named.vlt", kHeader + "1\r\nn\r\n2\r\n0\r\nnamed\r\n");
  Start(named, Dir());
  EXPECT_EQ(RowTexts(GridRows()), Rows({"n=2=named"}));
  EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(StartUp, LoadsDefaultVltBesideTheProgramWithoutArguments) {
  WriteFile("default.vlt", kHeader + "2\r\nd\r\n1\r\n0\r\n\r\ne2\r\n0\r\n1\r\nimaginary\r\n");
  Start("", Dir());
  EXPECT_EQ(RowTexts(GridRows()), Rows({"d=1=", "e2=i=imaginary"}));
  Start("", Dir() + "/");  // with its trailing separator too
  EXPECT_EQ(RowTexts(GridRows()), Rows({"d=1=", "e2=i=imaginary"}));
}

TEST_F(StartUp, AMissingFileGivesAnEmptyGridAndNoMessage) {
  const std::string cases[][2] = {
      {Dir() + "/missing.vlt", Dir()},
      {"", Dir()},  // no default.vlt beside the program
      {"-debug", Dir()},
      {"/debug", Dir()},
      {"-DEBUG", Dir()},
  };
  const QString cwd = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));  // where "-debug" would be looked for
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    GlobalVarTable.labels = {"stale"};
    GlobalVarTable.values = {TComplex{1, 0}};
    GlobalVarTable.comments = {""};
    Start(c[0], c[1]);
    EXPECT_EQ(RowTexts(GridRows()), Rows({"=="}));
    EXPECT_EQ(window->sgVariables->RowCount(), 2);
    EXPECT_TRUE(GlobalVarTable.labels.empty());
  }
  QDir::setCurrent(cwd);
  EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(StartUp, ADebugSwitchIsTakenAsAFileNameToo) {
  const QString cwd = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  WriteFile("-debug", kHeader + "1\r\ndbg\r\n7\r\n0\r\n\r\n");
  Start("-debug", Dir());
  QDir::setCurrent(cwd);
  EXPECT_EQ(RowTexts(GridRows()), Rows({"dbg=7="}));
}

TEST_F(StartUp, FallsBackToDefaultVltInTheUsersFolder) {
  QTemporaryDir userData;
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", userData.path().toLocal8Bit());
  ASSERT_TRUE(QDir(userData.path()).mkpath("veltaro"));
  QFile user(userData.path() + "/veltaro/default.vlt");
  ASSERT_TRUE(user.open(QIODevice::WriteOnly));
  user.write(QByteArray::fromStdString(kHeader + "1\r\nu\r\n3\r\n0\r\nmine\r\n"));
  user.close();
  // Used only without an argument and without default.vlt beside the program.
  Start("", Dir());
  EXPECT_EQ(RowTexts(GridRows()), Rows({"u=3=mine"}));
  const std::string named = WriteFile("named.vlt", kHeader + "1\r\nn\r\n2\r\n0\r\n\r\n");
  Start(named, Dir());
  EXPECT_EQ(RowTexts(GridRows()), Rows({"n=2="}));
  WriteFile("default.vlt", kHeader + "1\r\nd\r\n1\r\n0\r\n\r\n");
  Start("", Dir());
  EXPECT_EQ(RowTexts(GridRows()), Rows({"d=1="}));
  qputenv("XDG_DATA_HOME", saved);
}

TEST_F(StartUp, FileDialogsStartInTheFolderOfTheLastTable) {
  QTemporaryDir userData;
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", userData.path().toLocal8Bit());
  const std::string userFolder = userData.path().toStdString() + "/veltaro/";
  // No table at start and no user folder: the program's folder.
  Start("", Dir());
  dialogs.saveAnswers = {std::nullopt};
  Click(window->bSave);
  ASSERT_EQ(dialogs.calls.size(), 1u);
  EXPECT_EQ(dialogs.calls.back().folder, Dir() + "/");
  // The user folder once it exists.
  ASSERT_TRUE(QDir(userData.path()).mkpath("veltaro"));
  Start("", Dir());
  dialogs.openAnswers = {std::nullopt};
  Click(window->bOpen);
  EXPECT_EQ(dialogs.calls.back().folder, userFolder);
  // Then the folder of the table last saved or opened.
  ASSERT_TRUE(QDir(dir.path()).mkpath("sub"));
  dialogs.saveAnswers = {Dir() + "/sub/t"};
  Click(window->bSave);
  dialogs.openAnswers = {std::nullopt};
  Click(window->bOpen);
  EXPECT_EQ(dialogs.calls.back().folder, Dir() + "/sub/");
  const std::string other = WriteFile("other.vlt", kHeader + "0\r\n");
  dialogs.openAnswers = {other};
  Click(window->bOpen);
  dialogs.saveAnswers = {std::nullopt};
  Click(window->bSave);
  EXPECT_EQ(dialogs.calls.back().folder, Dir() + "/");
  // A table named at start counts as opened.
  Start(Dir() + "/sub/t.vlt", userFolder);
  dialogs.saveAnswers = {std::nullopt};
  Click(window->bSave);
  EXPECT_EQ(dialogs.calls.back().folder, Dir() + "/sub/");
  qputenv("XDG_DATA_HOME", saved);
}

}  // namespace
}  // namespace veltaro::testing_support
