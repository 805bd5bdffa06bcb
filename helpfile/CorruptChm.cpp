#include "CorruptChm.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace veltaro {

namespace {

std::uint32_t Get32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::uint64_t Get64(const std::string& b, std::size_t at) {
  return static_cast<std::uint64_t>(Get32(b, at + 4)) << 32 | Get32(b, at);
}

void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}

void Put64(std::string& b, std::size_t at, std::uint64_t v) {
  Put32(b, at, static_cast<std::uint32_t>(v));
  Put32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

// An entry of the directory listing.
struct TEntry {
  std::string name;
  std::uint64_t section = 0;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  std::size_t start = 0;  // where it begins, counted from the first entry
};

// The layout of the parts that are damaged.
struct TLayout {
  std::vector<TEntry> entries;  // those of the listing chunk, in order
  std::size_t entriesEnd = 0;   // where they end in the file
  std::size_t directory = 0;  // the directory header ("ITSP")
  std::size_t chunk = 0;      // the first directory chunk
  std::size_t chunkSize = 0;
  std::size_t controlData = 0;  // the LZX control data ("LZXC" at +4)
  std::size_t resetTable = 0;
};

// Reads a variable-length number of the directory: 7 bits a byte, high bit
// set on all bytes but the last.
std::optional<std::uint64_t> EncInt(const std::string& b, std::size_t& at, std::size_t end) {
  std::uint64_t v = 0;
  for (int n = 0; n < 9 && at < end; ++n) {
    const auto c = static_cast<unsigned char>(b[at++]);
    v = v << 7 | (c & 0x7F);
    if (c < 0x80) return v;
  }
  return std::nullopt;
}

std::optional<TLayout> Parse(const std::string& b) {
  if (b.size() < 0x60 || b.compare(0, 4, "ITSF") != 0 || Get32(b, 4) != 3) return std::nullopt;
  TLayout layout;
  const std::uint64_t directory = Get64(b, 0x48);
  const std::uint64_t content = Get64(b, 0x58);
  if (directory > b.size() - 0x54 || b.compare(directory, 4, "ITSP") != 0) return std::nullopt;
  layout.directory = directory;
  const std::uint64_t chunk = directory + Get32(b, directory + 8);
  layout.chunkSize = Get32(b, directory + 16);
  if (Get32(b, directory + 44) != 1 || layout.chunkSize < 0x14 || chunk > b.size() ||
      layout.chunkSize > b.size() - chunk || b.compare(chunk, 4, "PMGL") != 0)
    return std::nullopt;
  layout.chunk = chunk;
  const std::size_t free = Get32(b, chunk + 4);
  if (free > layout.chunkSize - 0x14) return std::nullopt;
  const std::size_t end = chunk + layout.chunkSize - free;
  std::size_t at = chunk + 0x14;
  while (at < end) {
    const std::size_t start = at - (chunk + 0x14);
    const auto nameLength = EncInt(b, at, end);
    if (!nameLength || *nameLength > end - at) return std::nullopt;
    const std::string name = b.substr(at, *nameLength);
    at += *nameLength;
    const auto section = EncInt(b, at, end);
    const auto offset = EncInt(b, at, end);
    const auto length = EncInt(b, at, end);
    if (!section || !offset || !length) return std::nullopt;
    layout.entries.push_back({name, *section, *offset, *length, start});
    if (*section != 0 || content + *offset > b.size() || *length > b.size() - content - *offset) continue;
    if (name == "::DataSpace/Storage/MSCompressed/ControlData" && *length >= 24) {
      layout.controlData = content + *offset;
    } else if (name.ends_with("/InstanceData/ResetTable") && *length >= 40) {
      layout.resetTable = content + *offset;
    }
  }
  layout.entriesEnd = end;
  if (!layout.controlData || !layout.resetTable || b.compare(layout.controlData + 4, 4, "LZXC") != 0)
    return std::nullopt;
  return layout;
}

void PutEncInt(std::string& out, std::uint64_t v) {
  std::string bytes(1, static_cast<char>(v & 0x7F));
  while (v >>= 7) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  out += bytes;
}

// Writes the listing chunk anew with `entries` (as many as before); its free
// space shrinks or grows with them, and the quick-reference area at its end
// (the offsets of some entries, stored backwards before the entry count)
// follows them. False when they do not fit.
bool RewriteEntries(std::string& b, const TLayout& layout, const std::vector<TEntry>& entries) {
  if (entries.size() != layout.entries.size()) return false;
  std::string encoded;
  std::unordered_map<std::size_t, std::size_t> moved;  // old start to new start
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TEntry& e = entries[i];
    moved[layout.entries[i].start] = encoded.size();
    PutEncInt(encoded, e.name.size());
    encoded += e.name;
    PutEncInt(encoded, e.section);
    PutEncInt(encoded, e.offset);
    PutEncInt(encoded, e.length);
  }
  const std::size_t begin = layout.chunk + 0x14;
  const std::size_t oldSize = layout.entriesEnd - begin;
  const std::size_t free = Get32(b, layout.chunk + 4);
  // The quick-reference area: at most one offset an entry, and the count.
  const std::size_t tailSize = std::min(free, 2 + 2 * entries.size());
  if (0x14 + encoded.size() + tailSize > layout.chunkSize) return false;
  std::string chunk = b.substr(layout.chunk, layout.chunkSize);
  const std::string tail = chunk.substr(layout.chunkSize - tailSize);
  chunk.replace(0x14, std::string::npos, encoded);
  chunk.resize(layout.chunkSize - tail.size(), '\0');
  chunk += tail;
  if (chunk.size() != layout.chunkSize) return false;
  Put32(chunk, 4, static_cast<std::uint32_t>(free + oldSize - encoded.size()));
  for (std::size_t at = chunk.size() - 4; at >= chunk.size() - tail.size(); at -= 2) {
    const auto old = static_cast<std::size_t>(static_cast<unsigned char>(chunk[at]) |
                                              static_cast<unsigned char>(chunk[at + 1]) << 8);
    const auto it = moved.find(old);
    if (it == moved.end() || it->second > 0xFFFF) break;
    chunk[at] = static_cast<char>(it->second & 0xFF);
    chunk[at + 1] = static_cast<char>(it->second >> 8);
  }
  b.replace(layout.chunk, layout.chunkSize, chunk);
  return true;
}

}  // namespace

std::vector<TCorruptChm> MakeCorruptChms(const std::string& chm) {
  const std::optional<TLayout> layout = Parse(chm);
  if (!layout) return {};
  std::vector<TCorruptChm> files;
  const auto add = [&](const char* name, auto change) {
    std::string bytes = chm;
    change(bytes);
    files.push_back({name, std::move(bytes)});
  };
  // The LZX control data: +12 reset interval, +16 window size (both in units
  // of 32 KiB in version 2).
  add("window-size-too-large", [&](std::string& b) { Put32(b, layout->controlData + 16, 0x400); });
  add("window-size-zero", [&](std::string& b) { Put32(b, layout->controlData + 16, 0); });
  add("window-size-not-a-power-of-two", [&](std::string& b) { Put32(b, layout->controlData + 16, 3); });
  add("reset-interval-zero", [&](std::string& b) { Put32(b, layout->controlData + 12, 0); });
  // The reset table: +32 the length of an uncompressed block.
  add("block-length-zero", [&](std::string& b) { Put64(b, layout->resetTable + 32, 0); });
  // The only directory chunk made an index chunk whose one entry points to
  // itself, and named the root of a two-level directory.
  add("index-chunk-points-to-itself", [&](std::string& b) {
    const std::size_t c = layout->chunk;
    std::string index = "PMGI";
    index += std::string(4, '\0');
    index += '\x01';
    index += '/';
    index += '\0';  // chunk 0: itself
    Put32(index, 4, static_cast<std::uint32_t>(layout->chunkSize - index.size()));
    b.replace(c, layout->chunkSize, index + std::string(layout->chunkSize - index.size(), '\0'));
    Put32(b, layout->directory + 24, 2);  // depth
    Put32(b, layout->directory + 28, 0);  // index root
  });
  // The listing chunk names itself as the next and the previous one.
  add("listing-chunk-points-to-itself", [&](std::string& b) {
    Put32(b, layout->chunk + 12, 0);
    Put32(b, layout->chunk + 16, 0);
  });
  // Objects beyond the reader's bounds: one larger than it reads into
  // memory, one that ends too far into the compressed section.
  const auto entry = [&](const char* name, auto change) {
    std::vector<TEntry> entries = layout->entries;
    for (TEntry& e : entries) {
      if (e.name == name) change(e);
    }
    std::string bytes = chm;
    return RewriteEntries(bytes, *layout, entries) ? bytes : std::string();
  };
  std::string tooLarge = entry("/topics/terms.htm", [](TEntry& e) { e.length = (64u << 20) + 1; });
  std::string tooFar = entry("/topics/window.htm", [](TEntry& e) { e.offset = 256u << 20; });
  if (tooLarge.empty() || tooFar.empty()) return {};
  files.push_back({"object-too-large", std::move(tooLarge)});
  files.push_back({"object-too-far-into-compressed-section", std::move(tooFar)});
  return files;
}

}  // namespace veltaro
