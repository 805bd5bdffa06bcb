// The calculator window program.
#include <QApplication>

#include "Main.h"
#include "Messages.h"
#include "QtText.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  application.setApplicationName(veltaro::ToQString(veltaro::text::kAppTitle));
  application.setApplicationDisplayName(veltaro::ToQString(veltaro::text::kAppTitle));

  veltaro::TfMain fMain;
  // The toolkit has taken its own options out of argv by now.
  fMain.SetStartup(argc > 1 ? argv[1] : "", veltaro::ToFileName(QCoreApplication::applicationDirPath()));
  fMain.show();
  const int exitCode = application.exec();
  veltaro::ClearVarTable(veltaro::GlobalVarTable);
  return exitCode;
}
