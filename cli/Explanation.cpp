#include "Explanation.h"

#include <algorithm>
#include <optional>

#include "Explain.h"
#include "MathFailure.h"
#include "Messages.h"
#include "Parser.h"
#include "Reading.h"

namespace veltaro::cli {

namespace {

constexpr std::string_view kReadsAs = "reads as ";
constexpr std::string_view kColumn = "column ";
constexpr std::string_view kTry = " Try \"";
constexpr std::string_view kTryEnd = "\".";
// Said of a refused term for which no particular place is known.
constexpr std::string_view kNotATerm = "This is not a term.";

bool PrintableAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

std::string Marker(std::string_view term, const TTermProblem& problem, std::size_t width) {
  if (!PrintableAscii(term)) return std::string();
  // A place at the end of the term (nothing after an operator) is marked
  // on the closing quotation mark.
  const std::size_t start = std::min(problem.start, term.size());
  const std::size_t length = std::max<std::size_t>(1, std::min(problem.length, term.size() - start));
  const std::size_t indent = text::kInvalidExpressionPrefix.size() + start;
  if (indent + length > width) return std::string();
  return std::string(indent, ' ') + std::string(length, '^');
}

}  // namespace

TTermExplanation ExplainTerm(std::string_view term, std::size_t markerWidth) {
  TTermExplanation explained;
  TTermElement* tree = nullptr;
  const bool ok = ParseTerm(term, tree);
  if (ok) {
    explained.line = std::string(kReadsAs) + ReadingOf(tree);
  }
  FreeTerm(tree);
  if (ok) return explained;

  const std::optional<TTermProblem> problem = ExplainInvalidTerm(term);
  explained.line = kColumn;
  explained.line += std::to_string((problem ? std::min(problem->start, term.size()) : 0) + 1);
  explained.line += ": ";
  if (!problem) {
    explained.line += kNotATerm;
    return explained;
  }
  explained.line += problem->message;
  if (!problem->suggestion.empty()) {
    // The suggestion follows the message as a sentence of its own.
    if (!explained.line.empty() && explained.line.back() != '.') explained.line += '.';
    explained.line += kTry;
    explained.line += problem->suggestion;
    explained.line += kTryEnd;
  }
  explained.marker = Marker(term, *problem, markerWidth);
  return explained;
}

std::string ExplainMathError(std::string_view term, const TVarTable& table, const TCalcOptions& options) {
  DegMode = options.degMode;
  const std::optional<TMathFailure> failure = ExplainMathFailure(term, table, options.complexResults);
  if (!failure) return std::string();
  return std::string(kColumn) + std::to_string(failure->start + 1) + ": " + failure->message;
}

}  // namespace veltaro::cli
