// An ordinary file opened for reading, and nothing else: a device, a FIFO or
// a socket is a file that cannot be read, found out without waiting for a
// FIFO's writer; a symbolic link that another user planted in a folder that
// everyone may write to is not followed.
#pragma once

#include <cstddef>
#include <string>

namespace veltaro {

class TInputFile {
 public:
  TInputFile() = default;
  ~TInputFile();
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;

  // False when fileName is empty, missing, no ordinary file or may not be
  // read.
  bool Open(const std::string& fileName);
  // Up to size bytes of the file; 0 at its end or on a failure.
  std::size_t Read(char* data, std::size_t size);

 private:
  int fd_ = -1;
};

}  // namespace veltaro
