#include "ChmArchive.h"

#include <chm_lib.h>

#include <cstring>

namespace veltaro {

namespace {

// Objects larger than this are not read into memory.
constexpr LONGUINT64 kMaxObjectSize = 64u << 20;

std::uint32_t Word(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

}  // namespace

std::string ObjectName(std::string_view name) {
  if (!name.empty() && name[0] == '/') return std::string(name);
  return "/" + std::string(name);
}

bool ParseContextMap(std::string_view ivb, std::string_view strings, TContextMap& map) {
  map.clear();
  if (ivb.size() < 4) return false;
  const std::uint32_t count = Word(ivb, 0);
  if (count % 8 != 0 || count > ivb.size() - 4) return false;
  for (std::size_t at = 4; at < 4 + std::size_t{count}; at += 8) {
    const std::uint32_t context = Word(ivb, at);
    const std::uint32_t offset = Word(ivb, at + 4);
    if (offset >= strings.size()) return false;
    const std::size_t end = strings.find('\0', offset);
    if (end == std::string_view::npos) return false;
    map[context] = std::string(strings.substr(offset, end - offset));
  }
  return true;
}

TChmArchive::~TChmArchive() { Close(); }

bool TChmArchive::Open(const std::string& fileName) {
  Close();
  file_ = chm_open(fileName.c_str());
  if (file_) fileName_ = fileName;
  return file_ != nullptr;
}

void TChmArchive::Close() {
  if (file_) chm_close(file_);
  file_ = nullptr;
  fileName_.clear();
}

bool TChmArchive::Contains(std::string_view name) const {
  if (!file_) return false;
  chmUnitInfo unit{};
  const std::string object = ObjectName(name);
  return object.size() <= CHM_MAX_PATHLEN && chm_resolve_object(file_, object.c_str(), &unit) == CHM_RESOLVE_SUCCESS;
}

bool TChmArchive::Read(std::string_view name, std::string& contents) const {
  contents.clear();
  if (!file_) return false;
  const std::string object = ObjectName(name);
  if (object.size() > CHM_MAX_PATHLEN) return false;
  chmUnitInfo unit{};
  if (chm_resolve_object(file_, object.c_str(), &unit) != CHM_RESOLVE_SUCCESS) return false;
  if (unit.length > kMaxObjectSize) return false;
  contents.resize(static_cast<std::size_t>(unit.length));
  if (unit.length == 0) return true;
  const LONGINT64 n = chm_retrieve_object(file_, &unit, reinterpret_cast<unsigned char*>(contents.data()), 0,
                                          static_cast<LONGINT64>(unit.length));
  if (n != static_cast<LONGINT64>(unit.length)) {
    contents.clear();
    return false;
  }
  return true;
}

bool TChmArchive::ContextMap(TContextMap& map) const {
  map.clear();
  std::string ivb;
  std::string strings;
  if (!Read("/#IVB", ivb) || !Read("/#STRINGS", strings)) return false;
  return ParseContextMap(ivb, strings, map);
}

}  // namespace veltaro
