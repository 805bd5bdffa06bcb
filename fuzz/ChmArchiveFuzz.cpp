// Fuzzer of the help-file reader: each input is opened as a compiled help
// file, and every object its directory lists and its context map are read.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "ChmArchive.h"

namespace {

// The reader takes a file name, so each input is put into one file in
// memory, reached by the name of its descriptor; nothing is left on disk.
const std::string& InputFile(int& fd) {
  static int memory = -1;
  static const std::string name = [] {
    memory = ::memfd_create("veltaro-chmfuzz", MFD_CLOEXEC);
    if (memory < 0) std::abort();
    return "/proc/self/fd/" + std::to_string(memory);
  }();
  fd = memory;
  return name;
}

bool WriteInput(const std::uint8_t* data, std::size_t size) {
  int fd = -1;
  InputFile(fd);
  if (::ftruncate(fd, 0) != 0) return false;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done == size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!WriteInput(data, size)) std::abort();
  veltaro::TChmArchive archive;
  int fd = -1;
  if (!archive.Open(InputFile(fd))) return 0;
  std::string bytes;
  for (std::size_t i = 0; i < archive.ObjectCount(); ++i) {
    const std::string name = archive.ObjectNameAt(i);
    if (!archive.Contains(name)) std::abort();
    if (!archive.Read(name, bytes) && !bytes.empty()) std::abort();
  }
  veltaro::TContextMap map;
  if (archive.ContextMap(map)) {
    for (const auto& entry : map) archive.Read(entry.second, bytes);
  }
  archive.Read("/topics/window.htm", bytes);
  return 0;
}
