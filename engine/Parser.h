// The term parser, and the chief header of the expression engine.
//
// A term is split at the operator or function name that binds least, taking
// brackets into account; the texts on either side are parsed the same way,
// and a text without operators or function names becomes a leaf. A failed
// sub-term clears the success flag, and the parse goes on, so a failed parse
// still hands back a partial tree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Evaluate.h"
#include "TermTree.h"
#include "VarTable.h"

namespace veltaro {

// Terms longer than this are invalid.
inline constexpr std::size_t kMaxTermLength = 65535;

// Parses text into tree (null for an empty text, possibly partial on
// failure); the caller frees the tree with FreeTerm in every case.
// A text longer than kMaxTermLength is invalid and gives a null tree. A term
// whose brackets nest so deep that a split priority would pass 65535 (about
// 13,107 levels) is invalid too; its tree is built as the wrapped priorities
// say. Trees of any depth are built without recursion. Every node carries
// the place in text that it was read from.
bool ParseTerm(std::string_view text, TTermElement*& tree);

// Parses one sub-term; any failure in it or below it clears ok.
TTermElement* ParseElement(std::string_view text, bool& ok);

// 1-based position of the split candidate that binds least, or 0 (also for
// a text longer than kMaxTermLength).
std::uint16_t FindSplitPosition(std::string_view text);

// Same non-zero length and equal characters, ASCII letters compared without
// regard to case.
bool SameTextAscii(std::string_view a, std::string_view b);

// True for the empty text and for a text of "(" only.
bool OnlyOpenBrackets(std::string_view text);

// Reads a number literal: blanks, decimal digits, optionally "." and digits
// (at least one digit or the point), optionally "E", a sign and digits, then
// blanks. True and the nearest double; false for any other text and for a
// value beyond the double range. A value below the smallest subnormal reads
// as 0.
bool ConvertNumberLiteral(std::string_view text, double& value);

}  // namespace veltaro
