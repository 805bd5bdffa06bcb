// How a term is read: the parsed tree written back as text with the fewest
// brackets that make its reading plain to a person who assumes the usual
// conventions of mathematics.
#pragma once

#include <string>

#include "TermTree.h"

namespace veltaro {

// The tree written back as a term: "^" taken as grouping to the right, a
// leading minus as a sign that binds looser than "^", "*" and "/" from left
// to right, so brackets appear exactly where the reading differs from that.
// Constants are written as typed where the value allows (pi, e, i, the
// shortest digits that give the same double). Parsing the result gives the
// same tree. Works without recursion; "" for a null tree.
std::string ReadingOf(const TTermElement* tree);

}  // namespace veltaro
