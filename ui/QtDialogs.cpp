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
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  fileName = ToFileName(chosen.first());
  return true;
}

}  // namespace

bool TQtDialogs::InputQuery(const std::string& title, const std::string& prompt, std::string& text) {
  bool ok = false;
  const QString answer =
      QInputDialog::getText(owner_, ToQString(title), ToQString(prompt), QLineEdit::Normal, ToQString(text), &ok);
  if (!ok) return false;
  text = ToStdString(answer);
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
