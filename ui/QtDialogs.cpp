#include "QtDialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "QtText.h"

namespace veltaro {

namespace {

QString FilterText(const TFileFilter& filter) {
  return ToQString(filter.name) + QStringLiteral(" (") + ToQString(filter.pattern) + QStringLiteral(")");
}

bool RunFileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const TFileFilter& filter, std::string& fileName) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(mode);
  // Open accepts a name that does not exist yet; save overwrites without asking.
  dialog.setFileMode(QFileDialog::AnyFile);
  if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilter(FilterText(filter));
  if (!fileName.empty()) dialog.setDirectory(ToQString(fileName));
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  fileName = ToFileName(chosen.first());
  return true;
}

}  // namespace

std::unique_ptr<QInputDialog> NewInputBox(QWidget* owner, const std::string& title, const std::string& prompt,
                                          const std::string& text) {
  auto box = std::make_unique<QInputDialog>(owner);
  box->setInputMode(QInputDialog::TextInput);
  box->setWindowTitle(ToQString(title));
  box->setLabelText(ToQString(prompt));
  box->setTextValue(ToQString(text));
  return box;
}

bool TQtDialogs::InputQuery(const std::string& title, const std::string& prompt, std::string& text) {
  const std::unique_ptr<QInputDialog> box = NewInputBox(owner_, title, prompt, text);
  if (box->exec() != QDialog::Accepted) return false;
  text = ToStdString(box->textValue());
  return true;
}

void TQtDialogs::MessageBox(TMessageKind kind, const std::string& title, const std::string& text) {
  const QMessageBox::Icon icon = kind == TMessageKind::Error ? QMessageBox::Critical : QMessageBox::Information;
  QMessageBox box(icon, ToQString(title), ToQString(text), QMessageBox::Ok, owner_);
  box.exec();
}

bool TQtDialogs::ExecuteOpenDialog(const TFileFilter& filter, std::string& fileName) {
  return RunFileDialog(owner_, QFileDialog::AcceptOpen, filter, fileName);
}

bool TQtDialogs::ExecuteSaveDialog(const TFileFilter& filter, std::string& fileName) {
  return RunFileDialog(owner_, QFileDialog::AcceptSave, filter, fileName);
}

}  // namespace veltaro
