// A file version carried by our own ELF binaries: a note named "Veltaro" in
// its own section, holding the two 32-bit words of a version (major << 16 |
// minor, build << 16 | revision). strip keeps it.
#pragma once

#include <cstdint>
#include <string>

namespace veltaro {

inline constexpr std::uint32_t kVersionNoteType = 0x5645;  // "VE"

struct alignas(4) TVersionNote {
  std::uint32_t nameSize;
  std::uint32_t descSize;
  std::uint32_t type;
  char name[8];
  std::uint32_t mostSignificant;
  std::uint32_t leastSignificant;
};

// Reads the version note of an ELF file. False when the file cannot be read,
// is no ELF file of this machine's byte order, or carries no such note.
bool ReadVersionNote(const std::string& path, std::uint32_t& mostSignificant, std::uint32_t& leastSignificant);

}  // namespace veltaro

// Puts a version note into the binary that compiles this line (once per
// binary, at namespace scope outside any namespace).
#define VELTARO_FILE_VERSION(major, minor, build, revision)                                              \
  __attribute__((used, section(".note.veltaro.version"))) static const ::veltaro::TVersionNote          \
      veltaroFileVersionNote = {8, 8, ::veltaro::kVersionNoteType, {'V', 'e', 'l', 't', 'a', 'r', 'o', '\0'}, \
                                (std::uint32_t{major} << 16) | std::uint32_t{minor},                     \
                                (std::uint32_t{build} << 16) | std::uint32_t{revision}}
