// A small helper of the Windows tests: it finds the running window of the
// program and reads or closes it from outside, as a person or a screen
// reader would.
//   veltaro-probe wait      waits (up to 30 s) until the window is shown
//   veltaro-probe results   prints the results list, one line each
//   veltaro-probe close     asks the window to close and answers "No" to
//                           the question about saving
//   veltaro-probe gone      waits (up to 30 s) until no window is left
#include <cstdio>
#include <cstring>
#include <string>

#include "Win32.h"
#include "Win32Text.h"

namespace {

HWND MainWindow() { return ::FindWindowW(L"VeltaroMainWindow", nullptr); }

bool WaitFor(bool (*done)(), int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (done()) return true;
    ::Sleep(100);
  }
  return false;
}

// The results list: the window's multi-line, read-only edit field.
BOOL CALLBACK FindResults(HWND child, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(child, name, 16);
  const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
  if (::lstrcmpiW(name, L"Edit") == 0 && (style & ES_MULTILINE) && (style & ES_READONLY)) {
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "wait") {
    return WaitFor([] { return MainWindow() && ::IsWindowVisible(MainWindow()); }, 30) ? 0 : 1;
  }
  if (command == "gone") return WaitFor([] { return MainWindow() == nullptr; }, 30) ? 0 : 1;
  const HWND window = MainWindow();
  if (!window) {
    std::fprintf(stderr, "veltaro-probe: no window\n");
    return 1;
  }
  if (command == "results") {
    HWND results = nullptr;
    ::EnumChildWindows(window, FindResults, reinterpret_cast<LPARAM>(&results));
    if (!results) return 1;
    // WM_GETTEXT works across processes.
    const LRESULT length = ::SendMessageW(results, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::SendMessageW(results, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    std::string lines = veltaro::Utf8(text);
    for (std::size_t at; (at = lines.find('\r')) != std::string::npos;) lines.erase(at, 1);
    std::printf("%s\n", lines.c_str());
    return 0;
  }
  if (command == "close") {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    // A question box of the program ("save?") is answered No.
    for (int i = 0; i < 50 && MainWindow(); ++i) {
      ::Sleep(100);
      HWND box = nullptr;
      while ((box = ::FindWindowExW(nullptr, box, L"#32770", nullptr))) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(box, &owner);
        if (owner == process && ::GetDlgItem(box, IDNO)) ::PostMessageW(box, WM_COMMAND, IDNO, 0);
      }
    }
    return MainWindow() ? 1 : 0;
  }
  std::fprintf(stderr, "usage: veltaro-probe wait|results|close|gone\n");
  return 2;
}
