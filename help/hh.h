// Loading of the HTML Help viewer library at run time and the one slot
// through which every call into the viewer goes.
#pragma once

#include <string>

#include "Platform.h"

namespace veltaro {

// The loaded viewer library; null while none is loaded.
extern TLibraryHandle viewerLibrary;
// The library's "HtmlHelpA", or null.
extern THtmlHelpA htmlHelpEntry;

// Loads the viewer unless one is loaded: by its bare name first, so that the
// system's search order applies, then by the name LocateViewer gives.
void LoadViewer();
// Releases the library and clears both slots.
void UnloadViewer();

// The viewer library's full file name: as registered when that file exists,
// otherwise in the system directory (whether or not it exists there).
std::string LocateViewer();

// A leading "%SystemRoot%" (any letter case) replaced by the Windows
// directory; nothing else is expanded.
std::string ExpandSystemRoot(const std::string& path);

// The system's directories without a trailing separator.
std::string SystemDirectory();
std::string WindowsDirectory();

}  // namespace veltaro
