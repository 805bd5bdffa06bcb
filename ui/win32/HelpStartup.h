// The help support in the Windows program: started before the window, the
// window's help checks and help hook at its creation, and the end.
#pragma once

#include "Dialogs.h"

namespace veltaro {

class TfMain;

// Lives for the whole program, created before the window: at creation it
// loads the system's viewer, settles the help paths and the debug switch
// and creates the debug log; at its end it removes the help hook if still
// there, frees the log and releases the viewer.
class THelpSupport {
 public:
  THelpSupport();
  ~THelpSupport();
  THelpSupport(const THelpSupport&) = delete;
  THelpSupport& operator=(const THelpSupport&) = delete;
};

// The window's help checks at its creation: a missing help file and a
// missing or old viewer are reported in boxes, then the help hook takes
// over the program's help requests until the window closes (its help
// windows close with it).
void HelpFormCreate(TfMain& window, TDialogs& dialogs);

}  // namespace veltaro
