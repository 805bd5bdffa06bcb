#include "HelpStartup.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>

#include "HelpChecks.h"
#include "HelpEntry.h"
#include "Messages.h"
#include "QtDialogs.h"
#include "QtText.h"
#include "VersionNote.h"
#include "hh.h"
#include "hh_funcs.h"

// The program's own file version, shown in the help debug log.
VELTARO_FILE_VERSION(VELTARO_VERSION_MAJOR, VELTARO_VERSION_MINOR, VELTARO_VERSION_PATCH, 0);

namespace veltaro {

namespace {

TQtToolkit& QtToolkit() {
  static TQtToolkit toolkit;
  return toolkit;
}

// Removes the help hook when the window closes, so that the help windows
// close with the program.
class THookCloser : public QObject {
 public:
  explicit THookCloser(QWidget& window) : QObject(&window) { window.installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::Close) MainHelpSystem.reset();
    return false;
  }
};

}  // namespace

std::string BoxText(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool loneReturn = text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n');
    out += loneReturn ? '\n' : text[i];
  }
  return out;
}

THelpSupport::THelpSupport() {
  LoadViewer();
  StartHelpSupport();
}

THelpSupport::~THelpSupport() {
  MainHelpSystem.reset();
  StopHelpSupport();
  UnloadViewer();
  if (Platform().Toolkit() == &QtToolkit()) Platform().SetToolkit(nullptr);
}

void HelpFormCreate(QWidget& window, TDialogs* dialogs) {
  QtToolkit().SetMainWindow(&window);
  if (!Platform().Toolkit()) Platform().SetToolkit(&QtToolkit());
  TQtDialogs ownDialogs(&window);
  TDialogs& boxes = dialogs ? *dialogs : ownDialogs;
  RunHelpChecks(
      [&boxes](TMessageIcon icon, const std::string& title, const std::string& text) {
        boxes.MessageBox(icon == TMessageIcon::Error ? TMessageKind::Error : TMessageKind::Information, title,
                         BoxText(text));
      },
      [](THelpRequestHandler handler) { return SetHelpHandler(std::move(handler)); });
  new THookCloser(window);
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
