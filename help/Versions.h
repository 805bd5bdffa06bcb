// Versions of the HTML Help viewer and of the browser component, read once at
// start, and their release names.
#pragma once

#include <cstdint>
#include <string>

namespace veltaro {

struct TVersion {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t build = 0;
  std::uint16_t revision = 0;
};

// The version state, written once at start.
extern std::string _hhVerStr;
extern bool _hhInstalled;
extern std::uint16_t _hhVerMajor;
extern std::uint16_t _hhVerMinor;
extern std::uint16_t _hhVerBuild;
extern std::uint16_t _hhVerRevision;
extern std::string _hhFriendlyVerStr;
extern std::string _ieVerStr;
extern bool _ieInstalled;
extern std::string _ieFriendlyVerStr;

// A file's version; zeros and an empty text when the file is missing or
// carries none.
void ReadFileVersion(const std::string& fileName, std::uint16_t& major, std::uint16_t& minor,
                     std::uint16_t& build, std::uint16_t& revision, std::string& text);
std::string FileVersionText(const std::string& fileName);

// The browser component's version, with the build of early releases moved
// out of the revision.
void ReadBrowserVersion(std::uint16_t& major, std::uint16_t& minor, std::uint16_t& build,
                        std::uint16_t& revision, std::string& text);

// 1 when a is higher than b, 0 when equal, -1 when lower.
int VersionOrder(const TVersion& a, const TVersion& b);

// Release names; empty when the version is unknown.
std::string HelpViewerFriendlyVersion();
std::string BrowserFriendlyVersion();

// The start-up steps that fill the version state.
void ReadHelpVersions();

// "major.minor.build.revision".
std::string VersionText(const TVersion& version);

}  // namespace veltaro
