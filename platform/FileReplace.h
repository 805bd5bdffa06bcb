// Putting new contents into a file on disk so that a failure or a crash
// never leaves it damaged: an ordinary file is written beside and then takes
// the old one's place in one step; links on the way stay.
#pragma once

#include <cstddef>
#include <string>

namespace veltaro {

// Puts bytes into an open descriptor; returns 0 or an error number.
using TWriteFunction = int (*)(int fd, const char* data, std::size_t size);

// The whole of data written to fd, a chunk at a time.
int WriteAllToDescriptor(int fd, const char* data, std::size_t size);

// Writes contents to fileName. An ordinary file with one name gets the new
// contents through a file beside it, which replaces it only once complete,
// so a failure never damages it; symbolic links on the way stay and their
// target is written (made when missing), except a link that another user
// planted in a folder that everyone may write to, which is refused. What is
// no such file keeps being what it is and is written in place: a device, a
// FIFO that a program reads, a file with further names (locked against
// other saves for the whole write, given room for the contents first). A
// FIFO that nobody reads fails at once. The file that standard output or
// error already goes to gets the contents after what was written there.
// (On Windows an existing file is always replaced whole.) On failure
// returns false with the system's error number; write is the function that
// puts the bytes into the open file.
bool ReplaceFileContents(const std::string& fileName, const std::string& contents, int& errorNumber,
                         TWriteFunction write = WriteAllToDescriptor);

}  // namespace veltaro
