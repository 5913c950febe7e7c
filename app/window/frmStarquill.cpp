#include "app/window/frmStarquill.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLinearGradient>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadialGradient>
#include <QVBoxLayout>
#include <cstdio>

#include "app/build_background_command.h"
#include "app/display_check.h"
#include "app/report_command.h"

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

}  // namespace

frmStarquill::frmStarquill(MainWindowServices services) : services_(std::move(services)) {
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
  if (!services_.endProgram) services_.endProgram = [](int status) { QCoreApplication::exit(status); };
  outputFolder_ = services_.programFolder.empty() ? std::filesystem::path(".") : services_.programFolder;
}

frmStarquill::~frmStarquill() { delete preview_.data(); }

void frmStarquill::BuildControls() {
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
  connect(cmdReport, &QPushButton::clicked, this, [this] { cmdReport_Click(); });

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
}

void frmStarquill::BuildMenus() {
  auto named = [](QAction* action, const char* name) {
    action->setObjectName(name);
    return action;
  };
  mnuTools = menuBar()->addMenu("&Tools");
  mnuTools->setObjectName("mnuTools");
  mnuLoadTGA = named(mnuTools->addAction("Load Targa image", this, [this] { mnuLoadTGA_Click(); }), "mnuLoadTGA");
  mnuBuildBackground = named(mnuTools->addAction("Build background", this, [this] { mnuBuildBackground_Click(); }),
                             "mnuBuildBackground");
  mnuSaveHalfToned = named(mnuTools->addAction("Save as halftoned TGA", this, [this] { mnuSaveHalfToned_Click(); }),
                           "mnuSaveHalfToned");
  mnuSaveFiltered =
      named(mnuTools->addAction("Save filtered TGA", this, [this] { mnuSaveFiltered_Click(); }), "mnuSaveFiltered");
  mnuWriteHOD =
      named(mnuTools->addAction("Write background HOD", this, [this] { mnuWriteHOD_Click(); }), "mnuWriteHOD");

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
      session_.options.Click(option);
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
  ShowBuilderState();
}

void frmStarquill::ShowBuilderState() {
  for (std::size_t i = 0; i < kBuilderOptionItems.size(); ++i) {
    optionActions_[i]->setChecked(session_.options.Checked(kBuilderOptionItems[i].option));
  }
  mnuSaveHalfToned->setEnabled(session_.tools.saveHalftonedEnabled);
  mnuSaveFiltered->setEnabled(session_.tools.saveFilteredEnabled);
  mnuWriteHOD->setEnabled(session_.tools.writeHodEnabled);
  mnuBuildBackground->setEnabled(session_.tools.buildBackgroundEnabled);
  setWindowTitle(QString::fromStdString(session_.caption));
}

void frmStarquill::Form_Load() {
  session_.tools.saveHalftonedEnabled = false;
  session_.tools.saveFilteredEnabled = false;
  session_.tools.writeHodEnabled = false;
  ShowBuilderState();
}

QString frmStarquill::ProgramFolderText() const { return QString::fromStdString(services_.programFolder.string()); }

void frmStarquill::cmdReport_Click() {
  const std::string chosen =
      chooser_->ChooseOpenFile({"Open Farhold HOD file", "Farhold HOD files (*.hod)", ProgramFolderText()});
  const bool accepted = !HodBaseName(chosen).empty();
  // The folder of the chosen file stands in for the current directory.
  const std::filesystem::path folder = accepted ? FolderOf(chosen) : outputFolder_;
  const ReportOutcome outcome = ReportCommand(model_, chosen, folder, chkSndTest->isChecked(), *platform_);
  if (accepted && outcome.status == ReportOutcome::Status::Refused) return;  // the file could not be read
  if (accepted) outputFolder_ = folder;
  session_.backgroundFromHod = true;
  if (accepted) {  // the background in the tables is now the file's
    ForgetBuiltBackground(session_);
    ShowBuilderState();
  }
  if (outcome.status == ReportOutcome::Status::Written && outcome.openPreview) {
    PreviewSource source = PreviewOfModel(model_, previewLists_);
    source.tgaBaseName = session_.tgaBaseName;
    OpenPreview(std::move(source));
  }
}

void frmStarquill::OpenPreview(PreviewSource source) {
  if (preview_) {  // at most one preview at a time
    preview_->close();
    delete preview_.data();
  }
  frmBGdisplay::Options options;
  options.programFolder = services_.programFolder;
  options.drawingSize = services_.previewSize;
  options.clock = services_.clock;
  auto* window = new frmBGdisplay(*this, std::move(source), std::move(options));
  window->setAttribute(Qt::WA_DeleteOnClose);
  preview_ = window;
  if (window->Form_Load()) {
    window->show();
  } else {
    window->deleteLater();
  }
}

void frmStarquill::PreviewOpened() {
  ProgressBar1->setValue(0);
  QCoreApplication::processEvents();
  hide();
}

void frmStarquill::PreviewClosed() { show(); }

void frmStarquill::EndProgram(int status) { services_.endProgram(status); }

void frmStarquill::WriteHod() { mnuWriteHOD_Click(); }

void frmStarquill::mnuWriteHOD_Click() { WriteSessionBackground(session_, *platform_); }

void frmStarquill::mnuBuildBackground_Click() {
  const bool built = BuildSessionBackground(session_, *platform_);
  ShowBuilderState();
  if (!built) return;
  session_.backgroundFromHod = false;
  OpenPreview(PreviewOfBackground(*session_.builtBackground, previewLists_, session_.tgaBaseName));
}

void frmStarquill::mnuLoadTGA_Click() {
  const std::string chosen = chooser_->ChooseOpenFile(
      {"Open halftoned 32-bit Targa image file", "32-bit Targa image (*.tga)", ProgramFolderText()});
  const bool accepted = AcceptsTargaPath(chosen);
  const std::filesystem::path folder = accepted ? FolderOf(chosen) : outputFolder_;
  LoadTargaCommand(session_, previewLists_, chosen, folder, *platform_);
  if (accepted) outputFolder_ = folder;
  ShowBuilderState();
}

void frmStarquill::mnuSaveHalfToned_Click() { SaveHalftonedCommand(session_, outputFolder_, *platform_); }

void frmStarquill::mnuSaveFiltered_Click() { SaveFilteredCommand(session_, outputFolder_, *platform_); }

int RunMainWindow(int argc, char** argv) {
  if (const std::string problem = DisplayProblem(DisplayEnvironment::OfProcess()); !problem.empty()) {
    std::fprintf(stderr, "%s\n", NoDisplayLine(problem).c_str());
    return 1;
  }
  QApplication app(argc, argv);
  MainWindowServices services;
  services.programFolder = QCoreApplication::applicationDirPath().toStdString();
  frmStarquill window(std::move(services));
  window.Form_Load();
  window.show();
  return QApplication::exec();
}

}  // namespace sq
