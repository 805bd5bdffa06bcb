#include "Interactive.h"

#ifdef VELTARO_HAVE_LINE_EDITOR
#include <histedit.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <string>

namespace veltaro::cli {

#ifdef VELTARO_HAVE_LINE_EDITOR

namespace {

// The editor writes where the person sees it: standard output when that is
// the terminal, otherwise standard error when that is, so that results sent
// to a file do not fill up with prompts and echoed keys.
FILE* EditorOutput() {
  if (::isatty(STDOUT_FILENO)) return stdout;
  if (::isatty(STDERR_FILENO)) return stderr;
  return stdout;
}

const char* Prompt(EditLine*) { return "> "; }

// Ctrl+Z while a line is typed: the session is stopped as the terminal's own
// key would stop it (the editor sets the terminal back and forth).
unsigned char Suspend(EditLine*, int) {
  ::raise(SIGTSTP);
  return CC_REDISPLAY;
}

constexpr int kHistorySize = 1000;

}  // namespace

bool HaveInteractiveSession() { return true; }

bool InputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::size_t TerminalWidth() {
  struct winsize size {};
  if (::ioctl(::fileno(EditorOutput()), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 0;
}

bool ReadTerminalLines(const std::function<bool(std::string_view)>& fn) {
  EditLine* editor = ::el_init("veltaro-calc", stdin, EditorOutput(), stderr);
  if (editor == nullptr) return false;
  History* history = ::history_init();
  if (history == nullptr) {
    ::el_end(editor);
    return false;
  }
  HistEvent event;
  ::history(history, &event, H_SETSIZE, kHistorySize);
  ::history(history, &event, H_SETUNIQUE, 1);
  ::el_set(editor, EL_EDITOR, "emacs");
  // The terminal is restored when a signal ends the session.
  ::el_set(editor, EL_SIGNAL, 1);
  ::el_set(editor, EL_PROMPT, &Prompt);
  // Ctrl+C empties the line being typed, as in a shell, instead of ending
  // the session without saving the table; so the terminal's signal keys are
  // off while a line is edited, and Ctrl+Z is the editor's.
  ::el_set(editor, EL_SETTY, "-d", "-isig", nullptr);
  ::el_set(editor, EL_BIND, "^C", "ed-start-over", nullptr);
  // (Given as wide strings, the names are kept as they are, not copied.)
  ::el_wset(editor, EL_ADDFN, L"veltaro-suspend", L"stop the session", &Suspend);
  ::el_set(editor, EL_BIND, "^Z", "veltaro-suspend", nullptr);
  ::el_set(editor, EL_HIST, ::history, history);

  int count = 0;
  const char* line;
  while ((line = ::el_gets(editor, &count)) != nullptr && count > 0) {
    std::string_view text(line, static_cast<std::size_t>(count));
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!text.empty()) ::history(history, &event, H_ENTER, std::string(text).c_str());
    if (!fn(text)) break;
  }
  ::history_end(history);
  ::el_end(editor);
  return true;
}

#else

bool HaveInteractiveSession() { return false; }
bool InputIsTerminal() { return false; }
std::size_t TerminalWidth() { return 0; }
bool ReadTerminalLines(const std::function<bool(std::string_view)>&) { return false; }

#endif

}  // namespace veltaro::cli
