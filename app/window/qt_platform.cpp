#include "app/window/qt_platform.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressBar>

namespace sq {

namespace {

// Messages keep their CR LF line breaks in the program; a box breaks at LF.
QString Text(std::string_view text) {
  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  s.replace("\r\n", "\n");
  return s;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

// A box is centred on its parent: the window the person is looking at when
// the main window is hidden behind a preview.
QWidget* QtPlatform::BoxParent() const {
  if (parent_ == nullptr || parent_->isVisible()) return parent_;
  QWidget* active = QApplication::activeWindow();
  return active != nullptr && active->isVisible() ? active : parent_;
}

void QtPlatform::ShowMessage(std::string_view title, std::string_view text, MessageIcon icon) {
  QMessageBox box(BoxIcon(icon), Text(title), Text(text), QMessageBox::Ok, BoxParent());
  box.exec();
}

bool QtPlatform::AskYesNo(std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) {
  QMessageBox box(BoxIcon(icon), Text(title), Text(text), QMessageBox::Yes | QMessageBox::No, BoxParent());
  box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtPlatform::SetProgress(int maximum, int value) {
  if (!progressBar_) return;
  progressBar_->setMaximum(maximum);
  progressBar_->setValue(value);
}

void QtPlatform::DoEvents() { QCoreApplication::processEvents(); }

std::string QtFileChooser::ChooseOpenFile(const OpenDialogSettings& settings) {
  QFileDialog dialog(parent_, settings.title, settings.folder, settings.filter);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front().toStdString();
}

std::string QtFileChooser::ChooseSaveFile(const OpenDialogSettings& settings) {
  QFileDialog dialog(parent_, settings.title, settings.folder, settings.filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!settings.file.isEmpty()) dialog.selectFile(settings.file);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  QString file = dialog.selectedFiles().front();
  // "PNG picture (*.png)": the pattern's extension.
  const QString filter = dialog.selectedNameFilter();
  const qsizetype star = filter.indexOf("(*");
  const QString extension = star < 0 ? QString() : filter.mid(star + 2).section(')', 0, 0).section(' ', 0, 0);
  if (!extension.isEmpty() && QFileInfo(file).suffix().isEmpty()) file += extension;
  return file.toStdString();
}

}  // namespace sq
