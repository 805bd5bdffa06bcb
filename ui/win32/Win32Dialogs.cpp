#include "Win32Dialogs.h"

#include <commdlg.h>

#include <cstdint>
#include <vector>

#include "Handles.h"
#include "Win32Text.h"

namespace veltaro {

namespace {

// A dialog template built in memory: the dialog, then its items, each
// aligned as the system reads them.
class TDialogTemplate {
 public:
  TDialogTemplate(const std::wstring& title, short width, short height) {
    const DWORD style = DS_SETFONT | DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    Add(DWORD{style});
    Add(DWORD{0});  // extended style
    count_ = words_.size();
    Add(WORD{0});  // items, counted as they are added
    Add(short{0});
    Add(short{0});
    Add(width);
    Add(height);
    Add(WORD{0});  // no menu
    Add(WORD{0});  // the dialog class
    AddText(title);
    Add(WORD{8});
    AddText(L"MS Shell Dlg");
  }

  void AddItem(WORD classAtom, DWORD style, short x, short y, short cx, short cy, WORD id, const std::wstring& text) {
    if (words_.size() % 2) words_.push_back(0);  // DWORD alignment
    Add(DWORD{style | WS_CHILD | WS_VISIBLE});
    Add(DWORD{0});
    Add(x);
    Add(y);
    Add(cx);
    Add(cy);
    Add(id);
    Add(WORD{0xFFFF});
    Add(classAtom);
    AddText(text);
    Add(WORD{0});  // no creation data
    ++words_[count_];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Add(WORD word) { words_.push_back(word); }
  void Add(short value) { words_.push_back(static_cast<WORD>(value)); }
  void Add(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void AddText(const std::wstring& text) {
    for (wchar_t c : text) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }

  std::vector<WORD> words_;
  std::size_t count_ = 0;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kInputId = 100;

struct TInput {
  std::wstring text;
};

INT_PTR CALLBACK InputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      const HWND edit = ::GetDlgItem(dialog, kInputId);
      ::SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
      ::SetWindowTextW(edit, reinterpret_cast<TInput*>(lParam)->text.c_str());
      ::SendMessageW(edit, EM_SETSEL, 0, -1);
      ::SetFocus(edit);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        auto* input = reinterpret_cast<TInput*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        input->text = WindowText(::GetDlgItem(dialog, kInputId));
        ::EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

bool TWin32Dialogs::InputQuery(const std::string& title, const std::string& prompt, std::string& text) {
  TDialogTemplate box(Wide(title), 200, 66);
  box.AddItem(kStaticAtom, SS_LEFT | SS_NOPREFIX, 7, 7, 186, 10, 0xFFFF, Wide(prompt));
  box.AddItem(kEditAtom, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 20, 186, 14, kInputId, L"");
  box.AddItem(kButtonAtom, BS_DEFPUSHBUTTON | WS_TABSTOP, 89, 44, 50, 14, IDOK, L"OK");
  box.AddItem(kButtonAtom, BS_PUSHBUTTON | WS_TABSTOP, 143, 44, 50, 14, IDCANCEL, L"Cancel");
  TInput input{Wide(text)};
  const INT_PTR result = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), box.Get(), owner_, InputProc,
                                                   reinterpret_cast<LPARAM>(&input));
  if (result != IDOK) return false;
  text = Utf8(input.text);
  return true;
}

void TWin32Dialogs::MessageBox(TMessageKind kind, const std::string& title, const std::string& text) {
  const UINT icon = kind == TMessageKind::Error ? MB_ICONERROR : MB_ICONINFORMATION;
  ::MessageBoxW(owner_, Wide(text).c_str(), Wide(title).c_str(), MB_OK | icon);
}

TAnswer TWin32Dialogs::Question(const std::string& title, const std::string& text, bool withCancel) {
  const int answer = ::MessageBoxW(owner_, Wide(text).c_str(), Wide(title).c_str(),
                                   (withCancel ? MB_YESNOCANCEL : MB_YESNO) | MB_ICONQUESTION);
  if (answer == IDYES) return TAnswer::Yes;
  if (answer == IDNO) return TAnswer::No;
  return withCancel ? TAnswer::Cancel : TAnswer::No;
}

bool TWin32Dialogs::RunFileDialog(bool save, const TFileFilter& filter, std::string& fileName) {
  // "name (pattern)", the pattern, and the closing empty entry.
  std::wstring filterText = Wide(filter.name) + L" (" + Wide(filter.pattern) + L")";
  filterText += L'\0';
  filterText += Wide(filter.pattern);
  filterText += L'\0';
  filterText += L'\0';
  const std::wstring folder = WideFileName(fileName);
  std::vector<wchar_t> chosen(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filterText.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = chosen.data();
  dialog.nMaxFile = static_cast<DWORD>(chosen.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  // Open takes only an existing file; save leaves the question about
  // replacing a file to the window. Neither changes the current folder.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                 (save ? 0 : OFN_FILEMUSTEXIST);
  const BOOL ok = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
  if (!ok) return false;
  const std::string name = AnsiFileName(chosen.data());
  if (name.empty()) {
    // The file code takes names in the system's code page only.
    ::MessageBoxW(owner_, (std::wstring(chosen.data()) + L"\n\nThis file name cannot be used here.").c_str(),
                  L"Error", MB_OK | MB_ICONERROR);
    return false;
  }
  fileName = name;
  return true;
}

bool TWin32Dialogs::ExecuteOpenDialog(const TFileFilter& filter, std::string& fileName) {
  return RunFileDialog(false, filter, fileName);
}

bool TWin32Dialogs::ExecuteSaveDialog(const TFileFilter& filter, std::string& fileName) {
  return RunFileDialog(true, filter, fileName);
}

}  // namespace veltaro
