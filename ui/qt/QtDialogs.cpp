#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>

#include "Messages.h"
#include "QtText.h"

namespace veltaro {

namespace {

QString FilterText(const TFileFilter& filter) {
  return ToQString(filter.name) + QStringLiteral(" (") + ToQString(filter.pattern) + QStringLiteral(")");
}

bool RunFileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const TFileFilter& filter, std::string& fileName) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(mode);
  // Open takes only an existing file, so a typing error never replaces the
  // table; save leaves the question about replacing a file to the window.
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilter(FilterText(filter));
  if (!fileName.empty()) dialog.setDirectory(ToQString(fileName));
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  fileName = ToFileName(chosen.first());
  return true;
}

// A box shown while its owner window is not on screen yet (at start-up) is
// centred on the screen the window will open on, as the window itself is;
// otherwise the toolkit centres it over the window where it stands now.
void PlaceBox(QDialog& box, const QWidget* owner) {
  if (!owner || owner->window()->isVisible()) return;
  const QScreen* screen = owner->window()->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  box.ensurePolished();
  box.adjustSize();
  QRect frame = box.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  box.move(frame.topLeft());
}

}  // namespace

void NameApplication(QCoreApplication& application) {
  // Only the name: a display name would be appended to every window's title
  // ("Error - Veltaro"), while each title reads exactly as the window sets it.
  application.setApplicationName(ToQString(text::kAppTitle));
}

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
  PlaceBox(*box, owner_);
  if (box->exec() != QDialog::Accepted) return false;
  text = ToStdString(box->textValue());
  return true;
}

void TQtDialogs::MessageBox(TMessageKind kind, const std::string& title, const std::string& text) {
  const QMessageBox::Icon icon = kind == TMessageKind::Error ? QMessageBox::Critical : QMessageBox::Information;
  QMessageBox box(icon, ToQString(title), ToQString(text), QMessageBox::Ok, owner_);
  PlaceBox(box, owner_);
  box.exec();
}

TAnswer TQtDialogs::Question(const std::string& title, const std::string& text, bool withCancel) {
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (withCancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Question, ToQString(title), ToQString(text), buttons, owner_);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(withCancel ? QMessageBox::Cancel : QMessageBox::No);
  PlaceBox(box, owner_);
  switch (box.exec()) {
    case QMessageBox::Yes: return TAnswer::Yes;
    case QMessageBox::No: return TAnswer::No;
    default: return withCancel ? TAnswer::Cancel : TAnswer::No;
  }
}

bool TQtDialogs::ExecuteOpenDialog(const TFileFilter& filter, std::string& fileName) {
  return RunFileDialog(owner_, QFileDialog::AcceptOpen, filter, fileName);
}

bool TQtDialogs::ExecuteSaveDialog(const TFileFilter& filter, std::string& fileName) {
  return RunFileDialog(owner_, QFileDialog::AcceptSave, filter, fileName);
}

}  // namespace veltaro
