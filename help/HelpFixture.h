// Test support: a fake platform and the help support's process-wide values
// reset before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DebugLog.h"
#include "FakePlatform.h"
#include "HelpChecks.h"
#include "Versions.h"
#include "hh.h"

namespace veltaro::testing_support {

inline void ResetHelpState() {
  MainHelpSystem.reset();
  helpLog.reset();
  viewerLibrary = nullptr;
  htmlHelpEntry = nullptr;
  _hhVerStr.clear();
  _hhInstalled = false;
  _hhVerMajor = _hhVerMinor = _hhVerBuild = _hhVerRevision = 0;
  _hhFriendlyVerStr.clear();
  _ieVerStr.clear();
  _ieInstalled = false;
  _ieFriendlyVerStr.clear();
  _ModulePath.clear();
  _ModuleDir.clear();
  _ModuleName.clear();
  _RunDir.clear();
  logDirectory.clear();
  helpDebugMode = false;
}

// A path of these tests, written with "/", in the spelling of the system they
// run on.
inline std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', kPathDelimiter);
  return path;
}

inline std::pair<std::uint32_t, std::uint32_t> Words(std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                                                     std::uint16_t revision) {
  return {(std::uint32_t{major} << 16) | minor, (std::uint32_t{build} << 16) | revision};
}

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHelpState();
    fake.directories = {Native("/prog"), Native("/tmp"), Native("/sys32"), Native("/win")};
    for (std::string* path : {&fake.tempPath, &fake.systemDirectory, &fake.windowsDirectory, &fake.moduleFileName,
                              &fake.rawCommandLine}) {
      *path = Native(*path);
    }
    for (std::string& argument : fake.arguments) argument = Native(argument);
  }
  void TearDown() override { ResetHelpState(); }

  // A viewer library in the system directory that loads, with a version.
  void InstallViewer(std::uint16_t major = 4, std::uint16_t minor = 73, std::uint16_t build = 8252,
                     std::uint16_t revision = 0) {
    fake.files[Native("/sys32/hhctrl.ocx")] = "";
    fake.versions[Native("/sys32/hhctrl.ocx")] = Words(major, minor, build, revision);
    fake.libraries[Native("/sys32/hhctrl.ocx")] = {};
  }

  // An enabled log at /prog/HHDebug.txt without header.
  void EnableLog() {
    logDirectory = Native("/prog");
    helpLog = std::make_unique<TDLogFile>(Native("/prog/HHDebug.txt"), true, true, false, false);
  }

  // The log's lines, without their line ends.
  std::vector<std::string> LogLines(const std::string& path = Native("/prog/HHDebug.txt")) const {
    std::vector<std::string> lines;
    const std::string text = fake.Contents(path);
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) {
        lines.push_back(text.substr(start) + "<no line end>");
        break;
      }
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  TFakePlatform fake;
};

}  // namespace veltaro::testing_support
