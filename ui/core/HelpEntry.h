// The application's help entry: every help request of the program (F1, the
// help buttons) goes to one replaceable, application-wide handler as a help
// command number and a datum. Toolkit-free, so the help support can install
// its hook without knowing the window.
#pragma once

#include <cstdint>
#include <functional>

namespace veltaro {

inline constexpr std::uint16_t kHelpContextCommand = 1;  // HELP_CONTEXT

// Returns true when the request was handled. callHelp tells the caller
// whether to go on with its own (default) handling; the default does nothing.
using THelpHandler = std::function<bool(std::uint16_t command, std::int32_t data, bool& callHelp)>;

// Installs handler (an empty one restores the default) and returns the one it
// replaces, so a hook can chain to it and restore it when it goes.
THelpHandler SetHelpHandler(THelpHandler handler);

// Hands a request to the installed handler; false when nobody handled it.
bool HelpCommand(std::uint16_t command, std::int32_t data);

// Asks for the topic of a help context number.
inline bool HelpContext(std::int32_t context) { return HelpCommand(kHelpContextCommand, context); }

}  // namespace veltaro
