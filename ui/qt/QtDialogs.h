// The real dialogs: toolkit input box, message boxes and file dialogs, modal
// to the owner window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

class QCoreApplication;
class QInputDialog;

#include "Dialogs.h"

namespace veltaro {

// Names the program for the toolkit, leaving every window title as set.
void NameApplication(QCoreApplication& application);

// The input box as InputQuery shows it, not yet shown.
std::unique_ptr<QInputDialog> NewInputBox(QWidget* owner, const std::string& title, const std::string& prompt,
                                          const std::string& text);

class TQtDialogs : public TDialogs {
 public:
  explicit TQtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  bool InputQuery(const std::string& title, const std::string& prompt, std::string& text) override;
  void MessageBox(TMessageKind kind, const std::string& title, const std::string& text) override;
  TAnswer Question(const std::string& title, const std::string& text, bool withCancel) override;
  bool ExecuteOpenDialog(const TFileFilter& filter, std::string& fileName) override;
  bool ExecuteSaveDialog(const TFileFilter& filter, std::string& fileName) override;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace veltaro
