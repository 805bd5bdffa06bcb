// Fuzzer of the explanation and the reading of a term: a term that parses
// has a reading that parses back to the same tree and no problem; one that
// does not has a problem inside or at the end of the text, and its
// suggestion, when one is given, parses.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Explain.h"
#include "Explanation.h"
#include "ParsedTerm.h"
#include "Reading.h"

using namespace veltaro;

namespace {

// Structure, operations, values bit for bit and labels.
bool SameTree(const TTermElement* a, const TTermElement* b) {
  std::vector<std::pair<const TTermElement*, const TTermElement*>> pending{{a, b}};
  while (!pending.empty()) {
    const auto [x, y] = pending.back();
    pending.pop_back();
    if ((x == nullptr) != (y == nullptr)) return false;
    if (x == nullptr) continue;
    if (x->opCode != y->opCode || x->leafKind != y->leafKind || x->label != y->label ||
        std::memcmp(&x->value, &y->value, sizeof x->value) != 0) {
      return false;
    }
    pending.emplace_back(x->left, y->left);
    pending.emplace_back(x->right, y->right);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view term(reinterpret_cast<const char*>(data), size);
  const TParsedTerm parsed(term);
  const std::optional<TTermProblem> problem = ExplainInvalidTerm(term);
  if (parsed.Ok()) {
    if (problem) std::abort();
    const std::string reading = ReadingOf(parsed.Tree());
    const TParsedTerm again(reading);
    if (!again.Ok() || !SameTree(parsed.Tree(), again.Tree())) std::abort();
    ReadingTellsMore(term, parsed.Tree());
  } else {
    if (!problem || problem->start > term.size()) std::abort();
    if (!problem->suggestion.empty() && !TParsedTerm(problem->suggestion).Ok()) std::abort();
  }
  const cli::TTermExplanation explained = cli::ExplainTerm(term, size % 200);
  if (explained.line.empty()) std::abort();
  return 0;
}
