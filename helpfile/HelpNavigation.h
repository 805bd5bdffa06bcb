// What a help viewer needs besides the topics themselves: the contents and
// the keyword index (sitemap objects of the help file), the text of a topic
// for searching, the links of a topic and where they lead, and the file's
// settings (#SYSTEM: contents and index objects, default topic, title).
//
// All of it reads untrusted bytes: every routine works in one pass over its
// input, without recursion, and accepts any bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace veltaro {

// One entry of a contents or index sitemap: its nesting depth (0 for the
// top level), its name and the topic it opens ("topics/a.htm#part"; empty for
// a heading without a topic).
struct TSitemapEntry {
  int depth = 0;
  std::string name;
  std::string local;
};

// The deepest nesting kept: deeper entries are listed at this depth.
inline constexpr int kMaxSitemapDepth = 16;

// The entries of a sitemap (.hhc or .hhk), in file order. Entries without a
// name are left out.
std::vector<TSitemapEntry> ParseSitemap(std::string_view text);

// The settings of a help file from its #SYSTEM object. Empty strings where
// the object does not say.
struct THelpSettings {
  std::string contentsFile;  // "veltaro.hhc"
  std::string indexFile;     // "veltaro.hhk"
  std::string defaultTopic;  // "topics/window.htm"
  std::string title;
};
// False when the object is malformed (a record reaching beyond its end);
// the records before it are kept.
bool ParseHelpSettings(std::string_view system, THelpSettings& settings);

// The readable text of a topic: the title and the body text with tags
// removed, character references decoded and white space collapsed.
struct TTopicText {
  std::string title;
  std::string text;
};
TTopicText ExtractTopicText(std::string_view html);

// The values of the href and src attributes of a topic, in order.
std::vector<std::string> TopicLinks(std::string_view html);
// The anchors of a topic: the values of name and id attributes.
std::vector<std::string> TopicAnchors(std::string_view html);

// Where a link of a topic leads inside the help file: the object name
// ("/topics/a.htm") and the fragment ("part" or ""). External is true for a
// link with a scheme ("https:", "mailto:", ...), which leads outside.
struct TLinkTarget {
  bool external = false;
  std::string object;
  std::string fragment;
};
// topic is the object name of the linking topic ("/topics/a.htm").
TLinkTarget ResolveLink(std::string_view topic, std::string_view link);

// A full-text index over the topics of a help file. Words are runs of
// letters and digits (any byte from 0x80 counts as a letter), compared in
// lower case. A word searched for finds the words that begin with it
// ("variab" finds "variables") and the other forms of the same word
// ("degrees" finds "degree", "calculated" finds "calculating").
class TSearchIndex {
 public:
  struct TTopic {
    std::string object;
    std::string title;
  };
  // One distinct word of a topic.
  struct TWord {
    std::string word;
    std::string stem;
    std::size_t count = 0;  // its places in the topic, title included
    bool inTitle = false;
  };

  void Add(std::string object, std::string title, std::string_view text);
  std::size_t TopicCount() const { return topics_.size(); }
  const TTopic& Topic(std::size_t index) const { return topics_[index]; }

  // The topics holding every word of the query: first those whose titles
  // hold the most of the words, then those where the words occur most
  // often (ties in the order the topics were added). An empty query finds
  // nothing.
  std::vector<std::size_t> Find(std::string_view query) const;

 private:
  std::vector<TTopic> topics_;
  std::vector<std::vector<TWord>> words_;  // each topic's, sorted
};

// The words of a text as the search index splits them, in lower case.
std::vector<std::string> SearchWords(std::string_view text);

// A word (in lower case) without its inflection ending, the same for the
// forms of one word: "degrees" and "degree" give "degre".
std::string SearchStem(std::string_view word);

// Whether a word searched for finds a word of a topic (both in lower case).
bool SearchWordMatches(std::string_view searched, std::string_view word);

// The first place in `text` of a word that the first word of `query`
// finds, as a byte offset and length. False when there is none.
bool FirstSearchPlace(std::string_view text, std::string_view query, std::size_t& start, std::size_t& length);

}  // namespace veltaro
