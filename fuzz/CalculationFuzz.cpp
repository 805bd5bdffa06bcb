// Fuzzer of the whole calculation: the first byte chooses the options
// (angle mode, "Complex results", Smart-Calculate); the rest is a value
// cell's text and a term, split at the first line feed. The value cell is
// evaluated into a variable, the term calculated as Calculate does, creating
// its variables; its results line must be the one its parsed tree gives,
// and a term without value must be told why.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "Calculation.h"
#include "MathFailure.h"
#include "ParsedTerm.h"
#include "SmartConversion.h"
#include "TermTree.h"

using namespace veltaro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  TCalcOptions options;
  options.degMode = data[0] & 1;
  options.complexResults = (data[0] & 2) == 0;
  options.smart = data[0] & 4;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string_view valueText, term = rest;
  if (const std::size_t feed = rest.find('\n'); feed != std::string_view::npos) {
    valueText = rest.substr(0, feed);
    term = rest.substr(feed + 1);
  }
  ConversionPrecision = 10;
  DegMode = options.degMode;

  TVarTable table;
  TComplex value;
  if (EvaluateValueText(valueText, value)) SetVariable(table, "v", value, "");
  const std::string line = CalculateTerm(term, table, options);
  if (line.rfind("Result: ", 0) != 0 && line.rfind("Error: ", 0) != 0) std::abort();

  // Calculated again from its own parse, against the table it left: the
  // same line, every label of the term in the table.
  const TParsedTerm parsed(term);
  if (!parsed.Ok()) {
    if (line != InvalidExpressionLine(term)) std::abort();
    return 0;
  }
  if (CalculateParsedLine(term, parsed, table, options) != line) std::abort();
  // A term without value is told why, at a place inside it; any other has
  // nothing to tell.
  const std::optional<TMathFailure> failure =
      ExplainMathFailure(term, parsed.Tree(), table, options.complexResults);
  if (failure.has_value() != (line == "Error: Mathematical error in expression.")) std::abort();
  if (failure && (failure->message.empty() || failure->length == 0 || failure->start + failure->length > term.size()))
    std::abort();
  TStringArray labels;
  CollectVariableLabels(parsed.Tree(), labels);
  for (const std::string& label : labels) {
    TComplex found;
    if (!FindVariable(table, label, found)) std::abort();
  }
  return 0;
}
