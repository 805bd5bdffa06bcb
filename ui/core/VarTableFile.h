// The variable table file (.vlt): a header line, the count, then four lines
// per variable (label, real part, imaginary part, comment), each ended by
// CR LF. Toolkit-free, shared by the window and veltaro-calc.
#pragma once

#include <cstddef>
#include <string>

#include "VarTable.h"

namespace veltaro {

// Replaces table by the file's contents. Never fails: a missing or unreadable
// file gives an empty table, and so does anything but an ordinary file (a
// FIFO or a device), at once.
void LoadVariableTableFile(const std::string& fileName, TVarTable& table);

// Parses the contents of a table file (as read from disk).
void ParseVariableTableText(const std::string& contents, TVarTable& table);

// The exact bytes that saving table writes.
std::string VariableTableText(const TVarTable& table);

// Writes table to fileName. An ordinary file with one name gets the new
// contents through a file beside it, which replaces it only once complete,
// so a failure never damages it; symbolic links on the way stay and their
// target is written (made when missing). What is no such file keeps being
// what it is and is written in place: a device, a FIFO that a program reads,
// a file with further names (given room for the contents first). A FIFO
// that nobody reads fails at once. The file that standard output or error
// already goes to gets the contents after what was written there. (On
// Windows an existing file is always replaced whole.) On failure returns
// false with the system's error number.
bool SaveVariableTableFile(const std::string& fileName, const TVarTable& table, int& errorNumber);

// Writes contents to fileName as SaveVariableTableFile does; write is the
// function that puts bytes into an open descriptor (a seam for tests),
// returning 0 or an error number.
using TWriteFunction = int (*)(int fd, const char* data, std::size_t size);
bool SaveFileAtomically(const std::string& fileName, const std::string& contents, int& errorNumber,
                        TWriteFunction write);

// The user-facing description of a failed save, ending in a full stop:
// "File access denied.", "Disk full." or "I/O error N.".
std::string SaveErrorText(int errorNumber);

// Replaces the extension of the last path component by ".vlt", or appends it.
std::string WithTableExtension(const std::string& fileName);

}  // namespace veltaro
