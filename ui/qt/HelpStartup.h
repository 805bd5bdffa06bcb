// The help support in the program: started before the application object,
// the window's help checks and help hook at its creation, and the end.
#pragma once

#include <QPointer>
#include <QWidget>

#include "Dialogs.h"
#include "Platform.h"

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

// What the window toolkit does for the help support: message boxes without
// owner captioned with the application's title, bringing a help window to
// the front, and the owner window of programs started for help.
class TQtToolkit : public TToolkitServices {
 public:
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }
  void MessageBox(const std::string& caption, const std::string& text, TMessageIcon icon) override;
  void BringToForeground(TWindowHandle window) override;
  TWindowHandle OwnerWindow() override;
  std::string ApplicationTitle() override;

 private:
  QPointer<QWidget> mainWindow_;
};

// A text for a message box: a carriage return alone starts a new line.
std::string BoxText(const std::string& text);

}  // namespace veltaro
