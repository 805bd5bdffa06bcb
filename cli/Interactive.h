// The interactive session of veltaro-calc: terms typed at a terminal with a
// prompt, line editing and a history that lasts for the session.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace veltaro::cli {

// Whether this build has the interactive session.
bool HaveInteractiveSession();

// Whether standard input is a terminal (false where the session is not built).
bool InputIsTerminal();

// The width of the terminal that the session writes to, or 0 when unknown.
std::size_t TerminalWidth();

// Prompts for lines until the end of input (Ctrl+D on an empty line) or
// until fn returns false, and calls fn for each typed line, without its
// line end. Each non-empty line
// enters the history, a line repeated directly only once. False when no
// line editor could be started, before anything was read.
bool ReadTerminalLines(const std::function<bool(std::string_view)>& fn);

}  // namespace veltaro::cli
