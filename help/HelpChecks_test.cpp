#include "HelpChecks.h"

#include "HelpFixture.h"

namespace veltaro {
namespace {

using testing_support::HelpTest;
using testing_support::Native;

struct TShownBox {
  TMessageIcon icon;
  std::string title;
  std::string text;
};

class HelpChecksTest : public HelpTest {
 protected:
  void Run() {
    RunHelpChecks([this](TMessageIcon icon, const std::string& title,
                         const std::string& text) { shown.push_back({icon, title, text}); },
                  [this](THelpRequestHandler next) {
                    std::swap(handler, next);
                    return next;
                  });
  }
  std::vector<TShownBox> shown;
  THelpRequestHandler handler;
};

TEST_F(HelpChecksTest, TheHelpFileLiesBesideTheProgram) {
  fake.moduleFileName = Native("/opt/my prog/veltaro");
  EXPECT_EQ(HelpFilePath(), Native("/opt/my prog/veltaro.chm"));
  fake.moduleFileName = Native("/veltaro");
  EXPECT_EQ(HelpFilePath(), Native("/veltaro.chm"));
}

TEST_F(HelpChecksTest, WithEverythingInPlaceNothingIsShownAndTheHookIsInstalled) {
  fake.files[Native("/prog/veltaro.chm")] = "";
  InstallViewer();
  LoadViewer();
  ReadHelpVersions();
  Run();
  EXPECT_TRUE(shown.empty());
  ASSERT_NE(MainHelpSystem, nullptr);
  EXPECT_EQ(MainHelpSystem->helpFile, Native("/prog/veltaro.chm"));
  EXPECT_EQ(MainHelpSystem->windowName, "");
  EXPECT_EQ(MainHelpSystem->hostKind, 0);
  ASSERT_TRUE(handler);
  bool callHelp = true;
  handler(HELP_CONTEXT, 20, callHelp);
  ASSERT_EQ(fake.viewerCalls.size(), 1u);
  EXPECT_EQ(fake.viewerCalls[0].file, Native("/prog/veltaro.chm"));
  EXPECT_EQ(fake.viewerCalls[0].data, 20u);
  MainHelpSystem.reset();
  EXPECT_FALSE(handler);
}

TEST_F(HelpChecksTest, AMissingHelpFileComesBeforeAMissingViewerAndTheHookStillComes) {
  Run();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].icon, TMessageIcon::Error);
  EXPECT_EQ(shown[0].title, "Error");
  EXPECT_EQ(shown[0].text, "Help file not found \r" + Native("/prog/veltaro.chm"));
  EXPECT_EQ(shown[1].icon, TMessageIcon::Information);
  EXPECT_EQ(shown[1].title, "Information");
  EXPECT_EQ(shown[1].text, "This application requires the installation of MS HTML Help 1.2 or higher.");
  ASSERT_NE(MainHelpSystem, nullptr);
  ASSERT_TRUE(handler);
  bool callHelp = true;
  handler(HELP_CONTEXT, 1, callHelp);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "MS Html Help is not installed on this PC.");
}

TEST_F(HelpChecksTest, TheViewerMustBeLoadedAndAtLeastVersion4Point73) {
  const struct {
    std::uint16_t major, minor, build;
    bool loads;
    bool box;
  } rows[] = {
      {4, 72, 8164, true, true}, {4, 72, 65535, true, true}, {4, 73, 0, true, false}, {4, 73, 8252, true, false},
      {4, 74, 9273, true, false}, {5, 0, 0, true, false},    {3, 99, 0, true, true},  {0, 0, 0, true, true},
      {5, 2, 3790, false, true},  {4, 73, 8252, false, true},
  };
  fake.files[Native("/prog/veltaro.chm")] = "";
  for (const auto& row : rows) {
    testing_support::ResetHelpState();
    fake.libraries.clear();
    InstallViewer(row.major, row.minor, row.build, 0);
    if (!row.loads) fake.libraries.clear();
    LoadViewer();
    ReadHelpVersions();
    shown.clear();
    Run();
    const std::string version = std::to_string(row.major) + "." + std::to_string(row.minor) +
                                (row.loads ? " loaded" : " not loaded");
    EXPECT_EQ(shown.size(), row.box ? 1u : 0u) << version;
    if (row.box && !shown.empty()) {
      EXPECT_EQ(shown[0].title, "Information") << version;
    }
    EXPECT_NE(MainHelpSystem, nullptr) << version;
    MainHelpSystem.reset();
  }
}

}  // namespace
}  // namespace veltaro
