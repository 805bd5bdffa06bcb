// Fuzzer of the variable table file: each input is read as a table file,
// from memory and from disk; the table is written, and the written text
// must follow the format and read back as the same table, written again as
// the same bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "VarTableFile.h"

using namespace veltaro;

namespace {

bool SameTable(const TVarTable& a, const TVarTable& b) {
  if (a.labels != b.labels || a.comments != b.comments || a.values.size() != b.values.size()) return false;
  for (std::size_t k = 0; k < a.values.size(); ++k) {
    if (!(a.values[k] == b.values[k])) return false;
  }
  return true;
}

// The written text: the header, the count, four lines per entry, each
// ended by CR LF and holding no line break of its own, none too long.
bool FollowsTheFormat(const std::string& text, std::size_t entries) {
  std::size_t lines = 0, start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) return false;
    const std::string_view line(text.data() + start, end - start);
    if (line.find_first_of("\r\n") != std::string_view::npos || line.size() > kMaxTableLine) return false;
    if (lines == 0 && line != "Veltaro Variable table") return false;
    if (lines == 1 && line != std::to_string(entries)) return false;
    ++lines;
    start = end + 2;
  }
  return lines == 2 + 4 * entries;
}

// A file in memory with a name that the file code opens as any other.
const std::string& InputFile(int& fd) {
  static int memory = -1;
  static const std::string name = [] {
    memory = ::memfd_create("veltaro-tablefuzz", MFD_CLOEXEC);
    if (memory < 0) std::abort();
    return "/proc/self/fd/" + std::to_string(memory);
  }();
  fd = memory;
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  TVarTable read;
  ParseVariableTableText(input, read);
  if (read.labels.size() != read.values.size() || read.labels.size() != read.comments.size()) std::abort();

  int fd = -1;
  const std::string& file = InputFile(fd);
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, input.data(), input.size(), 0) != static_cast<ssize_t>(size)) {
    std::abort();
  }
  TVarTable loaded;
  LoadVariableTableFile(file, loaded);
  if (!SameTable(read, loaded)) std::abort();

  const std::string written = VariableTableText(read);
  if (!FollowsTheFormat(written, read.labels.size())) std::abort();
  TVarTable back;
  ParseVariableTableText(written, back);
  if (VariableTableText(back) != written) std::abort();
  TVarTable again;
  ParseVariableTableText(VariableTableText(back), again);
  if (!SameTable(back, again)) std::abort();
  return 0;
}
