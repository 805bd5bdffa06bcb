// The system's Win32 declarations, lean, without the min/max macros, and
// without the ANSI/wide switch macros whose names the platform interface
// uses for its own services.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#undef DeleteFile
#undef LoadLibrary
#undef MessageBox
