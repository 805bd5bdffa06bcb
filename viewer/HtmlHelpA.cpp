// The stand-in HTML Help viewer: a library that the program loads at run
// time, with the ANSI entry point of the viewer. It shows the topic of a
// context number in a help window (one per help file), opened beside the
// window that asked for it, and closes all its windows on request. Called on the toolkit's thread only.
#include <dlfcn.h>

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <vector>

#include "HelpUrl.h"
#include "HelpWindow.h"
#include "Platform.h"
#include "VersionNote.h"

// The viewer provides what the program needs of HTML Help 1.2.
VELTARO_FILE_VERSION(4, 73, 8252, 0);

namespace veltaro {

namespace {

std::vector<QPointer<THelpWindow>>& Windows() {
  static std::vector<QPointer<THelpWindow>> windows;
  return windows;
}

// Once a window exists, this library's code must stay loaded for the rest
// of the process, whatever the program does with its handle.
void StayLoaded() {
  static bool pinned = false;
  if (pinned) return;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&StayLoaded), &info) && info.dli_fname) {
    pinned = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
  }
}

bool IsHelpWindow(const QWidget* widget) { return dynamic_cast<const THelpWindow*>(widget) != nullptr; }

// The program's window that asked for help: the caller's handle when it is a
// window of this process, else the active window, else the program's largest
// visible window; never a help window. Null when there is none.
QWidget* CallerWindow(TWindowHandle handle) {
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* w : windows) {
    if (w == handle && !IsHelpWindow(w)) return w;
  }
  QWidget* active = QApplication::activeWindow();
  if (active && !IsHelpWindow(active)) return active;
  QWidget* largest = nullptr;
  for (QWidget* w : windows) {
    const Qt::WindowType type = w->windowType();
    if (!w->isVisible() || IsHelpWindow(w) || (type != Qt::Window && type != Qt::Dialog)) continue;
    if (!largest || w->width() * w->height() > largest->width() * largest->height()) largest = w;
  }
  return largest;
}

THelpWindow* WindowFor(const std::string& file, TWindowHandle caller) {
  auto& windows = Windows();
  std::erase_if(windows, [](const QPointer<THelpWindow>& w) { return w.isNull(); });
  for (const auto& w : windows) {
    if (w->FileName() == file) return w.data();
  }
  StayLoaded();
  auto* window = new THelpWindow(file);
  window->Place(CallerWindow(caller));
  windows.emplace_back(window);
  return window;
}

TWindowHandle ShowHelpContext(TWindowHandle caller, const char* path, std::uint32_t context) {
  if (!path) return nullptr;
  const THelpUrl url = SplitHelpUrl(path);
  if (url.file.empty()) return nullptr;
  THelpWindow* window = WindowFor(url.file, caller);
  window->ShowContext(context);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

void CloseAllWindows() {
  auto windows = std::move(Windows());
  Windows().clear();
  for (const auto& w : windows) delete w.data();
}

}  // namespace

}  // namespace veltaro

extern "C" __attribute__((visibility("default"))) veltaro::TWindowHandle HtmlHelpA(veltaro::TWindowHandle caller,
                                                                                   const char* file,
                                                                                   std::uint32_t command,
                                                                                   std::uint32_t data) {
  if (!qApp || QThread::currentThread() != qApp->thread()) return nullptr;
  switch (command) {
    case veltaro::HH_HELP_CONTEXT:
      return veltaro::ShowHelpContext(caller, file, data);
    case veltaro::HH_CLOSE_ALL:
      veltaro::CloseAllWindows();
      return nullptr;
    default:
      return nullptr;
  }
}

// The entry point has the viewer's signature.
static_assert(std::is_same_v<decltype(&HtmlHelpA), veltaro::THtmlHelpA>);
