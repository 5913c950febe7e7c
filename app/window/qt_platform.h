// The window's Platform: message boxes, the progress bar ProgressBar1 and
// pending window events; and the open dialog, behind an interface so that tests
// can choose a file without a person.
#pragma once

#include <QString>
#include <string>

#include "app/platform.h"

class QProgressBar;
class QWidget;

namespace sq {

class QtPlatform : public Platform {
 public:
  QtPlatform(QWidget* parent, QProgressBar* progressBar) : parent_(parent), progressBar_(progressBar) {}
  void ShowMessage(std::string_view title, std::string_view text, MessageIcon icon) override;
  bool AskYesNo(std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) override;
  void SetProgress(int maximum, int value) override;
  void DoEvents() override;

 private:
  QWidget* BoxParent() const;
  QWidget* parent_;
  QProgressBar* progressBar_;
};

struct OpenDialogSettings {
  QString title;
  QString filter;     // "description (pattern)"
  QString folder;     // where the dialog starts
  QString file = {};  // a save dialog's proposed name in that folder, if any
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen file's path, or an empty text when the dialog was cancelled.
  virtual std::string ChooseOpenFile(const OpenDialogSettings& settings) = 0;
  // The file to write, or an empty text when the dialog was cancelled.
  virtual std::string ChooseSaveFile(const OpenDialogSettings& settings) {
    (void)settings;
    return {};
  }
};

class QtFileChooser : public FileChooser {
 public:
  explicit QtFileChooser(QWidget* parent) : parent_(parent) {}
  std::string ChooseOpenFile(const OpenDialogSettings& settings) override;
  // A name without the extension of the filter chosen gets it.
  std::string ChooseSaveFile(const OpenDialogSettings& settings) override;

 private:
  QWidget* parent_;
};

}  // namespace sq
