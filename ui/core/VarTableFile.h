// The variable table file (.vlt): a header line, the count, then four lines
// per variable (label, real part, imaginary part, comment), each ended by
// CR LF. Toolkit-free, shared by the window and veltaro-calc; the file on
// disk is opened and replaced by the platform's file code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "VarTable.h"

namespace veltaro {

// The most characters a line of a table file may hold, as many as a term.
// A longer line is read no further: a label or number on it is invalid,
// and the rest of the file is not read.
inline constexpr std::size_t kMaxTableLine = 65535;

// Replaces table by the file's contents. Never fails: a missing or unreadable
// file gives an empty table, and so does anything but an ordinary file (a
// FIFO or a device), at once, and a symbolic link that another user planted
// in a folder everyone may write to.
void LoadVariableTableFile(const std::string& fileName, TVarTable& table);

// Parses the contents of a table file (as read from disk).
void ParseVariableTableText(std::string_view contents, TVarTable& table);

// The exact bytes that saving table writes. Every table reads back as
// itself: a line break in a label or comment is written as a blank, a
// comment longer than a line may hold is cut to kMaxTableLine characters,
// and such a label is written empty, as it would read.
std::string VariableTableText(const TVarTable& table);

// text on one line: each line break in it (CR LF, CR or LF) a blank.
std::string WithoutLineBreaks(std::string_view text);

// Writes table to fileName, as the platform's ReplaceFileContents writes a
// file. On failure returns false with the system's error number.
bool SaveVariableTableFile(const std::string& fileName, const TVarTable& table, int& errorNumber);

// The user-facing description of a failed save, ending in a full stop:
// "File access denied.", "Disk full." or "I/O error N.".
std::string SaveErrorText(int errorNumber);

// Replaces the extension of the last path component by ".vlt", or appends it.
std::string WithTableExtension(const std::string& fileName);

}  // namespace veltaro
