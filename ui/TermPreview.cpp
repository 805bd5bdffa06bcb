#include "TermPreview.h"

#include "Explain.h"
#include "Format.h"
#include "Messages.h"
#include "Parser.h"
#include "Reading.h"
#include "SmartConversion.h"

namespace veltaro {

namespace {

// Owns a parsed tree for the preview and frees it whatever happens.
struct TTree {
  TTermElement* root = nullptr;
  ~TTree() { FreeTerm(root); }
};

constexpr std::string_view kSeparator = "  \xC2\xB7  ";  // a middle dot between the parts

}  // namespace

std::string TTermPreview::StatusText() const {
  std::string text;
  if (valid) {
    text = value;
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
  TTree tree;
  if (!ParseTerm(term, tree.root)) {
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
  if (ReadingTellsMore(term, tree.root)) {
    preview.reading = ReadingOf(tree.root);
    if (preview.reading == term) preview.reading.clear();
  }

  TStringArray labels;
  CollectVariableLabels(tree.root, labels);
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
  DegMode = options.degMode;
  TComplex result;
  bool acceptable = EvaluateTerm(tree.root, *values, result);
  if (acceptable && !options.complexResults && result.im != 0.0) acceptable = false;
  if (!acceptable) {
    preview.value = std::string(text::kMathError);
  } else {
    preview.value = "= " + (options.smart ? FormatComplexSmart(result) : FormatComplex(result));
  }
  return preview;
}

}  // namespace veltaro
