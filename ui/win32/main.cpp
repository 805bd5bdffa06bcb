// The calculator window program for Windows: the help support first, then
// the window, its help checks and help hook, and the first table when it is
// shown.
#include "HelpStartup.h"
#include "Main.h"
#include "Messages.h"
#include "WindowsPlatform.h"

namespace {

std::string ProgramDirectory() {
  const std::string program = veltaro::Platform().ModuleFileName();
  const std::size_t separator = program.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : program.substr(0, separator);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  veltaro::THelpSupport helpSupport;
  veltaro::TWin32Toolkit toolkit{std::string(veltaro::text::kAppTitle)};
  veltaro::Platform().SetToolkit(&toolkit);

  veltaro::TWin32Dialogs dialogs;
  veltaro::TfMain fMain(instance, &dialogs);
  if (!fMain.Handle()) return 1;
  dialogs.SetOwner(fMain.Handle());
  veltaro::HelpFormCreate(fMain, dialogs);
  fMain.quitOnDestroy = true;

  const std::vector<std::string> arguments = veltaro::Platform().CommandLineArguments();
  fMain.SetStartup(arguments.size() > 1 ? arguments[1] : "", ProgramDirectory());
  fMain.Show(showCommand);
  const int code = veltaro::RunMessageLoop(fMain);
  veltaro::Platform().SetToolkit(nullptr);
  return code;
}
