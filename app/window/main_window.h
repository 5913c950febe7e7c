// The main window: the report command's button, the sound-test check box, the
// progress bar, and the Tools and Options menus of the background builder. It
// owns the parsed model and opens the preview for a background, read from a
// HOD file or built from the loaded image. The folder
// app/window/ holds what needs the window system, built into the module the
// executable loads only for the window and the preview command:
//
//   main_window.h         the main window and RunMainWindow, `starquill` without arguments
//   qt_platform.h         the window's Platform (message boxes, progress bar) and its open dialog
//   screenshot_command.h  `starquill preview --screenshot` and the screenshot of `build-background`
//   window_module.cpp     the one entry the module shows the executable
#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/message_boxes.h"
#include "app/tga_command.h"
#include "app/window/builder_menus.h"
#include "app/window/qt_platform.h"
#include "hod/hod_walk.h"
#include "preview/preview_window.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSettings;

namespace sq {

// What the window gets from outside; a test replaces the person and the clock.
struct MainWindowServices {
  Platform* platform = nullptr;         // nullptr: message boxes and ProgressBar1
  FileChooser* chooser = nullptr;       // nullptr: the open dialog
  std::filesystem::path programFolder;  // where the dialogs start and the star-map textures stand
  std::function<double()> clock;        // the preview's clock; default: seconds since midnight
  QSize previewSize{600, 600};
  // What is kept between runs (the folder last used, the window's place): an INI
  // file of its own for a test; empty: the user's settings of the program.
  QString settingsFile;
};

// The names the user's settings are kept under (~/.config/Starquill/starquill.conf).
inline constexpr const char* kSettingsOrganisation = "Starquill";
inline constexpr const char* kSettingsApplication = "starquill";

class MainWindow : public QMainWindow, public PreviewOwner {
 public:
  explicit MainWindow(MainWindowServices services);
  ~MainWindow() override;

  void Form_Load();

  void ReportClicked();
  void LoadTgaClicked();
  void AboutClicked();
  // The report or the picture load on a file handed over whole (dropped on the
  // window, or named on the command line), as the button and the menu do after
  // their dialog. A name that is neither is refused with the HOD message.
  void OpenFile(const std::string& path);
  void BuildBackgroundClicked();
  // "Load cube map...": six open dialogs, one a face, then the build and its preview.
  void LoadCubeMapClicked();
  void SaveHalftonedClicked();
  void SaveFilteredClicked();
  void WriteHodClicked();
  // Tools, "Export background...": the background held (read from a HOD file or
  // just built) written as the save dialog's file names it.
  void ExportBackgroundClicked();

  // PreviewOwner
  void ShowMessage(const Message& message) override { sq::ShowMessage(*platform_, message); }
  void PreviewOpened() override;
  void PreviewClosed() override;
  void WriteHod() override;

  const Model& model() const { return model_; }
  bool backgroundFromHod() const { return session_.backgroundFromHod; }
  const std::string& tgaBaseName() const { return session_.tgaBaseName; }
  const BuilderSession& session() const { return session_; }
  // The folder of the last chosen file: every output of the program goes there.
  const std::filesystem::path& outputFolder() const { return outputFolder_; }
  PreviewWindow* preview() const { return preview_.data(); }
  // The status line: what the last command wrote where, or why it stopped.
  QString StatusText() const;
  // Where the open dialogs start: the folder last used, the home folder at first.
  QString DialogFolder() const;
  // What the job that runs now is doing ("Loading sky.png"), empty when none runs.
  // While one runs the commands that would start another are off, and closing
  // the window waits for it to finish.
  const std::string& Job() const { return job_; }

  QProgressBar* ProgressBar1 = nullptr;
  QCheckBox* chkSndTest = nullptr;
  QPushButton* cmdReport = nullptr;
  QLabel* Picture1 = nullptr;
  QLabel* lblName = nullptr;

  QMenu* mnuTools = nullptr;
  QAction* mnuLoadTGA = nullptr;
  QAction* mnuBuildBackground = nullptr;
  QAction* mnuLoadCubeMap = nullptr;
  QAction* mnuSaveHalfToned = nullptr;
  QAction* mnuSaveFiltered = nullptr;
  QAction* mnuWriteHOD = nullptr;
  QAction* mnuExportBackground = nullptr;
  QMenu* mnuOptions = nullptr;
  QAction* mnuDensity16 = nullptr;
  QAction* mnuDensity8 = nullptr;
  QAction* mnuDensity6 = nullptr;
  QAction* mnuDensity4 = nullptr;
  QAction* mnuDensity2 = nullptr;
  QAction* mnuOptSep01 = nullptr;
  QAction* mnuColourAverage = nullptr;
  QAction* mnuOptSep02 = nullptr;
  QAction* mnuIntensityLimit = nullptr;
  QAction* mnuOptSep03 = nullptr;
  QAction* mnuIncrCap = nullptr;
  QAction* mnuOptSep04 = nullptr;
  QAction* mnuMoreStars = nullptr;
  QAction* mnuLessStars = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuAbout = nullptr;
  // Keys without a menu entry of their own: Ctrl+O is the button, Ctrl+Q quits.
  QAction* actOpenHod = nullptr;
  QAction* actQuit = nullptr;
  QLabel* lblStatus = nullptr;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void BuildControls();
  void BuildMenus();
  void ReportOn(const std::string& chosen);
  void LoadTargaFrom(const std::string& chosen);
  // Keeps the folder of a chosen file for the next dialog, in this run and the next.
  void RememberFolder(const std::string& chosen);
  void SetStatus(const std::string& text);
  void ComeBack();
  // A job starts: the status line says what runs, the commands go off. Returns
  // false, starting nothing, while another runs.
  bool BeginJob(const std::string& what);
  void EndJob();
  bool CanStartJobs() const { return job_.empty(); }
  // Shows the builder's state: Tools enabled states, Options check marks, caption.
  void ShowBuilderState();
  // Whether a background is held for the export: the file's, or the one built.
  bool HoldsBackground() const;
  bool hodExportable_ = false;  // the model walked last holds a whole background
  // Opens the preview of `source` (whose lists are previewLists_).
  void OpenPreview(PreviewSource source);

  MainWindowServices services_;
  std::unique_ptr<QtPlatform> ownPlatform_;
  std::unique_ptr<QtFileChooser> ownChooser_;
  Platform* platform_ = nullptr;
  FileChooser* chooser_ = nullptr;

  Model model_;
  // The lists of the preview last opened, built from model_ or from the
  // session's built background.
  PreviewLists previewLists_;
  // The image tables, option marks, Tools states, tgaBaseName, backgroundFromHod
  // and the background built from the image.
  BuilderSession session_;
  BuilderOptions optionMarks_;  // the Options menu's check marks; the session holds what they stand for
  std::array<QAction*, kBuilderOptionItems.size()> optionActions_{};
  std::filesystem::path outputFolder_;
  QPointer<PreviewWindow> preview_;
  std::unique_ptr<QSettings> settings_;
  // Where the window stood when the preview hid it.
  QRect placeBeforePreview_;
  // Where the window is to stand while it comes back (the window manager's first move is undone).
  QRect keepPlace_;
  std::string job_;
  bool closeAfterJob_ = false;
  // Where the keyboard was when the job turned its widget off: it goes back there.
  QPointer<QWidget> focusBeforeJob_;
};

// `starquill` without arguments: the main window until its last window closes.
int RunMainWindow(int argc, char** argv);

}  // namespace sq
