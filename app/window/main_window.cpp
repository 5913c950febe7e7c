#include "app/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLinearGradient>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadialGradient>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>

#include "app/build_background_command.h"
#include "app/command_status.h"
#include "app/display_check.h"
#include "app/export_background_command.h"
#include "app/report_command.h"
#include "hod/text_forms.h"

namespace sq {

namespace {

// Picture1: a night sky over the rim of a planet, drawn once at start.
QPixmap DecorativePicture() {
  QPixmap pixmap(360, 120);
  QPainter p(&pixmap);
  QLinearGradient sky(0, 0, 0, 120);
  sky.setColorAt(0, QColor(4, 6, 20));
  sky.setColorAt(1, QColor(20, 24, 60));
  p.fillRect(pixmap.rect(), sky);
  p.setRenderHint(QPainter::Antialiasing);
  uint32_t state = 7;
  for (int i = 0; i < 90; ++i) {
    state = state * 1664525u + 1013904223u;
    const int x = static_cast<int>((state >> 8) % 360);
    state = state * 1664525u + 1013904223u;
    const int y = static_cast<int>((state >> 8) % 100);
    const int shade = 120 + static_cast<int>((state >> 20) % 136);
    p.setPen(QColor(shade, shade, std::min(255, shade + 30)));
    p.drawPoint(x, y);
  }
  QRadialGradient planet(180, 330, 250);
  planet.setColorAt(0.90, QColor(30, 60, 120));
  planet.setColorAt(0.98, QColor(90, 150, 230));
  planet.setColorAt(1.0, QColor(0, 0, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(planet);
  p.drawEllipse(QPoint(180, 330), 250, 250);
  return pixmap;
}

// Every kind of picture the builder reads; it knows them by their content.
constexpr const char* kPictureFilter =
    "Sky picture (*.tga *.png *.jpg *.jpeg *.exr *.hdr);;32-bit Targa image (*.tga);;PNG (*.png);;"
    "JPEG (*.jpg *.jpeg);;OpenEXR (*.exr);;Radiance HDR (*.hdr);;All files (*)";

constexpr const char* kLastFolderKey = "dialogs/lastFolder";
constexpr const char* kGeometryKey = "mainWindow/geometry";

// The program's icon: the picture beside the executable, else the one the
// desktop's icon theme holds for it.
QIcon ProgramIcon(const std::filesystem::path& programFolder) {
  const QString file = QString::fromStdString((programFolder / "starquill-256.png").string());
  if (QFileInfo::exists(file)) return QIcon(file);
  return QIcon::fromTheme("starquill");
}

// The one local file a drag carries, or an empty text.
std::string DraggedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile().toStdString() : std::string();
}

}  // namespace

MainWindow::MainWindow(MainWindowServices services) : services_(std::move(services)) {
  setObjectName("frmStarquill");
  setWindowTitle(QString::fromUtf8(kMainWindowTitle.data(), static_cast<qsizetype>(kMainWindowTitle.size())));
  BuildControls();
  BuildMenus();
  if (services_.platform) {
    platform_ = services_.platform;
  } else {
    ownPlatform_ = std::make_unique<QtPlatform>(this, ProgressBar1);
    platform_ = ownPlatform_.get();
  }
  if (services_.chooser) {
    chooser_ = services_.chooser;
  } else {
    ownChooser_ = std::make_unique<QtFileChooser>(this);
    chooser_ = ownChooser_.get();
  }
  outputFolder_ = services_.programFolder.empty() ? std::filesystem::path(".") : services_.programFolder;
  settings_ = services_.settingsFile.isEmpty()
                  ? std::make_unique<QSettings>(kSettingsOrganisation, kSettingsApplication)
                  : std::make_unique<QSettings>(services_.settingsFile, QSettings::IniFormat);

  setWindowIcon(ProgramIcon(services_.programFolder));
  setAcceptDrops(true);
  // Where it stood when the program last closed; never larger than its screen.
  if (!restoreGeometry(settings_->value(kGeometryKey).toByteArray())) resize(sizeHint());
  FitWindowToScreen(*this);
}

MainWindow::~MainWindow() { delete preview_.data(); }

void MainWindow::BuildControls() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  ProgressBar1 = new QProgressBar(central);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);

  chkSndTest = new QCheckBox("report on neu_soundtest.hod", central);
  chkSndTest->setObjectName("chkSndTest");
  chkSndTest->setChecked(false);

  cmdReport = new QPushButton("Generate Farhold HOD report / display Farhold background", central);
  cmdReport->setObjectName("cmdReport");
  cmdReport->setMinimumHeight(48);
  // The first thing a user does: Enter or Space at start presses it.
  cmdReport->setDefault(true);
  cmdReport->setToolTip("Ctrl+O");
  connect(cmdReport, &QPushButton::clicked, this, [this] { ReportClicked(); });

  Picture1 = new QLabel(central);
  Picture1->setObjectName("Picture1");
  Picture1->setPixmap(DecorativePicture());
  Picture1->setAlignment(Qt::AlignCenter);

  lblName = new QLabel("Starquill v5: reports on Farhold HOD files and previews their backgrounds", central);
  lblName->setObjectName("lblName");
  lblName->setAlignment(Qt::AlignCenter);

  layout->addWidget(Picture1);
  layout->addWidget(lblName);
  layout->addWidget(cmdReport);
  layout->addWidget(chkSndTest);
  layout->addWidget(ProgressBar1);
  setCentralWidget(central);
  setTabOrder(cmdReport, chkSndTest);
  cmdReport->setFocus();

  lblStatus = new QLabel(this);
  lblStatus->setObjectName("lblStatus");
  lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // Long paths must not widen the window; the whole line is in the tooltip.
  lblStatus->setMinimumWidth(1);
  statusBar()->addWidget(lblStatus, 1);
}

void MainWindow::BuildMenus() {
  auto named = [](QAction* action, const char* name) {
    action->setObjectName(name);
    return action;
  };
  mnuTools = menuBar()->addMenu("&Tools");
  mnuTools->setObjectName("mnuTools");
  mnuLoadTGA = named(mnuTools->addAction("Load Targa image", this, [this] { LoadTgaClicked(); }), "mnuLoadTGA");
  mnuLoadCubeMap =
      named(mnuTools->addAction("Load cube map...", this, [this] { LoadCubeMapClicked(); }), "mnuLoadCubeMap");
  mnuBuildBackground =
      named(mnuTools->addAction("Build background", this, [this] { BuildBackgroundClicked(); }), "mnuBuildBackground");
  mnuSaveHalfToned =
      named(mnuTools->addAction("Save as halftoned TGA", this, [this] { SaveHalftonedClicked(); }), "mnuSaveHalfToned");
  mnuSaveFiltered =
      named(mnuTools->addAction("Save filtered TGA", this, [this] { SaveFilteredClicked(); }), "mnuSaveFiltered");
  mnuWriteHOD = named(mnuTools->addAction("Write background HOD", this, [this] { WriteHodClicked(); }), "mnuWriteHOD");
  mnuExportBackground = named(mnuTools->addAction("Export background...", this, [this] { ExportBackgroundClicked(); }),
                              "mnuExportBackground");
  mnuLoadTGA->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));

  // The Options entries and their separators, drawn from the builder's list; a
  // click goes to the builder's rules and the marks are shown from its state.
  mnuOptions = menuBar()->addMenu("&Options");
  mnuOptions->setObjectName("mnuOptions");
  QAction** separators[] = {&mnuOptSep01, &mnuOptSep02, &mnuOptSep03, &mnuOptSep04};
  std::size_t separatorCount = 0;
  for (std::size_t i = 0; i < kBuilderOptionItems.size(); ++i) {
    const BuilderOptionItem& item = kBuilderOptionItems[i];
    QAction* a =
        mnuOptions->addAction(QString::fromUtf8(item.caption.data(), static_cast<qsizetype>(item.caption.size())));
    a->setObjectName(QString::fromUtf8(item.name.data(), static_cast<qsizetype>(item.name.size())));
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, option = item.option] {
      optionMarks_.Click(option);
      session_.buildOptions = BuildOptionsFrom(optionMarks_);
      ShowBuilderState();
    });
    optionActions_[i] = a;
    if (item.separatorAfter && separatorCount < 4) {
      QAction* sep = mnuOptions->addSeparator();
      sep->setObjectName(QString("mnuOptSep0%1").arg(separatorCount + 1));
      *separators[separatorCount++] = sep;
    }
  }
  mnuDensity16 = optionActions_[0];
  mnuDensity8 = optionActions_[1];
  mnuDensity6 = optionActions_[2];
  mnuDensity4 = optionActions_[3];
  mnuDensity2 = optionActions_[4];
  mnuColourAverage = optionActions_[5];
  mnuIntensityLimit = optionActions_[6];
  mnuIncrCap = optionActions_[7];
  mnuMoreStars = optionActions_[8];
  mnuLessStars = optionActions_[9];

  mnuHelp = menuBar()->addMenu("&Help");
  mnuHelp->setObjectName("mnuHelp");
  mnuAbout = named(mnuHelp->addAction("&About Starquill", this, [this] { AboutClicked(); }), "mnuAbout");

  actOpenHod = named(new QAction("Open HOD file", this), "actOpenHod");
  actOpenHod->setShortcut(QKeySequence::Open);
  connect(actOpenHod, &QAction::triggered, cmdReport, &QPushButton::click);
  actQuit = named(new QAction("Quit", this), "actQuit");
  actQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(actQuit, &QAction::triggered, this, &QWidget::close);
  addAction(actOpenHod);
  addAction(actQuit);
  ShowBuilderState();
}

void MainWindow::ShowBuilderState() {
  for (std::size_t i = 0; i < kBuilderOptionItems.size(); ++i) {
    optionActions_[i]->setChecked(optionMarks_.Checked(kBuilderOptionItems[i].option));
  }
  // While a job runs nothing that starts another is on.
  const bool free = CanStartJobs();
  const ToolsMenuState tools = ToolsOf(session_);
  mnuSaveHalfToned->setEnabled(free && tools.saveHalftonedEnabled);
  mnuSaveFiltered->setEnabled(free && tools.saveFilteredEnabled);
  mnuWriteHOD->setEnabled(free && tools.writeHodEnabled);
  mnuBuildBackground->setEnabled(free && tools.buildBackgroundEnabled);
  mnuExportBackground->setEnabled(free && HoldsBackground());
  for (QAction* command : {mnuLoadTGA, mnuLoadCubeMap, actOpenHod}) command->setEnabled(free);
  cmdReport->setEnabled(free);
  setAcceptDrops(free);
  setWindowTitle(QString::fromStdString(CaptionOf(session_)));
}

void MainWindow::Form_Load() { ShowBuilderState(); }

QString MainWindow::DialogFolder() const {
  QString last = settings_->value(kLastFolderKey).toString();
  if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  return QDir::homePath();
}

void MainWindow::RememberFolder(const std::string& chosen) {
  if (chosen.empty()) return;
  const QString folder = QFileInfo(QString::fromStdString(chosen)).absolutePath();
  if (!QFileInfo(folder).isDir()) return;
  settings_->setValue(kLastFolderKey, folder);
  settings_->sync();
}

QString MainWindow::StatusText() const { return lblStatus->text(); }

void MainWindow::SetStatus(const std::string& text) {
  const QString line = QString::fromStdString(text);
  lblStatus->setText(line);
  lblStatus->setToolTip(line);
  statusBar()->clearMessage();  // a passing hint must not cover it
}

bool MainWindow::BeginJob(const std::string& what) {
  if (!CanStartJobs()) return false;
  job_ = what;
  focusBeforeJob_ = QApplication::focusWidget();
  SetStatus(what + "...");
  ShowBuilderState();
  QApplication::setOverrideCursor(Qt::BusyCursor);
  return true;
}

void MainWindow::EndJob() {
  job_.clear();
  QApplication::restoreOverrideCursor();
  ShowBuilderState();
  // Back to the button, whatever held the focus before: a job disables the
  // button, and the focus it hands on (the check box next in line) would turn
  // the next Space into a change of the report.
  cmdReport->setFocus();
  if (closeAfterJob_)
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void MainWindow::ReportClicked() {
  if (!CanStartJobs()) return;
  const std::string chosen =
      chooser_->ChooseOpenFile({"Open Farhold HOD file", "Farhold HOD files (*.hod)", DialogFolder()});
  RememberFolder(chosen);
  ReportOn(chosen);
}

void MainWindow::ReportOn(const std::string& chosen) {
  const bool accepted = !HodBaseName(chosen).empty();
  // The folder of the chosen file stands in for the current directory.
  const std::filesystem::path folder = accepted ? FolderOf(chosen) : outputFolder_;
  if (!accepted) {
    // Nothing to read (a cancelled dialog, a name that is no HOD's): the status
    // says so before the command's message does.
    if (!CanStartJobs()) return;
    SetStatus(ReportStatus(ReportOutcome{}));  // refused: "Nothing written."
    ReportCommand(model_, chosen, folder, chkSndTest->isChecked(), *platform_);
    cmdReport->setFocus();
    return;
  }
  if (!BeginJob("Reading " + std::filesystem::path(chosen).filename().string())) return;
  const ReportOutcome outcome = ReportCommand(model_, chosen, folder, chkSndTest->isChecked(), *platform_);
  // Once a walk, not at every look at the menus: a big background's scene is big.
  hodExportable_ = ModelBackgroundExportable(model_);
  EndJob();
  SetStatus(ReportStatus(outcome));
  if (const std::string failed = SideFilesMessage(outcome); !failed.empty()) {
    platform_->ShowMessage(kAppTitle, failed, MessageIcon::Error);
  }
  if (outcome.status == ReportOutcome::Status::Unreadable) return;
  if (accepted) outputFolder_ = folder;
  session_.backgroundFromHod = true;
  if (accepted) {  // the background in the tables is now the file's
    ForgetBuiltBackground(session_);
    ShowBuilderState();
  }
  // A window asked to close while the report ran opens no preview; a report
  // that could not be written does not keep the background from being shown.
  const bool walked =
      outcome.status == ReportOutcome::Status::Written || outcome.status == ReportOutcome::Status::WriteFailed;
  if (walked && outcome.openPreview && !closeAfterJob_) {
    PreviewSource source = PreviewOfModel(model_, previewLists_, std::filesystem::path(chosen).filename().string());
    source.backgroundFromHod = session_.backgroundFromHod;
    source.note = WalkStatus(outcome.walk, outcome.fileSize);
    OpenPreview(std::move(source));
  }
}

void MainWindow::OpenFile(const std::string& path) {
  if (!CanStartJobs()) return;
  if (KindOfFile(path) == FileKind::Targa) {
    LoadTargaFrom(path);
  } else {
    ReportOn(path);
  }
}

void MainWindow::OpenPreview(PreviewSource source) {
  if (preview_) {  // at most one preview at a time
    preview_->close();
    delete preview_.data();
  }
  PreviewWindow::Options options;
  options.programFolder = services_.programFolder;
  options.drawingSize = services_.previewSize;
  options.clock = services_.clock;
  auto* window = new PreviewWindow(*this, std::move(source), std::move(options));
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowIcon(windowIcon());
  preview_ = window;
  if (window->Form_Load()) {
    window->show();
  } else {
    window->deleteLater();
  }
}

void MainWindow::PreviewOpened() {
  ProgressBar1->setValue(0);
  QCoreApplication::processEvents();
  placeBeforePreview_ = geometry();
  hide();
}

void MainWindow::PreviewClosed() {
  // The preview is still on screen while it closes: the window comes back once
  // it has gone, at the place it had, so a window manager does not place it anew
  // beside the preview.
  QMetaObject::invokeMethod(
      this, [this] { ComeBack(); }, Qt::QueuedConnection);
}

void MainWindow::ComeBack() {
  if (!placeBeforePreview_.isNull()) setGeometry(placeBeforePreview_);
  // A window manager may map a window that comes back where it first placed it,
  // a place the window never asked for again: it is put back, once it is seen.
  keepPlace_ = placeBeforePreview_;
  QTimer::singleShot(2000, this, [this] { keepPlace_ = QRect(); });
  show();
  raise();
  activateWindow();
}

void MainWindow::WriteHod() { WriteHodClicked(); }

void MainWindow::WriteHodClicked() {
  if (!BeginJob("Writing " + SessionHodPath(session_).filename().string())) return;
  const CommandOutcome outcome = WriteSessionBackground(session_, *platform_);
  EndJob();
  const std::filesystem::path path = SessionHodPath(session_);
  OutputReport written;
  if (outcome.status == CommandOutcome::Status::Written) written.Add(path, {});
  if (outcome.status == CommandOutcome::Status::WriteFailed) written.Add(path, outcome.error);
  std::string status = WrittenStatus(written);
  if (outcome.replaced) status += " (replaced the earlier file)";
  if (outcome.status == CommandOutcome::Status::Refused) status = "Nothing written: " + outcome.error + ".";
  SetStatus(status);
  // Said where the person is looking: in the preview when it is in front.
  if (preview_ && preview_->isVisible()) preview_->ShowStatus(status);
}

bool MainWindow::HoldsBackground() const {
  if (session_.backgroundFromHod) return hodExportable_;
  return session_.builtBackground.has_value();
}

void MainWindow::ExportBackgroundClicked() {
  if (!HoldsBackground() || !CanStartJobs()) return;
  // BASE.png proposed: the HOD's base name, or the picture's the background was built from.
  const std::string base = session_.backgroundFromHod ? (model_.fileBytes ? HodBaseName(model_.fileBytes->Name()) : "")
                                                      : session_.tgaBaseName;
  std::string chosen = chooser_->ChooseSaveFile(
      {"Export background",
       "PNG picture (*.png);;32-bit Targa picture (*.tga);;OpenEXR picture (*.exr);;glTF 2.0 scene (*.glb)",
       DialogFolder(), base.empty() ? QString() : QString::fromStdString(SafeFileName(base) + ".png")});
  if (chosen.empty()) return;
  RememberFolder(chosen);
  ExportOptions options;
  options.textureFolder = services_.programFolder;
  if (!BeginJob("Exporting the background to " + std::filesystem::path(chosen).filename().string())) return;
  const ExportBackgroundOutcome outcome =
      session_.backgroundFromHod ? ExportModelBackground(model_, chosen, options, *platform_)
                                 : ExportBuiltBackground(*session_.builtBackground, chosen, options, *platform_);
  EndJob();
  OutputReport written;
  for (const std::string& path : outcome.written) written.Add(path, {});
  if (outcome.status == CommandOutcome::Status::WriteFailed) written.Add(chosen, outcome.error);
  SetStatus(written.written.empty() && written.errors.empty() ? outcome.error : WrittenStatus(written));
}

void MainWindow::BuildBackgroundClicked() {
  const std::string from = session_.PicturePath().filename().string();
  if (!BeginJob("Building the background from " + from)) return;
  const bool built = BuildSessionBackground(session_, *platform_);
  // Faces that cannot be built from are let go, as a refused load lets a picture go.
  if (!built && !session_.cubeFaces.empty()) ForgetCubeMap(session_);
  EndJob();
  SetStatus(built ? "Built the background from " + from + "." : std::string("Nothing built."));
  if (!built || closeAfterJob_) return;
  session_.backgroundFromHod = false;
  // Named after the picture it was built from, or the cube map's name.
  const std::string shown = session_.cubeFaces.empty() ? from : "the cube map " + session_.tgaBaseName;
  OpenPreview(PreviewOfBackground(*session_.builtBackground, previewLists_, shown));
}

void MainWindow::LoadCubeMapClicked() {
  if (!CanStartJobs()) return;
  static constexpr const char* kFaces[] = {"+X (right)", "-X (left)",  "+Y (up)",
                                           "-Y (down)",  "+Z (front)", "-Z (back)"};
  std::vector<std::filesystem::path> faces;
  for (int i = 0; i < 6; ++i) {
    const std::string chosen =
        chooser_->ChooseOpenFile({QString("Open the %1 face of the cube map (%2 of 6)").arg(kFaces[i]).arg(i + 1),
                                  kPictureFilter, DialogFolder()});
    if (chosen.empty()) {  // cancelled: everything stays as it was
      cmdReport->setFocus();
      return;
    }
    RememberFolder(chosen);
    faces.emplace_back(chosen);
  }
  if (!LoadCubeMapCommand(session_, faces, *platform_)) {
    SetStatus("Nothing loaded.");
    ShowBuilderState();
    return;
  }
  outputFolder_ = FolderOf(faces[0]);
  ShowBuilderState();
  BuildBackgroundClicked();
}

void MainWindow::LoadTgaClicked() {
  if (!CanStartJobs()) return;
  const std::string chosen = chooser_->ChooseOpenFile(
      {"Open halftoned sky picture (TGA, PNG, JPEG, OpenEXR, HDR)", kPictureFilter, DialogFolder()});
  RememberFolder(chosen);
  LoadTargaFrom(chosen);
}

void MainWindow::LoadTargaFrom(const std::string& chosen) {
  if (!BeginJob("Loading " + std::filesystem::path(chosen).filename().string())) return;
  PictureFile picture = chosen.empty() ? PictureFile{} : OpenPictureFile(chosen);
  const bool accepted = !chosen.empty() && picture.kind != PictureFileKind::Unknown;
  const std::filesystem::path folder = accepted ? FolderOf(chosen) : outputFolder_;
  const TgaCommandOutcome outcome = LoadTargaCommand(session_, previewLists_, std::move(picture), folder, *platform_);
  EndJob();
  SetStatus(TargaLoadStatus(outcome));
  if (accepted) outputFolder_ = folder;
}

void MainWindow::SaveHalftonedClicked() {
  if (!BeginJob("Saving the halftoned image")) return;
  const OutputReport written = SaveHalftonedCommand(session_, outputFolder_, *platform_);
  EndJob();
  SetStatus(WrittenStatus(written));
}

void MainWindow::SaveFilteredClicked() {
  if (!BeginJob("Saving the filtered image")) return;
  const OutputReport written = SaveFilteredCommand(session_, outputFolder_, *platform_);
  EndJob();
  SetStatus(WrittenStatus(written));
}

void MainWindow::AboutClicked() {
  QMessageBox box(this);
  box.setObjectName("aboutBox");
  box.setWindowTitle("About Starquill");
  box.setIconPixmap(windowIcon().pixmap(64, 64));
  box.setText("<b>Starquill " STARQUILL_VERSION "</b>");
  box.setInformativeText(
      "Looks inside HOD files, the model and background files of the game Farhold: writes a report of what "
      "a file holds, shows a background in 3D and finds the stars in a background picture.");
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

void MainWindow::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  if (!keepPlace_.isNull() && isVisible() && geometry() != keepPlace_) {
    const QRect place = keepPlace_;
    keepPlace_ = QRect();  // once: a window manager that insists has the last word
    setGeometry(place);
  }
}

void MainWindow::closeEvent(QCloseEvent* e) {
  // A job pumps events while it runs: the window closes once it has finished.
  if (!CanStartJobs()) {
    e->ignore();
    closeAfterJob_ = true;
    SetStatus(job_ + "... the window closes when it has finished.");
    return;
  }
  settings_->setValue(kGeometryKey, saveGeometry());
  settings_->sync();
  QMainWindow::closeEvent(e);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
  if (KindOfFile(DraggedFile(e->mimeData())) != FileKind::Other) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
  const std::string file = DraggedFile(e->mimeData());
  if (KindOfFile(file) == FileKind::Other) return;
  e->acceptProposedAction();
  // The drag's source waits for the drop to end: the command runs after it.
  QMetaObject::invokeMethod(
      this, [this, file] { OpenFile(file); }, Qt::QueuedConnection);
}

int RunMainWindow(int argc, char** argv) {
  if (const std::string problem = DisplayProblem(DisplayEnvironment::OfProcess()); !problem.empty()) {
    std::fprintf(stderr, "%s\n", NoDisplayLine(problem).c_str());
    return 1;
  }
  // The preview's device and its drawing area share their objects.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QGuiApplication::setDesktopFileName("starquill");
  MainWindowServices services;
  services.programFolder = QCoreApplication::applicationDirPath().toStdString();
  MainWindow window(std::move(services));
  QApplication::setWindowIcon(window.windowIcon());
  window.Form_Load();
  window.show();
  // `starquill FILE.hod` and `starquill IMAGE.tga`: the window opens on the file.
  if (argc == 2) {
    const std::string file = argv[1];
    QMetaObject::invokeMethod(
        &window, [&window, file] { window.OpenFile(file); }, Qt::QueuedConnection);
  }
  return QApplication::exec();
}

}  // namespace sq
