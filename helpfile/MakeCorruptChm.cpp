// Writes the damaged copies of a compiled help file into a folder, one file
// NAME.chm for each kind of damage.
//
//   veltaro-corruptchm FILE FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "CorruptChm.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FILE FOLDER\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string chm((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto files = veltaro::MakeCorruptChms(chm);
  if (files.empty()) {
    std::fprintf(stderr, "%s: not a compiled help file of the expected layout\n", argv[1]);
    return 1;
  }
  std::error_code error;
  std::filesystem::create_directories(argv[2], error);
  for (const auto& file : files) {
    const std::filesystem::path path = std::filesystem::path(argv[2]) / (file.name + ".chm");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
