// The one calculation behind Calculate, Smart-Calculate and veltaro-calc:
// a term in, one results line out. Toolkit-free.
#pragma once

#include <string>
#include <string_view>

#include "Complex.h"
#include "VarTable.h"

namespace veltaro {

struct TCalcOptions {
  bool degMode = false;         // angles in degrees
  bool complexResults = true;   // a non-real result is acceptable
  bool smart = false;           // closed forms (Smart-Calculate)
};

// Adds every label that term uses and table lacks, value 0 and an empty
// comment, in order of first use; nothing when the term does not parse.
// Returns whether the term parsed.
bool AddMissingVariables(std::string_view term, TVarTable& table);

// Parses, evaluates against table, applies the "Complex results" rule and
// formats: the full results line ("Result: ..." or one of the error lines).
// Sets DegMode from the options. Does not add variables.
std::string CalculateLine(std::string_view term, const TVarTable& table, const TCalcOptions& options);

class TParsedTerm;

// CalculateLine for a term already parsed into parsed.
std::string CalculateParsedLine(std::string_view term, const TParsedTerm& parsed, const TVarTable& table,
                                const TCalcOptions& options);

// AddMissingVariables followed by CalculateLine, parsing the term once: the
// whole calculation when no grid lies between the two steps.
std::string CalculateTerm(std::string_view term, TVarTable& table, const TCalcOptions& options);

// The invalid-expression line for term.
std::string InvalidExpressionLine(std::string_view term);

// Evaluates the text of a value cell: a term without variables, under the
// current angle mode. False when it does not parse or evaluate.
bool EvaluateValueText(std::string_view text, TComplex& value);

// Whether text is acceptable as a new variable label: it parses to a single
// variable leaf, whose label is delivered (brackets around it dropped).
bool ParseVariableLabel(std::string_view text, std::string& label);

}  // namespace veltaro
