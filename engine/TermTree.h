// Term trees: the parsed form of a term, shared by the parser and the
// evaluator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Complex.h"

namespace veltaro {

using TStringArray = std::vector<std::string>;

// Operation codes of inner nodes. 0 marks a leaf.
enum TOpCode : std::uint8_t {
  opLeaf = 0,
  opAdd = 1, opSubtract = 2, opMultiply = 3, opDivide = 4, opPower = 5,
  opSqrt = 6, opExp = 7, opLn = 8, opLog = 9, opLg = 10,
  opSin = 11, opCos = 12, opTan = 13, opCot = 14,
  opRe = 15, opIm = 16, opAbs = 17, opArg = 18,
  opArcSin = 19, opArcCos = 20, opArcTan = 21, opArcCot = 22,
  opSinh = 23, opCosh = 24, opTanh = 25, opCoth = 26,
  opArSinh = 27, opArCosh = 28, opArTanh = 29, opArCoth = 30,
  opStep = 31,
};

enum TLeafKind : std::uint8_t { leafConstant = 0, leafVariable = 1 };

// One node. Operators (1-5) and lg (10) use left and right; the other
// functions hold their argument in right. A leaf holds a constant value
// (leafKind 0) or a variable label (leafKind 1).
struct TTermElement {
  TTermElement* left = nullptr;
  TTermElement* right = nullptr;
  std::uint8_t leafKind = leafConstant;
  TComplex value;
  std::string label;
  std::uint8_t opCode = opLeaf;
  // The characters of the parsed text that this node was read from,
  // [start, end), surplus brackets included; for the 0 of a sign, the empty
  // place of the sign. Set by the parser (0 and 0 for a node made
  // otherwise); they tell where in a term an operation lies.
  std::uint16_t start = 0;
  std::uint16_t end = 0;
};

// Releases the whole tree and sets the pointer to null; accepts null.
// Works without recursion, so trees of any depth are freed safely.
void FreeTerm(TTermElement*& tree);

// Appends every variable label of the tree that labels does not hold yet, in
// order of first occurrence from left to right. Accepts null and partial
// trees.
void CollectVariableLabels(const TTermElement* tree, TStringArray& labels);

}  // namespace veltaro
