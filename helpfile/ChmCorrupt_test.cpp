// Damaged help files: the reader reports "cannot open" or "not found" for
// what it cannot read and never crashes or waits without end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ChmArchive.h"
#include "CorruptChm.h"

namespace veltaro {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class DamagedHelpFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("veltaro-chm-damaged-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    original = Slurp(VELTARO_HELP_FILE);
    ASSERT_FALSE(original.empty());
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  // Reads every object the directory lists and the context map; each read
  // either gives the object's bytes or fails with nothing. Returns the
  // objects read.
  static std::map<std::string, std::string> ReadAll(const TChmArchive& archive, const std::string& what) {
    std::map<std::string, std::string> objects;
    for (std::size_t i = 0; i < archive.ObjectCount(); ++i) {
      const std::string name = archive.ObjectNameAt(i);
      EXPECT_TRUE(archive.Contains(name)) << what << " " << name;
      std::string bytes = "stale";
      if (archive.Read(name, bytes)) {
        objects[name] = bytes;
      } else {
        EXPECT_EQ(bytes, "") << what << " " << name;
      }
      std::string again = "stale";
      EXPECT_EQ(archive.Read(name, again), objects.count(name) == 1) << what << " " << name << " read again";
      if (objects.count(name)) {
        EXPECT_EQ(again, objects[name]) << what << " " << name;
      }
    }
    return objects;
  }

  fs::path dir;
  std::string original;
};

TEST_F(DamagedHelpFile, DamageGivesNotFoundAndNeverOtherBytes) {
  TChmArchive intact;
  ASSERT_TRUE(intact.Open(VELTARO_HELP_FILE));
  const auto expected = ReadAll(intact, "intact");
  ASSERT_EQ(expected.size(), intact.ObjectCount());

  const auto damaged = MakeCorruptChms(original);
  ASSERT_EQ(damaged.size(), 9u);
  for (const auto& file : damaged) {
    TChmArchive archive;
    const std::string path = Write(file.name + ".chm", file.bytes);
    if (!archive.Open(path)) {
      EXPECT_EQ(archive.ObjectCount(), 0u) << file.name;
      continue;
    }
    const auto objects = ReadAll(archive, file.name);
    // What is read is what the file holds: damage never shows as other bytes.
    for (const auto& [name, bytes] : objects) {
      ASSERT_TRUE(expected.count(name)) << file.name << " " << name;
      EXPECT_EQ(bytes, expected.at(name)) << file.name << " " << name;
    }
    TContextMap map{{1, "stale"}};
    std::string topic = "stale";
    // An object beyond the reader's bounds is missing; the rest reads.
    const std::map<std::string, std::string> beyondBounds = {
        {"object-too-large", "/topics/terms.htm"},
        {"object-too-far-into-compressed-section", "/topics/window.htm"}};
    if (beyondBounds.count(file.name)) {
      auto rest = expected;
      rest.erase(beyondBounds.at(file.name));
      EXPECT_EQ(objects, rest) << file.name;
      EXPECT_FALSE(archive.Contains(beyondBounds.at(file.name))) << file.name;
      EXPECT_FALSE(archive.Read(beyondBounds.at(file.name), topic)) << file.name;
      EXPECT_EQ(topic, "") << file.name;
      EXPECT_TRUE(archive.ContextMap(map)) << file.name;
      continue;
    }
    if (file.name == "listing-chunk-points-to-itself") {
      // The directory is read chunk after chunk, never by its links: a link
      // to itself changes nothing.
      EXPECT_EQ(objects, expected) << file.name;
      EXPECT_TRUE(archive.ContextMap(map)) << file.name;
      continue;
    }
    EXPECT_FALSE(archive.ContextMap(map)) << file.name;
    EXPECT_TRUE(map.empty()) << file.name;
    if (file.name != "block-length-zero") {
      EXPECT_FALSE(archive.Read("/topics/window.htm", topic)) << file.name;
      EXPECT_EQ(topic, "") << file.name;
    }
    if (file.name != "index-chunk-points-to-itself") {
      // The uncompressed objects stay readable.
      std::string system;
      EXPECT_TRUE(archive.Read("/#SYSTEM", system)) << file.name;
      EXPECT_EQ(system, expected.at("/#SYSTEM")) << file.name;
    }
  }
  // The intact file still reads after all that.
  TContextMap map;
  EXPECT_TRUE(intact.ContextMap(map));
  std::string topic;
  EXPECT_TRUE(intact.Read("/topics/terms.htm", topic));
  EXPECT_EQ(topic, expected.at("/topics/terms.htm"));
}

TEST_F(DamagedHelpFile, CutFilesOpenOrNotButNeverGiveOtherBytes) {
  TChmArchive intact;
  ASSERT_TRUE(intact.Open(VELTARO_HELP_FILE));
  const auto expected = ReadAll(intact, "intact");
  for (const std::size_t size : {std::size_t{0}, std::size_t{4}, std::size_t{0x38}, std::size_t{0x60},
                                 std::size_t{0x78}, std::size_t{0x10cc}, std::size_t{0x2000}, original.size() / 2,
                                 original.size() - 1}) {
    const std::string what = "cut at " + std::to_string(size);
    TChmArchive archive;
    if (!archive.Open(Write("cut.chm", original.substr(0, size)))) continue;
    EXPECT_GE(size, 0x10ccu) << what << ": opened without its directory";
    for (const auto& [name, bytes] : ReadAll(archive, what)) {
      EXPECT_EQ(bytes, expected.at(name)) << what << " " << name;
    }
    std::string topic;
    if (size < original.size() / 2) {
      EXPECT_FALSE(archive.Read("/images/window.png", topic)) << what;
    }
  }
}

// The header's two identifiers: the second is the first with its first byte
// one greater; our compiler writes the first twice, which is read alike.
// Other identifiers or signatures are no help file.
TEST_F(DamagedHelpFile, HeaderIdentifiers) {
  TChmArchive intact;
  ASSERT_TRUE(intact.Open(VELTARO_HELP_FILE));
  const auto expected = ReadAll(intact, "intact");
  ASSERT_EQ(original.compare(0x18, 16, original, 0x28, 16), 0) << "the compiler's repeated identifier";
  const struct {
    const char* what;
    std::size_t at;
    char byte;
    bool opens;
  } rows[] = {
      {"the right second identifier", 0x28, '\x11', true},
      {"a second identifier of neither kind", 0x28, '\x12', false},
      {"another first identifier", 0x18, '\x11', false},
      {"another signature", 0, 'J', false},
  };
  for (const auto& row : rows) {
    std::string bytes = original;
    bytes[row.at] = row.byte;
    TChmArchive archive;
    EXPECT_EQ(archive.Open(Write("header.chm", bytes)), row.opens) << row.what;
    if (row.opens) {
      EXPECT_EQ(ReadAll(archive, row.what), expected) << row.what;
    }
  }
}

TEST_F(DamagedHelpFile, WhatIsNoOrdinaryFileDoesNotOpenAtOnce) {
  const std::string fifo = (dir / "fifo.chm").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = (dir / "folder.chm").string();
  fs::create_directories(folder);
  for (const std::string& path : {fifo, folder, std::string("/dev/null")}) {
    TChmArchive archive;
    EXPECT_FALSE(archive.Open(path)) << path;
    EXPECT_FALSE(archive.IsOpen()) << path;
    EXPECT_EQ(archive.ObjectCount(), 0u) << path;
  }
}

}  // namespace
}  // namespace veltaro
