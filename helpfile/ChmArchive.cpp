#include "ChmArchive.h"

#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace veltaro {

namespace {

// The decompressor's largest single allocation is its LZX window (2 MiB) and
// the directory chunk cache; anything far beyond that comes from a damaged
// header and is refused.
constexpr std::size_t kMaxAllocation = 64u << 20;

std::uint32_t Word(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// A file handle of the decompressor: the help file on disk, read only, or
// the memory an extracted object goes to.
struct TFile {
  mspack_file base{};  // first, so that a TFile* is an mspack_file*
  int fd = -1;
  std::string* sink = nullptr;  // writing: where the bytes go
  std::size_t limit = 0;        // writing: no more than this many bytes
};

// The file operations given to the decompressor: it reads the help file by
// name and writes each extracted object into the sink set before the
// extraction, bounded to the object's length; nothing goes to disk.
struct TSystem {
  mspack_system base{};  // first, so that a TSystem* is an mspack_system*
  std::string* sink = nullptr;
  std::size_t limit = 0;

  TSystem() {
    base.open = &Open;
    base.close = &Close;
    base.read = &Read;
    base.write = &Write;
    base.seek = &Seek;
    base.tell = &Tell;
    base.message = &Message;
    base.alloc = &Alloc;
    base.free = &Free;
    base.copy = &Copy;
    base.null_ptr = nullptr;
  }

  static mspack_file* Open(mspack_system* self, const char* fileName, int mode) {
    auto* system = reinterpret_cast<TSystem*>(self);
    if (mode == MSPACK_SYS_OPEN_WRITE) {
      if (!system->sink) return nullptr;
      auto* file = new TFile;
      file->sink = system->sink;
      file->limit = system->limit;
      return &file->base;
    }
    if (mode != MSPACK_SYS_OPEN_READ || !fileName) return nullptr;
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    const int fd = ::open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    auto* file = new TFile;
    file->fd = fd;
    return &file->base;
  }

  static void Close(mspack_file* handle) {
    auto* file = reinterpret_cast<TFile*>(handle);
    if (!file) return;
    if (file->fd >= 0) ::close(file->fd);
    delete file;
  }

  static int Read(mspack_file* handle, void* buffer, int bytes) {
    auto* file = reinterpret_cast<TFile*>(handle);
    if (!file || file->fd < 0 || bytes < 0) return -1;
    const off_t start = ::lseek(file->fd, 0, SEEK_CUR);
    int done = 0;
    while (done < bytes) {
      const ssize_t n = ::read(file->fd, static_cast<char*>(buffer) + done, static_cast<std::size_t>(bytes - done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      if (n == 0) break;
      done += static_cast<int>(n);
    }
    if (start == 0) AcceptRepeatedHeaderGuid(static_cast<unsigned char*>(buffer), static_cast<std::size_t>(done));
    return done;
  }

  // The file header holds two fixed identifiers, the second one greater by
  // one in its first byte. Some help compilers (ours among them) write the
  // first one twice; such a file is read as if it had the right second one.
  static void AcceptRepeatedHeaderGuid(unsigned char* header, std::size_t size) {
    static constexpr unsigned char kFirst[16] = {0x10, 0xfd, 0x01, 0x7c, 0xaa, 0x7b, 0xd0, 0x11,
                                                 0x9e, 0x0c, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec};
    constexpr std::size_t kFirstAt = 0x18;
    constexpr std::size_t kSecondAt = 0x28;
    if (size < kSecondAt + sizeof kFirst || std::memcmp(header, "ITSF", 4) != 0) return;
    if (std::memcmp(header + kFirstAt, kFirst, sizeof kFirst) == 0 &&
        std::memcmp(header + kSecondAt, kFirst, sizeof kFirst) == 0) {
      header[kSecondAt] = 0x11;
    }
  }

  static int Write(mspack_file* handle, void* buffer, int bytes) {
    auto* file = reinterpret_cast<TFile*>(handle);
    if (!file || !file->sink || bytes < 0) return -1;
    if (static_cast<std::size_t>(bytes) > file->limit - file->sink->size()) return -1;
    file->sink->append(static_cast<const char*>(buffer), static_cast<std::size_t>(bytes));
    return bytes;
  }

  static int Seek(mspack_file* handle, off_t offset, int mode) {
    auto* file = reinterpret_cast<TFile*>(handle);
    if (!file || file->fd < 0) return -1;
    const int whence = mode == MSPACK_SYS_SEEK_START ? SEEK_SET
                       : mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR
                       : mode == MSPACK_SYS_SEEK_END ? SEEK_END
                                                     : -1;
    if (whence < 0) return -1;
    return ::lseek(file->fd, offset, whence) < 0 ? -1 : 0;
  }

  static off_t Tell(mspack_file* handle) {
    auto* file = reinterpret_cast<TFile*>(handle);
    if (!file || file->fd < 0) return -1;
    return ::lseek(file->fd, 0, SEEK_CUR);
  }

  // The decompressor's warnings about a damaged file are not shown: the
  // caller sees only "cannot open" or "not found".
  static void Message(mspack_file*, const char*, ...) {}

  static void* Alloc(mspack_system*, std::size_t bytes) {
    return bytes > kMaxAllocation ? nullptr : std::malloc(bytes);
  }
  static void Free(void* p) { std::free(p); }
  static void Copy(void* from, void* to, std::size_t bytes) { std::memmove(to, from, bytes); }
};

}  // namespace

// Whether an object lies within the reader's bounds; one that does not is
// treated as missing.
bool WithinBounds(const mschmd_file& file) {
  if (file.offset < 0 || file.length < 0 || file.section->id > 1) return false;
  const auto offset = static_cast<std::uint64_t>(file.offset);
  const auto length = static_cast<std::uint64_t>(file.length);
  if (length > TChmArchive::kMaxObjectSize) return false;
  return file.section->id == 0 ||
         (offset <= TChmArchive::kMaxCompressedEnd && length <= TChmArchive::kMaxCompressedEnd - offset);
}

struct TChmArchive::TImpl {
  TSystem system;
  mschm_decompressor* decompressor = nullptr;
  mschmd_header* header = nullptr;
  // The decompressor keeps the name it opened by and reopens the file by it
  // for every extraction, so the name must live as long as the header.
  std::string path;
  // The objects by their name in lower case; the first of equal names.
  std::unordered_map<std::string, const mschmd_file*> byName;
  std::vector<const mschmd_file*> files;

  ~TImpl() {
    if (header) decompressor->close(decompressor, header);
    if (decompressor) mspack_destroy_chm_decompressor(decompressor);
  }

  const mschmd_file* Find(std::string_view name) const {
    const auto it = byName.find(Lower(ObjectName(name)));
    return it == byName.end() ? nullptr : it->second;
  }
};

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

TChmArchive::TChmArchive() = default;

TChmArchive::~TChmArchive() { Close(); }

bool TChmArchive::IsOpen() const { return impl_ != nullptr; }

bool TChmArchive::Open(const std::string& fileName) {
  Close();
  auto impl = std::make_unique<TImpl>();
  impl->decompressor = mspack_create_chm_decompressor(&impl->system.base);
  if (!impl->decompressor) return false;
  // The whole directory is read at once, chunk after chunk in file order, so
  // that no link between directory chunks is followed.
  impl->path = fileName;
  impl->header = impl->decompressor->open(impl->decompressor, impl->path.c_str());
  if (!impl->header) return false;
  for (const mschmd_file* f = impl->header->files; f; f = f->next) {
    // Only names with a leading "/" can be asked for.
    if (!f->filename || f->filename[0] != '/' || !f->section || !WithinBounds(*f)) continue;
    impl->files.push_back(f);
    impl->byName.emplace(Lower(f->filename), f);
  }
  impl_ = std::move(impl);
  fileName_ = fileName;
  return true;
}

void TChmArchive::Close() {
  impl_.reset();
  fileName_.clear();
}

bool TChmArchive::Contains(std::string_view name) const { return impl_ && impl_->Find(name) != nullptr; }

std::size_t TChmArchive::ObjectCount() const { return impl_ ? impl_->files.size() : 0; }

std::string TChmArchive::ObjectNameAt(std::size_t index) const {
  if (!impl_ || index >= impl_->files.size()) return {};
  return impl_->files[index]->filename;
}

bool TChmArchive::Read(std::string_view name, std::string& contents) const {
  contents.clear();
  if (!impl_) return false;
  const mschmd_file* file = impl_->Find(name);
  if (!file) return false;
  if (!WithinBounds(*file)) return false;
  const auto length = static_cast<std::uint64_t>(file->length);
  if (length == 0) return true;
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(length));
  TSystem& system = impl_->system;
  system.sink = &bytes;
  system.limit = static_cast<std::size_t>(length);
  // The name of the output file is not used: every object goes to the sink.
  const int error =
      impl_->decompressor->extract(impl_->decompressor, const_cast<mschmd_file*>(file), "object");
  system.sink = nullptr;
  system.limit = 0;
  if (error != MSPACK_ERR_OK || bytes.size() != length) return false;
  contents = std::move(bytes);
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
