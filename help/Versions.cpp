#include "Versions.h"

#include <string_view>

#include "HelpTexts.h"
#include "Platform.h"
#include "hh.h"

namespace veltaro {

std::string _hhVerStr;
bool _hhInstalled = false;
std::uint16_t _hhVerMajor = 0;
std::uint16_t _hhVerMinor = 0;
std::uint16_t _hhVerBuild = 0;
std::uint16_t _hhVerRevision = 0;
std::string _hhFriendlyVerStr;
std::string _ieVerStr;
bool _ieInstalled = false;
std::string _ieFriendlyVerStr;

namespace {

struct TReleaseRow {
  TVersion threshold;
  std::string_view name;
};

// HTML Help releases by the viewer's file version, newest first; a version
// belongs to the first row that it reaches.
constexpr TReleaseRow kHelpReleases[] = {
    {{5, 2, 3626, 0}, "1.4"},   {{4, 74, 9273, 0}, "1.33"}, {{4, 74, 8857, 0}, "1.32"},
    {{4, 74, 8793, 0}, "1.31"}, {{4, 74, 8702, 0}, "1.3"},  {{4, 73, 8561, 0}, "1.22"},
    {{4, 73, 8474, 0}, "1.21a"}, {{4, 73, 8412, 0}, "1.21"}, {{4, 73, 8252, 0}, "1.2"},
    {{4, 72, 8164, 0}, "1.1b"}, {{4, 72, 7325, 0}, "1.1a"}, {{4, 72, 7323, 0}, "1.1"},
    {{4, 72, 7290, 0}, "1.0"},
};
constexpr TVersion kHelp14a = {5, 2, 3669, 0};

// Browser releases by the component's adjusted version, newest first.
constexpr TReleaseRow kBrowserReleases[] = {
    {{6, 0, 3790, 0}, "Internet Explorer 6 (Windows Server 2003)"},
    {{6, 0, 3718, 0}, "Internet Explorer 6 (Windows Server 2003 RC2)"},
    {{6, 0, 3663, 0}, "Internet Explorer 6 (Windows Server 2003 RC1)"},
    {{6, 0, 2900, 2180}, "Internet Explorer 6 (Windows XP SP2)"},
    {{6, 0, 2800, 1106}, "Internet Explorer 6 SP1"},
    {{6, 0, 2712, 300}, "Internet Explorer 6 (Windows XP + minor update)"},
    {{6, 0, 2600, 0}, "Internet Explorer 6 (Windows XP)"},
    {{6, 0, 2479, 6}, "Internet Explorer 6 Public Preview (Beta) Refresh"},
    {{6, 0, 2462, 0}, "Internet Explorer 6 Public Preview (Beta)"},
    {{5, 50, 4807, 2300}, "Internet Explorer 5.5 Service Pack 2"},
    {{5, 50, 4522, 1800}, "Internet Explorer 5.5 Service Pack 1"},
    {{5, 50, 4308, 2900}, "Internet Explorer 5.5 Advanced Security Privacy Beta"},
    {{5, 50, 4134, 600}, "Internet Explorer 5.5"},
    {{5, 50, 4134, 100}, "Internet Explorer 5.5 for Windows Me (4.90.3000)"},
    {{5, 50, 4030, 2400}, "Internet Explorer 5.5 & Internet Tools Beta"},
    {{5, 50, 3825, 1300}, "Internet Explorer 5.5 Developer Preview"},
    {{5, 0, 2919, 6307}, "Internet Explorer 5.01"},
    {{5, 0, 2919, 3800}, "Internet Explorer 5.01 (Windows 2000 RC2, build 5.00.2128)"},
    {{5, 0, 2919, 800}, "Internet Explorer 5.01 (Windows 2000 RC1, build 5.00.2072)"},
    {{5, 0, 2721, 1400}, "Internet Explorer 5.0 updated"},
    {{5, 0, 2614, 0}, "Internet Explorer 5.0b"},
    {{5, 0, 2314, 0}, "Internet Explorer 5.0a"},
    {{5, 0, 2014, 0}, "Internet Explorer 5.0"},
    {{5, 0, 910, 0}, "Internet Explorer 5 Beta (Beta 2)"},
    {{5, 0, 518, 0}, "Internet Explorer 5 Developer Preview (Beta 1)"},
    {{4, 72, 3612, 0}, "Internet Explorer 4.01 Service Pack 2 (SP2)"},
    {{4, 72, 3110, 0}, "Internet Explorer 4.01 Service Pack 1 (SP1)"},
    {{4, 72, 2106, 0}, "Internet Explorer 4.01"},
    {{4, 71, 1712, 0}, "Internet Explorer 4.0"},
    {{4, 71, 1008, 0}, "Internet Explorer 4.0 Platform Preview 2.0 (PP2)"},
    {{4, 71, 544, 0}, "Internet Explorer 4.0 Platform Preview 1.0 (PP1)"},
    {{4, 70, 1300, 0}, "Internet Explorer 3.02"},
    {{4, 70, 1215, 0}, "Internet Explorer 3.01"},
    {{4, 70, 1158, 0}, "Internet Explorer 3.0 (OSR2)"},
    {{4, 70, 1155, 0}, "Internet Explorer 3.0"},
    {{4, 40, 520, 0}, "Internet Explorer 2.0"},
    {{4, 40, 308, 0}, "Internet Explorer 1.0 (Plus!)"},
};

int Compare(std::uint16_t a, std::uint16_t b) { return a > b ? 1 : (a < b ? -1 : 0); }

TVersion ReadVersion(const std::string& fileName, std::string& text) {
  TVersion v;
  ReadFileVersion(fileName, v.major, v.minor, v.build, v.revision, text);
  return v;
}

std::string BrowserFile() { return SystemDirectory() + kPathDelimiter + std::string(helptext::kBrowserLibraryName); }

}  // namespace

std::string VersionText(const TVersion& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." + std::to_string(version.build) +
         "." + std::to_string(version.revision);
}

void ReadFileVersion(const std::string& fileName, std::uint16_t& major, std::uint16_t& minor,
                     std::uint16_t& build, std::uint16_t& revision, std::string& text) {
  text.clear();
  major = minor = build = revision = 0;
  TPlatform& platform = Platform();
  if (fileName.empty() || !platform.FileExists(fileName)) return;
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  if (!platform.FileVersionWords(fileName, ms, ls)) return;
  major = static_cast<std::uint16_t>(ms >> 16);
  minor = static_cast<std::uint16_t>(ms & 0xFFFF);
  build = static_cast<std::uint16_t>(ls >> 16);
  revision = static_cast<std::uint16_t>(ls & 0xFFFF);
  text = VersionText({major, minor, build, revision});
}

std::string FileVersionText(const std::string& fileName) {
  std::string text;
  ReadVersion(fileName, text);
  return text;
}

void ReadBrowserVersion(std::uint16_t& major, std::uint16_t& minor, std::uint16_t& build,
                        std::uint16_t& revision, std::string& text) {
  ReadFileVersion(BrowserFile(), major, minor, build, revision, text);
  if (!text.empty() && major == 4 && minor <= 70 && build == 0) {
    build = revision;
    revision = 0;
    text = VersionText({major, minor, build, revision});
  }
}

int VersionOrder(const TVersion& a, const TVersion& b) {
  if (const int c = Compare(a.major, b.major)) return c;
  if (const int c = Compare(a.minor, b.minor)) return c;
  if (const int c = Compare(a.build, b.build)) return c;
  return Compare(a.revision, b.revision);
}

std::string HelpViewerFriendlyVersion() {
  std::string text;
  const TVersion v = ReadVersion(LocateViewer(), text);
  if (text.empty()) return {};
  const int to14a = VersionOrder(v, kHelp14a);
  if (to14a > 0) return "> 1.4a";
  if (to14a == 0) return "1.4a";
  for (const TReleaseRow& row : kHelpReleases) {
    if (VersionOrder(v, row.threshold) >= 0) return std::string(row.name);
  }
  return "< 1.0";
}

std::string BrowserFriendlyVersion() {
  TVersion v;
  std::string text;
  ReadBrowserVersion(v.major, v.minor, v.build, v.revision, text);
  if (text.empty()) return {};
  if (v.major >= 7) return std::string(helptext::kBrowserAtLeast7) + text;
  for (const TReleaseRow& row : kBrowserReleases) {
    if (VersionOrder(v, row.threshold) >= 0) return std::string(row.name);
  }
  return std::string(helptext::kBrowserBelowAll);
}

void ReadHelpVersions() {
  ReadFileVersion(LocateViewer(), _hhVerMajor, _hhVerMinor, _hhVerBuild, _hhVerRevision, _hhVerStr);
  _hhInstalled = !_hhVerStr.empty();
  _hhFriendlyVerStr = HelpViewerFriendlyVersion();
  TVersion browser;
  ReadBrowserVersion(browser.major, browser.minor, browser.build, browser.revision, _ieVerStr);
  _ieInstalled = !_ieVerStr.empty();
  _ieFriendlyVerStr = BrowserFriendlyVersion();
}

}  // namespace veltaro
