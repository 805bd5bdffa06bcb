#include "Versions.h"

#include "HelpFixture.h"

namespace veltaro {
namespace {

using testing_support::HelpTest;
using testing_support::Native;
using testing_support::Words;

TEST_F(HelpTest, AFilesVersionComesFromItsTwoVersionWords) {
  fake.files = {{"/a", ""}, {"/none", ""}, {"/max", ""}, {"/zero", ""}};
  fake.versions["/a"] = Words(4, 73, 8252, 0);
  fake.versions["/max"] = Words(65535, 65535, 65535, 65535);
  fake.versions["/zero"] = Words(0, 0, 0, 0);
  fake.versions["/gone"] = Words(1, 2, 3, 4);  // a version for a file that does not exist
  const struct {
    const char* file;
    TVersion v;
    const char* text;
  } rows[] = {
      {"/a", {4, 73, 8252, 0}, "4.73.8252.0"},
      {"/max", {65535, 65535, 65535, 65535}, "65535.65535.65535.65535"},
      {"/zero", {0, 0, 0, 0}, "0.0.0.0"},
      {"/none", {0, 0, 0, 0}, ""},
      {"/gone", {0, 0, 0, 0}, ""},
      {"", {0, 0, 0, 0}, ""},
  };
  for (const auto& row : rows) {
    TVersion v{9, 9, 9, 9};
    std::string text = "old";
    ReadFileVersion(row.file, v.major, v.minor, v.build, v.revision, text);
    EXPECT_EQ(text, row.text) << row.file;
    EXPECT_EQ(VersionOrder(v, row.v), 0) << row.file;
    EXPECT_EQ(FileVersionText(row.file), row.text) << row.file;
  }
}

TEST_F(HelpTest, VersionsCompareByMajorMinorBuildRevision) {
  const struct {
    TVersion a, b;
    int order;
  } rows[] = {
      {{1, 0, 0, 0}, {1, 0, 0, 0}, 0},         {{2, 0, 0, 0}, {1, 9, 9, 9}, 1},
      {{1, 9, 9, 9}, {2, 0, 0, 0}, -1},        {{4, 73, 0, 0}, {4, 72, 65535, 65535}, 1},
      {{4, 73, 8252, 0}, {4, 73, 8252, 1}, -1}, {{4, 73, 8253, 0}, {4, 73, 8252, 65535}, 1},
      {{65535, 0, 0, 0}, {32767, 0, 0, 0}, 1},  {{0, 0, 0, 65535}, {0, 0, 0, 32768}, 1},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(VersionOrder(row.a, row.b), row.order) << VersionText(row.a) << " vs " << VersionText(row.b);
  }
}

TEST_F(HelpTest, HtmlHelpReleaseNamesFromTheViewersVersion) {
  const struct {
    TVersion v;
    const char* name;
  } rows[] = {
      {{6, 0, 0, 0}, "> 1.4a"},        {{5, 2, 3669, 1}, "> 1.4a"},    {{5, 2, 3669, 0}, "1.4a"},
      {{5, 2, 3668, 65535}, "1.4"},    {{5, 2, 3626, 0}, "1.4"},       {{5, 2, 3625, 9}, "1.33"},
      {{4, 74, 9273, 0}, "1.33"},      {{4, 74, 9272, 0}, "1.32"},     {{4, 74, 8857, 0}, "1.32"},
      {{4, 74, 8856, 0}, "1.31"},      {{4, 74, 8793, 0}, "1.31"},     {{4, 74, 8792, 0}, "1.3"},
      {{4, 74, 8702, 0}, "1.3"},       {{4, 74, 8701, 0}, "1.22"},     {{4, 73, 8561, 0}, "1.22"},
      {{4, 73, 8560, 0}, "1.21a"},     {{4, 73, 8474, 0}, "1.21a"},    {{4, 73, 8473, 0}, "1.21"},
      {{4, 73, 8412, 0}, "1.21"},      {{4, 73, 8411, 0}, "1.2"},      {{4, 73, 8252, 0}, "1.2"},
      {{4, 73, 8251, 9}, "1.1b"},      {{4, 72, 8164, 0}, "1.1b"},     {{4, 72, 8163, 0}, "1.1a"},
      {{4, 72, 7325, 0}, "1.1a"},      {{4, 72, 7324, 0}, "1.1"},      {{4, 72, 7323, 0}, "1.1"},
      {{4, 72, 7322, 0}, "1.0"},       {{4, 72, 7290, 0}, "1.0"},      {{4, 72, 7289, 65535}, "< 1.0"},
      {{0, 0, 0, 0}, "< 1.0"},
  };
  fake.files[Native("/sys32/hhctrl.ocx")] = "";
  for (const auto& row : rows) {
    fake.versions[Native("/sys32/hhctrl.ocx")] = Words(row.v.major, row.v.minor, row.v.build, row.v.revision);
    EXPECT_EQ(HelpViewerFriendlyVersion(), row.name) << VersionText(row.v);
  }
  fake.versions.clear();
  EXPECT_EQ(HelpViewerFriendlyVersion(), "");
}

TEST_F(HelpTest, BrowserVersionsOfEarlyReleasesMoveTheirBuildOutOfTheRevision) {
  const struct {
    TVersion file;
    const char* text;
  } rows[] = {
      {{4, 70, 0, 1155}, "4.70.1155.0"},  {{4, 40, 0, 520}, "4.40.520.0"},   {{4, 0, 0, 7}, "4.0.7.0"},
      {{4, 72, 3110, 8}, "4.72.3110.8"},  {{4, 71, 0, 1712}, "4.71.0.1712"}, {{4, 70, 1, 1155}, "4.70.1.1155"},
      {{5, 0, 0, 2014}, "5.0.0.2014"},    {{3, 70, 0, 5}, "3.70.0.5"},       {{4, 70, 0, 0}, "4.70.0.0"},
  };
  fake.files[Native("/sys32/Shdocvw.dll")] = "";
  for (const auto& row : rows) {
    fake.versions[Native("/sys32/Shdocvw.dll")] = Words(row.file.major, row.file.minor, row.file.build, row.file.revision);
    TVersion v;
    std::string text;
    ReadBrowserVersion(v.major, v.minor, v.build, v.revision, text);
    EXPECT_EQ(text, row.text) << VersionText(row.file);
    EXPECT_EQ(VersionText(v), row.text) << VersionText(row.file);
  }
}

TEST_F(HelpTest, BrowserReleaseNamesFromTheAdjustedVersion) {
  const struct {
    TVersion file;
    const char* name;
  } rows[] = {
      {{4, 70, 0, 1155}, "Internet Explorer 3.0"},
      {{4, 72, 3110, 8}, "Internet Explorer 4.01 Service Pack 1 (SP1)"},
      {{7, 0, 5730, 13}, ">= Internet Explorer 7.0.5730.13"},
      {{11, 0, 0, 0}, ">= Internet Explorer 11.0.0.0"},
      {{6, 65535, 0, 0}, "Internet Explorer 6 (Windows Server 2003)"},
      {{6, 0, 3790, 0}, "Internet Explorer 6 (Windows Server 2003)"},
      {{6, 0, 3789, 0}, "Internet Explorer 6 (Windows Server 2003 RC2)"},
      {{6, 0, 2900, 2180}, "Internet Explorer 6 (Windows XP SP2)"},
      {{6, 0, 2900, 2179}, "Internet Explorer 6 SP1"},
      {{6, 0, 2600, 0}, "Internet Explorer 6 (Windows XP)"},
      {{6, 0, 2479, 5}, "Internet Explorer 6 Public Preview (Beta)"},
      {{6, 0, 2462, 0}, "Internet Explorer 6 Public Preview (Beta)"},
      {{6, 0, 2461, 0}, "Internet Explorer 5.5 Service Pack 2"},
      {{5, 50, 4134, 600}, "Internet Explorer 5.5"},
      {{5, 50, 4134, 599}, "Internet Explorer 5.5 for Windows Me (4.90.3000)"},
      {{5, 50, 3825, 1299}, "Internet Explorer 5.01"},
      {{5, 0, 2919, 6307}, "Internet Explorer 5.01"},
      {{5, 0, 2919, 6399}, "Internet Explorer 5.01"},
      {{5, 0, 2919, 6306}, "Internet Explorer 5.01 (Windows 2000 RC2, build 5.00.2128)"},
      {{5, 0, 2721, 1400}, "Internet Explorer 5.0 updated"},
      {{5, 0, 2723, 2899}, "Internet Explorer 5.0 updated"},
      {{5, 0, 2721, 1399}, "Internet Explorer 5.0b"},
      {{5, 0, 518, 0}, "Internet Explorer 5 Developer Preview (Beta 1)"},
      {{5, 0, 517, 0}, "Internet Explorer 4.01 Service Pack 2 (SP2)"},
      {{4, 71, 544, 0}, "Internet Explorer 4.0 Platform Preview 1.0 (PP1)"},
      {{4, 70, 0, 1300}, "Internet Explorer 3.02"},
      {{4, 70, 0, 1157}, "Internet Explorer 3.0"},
      {{4, 40, 0, 520}, "Internet Explorer 2.0"},
      {{4, 40, 0, 308}, "Internet Explorer 1.0 (Plus!)"},
      {{4, 40, 0, 307}, "< Internet Explorer 1.0 (Plus!)"},
      {{1, 0, 0, 0}, "< Internet Explorer 1.0 (Plus!)"},
  };
  fake.files[Native("/sys32/Shdocvw.dll")] = "";
  for (const auto& row : rows) {
    fake.versions[Native("/sys32/Shdocvw.dll")] = Words(row.file.major, row.file.minor, row.file.build, row.file.revision);
    EXPECT_EQ(BrowserFriendlyVersion(), row.name) << VersionText(row.file);
  }
  fake.versions.clear();
  EXPECT_EQ(BrowserFriendlyVersion(), "");
}

TEST_F(HelpTest, TheStartUpStepsFillTheVersionState) {
  InstallViewer(4, 74, 9273, 5);
  fake.files[Native("/sys32/Shdocvw.dll")] = "";
  fake.versions[Native("/sys32/Shdocvw.dll")] = Words(4, 70, 0, 1215);
  ReadHelpVersions();
  EXPECT_TRUE(_hhInstalled);
  EXPECT_EQ(_hhVerStr, "4.74.9273.5");
  EXPECT_EQ(_hhVerMajor, 4);
  EXPECT_EQ(_hhVerMinor, 74);
  EXPECT_EQ(_hhVerBuild, 9273);
  EXPECT_EQ(_hhVerRevision, 5);
  EXPECT_EQ(_hhFriendlyVerStr, "1.33");
  EXPECT_TRUE(_ieInstalled);
  EXPECT_EQ(_ieVerStr, "4.70.1215.0");
  EXPECT_EQ(_ieFriendlyVerStr, "Internet Explorer 3.01");
}

TEST_F(HelpTest, WithoutViewerAndBrowserTheStateSaysSo) {
  // As on Linux: no registry, no browser component, no viewer file.
  ReadHelpVersions();
  EXPECT_FALSE(_hhInstalled);
  EXPECT_EQ(_hhVerStr, "");
  EXPECT_EQ(_hhVerMajor, 0);
  EXPECT_EQ(_hhFriendlyVerStr, "");
  EXPECT_FALSE(_ieInstalled);
  EXPECT_EQ(_ieVerStr, "");
  EXPECT_EQ(_ieFriendlyVerStr, "");

  // A registered file that is missing: the system directory's name, which is
  // missing too.
  fake.registry["CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32"] = {TRegistryValueKind::String,
                                                                                     "/gone/hhctrl.ocx"};
  ReadHelpVersions();
  EXPECT_FALSE(_hhInstalled);
}

}  // namespace
}  // namespace veltaro
