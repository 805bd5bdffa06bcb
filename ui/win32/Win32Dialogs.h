// The window's questions and reports as the system's own dialogs: message
// boxes, a modal input box, and the common open and save dialogs.
#pragma once

#include "Dialogs.h"
#include "Win32.h"

namespace veltaro {

class TWin32Dialogs : public TDialogs {
 public:
  // The dialogs are owned by owner (null until the window exists).
  explicit TWin32Dialogs(HWND owner = nullptr) : owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }

  bool InputQuery(const std::string& title, const std::string& prompt, std::string& text) override;
  void MessageBox(TMessageKind kind, const std::string& title, const std::string& text) override;
  TAnswer Question(const std::string& title, const std::string& text, bool withCancel) override;
  bool ExecuteOpenDialog(const TFileFilter& filter, std::string& fileName) override;
  bool ExecuteSaveDialog(const TFileFilter& filter, std::string& fileName) override;

 private:
  bool RunFileDialog(bool save, const TFileFilter& filter, std::string& fileName);

  HWND owner_;
};

}  // namespace veltaro
