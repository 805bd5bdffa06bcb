// The main window as data that every window toolkit reads: its controls
// with their design rectangles (120 pixels per inch), captions, hints and
// help contexts, the tab order, the command keys and the file dialogs'
// filter. Toolkit-free.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Dialogs.h"

namespace veltaro {

// The parts of the window whose leaving means something.
enum class TWindowArea { Term, Variables, Other };

// The commands that have keys of their own besides their controls.
enum class TWindowCommand { Open, Save, ClearResults, AddVariable, DeleteVariable, ToggleVariables, Undo, Redo };

// The keys of the entry field's history and emptying.
enum class TTermKey { Up, Down, Escape };

// One control: its name, the control it lies in ("" for the window), its
// rectangle in design pixels relative to that parent, its caption and hint
// ("" for none) and its help context (0 for none).
struct TControlDesign {
  std::string_view name;
  std::string_view parent;
  int left, top, width, height;
  std::string_view caption;
  std::string_view hint;
  int helpContext;
};

// Every placed control, parents before their children.
std::span<const TControlDesign> WindowControls();
// The design of the control of that name; none when there is no such control.
std::optional<TControlDesign> ControlDesign(std::string_view name);

// The focusable controls in the order Tab visits them.
std::span<const std::string_view> TabOrder();

// A command's key: a letter or a named key, with Ctrl and Shift.
enum class TKeyName { Letter, Delete, F4, F1, Enter };
struct TCommandKey {
  TWindowCommand command;
  TKeyName key;
  char letter;  // for TKeyName::Letter, upper case
  bool ctrl;
  bool shift;
};
std::span<const TCommandKey> CommandKeys();

// A key as a person reads it: "Ctrl+O", "Ctrl+Shift+Delete", "F4".
std::string KeyText(const TCommandKey& key);
// The first key of a command; "" for a command without one.
std::string KeyOfCommand(TWindowCommand command);

// The keys of the controls that run no command of the list above: help
// (F1), "Support free software" (Shift+F1), the maker's link (Ctrl+F1),
// Calculate (Enter) and Smart-Calculate (Ctrl+Enter).
struct TControlKey {
  std::string_view control;
  TKeyName key;
  bool ctrl;
  bool shift;
};
std::span<const TControlKey> ControlKeys();
std::string KeyText(const TControlKey& key);
// The key that a control answers to, as a person reads it ("" for none):
// its command's key or its own.
std::string KeyOfControl(std::string_view control);

// The name a screen reader speaks for a control: a word for what it holds
// where it shows no words ("Term", "Results", "Variables", "Help"), else its
// hint where it has one (the flat buttons show a picture or "<<"), else its
// caption.
std::string_view AccessibleName(std::string_view control);
// A hint followed by its key, "Open variable table (Ctrl+O)"; the hint alone
// when there is no key.
std::string WithKey(std::string_view hint, std::string_view key);

// The help contexts of the window, of the entry field and of the grid, and
// the context of "Support free software".
inline constexpr int kWindowHelpContext = 1;
inline constexpr int kTermHelpContext = 20;
inline constexpr int kVariablesHelpContext = 10;
inline constexpr int kSupportHelpContext = 999;

// The filter of the open and save dialogs.
TFileFilter TableFileFilter();

// The address of the maker's page that the link opens.
std::string MakerPageAddress();

// Caption and hint of the button that shows or hides the variables panel.
std::string_view VariablesButtonCaption(bool panelShown);
std::string_view VariablesButtonHint(bool panelShown);

}  // namespace veltaro
