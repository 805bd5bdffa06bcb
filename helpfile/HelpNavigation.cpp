#include "HelpNavigation.h"

#include <algorithm>
#include <cstdint>

namespace veltaro {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool IsWordByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Decodes the character references of a text: the named ones HTML help
// topics use and numeric ones. Anything else stays as written.
std::string DecodeEntities(std::string_view text) {
  static const struct {
    std::string_view name;
    std::uint32_t code;
  } kNamed[] = {{"amp", '&'},     {"lt", '<'},       {"gt", '>'},       {"quot", '"'},    {"apos", '\''},
                {"nbsp", 0xA0},   {"copy", 0xA9},    {"reg", 0xAE},     {"times", 0xD7},  {"divide", 0xF7},
                {"middot", 0xB7}, {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026}, {"pi", 0x3C0}};
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '&') {
      out += text[i++];
      continue;
    }
    const std::size_t semi = text.find(';', i + 1);
    if (semi == std::string_view::npos || semi - i > 12) {
      out += text[i++];
      continue;
    }
    const std::string_view name = text.substr(i + 1, semi - i - 1);
    bool decoded = false;
    if (name.size() >= 2 && name[0] == '#') {
      std::uint32_t code = 0;
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::size_t start = hex ? 2 : 1;
      bool digits = start < name.size();
      for (std::size_t k = start; k < name.size() && digits; ++k) {
        const char c = LowerAscii(name[k]);
        int v = -1;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
        if (v < 0) digits = false;
        else code = std::min<std::uint32_t>(code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v), 0x110000);
      }
      if (digits) {
        AppendUtf8(out, code);
        decoded = true;
      }
    } else {
      for (const auto& n : kNamed) {
        if (n.name == name) {
          AppendUtf8(out, n.code);
          decoded = true;
          break;
        }
      }
    }
    if (decoded) {
      i = semi + 1;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// One tag of a markup text: its lower-cased name ("/ul" for an end tag) and
// its attributes with lower-cased names and decoded values.
struct TTag {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;

  const std::string* Attribute(std::string_view key) const {
    for (const auto& [k, v] : attributes) {
      if (k == key) return &v;
    }
    return nullptr;
  }
};

// Reads the tag whose "<" is at text[at]; returns the index after its ">"
// (the end of the text for an unclosed tag).
std::size_t ReadTag(std::string_view text, std::size_t at, TTag& tag) {
  tag = TTag{};
  std::size_t i = at + 1;
  const std::size_t n = text.size();
  if (text.substr(at, 4) == "<!--") {
    const std::size_t end = text.find("-->", at + 4);
    tag.name = "!--";
    return end == std::string_view::npos ? n : end + 3;
  }
  while (i < n && !IsSpace(text[i]) && text[i] != '>') tag.name += LowerAscii(text[i++]);
  while (i < n && text[i] != '>') {
    while (i < n && (IsSpace(text[i]) || text[i] == '/')) ++i;
    if (i >= n || text[i] == '>') break;
    std::string key;
    while (i < n && !IsSpace(text[i]) && text[i] != '=' && text[i] != '>') key += LowerAscii(text[i++]);
    while (i < n && IsSpace(text[i])) ++i;
    std::string value;
    if (i < n && text[i] == '=') {
      ++i;
      while (i < n && IsSpace(text[i])) ++i;
      if (i < n && (text[i] == '"' || text[i] == '\'')) {
        const char quote = text[i++];
        const std::size_t close = text.find(quote, i);
        const std::size_t end = close == std::string_view::npos ? n : close;
        value = DecodeEntities(text.substr(i, end - i));
        i = end == n ? n : end + 1;
      } else {
        const std::size_t start = i;
        while (i < n && !IsSpace(text[i]) && text[i] != '>') ++i;
        value = DecodeEntities(text.substr(start, i - start));
      }
    }
    if (!key.empty()) tag.attributes.emplace_back(std::move(key), std::move(value));
  }
  return i < n ? i + 1 : n;
}

// Calls visit(tag) for every tag of the text, in order.
template <typename Visit>
void ForEachTag(std::string_view text, Visit visit) {
  std::size_t i = 0;
  TTag tag;
  while ((i = text.find('<', i)) != std::string_view::npos) {
    i = ReadTag(text, i, tag);
    visit(tag);
  }
}

std::uint32_t Le16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

std::string CString(std::string_view data) {
  const std::size_t end = data.find('\0');
  return std::string(data.substr(0, end));
}

}  // namespace

std::vector<TSitemapEntry> ParseSitemap(std::string_view text) {
  std::vector<TSitemapEntry> entries;
  int depth = 0;
  bool inEntry = false;
  TSitemapEntry entry;
  ForEachTag(text, [&](const TTag& tag) {
    if (tag.name == "ul") {
      ++depth;
    } else if (tag.name == "/ul") {
      depth = std::max(0, depth - 1);
    } else if (tag.name == "object") {
      const std::string* type = tag.Attribute("type");
      inEntry = type && LowerAscii(*type) == "text/sitemap";
      entry = TSitemapEntry{};
      entry.depth = std::clamp(depth - 1, 0, kMaxSitemapDepth);
    } else if (tag.name == "param" && inEntry) {
      const std::string* name = tag.Attribute("name");
      const std::string* value = tag.Attribute("value");
      if (!name || !value) return;
      const std::string key = LowerAscii(*name);
      if (key == "name" && entry.name.empty()) entry.name = *value;
      if (key == "local" && entry.local.empty()) entry.local = *value;
    } else if (tag.name == "/object") {
      if (inEntry && !entry.name.empty()) entries.push_back(entry);
      inEntry = false;
    }
  });
  return entries;
}

bool ParseHelpSettings(std::string_view system, THelpSettings& settings) {
  settings = THelpSettings{};
  // A version number, then records of a 16-bit code, a 16-bit length and
  // that many bytes.
  if (system.size() < 4) return false;
  std::size_t at = 4;
  while (at < system.size()) {
    if (system.size() - at < 4) return false;
    const std::uint32_t code = Le16(system, at);
    const std::uint32_t length = Le16(system, at + 2);
    at += 4;
    if (system.size() - at < length) return false;
    const std::string_view data = system.substr(at, length);
    switch (code) {
      case 0: settings.contentsFile = CString(data); break;
      case 1: settings.indexFile = CString(data); break;
      case 2: settings.defaultTopic = CString(data); break;
      case 3: settings.title = CString(data); break;
      default: break;
    }
    at += length;
  }
  return true;
}

TTopicText ExtractTopicText(std::string_view html) {
  TTopicText result;
  std::string raw;
  std::string title;
  bool inTitle = false;
  bool hidden = false;  // inside <script> or <style>
  std::size_t i = 0;
  TTag tag;
  while (i < html.size()) {
    if (html[i] == '<') {
      i = ReadTag(html, i, tag);
      if (tag.name == "title") inTitle = true;
      else if (tag.name == "/title") inTitle = false;
      else if (tag.name == "script" || tag.name == "style") hidden = true;
      else if (tag.name == "/script" || tag.name == "/style") hidden = false;
      // A tag separates words: "<td>a</td><td>b</td>" is two words.
      (inTitle ? title : raw) += ' ';
      continue;
    }
    const std::size_t next = std::min(html.find('<', i), html.size());
    if (!hidden) (inTitle ? title : raw).append(html.substr(i, next - i));
    i = next;
  }
  auto collapse = [](const std::string& text) {
    std::string decoded = DecodeEntities(text);
    std::string out;
    bool space = false;
    for (std::size_t k = 0; k < decoded.size(); ++k) {
      char c = decoded[k];
      // A no-break space (U+00A0) is white space too.
      if (c == '\xC2' && k + 1 < decoded.size() && decoded[k + 1] == '\xA0') {
        ++k;
        c = ' ';
      }
      if (IsSpace(c)) {
        space = !out.empty();
        continue;
      }
      if (space) out += ' ';
      space = false;
      out += c;
    }
    return out;
  };
  result.title = collapse(title);
  result.text = collapse(raw);
  return result;
}

std::vector<std::string> TopicLinks(std::string_view html) {
  std::vector<std::string> links;
  ForEachTag(html, [&](const TTag& tag) {
    for (const auto& [key, value] : tag.attributes) {
      if (key == "href" || key == "src") links.push_back(value);
    }
  });
  return links;
}

std::vector<std::string> TopicAnchors(std::string_view html) {
  std::vector<std::string> anchors;
  ForEachTag(html, [&](const TTag& tag) {
    if (tag.name == "param" || tag.name == "meta") return;
    for (const auto& [key, value] : tag.attributes) {
      if (key == "name" || key == "id") anchors.push_back(value);
    }
  });
  return anchors;
}

TLinkTarget ResolveLink(std::string_view topic, std::string_view link) {
  TLinkTarget target;
  // A scheme is letters, digits, "+", "-" or "." before the first ":",
  // ahead of any "/", "?" or "#".
  const std::size_t colon = link.find(':');
  if (colon != std::string_view::npos && colon > 0 && link.find_first_of("/?#") > colon) {
    bool scheme = true;
    for (std::size_t k = 0; k < colon; ++k) {
      const char c = link[k];
      if (!(IsWordByte(c) && static_cast<unsigned char>(c) < 0x80) && c != '+' && c != '-' && c != '.') scheme = false;
    }
    if (scheme) {
      target.external = true;
      return target;
    }
  }
  std::string_view path = link;
  const std::size_t hash = path.find('#');
  if (hash != std::string_view::npos) {
    target.fragment = std::string(path.substr(hash + 1));
    path = path.substr(0, hash);
  }
  const std::size_t query = path.find('?');
  if (query != std::string_view::npos) path = path.substr(0, query);

  std::string joined;
  if (path.empty()) {
    joined = std::string(topic);
  } else if (path.front() == '/') {
    joined = std::string(path);
  } else {
    const std::size_t slash = topic.rfind('/');
    joined = std::string(slash == std::string_view::npos ? std::string_view() : topic.substr(0, slash + 1));
    joined += path;
  }
  // Removes "." and ".." segments; ".." above the root stays at the root.
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= joined.size()) {
    const std::size_t end = std::min(joined.find('/', start), joined.size());
    const std::string segment = joined.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  for (const std::string& segment : segments) target.object += "/" + segment;
  if (target.object.empty()) target.object = "/";
  return target;
}

namespace {

// A word in lower case: ASCII letters and the Latin letters of U+00C0 to
// U+00DE (two bytes in UTF-8) become small letters.
std::string LowerWord(std::string_view word) {
  std::string out = LowerAscii(word);
  for (std::size_t k = 0; k + 1 < out.size(); ++k) {
    const auto lead = static_cast<unsigned char>(out[k]);
    const auto next = static_cast<unsigned char>(out[k + 1]);
    if (lead == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) out[k + 1] = static_cast<char>(next + 0x20);
  }
  return out;
}

bool EndsWith(std::string_view word, std::string_view ending) {
  return word.size() >= ending.size() && word.substr(word.size() - ending.size()) == ending;
}

bool HasVowel(std::string_view text) { return text.find_first_of("aeiouy") != std::string_view::npos; }

// Every place in `words` (sorted) that a searched word matches.
template <typename Each>
void ForEachMatch(const std::vector<TSearchIndex::TWord>& words, std::string_view searched, std::string_view stem,
                  Each each) {
  for (const TSearchIndex::TWord& word : words) {
    if (word.word.starts_with(searched) || word.stem == stem) each(word);
  }
}

}  // namespace

std::string SearchStem(std::string_view word) {
  std::string w(word);
  auto cut = [&w](std::size_t n) { w.resize(w.size() - n); };
  // Plural and third person: "entries", "boxes", "degrees", but not "class",
  // "minus" or "axis".
  if (w.size() > 4 && EndsWith(w, "ies")) {
    cut(3);
    w += 'y';
  } else if (EndsWith(w, "sses")) {
    cut(2);
  } else if (w.size() > 3 && EndsWith(w, "s") && !EndsWith(w, "ss") && !EndsWith(w, "us") && !EndsWith(w, "is")) {
    cut(1);
  }
  // Past and progressive, where a vowel remains: "copied", "calculated",
  // "stopping", "using", but not "string" or "red".
  bool cutEnding = false;
  if (w.size() > 4 && EndsWith(w, "ied")) {
    cut(3);
    w += 'y';
  } else if (w.size() > 4 && EndsWith(w, "ing") && HasVowel(std::string_view(w).substr(0, w.size() - 3))) {
    cut(3);
    cutEnding = true;
  } else if (w.size() > 3 && EndsWith(w, "ed") && HasVowel(std::string_view(w).substr(0, w.size() - 2))) {
    cut(2);
    cutEnding = true;
  }
  // "stopp" of "stopped" is "stop"; "add" of "added" stays.
  const bool doubled = w.size() > 3 && w[w.size() - 1] == w[w.size() - 2];
  if (cutEnding && doubled && std::string_view("bdgmnprt").find(w.back()) != std::string_view::npos) cut(1);
  // A silent final e: "calculate" and "calculat(ed)", "degree" and "degre(es)".
  if (w.size() > 2 && w.back() == 'e') cut(1);
  return w;
}

bool SearchWordMatches(std::string_view searched, std::string_view word) {
  return word.starts_with(searched) || SearchStem(word) == SearchStem(searched);
}

std::vector<std::string> SearchWords(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && !IsWordByte(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && IsWordByte(text[i])) ++i;
    if (i > start) words.push_back(LowerWord(text.substr(start, i - start)));
  }
  return words;
}

bool FirstSearchPlace(std::string_view text, std::string_view query, std::size_t& start, std::size_t& length) {
  const std::vector<std::string> wanted = SearchWords(query);
  if (wanted.empty()) return false;
  const std::string& searched = wanted.front();
  const std::string stem = SearchStem(searched);
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && !IsWordByte(text[i])) ++i;
    const std::size_t begin = i;
    while (i < text.size() && IsWordByte(text[i])) ++i;
    if (i == begin) break;
    const std::string word = LowerWord(text.substr(begin, i - begin));
    if (word.starts_with(searched) || SearchStem(word) == stem) {
      start = begin;
      length = i - begin;
      return true;
    }
  }
  return false;
}

void TSearchIndex::Add(std::string object, std::string title, std::string_view text) {
  std::vector<std::string> inTitle = SearchWords(title);
  std::vector<std::string> all = SearchWords(text);
  all.insert(all.end(), inTitle.begin(), inTitle.end());
  std::sort(all.begin(), all.end());
  std::sort(inTitle.begin(), inTitle.end());
  std::vector<TWord> words;
  for (std::size_t k = 0; k < all.size();) {
    std::size_t next = k + 1;
    while (next < all.size() && all[next] == all[k]) ++next;
    const bool titled = std::binary_search(inTitle.begin(), inTitle.end(), all[k]);
    words.push_back({all[k], SearchStem(all[k]), next - k, titled});
    k = next;
  }
  topics_.push_back({std::move(object), std::move(title)});
  words_.push_back(std::move(words));
}

std::vector<std::size_t> TSearchIndex::Find(std::string_view query) const {
  std::vector<std::string> wanted = SearchWords(query);
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  if (wanted.empty()) return {};
  std::vector<std::string> stems;
  for (const std::string& w : wanted) stems.push_back(SearchStem(w));
  struct THit {
    std::size_t inTitle = 0;  // words searched for that the title holds
    std::size_t count = 0;    // places of the words in the topic
    std::size_t topic = 0;
  };
  std::vector<THit> hits;
  for (std::size_t t = 0; t < topics_.size(); ++t) {
    THit hit;
    hit.topic = t;
    bool all = true;
    for (std::size_t k = 0; k < wanted.size() && all; ++k) {
      std::size_t count = 0;
      bool titled = false;
      ForEachMatch(words_[t], wanted[k], stems[k], [&](const TWord& word) {
        count += word.count;
        titled = titled || word.inTitle;
      });
      all = count > 0;
      hit.count += count;
      if (titled) ++hit.inTitle;
    }
    if (all) hits.push_back(hit);
  }
  std::stable_sort(hits.begin(), hits.end(), [](const THit& a, const THit& b) {
    return a.inTitle != b.inTitle ? a.inTitle > b.inTitle : a.count > b.count;
  });
  std::vector<std::size_t> result;
  for (const THit& hit : hits) result.push_back(hit.topic);
  return result;
}

}  // namespace veltaro
