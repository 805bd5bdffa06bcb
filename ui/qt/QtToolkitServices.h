// What the Qt window toolkit does for the operating-system services of the
// help support: message boxes without owner captioned with the
// application's title, bringing a help window to the front, and the owner
// window of programs started for help. Handed to the platform layer at start.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "Platform.h"

namespace veltaro {

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
