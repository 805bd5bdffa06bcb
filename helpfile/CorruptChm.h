// Damaged copies of a compiled help file, one for each kind of damage the
// reader must survive: they serve as inputs of the reader's tests and as
// seeds of its fuzzer.
#pragma once

#include <string>
#include <vector>

namespace veltaro {

struct TCorruptChm {
  std::string name;   // a file name: letters, digits and "-" only
  std::string bytes;  // the damaged file
};

// The damaged copies of `chm`, a valid compiled help file with one directory
// listing chunk and an LZX-compressed section (as our help compiler writes
// it). Empty when `chm` does not have that layout.
std::vector<TCorruptChm> MakeCorruptChms(const std::string& chm);

}  // namespace veltaro
