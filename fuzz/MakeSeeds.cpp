// Writes the seeds of the fuzzers from the project's own test data: every
// term of the command line's golden lines as a term (explanation), as a
// term with its options (calculation), and tables made of them, eight
// terms each (table file).
//   veltaro_fuzzseeds GOLDEN.tsv OUTPUT_FOLDER
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPerTable = 8;

void Write(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: veltaro_fuzzseeds GOLDEN.tsv OUTPUT_FOLDER\n";
    return 2;
  }
  std::ifstream golden(argv[1], std::ios::binary);
  const fs::path out = argv[2];
  for (const char* kind : {"calculation", "explanation", "table"}) fs::create_directories(out / kind);

  const std::string header = "Veltaro Variable table\r\n";
  std::string table, line;
  std::size_t count = 0;
  while (std::getline(golden, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
    if (tab1 == std::string::npos || tab2 == std::string::npos) continue;
    const std::string options = line.substr(0, tab1), term = line.substr(tab1 + 1, tab2 - tab1 - 1);
    // The calculation's first byte: bit 0 degrees, bit 1 real results only,
    // bit 2 closed forms.
    char bits = '0';
    if (options.find("-d") != std::string::npos) bits |= 1;
    if (options.find("-r") != std::string::npos) bits |= 2;
    if (options.find("-s") != std::string::npos) bits |= 4;
    const std::string name = std::to_string(count);
    Write(out / "calculation" / name, std::string(1, bits) + term);
    Write(out / "calculation" / (name + "-value"), std::string(1, bits) + term + "\n" + term);
    Write(out / "explanation" / name, term);
    table += term + "\r\n" + std::to_string(count) + ".5\r\n-" + std::to_string(count) + "E-3\r\n" +
             line.substr(tab2 + 1) + "\r\n";
    ++count;
    // Small tables keep the fuzzer fast.
    if (count % kPerTable == 0) {
      Write(out / "table" / ("golden-" + name), header + std::to_string(kPerTable) + "\r\n" + table);
      table.clear();
    }
  }
  Write(out / "table" / "golden", header + std::to_string(count % kPerTable) + "\r\n" + table);
  Write(out / "table" / "example", header + "2\r\nx\r\n2.5\r\n0\r\nlength\r\nz\r\n1\r\n-2\r\n\r\n");
  Write(out / "table" / "empty", header + "0\r\n");
  return count > 0 ? 0 : 1;
}
