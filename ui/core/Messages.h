// Every text that the program shows, defined once.
#pragma once

#include <string_view>

namespace veltaro::text {

inline constexpr std::string_view kAppTitle = "Veltaro";
inline constexpr std::string_view kResultPrefix = "Result: ";
inline constexpr std::string_view kInvalidVariableValue = "Error: Invalid variable value entered.";
inline constexpr std::string_view kInvalidExpressionPrefix = "Error: Invalid expression: \"";
inline constexpr std::string_view kInvalidExpressionSuffix = "\".";
inline constexpr std::string_view kMathError = "Error: Mathematical error in expression.";
inline constexpr std::string_view kTableFileHeader = "Veltaro Variable table";

// Descriptions of a failed save.
inline constexpr std::string_view kFileAccessDenied = "File access denied.";
inline constexpr std::string_view kDiskFull = "Disk full.";
inline constexpr std::string_view kIoErrorPrefix = "I/O error ";

// The main window.
inline constexpr std::string_view kMakerHost = "www.kelvara.example";
inline constexpr std::string_view kMakerPagePath = "/freeware.html";
inline constexpr std::string_view kLinkCaption = "More freeware at www.kelvara.example";
inline constexpr std::string_view kEnterTerm = "Enter term:";
inline constexpr std::string_view kSmartCalculate = "Smart-Calculate";
inline constexpr std::string_view kCalculate = "Calculate";
inline constexpr std::string_view kAngleMode = "Angle mode";
inline constexpr std::string_view kDeg = "Deg";
inline constexpr std::string_view kRad = "Rad";
inline constexpr std::string_view kComplexResults = "Complex results";
inline constexpr std::string_view kResults = "Results:";
inline constexpr std::string_view kClearResultsHint = "Clear results";
inline constexpr std::string_view kSupportFreeSoftware = "Support free software";
inline constexpr std::string_view kHideVariablesCaption = "<<";
inline constexpr std::string_view kHideVariablesHint = "Hide variables";
inline constexpr std::string_view kShowVariablesCaption = ">>";
inline constexpr std::string_view kShowVariablesHint = "Show variables";
inline constexpr std::string_view kVariables = "Variables:";
inline constexpr std::string_view kOpenTableHint = "Open variable table";
inline constexpr std::string_view kSaveTableHint = "Save variable table";
inline constexpr std::string_view kAddVariableHint = "Add variable";
inline constexpr std::string_view kDeleteVariableHint = "Delete variable";

// What assistive technology calls the controls that show no caption of
// their own, and the names of the keys that go with the commands.
inline constexpr std::string_view kTermName = "Term";
inline constexpr std::string_view kResultsName = "Results";
inline constexpr std::string_view kVariablesName = "Variables";
inline constexpr std::string_view kHelpName = "Help";
inline constexpr std::string_view kCtrlKey = "Ctrl+";
inline constexpr std::string_view kShiftKey = "Shift+";
inline constexpr std::string_view kDeleteKey = "Delete";
inline constexpr std::string_view kF1Key = "F1";
inline constexpr std::string_view kF4Key = "F4";
inline constexpr std::string_view kEnterKey = "Enter";

// The variables grid.
inline constexpr std::string_view kHeaderLabel = "Label";
inline constexpr std::string_view kHeaderValue = "Value";
inline constexpr std::string_view kHeaderComment = "Comment";

// "Add variable".
inline constexpr std::string_view kNewVariableTitle = "New variable";
inline constexpr std::string_view kNewVariablePrompt = "Enter variable label:";
inline constexpr std::string_view kErrorTitle = "Error";
inline constexpr std::string_view kInvalidLabelPrefix = "Invalid variable label: \"";
inline constexpr std::string_view kInvalidLabelSuffix = "\".";
inline constexpr std::string_view kVariablePrefix = "Variable ";
inline constexpr std::string_view kAlreadyExistsSuffix = " already exists.";

// What happened to the table, in the status line, and the questions before
// a file is replaced or the window closes with unsaved work.
inline constexpr std::string_view kStatusSeparator = "  \xC2\xB7  ";
inline constexpr std::string_view kDeletedSuffix = " deleted";
inline constexpr std::string_view kOpenedSuffix = " opened";
inline constexpr std::string_view kUnreadableSuffix = " could not be read: the table is empty";
inline constexpr std::string_view kEditsReplaced = "Grid edits replaced by the table's values";
inline constexpr std::string_view kUndoDeleted = "Ctrl+Z brings it back";
inline constexpr std::string_view kUndoTable = "Ctrl+Z brings the previous one back";
inline constexpr std::string_view kUndoEdits = "Ctrl+Z brings them back";
inline constexpr std::string_view kUndonePrefix = "Undone: ";
inline constexpr std::string_view kRedoHint = "Ctrl+Y does it again";
inline constexpr std::string_view kUndoHint = "Ctrl+Z undoes it";
inline constexpr std::string_view kRedonePrefix = "Done again: ";
inline constexpr std::string_view kNothingToUndo = "Nothing to undo";
inline constexpr std::string_view kNothingToRedo = "Nothing to redo";
inline constexpr std::string_view kReplaceSuffix = " already exists. Replace it?";
inline constexpr std::string_view kSaveChangesQuestion = "Save changes to the variable table?";
inline constexpr std::string_view kValueOfPrefix = "The value of ";
inline constexpr std::string_view kNotConstantInfix = " is not a constant term: ";

// The variable table file dialogs and the start-up table.
inline constexpr std::string_view kTableFilterName = "Veltaro variable table";
inline constexpr std::string_view kTableFilterPattern = "*.vlt";
inline constexpr std::string_view kDefaultTableName = "default.vlt";

}  // namespace veltaro::text
