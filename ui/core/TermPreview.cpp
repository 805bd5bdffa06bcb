#include "TermPreview.h"

#include "Explain.h"
#include "MathFailure.h"
#include "Messages.h"
#include "ParsedTerm.h"
#include "Reading.h"

namespace veltaro {

namespace {

constexpr std::string_view kSeparator = "  \xC2\xB7  ";  // a middle dot between the parts

}  // namespace

std::string TTermPreview::StatusText() const {
  std::string text;
  if (valid) {
    // Why a term has no value says more than the error line.
    text = failure.empty() ? value : failure;
    if (!reading.empty()) text += std::string(kSeparator) + "reads as " + reading;
    if (!creates.empty()) text += std::string(kSeparator) + "creates " + creates;
    return text;
  }
  if (message.empty()) return text;  // the empty term
  text = message;
  if (!suggestion.empty()) text += std::string(kSeparator) + "try " + suggestion;
  return text;
}

TTermPreview PreviewTerm(std::string_view term, const TVarTable& table, const TCalcOptions& options) {
  TTermPreview preview;
  // An empty field has nothing to tell yet.
  if (term.empty()) return preview;
  const TParsedTerm parsed(term);
  if (!parsed.Ok()) {
    if (const std::optional<TTermProblem> problem = ExplainInvalidTerm(term)) {
      preview.errorStart = problem->start;
      preview.errorLength = problem->length;
      preview.message = problem->message;
      preview.suggestion = problem->suggestion;
    }
    return preview;
  }
  preview.valid = true;
  // The reading is shown where it tells more than the typed text.
  if (ReadingTellsMore(term, parsed.Tree())) {
    preview.reading = ReadingOf(parsed.Tree());
    if (preview.reading == term) preview.reading.clear();
  }

  TStringArray labels;
  CollectVariableLabels(parsed.Tree(), labels);
  TStringArray missing;
  for (const std::string& label : labels) {
    TComplex existing;
    if (!FindVariable(table, label, existing)) missing.push_back(label);
  }
  for (const std::string& label : missing) {
    if (!preview.creates.empty()) preview.creates += ", ";
    preview.creates += label;
  }

  // The labels still missing are 0, on a copy only when there are any.
  const TVarTable* values = &table;
  TVarTable extended;
  if (!missing.empty()) {
    extended = table;
    for (const std::string& label : missing) SetVariable(extended, label, TComplex{}, std::string());
    values = &extended;
  }
  const std::string line = CalculateParsedLine(term, parsed, *values, options);
  const bool isResult = line.rfind(text::kResultPrefix, 0) == 0;
  preview.value = isResult ? "= " + line.substr(text::kResultPrefix.size()) : line;
  if (line == text::kMathError) {
    if (const std::optional<TMathFailure> failure =
            ExplainMathFailure(term, parsed.Tree(), *values, options.complexResults)) {
      preview.failureStart = failure->start;
      preview.failureLength = failure->length;
      preview.failure = failure->message;
    }
  }
  return preview;
}

}  // namespace veltaro
