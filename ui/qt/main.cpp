// The calculator window program.
#include <QApplication>

#include "HelpStartup.h"
#include "Main.h"
#include "Messages.h"
#include "QtDialogs.h"
#include "QtText.h"

int main(int argc, char* argv[]) {
  // Before the application object: the viewer, help paths, debug switch and
  // log; released after it.
  veltaro::THelpSupport helpSupport;
  QApplication application(argc, argv);
  veltaro::NameApplication(application);

  veltaro::TfMain fMain;
  veltaro::HelpFormCreate(fMain);  // the help checks and the help hook
  // The toolkit has taken its own options out of argv by now.
  fMain.SetStartup(argc > 1 ? argv[1] : "", veltaro::ToFileName(QCoreApplication::applicationDirPath()));
  fMain.show();
  return application.exec();
}
