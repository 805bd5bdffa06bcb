#include "HelpStartup.h"

#include <QApplication>
#include <QEvent>

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

}  // namespace veltaro
