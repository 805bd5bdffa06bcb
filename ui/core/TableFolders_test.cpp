#include "TableFolders.h"

#include <gtest/gtest.h>

#include <set>

namespace veltaro {
namespace {

TEST(TableFolders, TheUsersFolderFollowsTheDataHomeOrTheHomeFolder) {
  EXPECT_EQ(UserTableFolder("/data", "/home/u"), "/data/veltaro/");
  EXPECT_EQ(UserTableFolder("/data/", "/home/u"), "/data/veltaro/");
  EXPECT_EQ(UserTableFolder(nullptr, "/home/u"), "/home/u/.local/share/veltaro/");
  EXPECT_EQ(UserTableFolder("", "/home/u/"), "/home/u/.local/share/veltaro/");
  // A relative data home is ignored, as the base directory rules say.
  EXPECT_EQ(UserTableFolder("rel", "/home/u"), "/home/u/.local/share/veltaro/");
  EXPECT_EQ(UserTableFolder(nullptr, nullptr), "");
  EXPECT_EQ(UserTableFolder(nullptr, "relative"), "");
}

TEST(TableFolders, TheStartupTableIsTheArgumentThenBesideTheProgramThenTheUsers) {
  std::set<std::string> files;
  const auto exists = [&files](const std::string& f) { return files.count(f) > 0; };
  const std::string prog = "/usr/lib/veltaro/";
  const std::string user = "/home/u/.local/share/veltaro/";
  EXPECT_EQ(StartupTableFile("", prog, user, exists), prog + "default.vlt");
  EXPECT_EQ(StartupTableFile("t.vlt", prog, user, exists), "t.vlt");
  files.insert(user + "default.vlt");
  EXPECT_EQ(StartupTableFile("", prog, user, exists), user + "default.vlt");
  EXPECT_EQ(StartupTableFile("missing.vlt", prog, user, exists), "missing.vlt");
  EXPECT_EQ(StartupTableFile("", prog, "", exists), prog + "default.vlt");
  files.insert(prog + "default.vlt");
  EXPECT_EQ(StartupTableFile("", prog, user, exists), prog + "default.vlt");
}

TEST(TableFolders, DialogsStartWhereTheLastTableWas) {
  EXPECT_EQ(FolderOf("/a/b/c.vlt"), "/a/b/");
  EXPECT_EQ(FolderOf("c.vlt"), "");
  EXPECT_EQ(FolderOf("/c.vlt"), "/");

  TTableFolders none("/prog/default.vlt", false, "/u/veltaro/", false);
  EXPECT_EQ(none.DialogFolder(), "/prog/");
  TTableFolders user("/prog/default.vlt", false, "/u/veltaro/", true);
  EXPECT_EQ(user.DialogFolder(), "/u/veltaro/");
  user.Used("/x/y.vlt");
  EXPECT_EQ(user.DialogFolder(), "/x/");
  user.Used("bare.vlt");  // a bare name keeps the folder known
  EXPECT_EQ(user.DialogFolder(), "/x/");
  TTableFolders loaded("/t/named.vlt", true, "/u/veltaro/", true);
  EXPECT_EQ(loaded.DialogFolder(), "/t/");
}

}  // namespace
}  // namespace veltaro
