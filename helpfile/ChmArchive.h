// Reading a compiled help file: its objects by name and its context map
// (context number to topic name).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

struct chmFile;

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
  TChmArchive() = default;
  ~TChmArchive();
  TChmArchive(const TChmArchive&) = delete;
  TChmArchive& operator=(const TChmArchive&) = delete;

  bool Open(const std::string& fileName);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  const std::string& FileName() const { return fileName_; }

  // The object of that name ("/topics/a.htm"; a missing leading "/" is
  // added; letter case does not matter). False when there is none.
  bool Read(std::string_view name, std::string& contents) const;
  bool Contains(std::string_view name) const;

  // False when the file has no context map or a malformed one.
  bool ContextMap(TContextMap& map) const;

 private:
  chmFile* file_ = nullptr;
  std::string fileName_;
};

// The object name of a topic name: a leading "/" added where missing.
std::string ObjectName(std::string_view name);

}  // namespace veltaro
