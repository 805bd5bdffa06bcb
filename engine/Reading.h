// How a term is read: the parsed tree written back as text with the fewest
// brackets that make its reading plain to a person who assumes the usual
// conventions of mathematics.
#pragma once

#include <string>
#include <string_view>

#include "TermTree.h"

namespace veltaro {

// The tree written back as a term. Every operation of the parser groups to
// the left and a sign is an operation on 0, so brackets appear where the
// parser needs them and, besides, where a person could group otherwise:
// around a power that is the base of a power ("(2^3)^2", since a person
// takes "^" to group to the right) and around a compound operand on the
// right of an operator or sign ("1+(2*3)", "-(2^2)", "2^(3lg(8))"), so that
// working from left to right and by precedence give the same reading. Chains
// of one level stay plain ("8/4/2", "1-2-3"), as do function calls
// ("sin(x)^2") and the base of lg ("2lg(8)"). A sign is written as a sign
// ("-x", also for "0-x", which is the same tree). Function names in lower
// case, labels as they are, pi, e and i by name where the value is exactly
// theirs, other numbers in the shortest digits that give the same double
// (upper-case E for an exponent). A label ending in E takes brackets before
// a sign ("(XE)+1").
//
// For a tree the parser made, parsing the result gives the same tree:
// where the plain reading would be longer than kMaxTermLength or nested
// deeper than the parser counts, the fewest brackets the parser needs are
// written, and if that is still too long, the closing brackets at the very
// end are left out (the parser reads them the same). Works without
// recursion; "" for a null tree. A constant the parser never makes (a
// negative or complex value) is written as the term that gives it, such
// as "-2.5" or "3+(-4)*i", bracketed as an operand like that operation.
std::string ReadingOf(const TTermElement* tree);

// Whether the reading tells the person who typed text more than the text
// does: false when text, blanks and letter case aside, is already the tree
// written with the brackets that precedence (signs and sums below products
// below powers) leaves open, so "1+2*3" and "x^2+y^2" say it all, while
// "1+2)*3", "2^3^2", "-2^2" and "(1+2" do not. tree is text's parse.
bool ReadingTellsMore(std::string_view text, const TTermElement* tree);

}  // namespace veltaro
