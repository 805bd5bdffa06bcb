// The help support beyond viewer loading: versions, the debug log and the
// help hook.
#pragma once

#include "DebugLog.h"
#include "HelpHook.h"
#include "Versions.h"
