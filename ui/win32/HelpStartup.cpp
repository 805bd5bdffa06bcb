#include "HelpStartup.h"

#include "HelpChecks.h"
#include "HelpEntry.h"
#include "Main.h"
#include "hh.h"
#include "hh_funcs.h"

namespace veltaro {

THelpSupport::THelpSupport() {
  LoadViewer();
  StartHelpSupport();
}

THelpSupport::~THelpSupport() {
  MainHelpSystem.reset();
  StopHelpSupport();
  UnloadViewer();
}

void HelpFormCreate(TfMain& window, TDialogs& dialogs) {
  RunHelpChecks(
      [&dialogs](TMessageIcon icon, const std::string& title, const std::string& text) {
        dialogs.MessageBox(icon == TMessageIcon::Error ? TMessageKind::Error : TMessageKind::Information, title, text);
      },
      [](THelpRequestHandler handler) { return SetHelpHandler(std::move(handler)); });
  // Removing the hook closes the help windows.
  window.onClose = [] { MainHelpSystem.reset(); };
}

}  // namespace veltaro
