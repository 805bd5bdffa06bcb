// The help support in the program: started before the application object,
// the window's help checks and help hook at its creation, and the end.
#pragma once

#include <QWidget>

#include "Dialogs.h"
#include "Platform.h"
#include "QtToolkitServices.h"

namespace veltaro {

// Lives for the whole program, declared before the application object: at
// creation it loads the viewer, settles the help paths and the debug switch,
// reads the versions and creates the debug log; at its end it removes the
// help hook if still there, frees the log and releases the viewer.
class THelpSupport {
 public:
  THelpSupport();
  ~THelpSupport();
  THelpSupport(const THelpSupport&) = delete;
  THelpSupport& operator=(const THelpSupport&) = delete;
};

// The window's help checks at its creation: a missing help file and a missing
// or old viewer are reported in boxes, then the help hook takes over the
// application's help requests until the window closes (its help windows
// close with it). dialogs answers the boxes; without it, real message boxes.
void HelpFormCreate(QWidget& window, TDialogs* dialogs = nullptr);

}  // namespace veltaro
