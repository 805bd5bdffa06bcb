// The window's help checks at its creation: the help file beside the
// program, a usable viewer, and the one help hook of the program.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "HelpHook.h"
#include "Platform.h"

namespace veltaro {

// The program's one help hook; empty until the window is created.
extern std::unique_ptr<THookHelpSystem> MainHelpSystem;

// The help file: the program's directory with its separator, then
// "veltaro.chm".
std::string HelpFilePath();

// Whether the viewer library is loaded and at least version 4.73.
bool HelpViewerUsable();

// A modal box with one OK button: icon, title and text.
using TCheckBox = std::function<void(TMessageIcon icon, const std::string& title, const std::string& text)>;

// Tells the user about a missing help file (error box) and a missing or old
// viewer (information box), in that order, then creates MainHelpSystem
// whatever the checks found.
void RunHelpChecks(const TCheckBox& showBox, THelpHandlerInstaller install);

}  // namespace veltaro
