#include "ResultReuse.h"

#include <cstring>
#include <utility>
#include <vector>

#include "Messages.h"
#include "ParsedTerm.h"

namespace veltaro {

namespace {

bool SameNode(const TTermElement& a, const TTermElement& b) {
  if (a.opCode != b.opCode || a.leafKind != b.leafKind) return false;
  if (a.opCode != opLeaf) return true;
  if (a.leafKind == leafVariable) return a.label == b.label;
  return std::memcmp(&a.value.re, &b.value.re, sizeof(double)) == 0 &&
         std::memcmp(&a.value.im, &b.value.im, sizeof(double)) == 0;
}

// Whether two trees are equal node by node, walked without recursion.
bool SameTree(const TTermElement* a, const TTermElement* b) {
  std::vector<std::pair<const TTermElement*, const TTermElement*>> pending{{a, b}};
  while (!pending.empty()) {
    const auto [x, y] = pending.back();
    pending.pop_back();
    if (!x || !y) {
      if (x != y) return false;
      continue;
    }
    if (!SameNode(*x, *y)) return false;
    pending.emplace_back(x->left, y->left);
    pending.emplace_back(x->right, y->right);
  }
  return true;
}

bool HasOperatorOrSign(std::string_view value) {
  return value.find_first_of("+-*/^") != std::string_view::npos;
}

}  // namespace

std::optional<std::string> ResultValueOfLine(std::string_view line) {
  if (line.size() <= text::kResultPrefix.size() || line.substr(0, text::kResultPrefix.size()) != text::kResultPrefix)
    return std::nullopt;
  return std::string(line.substr(text::kResultPrefix.size()));
}

TInsertion InsertValue(std::string_view term, std::size_t cursor, std::string_view value) {
  if (cursor > term.size()) cursor = term.size();
  const std::string before(term.substr(0, cursor));
  const std::string after(term.substr(cursor));
  const std::string plain = before + std::string(value) + after;
  const std::string bracketed = before + "(" + std::string(value) + ")" + after;
  bool useBrackets;
  {
    const TParsedTerm p(plain);
    const TParsedTerm b(bracketed);
    if (p.Ok() && b.Ok()) {
      // "^" groups to the left here; a person reads e^(1/2)^2 the other
      // way, so a compound value before "^" is bracketed as well.
      useBrackets = !SameTree(p.Tree(), b.Tree()) || (HasOperatorOrSign(value) && !after.empty() && after[0] == '^');
    } else if (p.Ok() != b.Ok()) {
      useBrackets = b.Ok();
    } else {
      // Neither parses yet (the term is still being written): bracket what
      // has an operator or a sign, so it stays one operand.
      useBrackets = HasOperatorOrSign(value);
    }
  }
  TInsertion insertion;
  insertion.term = useBrackets ? bracketed : plain;
  insertion.cursor = cursor + value.size() + (useBrackets ? 2 : 0);
  return insertion;
}

}  // namespace veltaro
