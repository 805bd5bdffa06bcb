#include "VersionNote.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace veltaro {

namespace {

constexpr std::uint64_t kMaxNoteSection = 1 << 20;

class TFile {
 public:
  explicit TFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
  ~TFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  bool IsRegular(std::uint64_t& size) const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
  }

  // Reads exactly count bytes at offset.
  bool Read(std::uint64_t offset, void* buffer, std::size_t count) const {
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
      const ssize_t n = ::pread(fd_, out, count, static_cast<off_t>(offset));
      if (n <= 0) return false;
      out += n;
      offset += static_cast<std::uint64_t>(n);
      count -= static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
};

std::uint32_t Word(const unsigned char* p) {
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

std::uint64_t Align4(std::uint64_t n) { return (n + 3) & ~std::uint64_t{3}; }

// Looks through the notes of one note section for ours.
bool FindNote(const std::vector<unsigned char>& notes, std::uint32_t& ms, std::uint32_t& ls) {
  std::uint64_t at = 0;
  while (at + 12 <= notes.size()) {
    const std::uint32_t nameSize = Word(&notes[at]);
    const std::uint32_t descSize = Word(&notes[at + 4]);
    const std::uint32_t type = Word(&notes[at + 8]);
    const std::uint64_t name = at + 12;
    const std::uint64_t desc = name + Align4(nameSize);
    const std::uint64_t next = desc + Align4(descSize);
    if (next > notes.size()) return false;
    if (type == kVersionNoteType && nameSize == 8 && descSize >= 8 &&
        std::memcmp(&notes[name], "Veltaro", 8) == 0) {
      ms = Word(&notes[desc]);
      ls = Word(&notes[desc + 4]);
      return true;
    }
    at = next;
  }
  return false;
}

template <typename Ehdr, typename Shdr>
bool ReadSections(const TFile& file, std::uint64_t fileSize, std::uint32_t& ms, std::uint32_t& ls) {
  Ehdr header{};
  if (!file.Read(0, &header, sizeof header)) return false;
  if (header.e_shentsize != sizeof(Shdr) || header.e_shoff == 0) return false;
  const std::uint64_t count = header.e_shnum;
  if (header.e_shoff > fileSize || count * sizeof(Shdr) > fileSize - header.e_shoff) return false;
  for (std::uint64_t i = 0; i < count; ++i) {
    Shdr section{};
    if (!file.Read(header.e_shoff + i * sizeof(Shdr), &section, sizeof section)) return false;
    if (section.sh_type != SHT_NOTE || section.sh_size == 0 || section.sh_size > kMaxNoteSection) continue;
    if (section.sh_offset > fileSize || section.sh_size > fileSize - section.sh_offset) continue;
    std::vector<unsigned char> notes(static_cast<std::size_t>(section.sh_size));
    if (!file.Read(section.sh_offset, notes.data(), notes.size())) continue;
    if (FindNote(notes, ms, ls)) return true;
  }
  return false;
}

}  // namespace

bool ReadVersionNote(const std::string& path, std::uint32_t& mostSignificant, std::uint32_t& leastSignificant) {
  mostSignificant = 0;
  leastSignificant = 0;
  if (path.empty()) return false;
  TFile file(path);
  std::uint64_t size = 0;
  if (!file.IsRegular(size) || size < EI_NIDENT) return false;
  unsigned char ident[EI_NIDENT];
  if (!file.Read(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) return false;
  constexpr unsigned char kHostData = (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) ? ELFDATA2LSB : ELFDATA2MSB;
  if (ident[EI_DATA] != kHostData) return false;
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  bool found = false;
  if (ident[EI_CLASS] == ELFCLASS64) {
    found = ReadSections<Elf64_Ehdr, Elf64_Shdr>(file, size, ms, ls);
  } else if (ident[EI_CLASS] == ELFCLASS32) {
    found = ReadSections<Elf32_Ehdr, Elf32_Shdr>(file, size, ms, ls);
  }
  if (!found) return false;
  mostSignificant = ms;
  leastSignificant = ls;
  return true;
}

}  // namespace veltaro
