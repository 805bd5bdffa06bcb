#include "HelpUrl.h"

#include <gtest/gtest.h>

namespace veltaro {
namespace {

TEST(SplitHelpUrl, PrefixFileTopicAndWindow) {
  const struct {
    const char* url;
    const char* file;
    const char* topic;
    const char* window;
  } rows[] = {
      {"/prog/veltaro.chm", "/prog/veltaro.chm", "", ""},
      {"mk:@MSITStore:/prog/veltaro.chm", "/prog/veltaro.chm", "", ""},
      {"MK:@msitstore:/prog/veltaro.chm", "/prog/veltaro.chm", "", ""},
      {"ms-its:/prog/veltaro.chm::/topics/a.htm", "/prog/veltaro.chm", "/topics/a.htm", ""},
      {"/prog/veltaro.chm>main", "/prog/veltaro.chm", "", "main"},
      {"mk:@MSITStore:/p/v.chm::/t/a.htm>main", "/p/v.chm", "/t/a.htm", "main"},
      {"a.chm::sub\\page.htm", "a.chm", "/sub/page.htm", ""},
      {"/my dir/v.chm", "/my dir/v.chm", "", ""},
      {"/odd>dir/v.chm", "/odd>dir/v.chm", "", ""},
      {"", "", "", ""},
  };
  for (const auto& row : rows) {
    const THelpUrl parts = SplitHelpUrl(row.url);
    EXPECT_EQ(parts.file, row.file) << row.url;
    EXPECT_EQ(parts.topic, row.topic) << row.url;
    EXPECT_EQ(parts.window, row.window) << row.url;
  }
}

}  // namespace
}  // namespace veltaro
