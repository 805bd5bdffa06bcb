// The variable table file (.vlt): a header line, the count, then four lines
// per variable (label, real part, imaginary part, comment), each ended by
// CR LF. Toolkit-free, shared by the window and veltaro-calc.
#pragma once

#include <cstddef>
#include <string>

#include "VarTable.h"

namespace veltaro {

// Replaces table by the file's contents. Never fails: a missing or unreadable
// file gives an empty table.
void LoadVariableTableFile(const std::string& fileName, TVarTable& table);

// Parses the contents of a table file (as read from disk).
void ParseVariableTableText(const std::string& contents, TVarTable& table);

// The exact bytes that saving table writes.
std::string VariableTableText(const TVarTable& table);

// Writes table to fileName. The new contents go to a file beside the target,
// which replaces the target only once complete, so a failure never damages an
// existing file. On failure returns false with the system's error number.
bool SaveVariableTableFile(const std::string& fileName, const TVarTable& table, int& errorNumber);

// Writes contents to fileName through a file beside it that replaces the
// target only once complete; write is the function that puts bytes into an
// open descriptor (a seam for tests), returning 0 or an error number.
using TWriteFunction = int (*)(int fd, const char* data, std::size_t size);
bool SaveFileAtomically(const std::string& fileName, const std::string& contents, int& errorNumber,
                        TWriteFunction write);

// The user-facing description of a failed save, ending in a full stop:
// "File access denied.", "Disk full." or "I/O error N.".
std::string SaveErrorText(int errorNumber);

// Replaces the extension of the last path component by ".vlt", or appends it.
std::string WithTableExtension(const std::string& fileName);

}  // namespace veltaro
