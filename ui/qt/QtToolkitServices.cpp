#include "QtToolkitServices.h"

#include <QApplication>
#include <QMessageBox>

#include "Messages.h"
#include "QtText.h"

namespace veltaro {

std::string BoxText(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool loneReturn = text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n');
    out += loneReturn ? '\n' : text[i];
  }
  return out;
}

void TQtToolkit::MessageBox(const std::string& caption, const std::string& text, TMessageIcon icon) {
  QMessageBox::Icon qtIcon = QMessageBox::Warning;
  if (icon == TMessageIcon::Error) qtIcon = QMessageBox::Critical;
  if (icon == TMessageIcon::Information) qtIcon = QMessageBox::Information;
  QMessageBox box(qtIcon, ToQString(caption), ToQString(BoxText(text)), QMessageBox::Ok);
  box.exec();
}

void TQtToolkit::BringToForeground(TWindowHandle handle) {
  // Only a window of this program is touched.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window == handle) {
      window->show();
      window->raise();
      window->activateWindow();
      return;
    }
  }
}

TWindowHandle TQtToolkit::OwnerWindow() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  return mainWindow_.data();
}

std::string TQtToolkit::ApplicationTitle() {
  const QString title = QGuiApplication::applicationDisplayName();
  return title.isEmpty() ? std::string(text::kAppTitle) : ToStdString(title);
}

}  // namespace veltaro
