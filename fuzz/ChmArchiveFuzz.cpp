// Fuzzer of the help-file reader: each input is opened as a compiled help
// file, and every object its directory lists and its context map are read.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "ChmArchive.h"

namespace {

// The reader takes a file name, so each input is written to one file of
// this process, removed at exit.
const std::string& InputFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/veltaro-chmfuzz-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) std::abort();
    ::close(fd);
    std::atexit([] { ::unlink(InputFile().c_str()); });
    return name;
  }();
  return path;
}

bool WriteInput(const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(InputFile().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return done == size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!WriteInput(data, size)) std::abort();
  veltaro::TChmArchive archive;
  if (!archive.Open(InputFile())) return 0;
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
