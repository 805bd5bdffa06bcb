// Reading a compiled help file: its objects by name and its context map
// (context number to topic name).
//
// Any file may be handed to the reader, including damaged or hostile ones:
// whatever it cannot make sense of within its bounds counts as "cannot be
// opened" or "no such object", never as a crash or a wait without end.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace veltaro {

// Context numbers with their topic names, as the #IVB and #STRINGS objects
// hold them.
using TContextMap = std::map<std::uint32_t, std::string>;

// Reads the context map: #IVB is a little-endian 32-bit byte count followed by
// pairs {context, offset into #STRINGS}; #STRINGS holds NUL-terminated names.
// False when either is malformed (a pair or a name outside its object).
bool ParseContextMap(std::string_view ivb, std::string_view strings, TContextMap& map);

class TChmArchive {
 public:
  // The largest object that is read into memory; a larger one counts as
  // missing (not listed, not contained, not read).
  static constexpr std::uint64_t kMaxObjectSize = 64u << 20;
  // How far into the compressed section an object may end: reading it may
  // mean decompressing everything before it, so this bounds the work one
  // read can take. An object ending beyond counts as missing.
  static constexpr std::uint64_t kMaxCompressedEnd = 256u << 20;

  TChmArchive();
  ~TChmArchive();
  TChmArchive(const TChmArchive&) = delete;
  TChmArchive& operator=(const TChmArchive&) = delete;

  // False when the file cannot be read or is no compiled help file with a
  // readable directory (only ordinary files are read).
  bool Open(const std::string& fileName);
  void Close();
  bool IsOpen() const;
  const std::string& FileName() const { return fileName_; }

  // The object of that name ("/topics/a.htm"; a missing leading "/" is
  // added; letter case does not matter). False when there is none, when it
  // is larger than kMaxObjectSize or when its data cannot be read.
  bool Read(std::string_view name, std::string& contents) const;
  bool Contains(std::string_view name) const;

  // The names of the objects of the file (those with a leading "/"), in the
  // order of its directory.
  std::size_t ObjectCount() const;
  std::string ObjectNameAt(std::size_t index) const;

  // False when the file has no context map or a malformed one.
  bool ContextMap(TContextMap& map) const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
  std::string fileName_;
};

// The object name of a topic name: a leading "/" added where missing.
std::string ObjectName(std::string_view name);

}  // namespace veltaro
