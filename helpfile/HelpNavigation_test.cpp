#include "HelpNavigation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "ChmArchive.h"

namespace veltaro {
namespace {

namespace fs = std::filesystem;

std::string Entry(const char* name, const char* local) {
  return std::string("<LI> <OBJECT type=\"text/sitemap\">\n<param name=\"Name\" value=\"") + name +
         "\">\n<param name=\"Local\" value=\"" + local + "\">\n</OBJECT>\n";
}

TEST(ParseSitemap, EntriesWithTheirDepthNameAndTopic) {
  const std::string nested = "<HTML><BODY><OBJECT type=\"text/site properties\"><param name=\"Name\" value=\"x\">"
                             "</OBJECT><UL>" +
                             Entry("A", "a.htm") + "<UL>" + Entry("A &amp; B", "a.htm#b") + "<UL>" +
                             Entry("Deep", "d.htm") + "</UL></UL>" + Entry("C", "c.htm") + "</UL></BODY></HTML>";
  const struct {
    const char* what;
    std::string text;
    std::vector<TSitemapEntry> entries;
  } rows[] = {
      {"nested lists", nested, {{0, "A", "a.htm"}, {1, "A & B", "a.htm#b"}, {2, "Deep", "d.htm"}, {0, "C", "c.htm"}}},
      {"lower case, single quotes, unquoted",
       "<ul><li><object type='TEXT/SITEMAP'><PARAM NAME=name VALUE='Kw'><param name=local value=k.htm></object></ul>",
       {{0, "Kw", "k.htm"}}},
      {"a heading without a topic", "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"H\"></object>",
       {{0, "H", ""}}},
      {"the first Name and Local count",
       "<ul><object type=\"text/sitemap\"><param name=\"Name\" value=\"One\"><param name=\"Local\" value=\"1.htm\">"
       "<param name=\"Name\" value=\"Two\"><param name=\"Local\" value=\"2.htm\"></object></ul>",
       {{0, "One", "1.htm"}}},
      {"no name, no entry", "<ul><object type=\"text/sitemap\"><param name=\"Local\" value=\"a.htm\"></object></ul>", {}},
      {"params outside an entry are ignored", "<ul><param name=\"Name\" value=\"X\"></object></ul>", {}},
      {"more end tags than lists", "</ul></ul><ul>" + Entry("E", "e.htm"), {{0, "E", "e.htm"}}},
      {"unclosed tag and attribute", "<ul><object type=\"text/sitemap\"><param name=\"Name\" value=\"X", {}},
      {"empty", "", {}},
  };
  for (const auto& row : rows) {
    const std::vector<TSitemapEntry> entries = ParseSitemap(row.text);
    ASSERT_EQ(entries.size(), row.entries.size()) << row.what;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].depth, row.entries[i].depth) << row.what << " " << i;
      EXPECT_EQ(entries[i].name, row.entries[i].name) << row.what << " " << i;
      EXPECT_EQ(entries[i].local, row.entries[i].local) << row.what << " " << i;
    }
  }
  // A nesting deeper than the viewer shows is listed at the deepest level,
  // and a huge nesting costs nothing but the pass over it.
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "<ul>";
  text += Entry("Bottom", "b.htm");
  const std::vector<TSitemapEntry> entries = ParseSitemap(text);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].depth, kMaxSitemapDepth);
}

std::string Record(std::uint16_t code, const std::string& data) {
  std::string bytes;
  bytes += static_cast<char>(code & 0xFF);
  bytes += static_cast<char>(code >> 8);
  bytes += static_cast<char>(data.size() & 0xFF);
  bytes += static_cast<char>(data.size() >> 8);
  return bytes + data;
}

TEST(ParseHelpSettings, RecordsOfCodeLengthAndData) {
  const std::string version("\x03\0\0\0", 4);
  const std::string good = version + Record(0, std::string("a.hhc\0", 6)) + Record(1, std::string("a.hhk\0", 6)) +
                           Record(9, "ignored") + Record(2, std::string("topics/w.htm\0", 13)) +
                           Record(3, std::string("Title\0", 6));
  THelpSettings settings;
  ASSERT_TRUE(ParseHelpSettings(good, settings));
  EXPECT_EQ(settings.contentsFile, "a.hhc");
  EXPECT_EQ(settings.indexFile, "a.hhk");
  EXPECT_EQ(settings.defaultTopic, "topics/w.htm");
  EXPECT_EQ(settings.title, "Title");

  // A record longer than the object: the records before it are kept.
  const std::string cut = version + Record(0, std::string("a.hhc\0", 6)) + Record(2, "topics/w.htm").substr(0, 8);
  EXPECT_FALSE(ParseHelpSettings(cut, settings));
  EXPECT_EQ(settings.contentsFile, "a.hhc");
  EXPECT_EQ(settings.defaultTopic, "");
  EXPECT_FALSE(ParseHelpSettings(version + "\x02", settings));
  EXPECT_FALSE(ParseHelpSettings("", settings));
  EXPECT_TRUE(ParseHelpSettings(version, settings));
  EXPECT_EQ(settings.title, "");
}

TEST(ResolveLink, RelativeToTheLinkingTopic) {
  const struct {
    const char* from;
    const char* link;
    bool external;
    const char* object;
    const char* fragment;
  } rows[] = {
      {"/topics/a.htm", "b.htm", false, "/topics/b.htm", ""},
      {"/topics/a.htm", "b.htm#part", false, "/topics/b.htm", "part"},
      {"/topics/a.htm", "#part", false, "/topics/a.htm", "part"},
      {"/topics/a.htm", "../images/p.png", false, "/images/p.png", ""},
      {"/topics/a.htm", "./b.htm?x=1", false, "/topics/b.htm", ""},
      {"/topics/a.htm", "/c.htm", false, "/c.htm", ""},
      {"/topics/a.htm", "../../../x.htm", false, "/x.htm", ""},
      {"/", "topics/keys.htm", false, "/topics/keys.htm", ""},
      {"/topics/a.htm", "https://www.example/x.html", true, "", ""},
      {"/topics/a.htm", "mailto:someone@example", true, "", ""},
      {"/topics/a.htm", "ms-its:other.chm::/a.htm", true, "", ""},
      {"/topics/a.htm", "dir/x:y.htm", false, "/topics/dir/x:y.htm", ""},
  };
  for (const auto& row : rows) {
    const TLinkTarget target = ResolveLink(row.from, row.link);
    EXPECT_EQ(target.external, row.external) << row.link;
    EXPECT_EQ(target.object, row.object) << row.link;
    EXPECT_EQ(target.fragment, row.fragment) << row.link;
  }
}

TEST(ExtractTopicText, TitleAndTextWithoutMarkup) {
  const TTopicText text = ExtractTopicText(
      "<html><head><title>Veltaro - a &amp; b</title><style>p { color: red; }</style></head>\n"
      "<body><!-- a <b>comment</b> --><h1>Head</h1><p>One&nbsp;two <b>three</b>&#65;&#x42;</p>"
      "<table><tr><td>a</td><td>b</td></tr></table><script>var hidden = 1;</script>&bogus; &lt;x&gt;</body></html>");
  EXPECT_EQ(text.title, "Veltaro - a & b");
  EXPECT_EQ(text.text, "Head One two three AB a b &bogus; <x>");
  EXPECT_EQ(ExtractTopicText("<p>unclosed <b").text, "unclosed");
  EXPECT_EQ(ExtractTopicText("").text, "");

  EXPECT_EQ(TopicLinks("<a href=\"a.htm\">x</a><img src='p.png' width=3><link rel=x HREF=c.css>"),
            (std::vector<std::string>{"a.htm", "p.png", "c.css"}));
  EXPECT_EQ(TopicAnchors("<h2><a name=\"invalid\"></a>x</h2><p id=top><meta name=\"GENERATOR\">"),
            (std::vector<std::string>{"invalid", "top"}));
}

TEST(SearchIndex, TopicsWithEveryWordMostHitsFirst) {
  TSearchIndex index;
  index.Add("/a.htm", "Alpha", "sine and cosine; sine again");
  index.Add("/b.htm", "Beta", "Sine only once. Ctrl+F finds");
  index.Add("/c.htm", "Gamma", "nothing here");
  const struct {
    const char* query;
    std::vector<std::size_t> topics;
  } rows[] = {
      {"sine", {0, 1}},        {"SINE", {0, 1}},  {"sine cosine", {0}}, {"ctrl+f", {1}}, {"alpha", {0}},
      {"sin", {0, 1}},         {"", {}},          {"  ,;  ", {}},       {"beta sine", {1}},
      {"nothing here", {2}},   {"missing", {}},
  };
  for (const auto& row : rows) EXPECT_EQ(index.Find(row.query), row.topics) << row.query;
  EXPECT_EQ(SearchWords("Ctrl+Shift+Delete, e^(1/2)"),
            (std::vector<std::string>{"ctrl", "shift", "delete", "e", "1", "2"}));
}

// A word searched for finds the words that begin with it and the other
// forms of the same word, in any letter case; never a different word that
// merely shares a stem's letters.
TEST(SearchIndex, AWordFindsWordsBeginningWithItAndItsOtherForms) {
  const struct {
    const char* searched;
    const char* word;
    bool found;
  } rows[] = {
      {"variab", "variables", true},     {"degree", "degrees", true},      {"degrees", "degree", true},
      {"calculated", "calculating", true}, {"calculates", "calculate", true}, {"entries", "entry", true},
      {"copied", "copy", true},          {"boxes", "box", true},           {"stopped", "stopping", true},
      {"using", "use", true},            {"matches", "match", true},       {"sine", "sine", true},
      {"cases", "cast", false},          {"string", "str", false},         {"class", "clas", false},
      {"sine", "cosine", false},         {"term", "determine", false},     {"axis", "ax", false},
      {"red", "re", false},              {"minus", "minu", false},         {"added", "adds", true},
      {"running", "run", true},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(SearchWordMatches(row.searched, row.word), row.found) << row.searched << " " << row.word;
  }
  EXPECT_EQ(SearchWords("GRÖSSE Ärger ÷"), (std::vector<std::string>{"grösse", "ärger", "÷"}));

  TSearchIndex index;
  index.Add("/a.htm", "Angles", "Angles are given in Degrees or radians.");
  index.Add("/b.htm", "Ärger", "Nothing else.");
  const struct {
    const char* query;
    std::vector<std::size_t> topics;
  } queries[] = {{"degree", {0}}, {"DEGREE ANGLE", {0}}, {"RADIAN", {0}}, {"ärg", {1}}, {"ÄRGER", {1}},
                 {"degreess", {}}};
  for (const auto& row : queries) EXPECT_EQ(index.Find(row.query), row.topics) << row.query;

  std::size_t start = 0;
  std::size_t length = 0;
  ASSERT_TRUE(FirstSearchPlace("The Variables panel lists variables.", "variab tables", start, length));
  EXPECT_EQ(start, 4u);
  EXPECT_EQ(length, 9u);
  ASSERT_TRUE(FirstSearchPlace("angle: 90 degrees", "DEGREE", start, length));
  EXPECT_EQ(start, 10u);
  EXPECT_EQ(length, 7u);
  EXPECT_FALSE(FirstSearchPlace("cosine", "sine", start, length));
  EXPECT_FALSE(FirstSearchPlace("text", " ,; ", start, length));
}

// Titles first, then how often the words occur; ties keep the topics' order.
TEST(SearchIndex, TopicsWithTheWordsInTheTitleFirstThenTheMostPlaces) {
  TSearchIndex index;
  index.Add("/keys.htm", "Keys", "variable variable variable, the key of a variable");
  index.Add("/variables.htm", "Variables", "a variable");
  index.Add("/other.htm", "Other", "variables and variable");
  index.Add("/tables.htm", "Variable tables", "tables of variables, variable names");
  index.Add("/same.htm", "Same", "variables and variable");
  const struct {
    const char* query;
    std::vector<std::size_t> topics;
  } rows[] = {
      {"variable", {3, 1, 0, 2, 4}},
      {"variable table", {3}},
      {"key variab", {0}},
      {"var", {3, 1, 0, 2, 4}},
      {"variable and", {2, 4}},
  };
  for (const auto& row : rows) EXPECT_EQ(index.Find(row.query), row.topics) << row.query;
}

// The compiled help file, read as the viewer reads it.
class CompiledHelpFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(archive.Open(VELTARO_HELP_FILE));
    std::string system;
    ASSERT_TRUE(archive.Read("/#SYSTEM", system));
    ASSERT_TRUE(ParseHelpSettings(system, settings));
  }
  std::vector<TSitemapEntry> Sitemap(const std::string& name) {
    std::string text;
    EXPECT_TRUE(archive.Read(name, text)) << name;
    return ParseSitemap(text);
  }
  std::vector<std::string> Topics() {
    std::vector<std::string> topics;
    for (std::size_t i = 0; i < archive.ObjectCount(); ++i) {
      const std::string name = archive.ObjectNameAt(i);
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".htm") == 0) topics.push_back(name);
    }
    return topics;
  }
  TChmArchive archive;
  THelpSettings settings;
};

TEST_F(CompiledHelpFile, NamesItsContentsIndexAndTheWindowTopicAsDefault) {
  EXPECT_EQ(settings.contentsFile, "veltaro.hhc");
  EXPECT_EQ(settings.indexFile, "veltaro.hhk");
  EXPECT_EQ(settings.defaultTopic, "topics/window.htm");
  EXPECT_EQ(settings.title, "Veltaro Help");
}

TEST_F(CompiledHelpFile, TheContentsListEveryTopic) {
  const std::vector<TSitemapEntry> contents = Sitemap(settings.contentsFile);
  std::set<std::string> listed;
  for (const TSitemapEntry& entry : contents) {
    const TLinkTarget target = ResolveLink("/", entry.local);
    EXPECT_TRUE(archive.Contains(target.object)) << entry.name << ": " << entry.local;
    listed.insert(target.object);
  }
  const std::vector<std::string> topics = Topics();
  EXPECT_GE(topics.size(), 6u);
  for (const std::string& topic : topics) EXPECT_TRUE(listed.count(topic)) << topic << " is not in the contents";
  ASSERT_FALSE(contents.empty());
  EXPECT_EQ(contents.front().name, "The calculator window");
  EXPECT_EQ(contents.front().depth, 0);
}

TEST_F(CompiledHelpFile, TheIndexLeadsFromKeywordsToTopics) {
  const std::vector<TSitemapEntry> index = Sitemap(settings.indexFile);
  const struct {
    const char* keyword;
    const char* object;
  } rows[] = {{"Keyboard", "/topics/keys.htm"},         {"Installing", "/topics/support.htm"},
              {"Debian package", "/topics/support.htm"}, {"Smart-Calculate", "/topics/smart.htm"},
              {"Invalid terms", "/topics/terms.htm"},    {"Variables", "/topics/variables.htm"}};
  for (const auto& row : rows) {
    bool found = false;
    for (const TSitemapEntry& entry : index) {
      if (entry.name == row.keyword) {
        found = true;
        EXPECT_EQ(ResolveLink("/", entry.local).object, row.object) << row.keyword;
      }
    }
    EXPECT_TRUE(found) << row.keyword;
  }
  for (const TSitemapEntry& entry : index) {
    EXPECT_TRUE(archive.Contains(ResolveLink("/", entry.local).object)) << entry.name;
  }
}

// Every link of every topic, of the contents and of the index leads to an
// object of the file, and to an anchor of it where it names one.
TEST_F(CompiledHelpFile, EveryLinkInsideTheFileWorks) {
  std::vector<std::pair<std::string, std::string>> links;  // (from, link)
  for (const std::string& topic : Topics()) {
    std::string html;
    ASSERT_TRUE(archive.Read(topic, html)) << topic;
    for (const std::string& link : TopicLinks(html)) links.emplace_back(topic, link);
  }
  for (const std::string& sitemap : {settings.contentsFile, settings.indexFile}) {
    for (const TSitemapEntry& entry : Sitemap(sitemap)) links.emplace_back("/", entry.local);
  }
  std::size_t internal = 0;
  std::size_t withFragment = 0;
  for (const auto& [from, link] : links) {
    const TLinkTarget target = ResolveLink(from, link);
    if (target.external) {
      EXPECT_EQ(link.rfind("https://", 0), 0u) << from << ": " << link;
      continue;
    }
    ++internal;
    std::string contents;
    ASSERT_TRUE(archive.Read(target.object, contents)) << from << ": " << link;
    if (target.fragment.empty()) continue;
    ++withFragment;
    const std::vector<std::string> anchors = TopicAnchors(contents);
    EXPECT_NE(std::find(anchors.begin(), anchors.end(), target.fragment), anchors.end()) << from << ": " << link;
  }
  EXPECT_GT(internal, 50u);
  EXPECT_GE(withFragment, 5u);
}

TEST_F(CompiledHelpFile, SearchFindsAWordInTheTopicsThatHoldIt) {
  TSearchIndex index;
  for (const std::string& topic : Topics()) {
    std::string html;
    ASSERT_TRUE(archive.Read(topic, html));
    const TTopicText text = ExtractTopicText(html);
    index.Add(topic, text.title, text.text);
  }
  auto objects = [&](const char* query) {
    std::vector<std::string> found;
    for (const std::size_t t : index.Find(query)) found.push_back(index.Topic(t).object);
    return found;
  };
  EXPECT_EQ(objects("Ctrl+Shift+Delete"), std::vector<std::string>{"/topics/keys.htm"});
  EXPECT_EQ(objects("amd64"), std::vector<std::string>{"/topics/support.htm"});
  EXPECT_EQ(objects("kelvara"), std::vector<std::string>{"/topics/support.htm"});
  EXPECT_TRUE(objects("zzyzx").empty());
  EXPECT_GE(objects("term").size(), 3u);
  // Other forms of a word and its beginning; the topic named by them first.
  EXPECT_EQ(objects("degree"), (std::vector<std::string>{"/topics/terms.htm", "/topics/window.htm"}));
  ASSERT_FALSE(objects("variab").empty());
  EXPECT_EQ(objects("variab").front(), "/topics/variables.htm");
  EXPECT_EQ(objects("KEYBOARD").front(), "/topics/keys.htm");
}

// The build's check rejects a compiled file with a link that leads nowhere.
TEST(HelpFileLinks, TheBuildsCheckNamesABrokenLink) {
  const fs::path dir = fs::temp_directory_path() / ("veltaro-chm-links-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* item : {"veltaro.hhp", "veltaro.hhc", "veltaro.hhk", "context.h", "topics", "images"}) {
    fs::copy(fs::path(VELTARO_HELP_SOURCE_DIR) / item, dir / item, fs::copy_options::recursive);
  }
  std::ofstream(dir / "topics" / "smart.htm", std::ios::app)
      << "<p><a href=\"nowhere.htm\">x</a> <a href=\"terms.htm#nosuchanchor\">y</a></p>\n";
  const std::string compile = "cd '" + dir.string() + "' && '" VELTARO_CHMCMD "' veltaro.hhp >/dev/null 2>&1";
  ASSERT_EQ(std::system(compile.c_str()), 0);
  const std::string check = "'" VELTARO_CHMCHECK "' '" + (dir / "veltaro.chm").string() + "' '' 1 2>&1";
  std::string output;
  if (FILE* pipe = ::popen(check.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    EXPECT_NE(::pclose(pipe), 0);
  }
  EXPECT_NE(output.find("links to \"nowhere.htm\", which is no object of the file"), std::string::npos) << output;
  EXPECT_NE(output.find("links to \"terms.htm#nosuchanchor\", whose topic has no such anchor"), std::string::npos)
      << output;
  EXPECT_EQ(output.find("links to \"window.htm\""), std::string::npos) << output;
  fs::remove_all(dir);
}

}  // namespace
}  // namespace veltaro
