// Test support: a temporary folder removed with everything in it, and whole
// files read and written as bytes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#ifndef _WIN32
#include <stdlib.h>
#endif

namespace veltaro::test_support {

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::filesystem::path& p, const std::string& s) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << s;
}

// How many names a folder holds.
inline std::ptrdiff_t EntriesIn(const std::filesystem::path& dir) {
  return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator());
}

class TTempDir {
 public:
  TTempDir() {
    namespace fs = std::filesystem;
#ifdef _WIN32
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = fs::temp_directory_path() / ("veltaro-test-" + std::to_string(seed()));
      if (fs::create_directory(path_)) break;
    }
#else
    std::string tmpl = (fs::temp_directory_path() / "veltaro-test-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
#endif
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace veltaro::test_support
