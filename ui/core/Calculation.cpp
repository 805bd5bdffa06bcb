#include "Calculation.h"

#include "Format.h"
#include "Messages.h"
#include "ParsedTerm.h"
#include "Parser.h"
#include "SmartConversion.h"

namespace veltaro {

namespace {

bool AddLabelsOf(const TParsedTerm& parsed, TVarTable& table) {
  if (!parsed.Ok()) return false;
  TStringArray labels;
  CollectVariableLabels(parsed.Tree(), labels);
  bool added = false;
  for (const std::string& label : labels) {
    TComplex existing;
    if (!FindVariable(table, label, existing)) {
      added = SetVariable(table, label, TComplex{}, std::string()) || added;
    }
  }
  return added;
}

}  // namespace

std::string CalculateParsedLine(std::string_view term, const TParsedTerm& parsed, const TVarTable& table,
                                const TCalcOptions& options) {
  if (!parsed.Ok()) return InvalidExpressionLine(term);
  DegMode = options.degMode;
  TComplex result;
  bool acceptable = EvaluateTerm(parsed.Tree(), table, result);
  if (acceptable && !options.complexResults && result.im != 0.0) acceptable = false;
  if (!acceptable) return std::string(text::kMathError);
  std::string line(text::kResultPrefix);
  line += options.smart ? FormatComplexSmart(result) : FormatComplex(result);
  return line;
}

bool AddMissingVariables(std::string_view term, TVarTable& table) {
  const TParsedTerm parsed(term);
  AddLabelsOf(parsed, table);
  return parsed.Ok();
}

std::string CalculateLine(std::string_view term, const TVarTable& table, const TCalcOptions& options) {
  const TParsedTerm parsed(term);
  return CalculateParsedLine(term, parsed, table, options);
}

std::string CalculateTerm(std::string_view term, TVarTable& table, const TCalcOptions& options) {
  const TParsedTerm parsed(term);
  AddLabelsOf(parsed, table);
  return CalculateParsedLine(term, parsed, table, options);
}

std::string InvalidExpressionLine(std::string_view term) {
  std::string line(text::kInvalidExpressionPrefix);
  line += term;
  line += text::kInvalidExpressionSuffix;
  return line;
}

bool EvaluateValueText(std::string_view text, TComplex& value) {
  const TParsedTerm parsed(text);
  if (!parsed.Ok()) return false;
  static const TVarTable noVariables;
  return EvaluateTerm(parsed.Tree(), noVariables, value);
}

bool ParseVariableLabel(std::string_view text, std::string& label) {
  const TParsedTerm parsed(text);
  const TTermElement* root = parsed.Tree();
  if (!parsed.Ok() || root == nullptr || root->opCode != opLeaf || root->leafKind != leafVariable) return false;
  label = root->label;
  return true;
}

}  // namespace veltaro
