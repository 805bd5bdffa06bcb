#include "WindowDesign.h"

#include <array>

#include "Messages.h"

namespace veltaro {

namespace {

using namespace text;

constexpr TControlDesign kControls[] = {
    {"Panel2", "", 0, 0, 297, 25, "", "", 0},
    {"lKelvaraLink", "Panel2", 16, 4, 244, 16, kLinkCaption, "", 0},
    {"pEntry", "", 0, 24, 297, 161, "", "", 0},
    {"Label3", "pEntry", 16, 18, 63, 16, kEnterTerm, "", 0},
    {"eTerm", "pEntry", 88, 15, 161, 24, "", "", kTermHelpContext},
    {"SpeedButton1", "pEntry", 256, 15, 25, 25, "", "", 0},
    {"bSmartCalculate", "pEntry", 16, 56, 129, 25, kSmartCalculate, "", 0},
    {"bCalculate", "pEntry", 152, 56, 129, 25, kCalculate, "", 0},
    {"gbAngleMode", "pEntry", 152, 96, 129, 49, kAngleMode, "", 0},
    {"rbDegMode", "gbAngleMode", 8, 24, 49, 17, kDeg, "", 0},
    {"rbRadMode", "gbAngleMode", 72, 24, 49, 17, kRad, "", 0},
    {"cbComplex", "pEntry", 16, 120, 121, 17, kComplexResults, "", 0},
    {"pResult", "", 0, 184, 297, 129, "", "", 0},
    {"Label1", "pResult", 8, 16, 48, 16, kResults, "", 0},
    {"bClearResults", "pResult", 264, 8, 25, 25, "", kClearResultsHint, 0},
    {"mResults", "pResult", 2, 40, 293, 87, "", "", 0},
    {"Panel1", "", 0, 312, 297, 41, "", "", 0},
    {"SpeedButton2", "Panel1", 8, 8, 169, 25, kSupportFreeSoftware, "", 0},
    {"bVariables", "Panel1", 240, 8, 49, 25, kHideVariablesCaption, kHideVariablesHint, 0},
    {"pVariables", "", 304, 0, 350, 353, "", "", 0},
    {"Label2", "pVariables", 8, 8, 61, 16, kVariables, "", 0},
    {"sgVariables", "pVariables", 2, 37, 346, 269, "", "", kVariablesHelpContext},
    {"pVarButtons", "pVariables", 2, 306, 346, 45, "", "", 0},
    {"bOpen", "pVarButtons", 10, 10, 25, 25, "", kOpenTableHint, 0},
    {"bSave", "pVarButtons", 35, 10, 25, 25, "", kSaveTableHint, 0},
    {"bAddVar", "pVarButtons", 60, 10, 25, 25, "", kAddVariableHint, 0},
    {"bDeleteVar", "pVarButtons", 85, 10, 25, 25, "", kDeleteVariableHint, 0},
};

constexpr std::string_view kTabOrder[] = {"eTerm",     "bSmartCalculate", "bCalculate", "rbRadMode",
                                          "rbDegMode", "cbComplex",       "mResults",   "sgVariables"};

constexpr TCommandKey kCommandKeys[] = {
    {TWindowCommand::Open, TKeyName::Letter, 'O', true, false},
    {TWindowCommand::Save, TKeyName::Letter, 'S', true, false},
    {TWindowCommand::ClearResults, TKeyName::Letter, 'L', true, false},
    {TWindowCommand::AddVariable, TKeyName::Letter, 'N', true, true},
    {TWindowCommand::DeleteVariable, TKeyName::Delete, 0, true, true},
    {TWindowCommand::ToggleVariables, TKeyName::F4, 0, false, false},
    {TWindowCommand::Undo, TKeyName::Letter, 'Z', true, false},
    {TWindowCommand::Redo, TKeyName::Letter, 'Y', true, false},
    {TWindowCommand::Redo, TKeyName::Letter, 'Z', true, true},
};

constexpr TControlKey kControlKeys[] = {
    {"SpeedButton1", TKeyName::F1, false, false},
    {"SpeedButton2", TKeyName::F1, false, true},
    {"lKelvaraLink", TKeyName::F1, true, false},
    {"bCalculate", TKeyName::Enter, false, false},
    {"bSmartCalculate", TKeyName::Enter, true, false},
};

struct TControlCommand {
  std::string_view control;
  TWindowCommand command;
};
constexpr TControlCommand kControlCommands[] = {
    {"bOpen", TWindowCommand::Open},
    {"bSave", TWindowCommand::Save},
    {"bClearResults", TWindowCommand::ClearResults},
    {"bAddVar", TWindowCommand::AddVariable},
    {"bDeleteVar", TWindowCommand::DeleteVariable},
    {"bVariables", TWindowCommand::ToggleVariables},
};

struct TControlName {
  std::string_view control;
  std::string_view name;
};
constexpr TControlName kControlNames[] = {
    {"eTerm", kTermName},
    {"mResults", kResultsName},
    {"sgVariables", kVariablesName},
    {"SpeedButton1", kHelpName},
};

}  // namespace

std::span<const TControlDesign> WindowControls() { return kControls; }

std::optional<TControlDesign> ControlDesign(std::string_view name) {
  for (const TControlDesign& control : kControls)
    if (control.name == name) return control;
  return std::nullopt;
}

std::span<const std::string_view> TabOrder() { return kTabOrder; }

std::span<const TCommandKey> CommandKeys() { return kCommandKeys; }

TFileFilter TableFileFilter() { return {std::string(kTableFilterName), std::string(kTableFilterPattern)}; }

std::string MakerPageAddress() { return "http://" + std::string(kMakerHost) + std::string(kMakerPagePath); }

std::string_view VariablesButtonCaption(bool panelShown) {
  return panelShown ? kHideVariablesCaption : kShowVariablesCaption;
}

std::string_view VariablesButtonHint(bool panelShown) { return panelShown ? kHideVariablesHint : kShowVariablesHint; }

std::string KeyText(const TCommandKey& key) {
  std::string text;
  if (key.ctrl) text += kCtrlKey;
  if (key.shift) text += kShiftKey;
  switch (key.key) {
    case TKeyName::Letter: text += key.letter; break;
    case TKeyName::Delete: text += kDeleteKey; break;
    case TKeyName::F4: text += kF4Key; break;
    case TKeyName::F1: text += kF1Key; break;
    case TKeyName::Enter: text += kEnterKey; break;
  }
  return text;
}

std::string KeyOfCommand(TWindowCommand command) {
  for (const TCommandKey& key : kCommandKeys)
    if (key.command == command) return KeyText(key);
  return {};
}

std::span<const TControlKey> ControlKeys() { return kControlKeys; }

std::string KeyText(const TControlKey& key) { return KeyText(TCommandKey{{}, key.key, 0, key.ctrl, key.shift}); }

std::string KeyOfControl(std::string_view control) {
  for (const TControlKey& key : kControlKeys)
    if (key.control == control) return KeyText(key);
  for (const TControlCommand& entry : kControlCommands)
    if (entry.control == control) return KeyOfCommand(entry.command);
  return {};
}

std::string_view AccessibleName(std::string_view control) {
  for (const TControlName& entry : kControlNames)
    if (entry.control == control) return entry.name;
  const std::optional<TControlDesign> design = ControlDesign(control);
  if (!design) return {};
  return design->hint.empty() ? design->caption : design->hint;
}

std::string WithKey(std::string_view hint, std::string_view key) {
  std::string text(hint);
  if (!key.empty()) text.append(" (").append(key).append(")");
  return text;
}

}  // namespace veltaro
