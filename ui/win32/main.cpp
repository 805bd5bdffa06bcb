// The calculator window program for Windows: the help support first, then
// the window, its help checks and help hook, and the first table when it is
// shown.
#include "HelpChecks.h"
#include "HelpEntry.h"
#include "Main.h"
#include "Messages.h"
#include "WindowsPlatform.h"
#include "hh.h"
#include "hh_funcs.h"

namespace {

// Lives for the whole program: at creation it loads the viewer, settles the
// help paths and the debug switch and creates the debug log; at its end it
// removes the help hook if still there, frees the log and releases the
// viewer.
class THelpSupport {
 public:
  THelpSupport() {
    veltaro::LoadViewer();
    veltaro::StartHelpSupport();
  }
  ~THelpSupport() {
    veltaro::MainHelpSystem.reset();
    veltaro::StopHelpSupport();
    veltaro::UnloadViewer();
  }
  THelpSupport(const THelpSupport&) = delete;
  THelpSupport& operator=(const THelpSupport&) = delete;
};

std::string ProgramDirectory() {
  const std::string program = veltaro::Platform().ModuleFileName();
  const std::size_t separator = program.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : program.substr(0, separator);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  THelpSupport helpSupport;
  veltaro::TWin32Toolkit toolkit{std::string(veltaro::text::kAppTitle)};
  veltaro::Platform().SetToolkit(&toolkit);

  veltaro::TWin32Dialogs dialogs;
  veltaro::TfMain fMain(instance, &dialogs);
  if (!fMain.Handle()) return 1;
  dialogs.SetOwner(fMain.Handle());
  // The help checks and the help hook; the help windows close with the window.
  veltaro::RunHelpChecks(
      [&dialogs](veltaro::TMessageIcon icon, const std::string& title, const std::string& text) {
        dialogs.MessageBox(icon == veltaro::TMessageIcon::Error ? veltaro::TMessageKind::Error
                                                                : veltaro::TMessageKind::Information,
                           title, text);
      },
      [](veltaro::THelpRequestHandler handler) { return veltaro::SetHelpHandler(std::move(handler)); });
  fMain.onClose = [] { veltaro::MainHelpSystem.reset(); };
  fMain.quitOnDestroy = true;

  const std::vector<std::string> arguments = veltaro::Platform().CommandLineArguments();
  fMain.SetStartup(arguments.size() > 1 ? arguments[1] : "", ProgramDirectory());
  fMain.Show(showCommand);
  const int code = veltaro::RunMessageLoop(fMain);
  veltaro::Platform().SetToolkit(nullptr);
  return code;
}
