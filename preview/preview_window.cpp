#include "preview/preview_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <algorithm>

namespace sq {

double SecondsSinceMidnight() { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }

PreviewSource PreviewOfModel(const Model& model, PreviewLists& lists, const std::string& fileName) {
  BuildPreviewLists(model, lists);
  PreviewSource source;
  source.lists = &lists;
  source.hasBGMS = model.hasBGMS;
  source.hasBGSG = model.hasBGSG;
  source.hasSTRF = model.hasSTRF;
  source.backgroundFromHod = true;
  source.shownName = fileName;
  return source;
}

// The width of a window manager's border, as guessed before the window is shown.
constexpr int kGuessedBorder = 2;

void FitWindowToScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect available = screen->availableGeometry();
  // The frame a window manager adds is known once the window is shown; before,
  // room is kept for a title bar of the style's height and thin borders.
  const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
  const QSize frame = window.isVisible() ? window.frameGeometry().size() - window.geometry().size()
                                         : QSize(2 * kGuessedBorder, titleBar + 2 * kGuessedBorder);
  const QSize room = available.size() - frame;
  if (window.width() > room.width() || window.height() > room.height()) {
    window.resize(window.size().boundedTo(room).expandedTo(window.minimumSizeHint().boundedTo(room)));
  }
  QRect place = window.frameGeometry();
  if (!window.isVisible()) place = QRect(window.pos(), window.size() + frame);
  if (!available.contains(place)) {
    const int x =
        std::clamp(place.x(), available.left(), std::max(available.left(), available.right() - place.width() + 1));
    const int y =
        std::clamp(place.y(), available.top(), std::max(available.top(), available.bottom() - place.height() + 1));
    if (window.isVisible() || window.testAttribute(Qt::WA_Moved)) window.move(x, y);
  }
}

PreviewSource PreviewOfBackground(const BackgroundTables& background, PreviewLists& lists, std::string shownName) {
  BuildBackgroundPreviewLists(background, lists);
  PreviewSource source;
  source.lists = &lists;
  source.hasBGMS = background.hasBGMS;
  source.hasBGSG = background.hasBGSG;
  source.hasSTRF = background.hasSTRF;
  source.backgroundFromHod = false;
  source.shownName = std::move(shownName);
  return source;
}

PreviewPicture::PreviewPicture(QWidget* parent) : QOpenGLWidget(parent) { setObjectName("Picture2"); }

void PreviewPicture::paintGL() {
  if (paint) paint();
}

void PreviewPicture::mousePressEvent(QMouseEvent* e) {
  if (mouseDown) mouseDown(e->position().x(), e->position().y());
}

void PreviewPicture::mouseReleaseEvent(QMouseEvent* /*e*/) {
  if (mouseUp) mouseUp();
}

void PreviewPicture::mouseMoveEvent(QMouseEvent* e) {
  if (mouseMove) mouseMove(e->position().x(), e->position().y());
}

PreviewWindow::PreviewWindow(PreviewOwner& owner, PreviewSource source, Options options)
    : owner_(owner), source_(std::move(source)), options_(std::move(options)) {
  setObjectName("frmBGdisplay");
  setWindowTitle("Background");
  if (!options_.clock) options_.clock = SecondsSinceMidnight;

  mnuView = menuBar()->addMenu("&View");
  mnuView->setObjectName("mnuView");
  mnuBGMSonly = mnuView->addAction("&Background only", this, [this] { BackgroundOnlyClicked(); });
  mnuBGMSonly->setObjectName("mnuBGMSonly");
  mnuBGSGonly = mnuView->addAction("&Star-maps only", this, [this] { StarMapsOnlyClicked(); });
  mnuBGSGonly->setObjectName("mnuBGSGonly");
  mnuSTRFonly = mnuView->addAction("&Point-stars only", this, [this] { StarsOnlyClicked(); });
  mnuSTRFonly->setObjectName("mnuSTRFonly");
  mnuViewAll = mnuView->addAction("View &All", this, [this] { ViewAllClicked(); });
  mnuViewAll->setObjectName("mnuViewAll");
  layerGroup = new QActionGroup(this);
  for (QAction* item : {mnuBGMSonly, mnuBGSGonly, mnuSTRFonly, mnuViewAll}) {
    item->setCheckable(true);
    layerGroup->addAction(item);
  }
  mnuViewAll->setChecked(true);  // every layer the file holds
  mnuWrite = menuBar()->addAction("Write HOD", this, [this] { WriteClicked(); });
  mnuWrite->setObjectName("mnuWrite");

  Picture2 = new PreviewPicture(this);
  Picture2->paint = [this] { PaintOnScreen(); };
  Picture2->mouseDown = [this](double x, double y) { Picture2_MouseDown(x, y); };
  Picture2->mouseUp = [this] { Picture2_MouseUp(); };
  Picture2->mouseMove = [this](double x, double y) { Picture2_MouseMove(x, y); };
  setCentralWidget(Picture2);

  StatusBar1 = new QLabel("Hold left mouse button & move to rotate <->", this);
  StatusBar1->setObjectName("StatusBar1");
  statusBar()->addWidget(StatusBar1, 1);
  lblNote = new QLabel(QString::fromStdString(source_.note), this);
  lblNote->setObjectName("lblNote");
  lblNote->setToolTip(lblNote->text());  // whole, where the status bar cuts it
  lblNote->setVisible(!source_.note.empty());
  statusBar()->addPermanentWidget(lblNote);

  actClose = new QAction("Close", this);
  actClose->setObjectName("actClose");
  actClose->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
  connect(actClose, &QAction::triggered, this, &QWidget::close);
  addAction(actClose);

  Timer2 = new QTimer(this);
  Timer2->setObjectName("Timer2");
  Timer2->setInterval(40);
  connect(Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });

  // The drawing area as asked for, unless the window would then not fit its
  // screen. The bars' heights are taken as they will be shown: a layout does
  // not count the bars of a window not shown yet.
  ensurePolished();
  const int chrome = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
  resize(options_.drawingSize + QSize(0, chrome));
  if (options_.fitScreen) FitWindowToScreen(*this);
  Picture2->resize(QSize(width(), height() - chrome).boundedTo(options_.drawingSize));
}

qreal PreviewWindow::PixelRatio() const { return options_.pixelRatio > 0 ? options_.pixelRatio : devicePixelRatioF(); }

PreviewWindow::~PreviewWindow() { Cleanup(); }

bool PreviewWindow::Fail(const char* message) {
  owner_.ShowMessage(Message{MessageWeight::Error, message, std::nullopt});
  animating_ = false;
  Timer2->stop();
  Cleanup();
  unloaded_ = true;
  owner_.PreviewClosed();
  return false;
}

void PreviewWindow::LeaveOut(const std::string& note) {
  leftOut_.push_back(note);
  const QString text = QString::fromStdString(Notes());
  lblNote->setText(text);
  lblNote->setToolTip(text);
  lblNote->setVisible(!text.isEmpty());
}

std::string PreviewWindow::Notes() const {
  std::string text = source_.note;
  for (const std::string& note : leftOut_) text += (text.empty() ? "" : " ") + note;
  return text;
}

void PreviewWindow::ShowStatus(const std::string& text) {
  statusBar()->showMessage(QString::fromStdString(text), 10000);
}

bool PreviewWindow::Form_Load() {
  owner_.PreviewOpened();
  setWindowTitle(QString::fromStdString("Background from " + source_.shownName));
  hasBGMS_ = source_.hasBGMS;
  hasBGSG_ = source_.hasBGSG;
  hasSTRF_ = source_.hasSTRF;
  starCount_ = source_.lists ? source_.lists->starPreviewCount : 0;

  // Without a device nothing can be shown; a layer that cannot be set up is
  // shown as absent, the others are shown all the same.
  if (!SetUpOpenGl(Picture2)) return Fail("Unable to do a 'CreateDevice' (see InitD3D() source for comments)");
  if (hasBGMS_ && !InitBackground()) {
    hasBGMS_ = false;
    LeaveOut("The background mesh holds no triangle: not shown.");
  }
  if (!hasBGMS_) mnuView->setEnabled(false);
  if (hasBGSG_) {
    starMapsReady_ = InitStarMaps();
    hasBGSG_ = starMapsReady_;
  }
  if (!hasBGSG_) mnuBGSGonly->setEnabled(false);
  if (!hasSTRF_ || starCount_ < 1) {
    mnuView->setEnabled(false);
  } else if (!InitStars()) {
    hasSTRF_ = false;
    starCount_ = 0;
    mnuView->setEnabled(false);
    LeaveOut("The point stars could not be set up: not shown.");
  }
  mnuWrite->setEnabled(!source_.backgroundFromHod);
  SetupMatrices();  // the first frame on screen comes before the first tick
  animating_ = true;
  Timer2->start();
  return true;
}

bool PreviewWindow::SetUpOpenGl(QWidget* target) {
  GlCapabilities caps;
  // As many pixels as the area shows on screen: sharp at any scale.
  const QSize pixels = (QSizeF(target->size()) * PixelRatio()).toSize();
  if (device_.Create(pixels, caps)) return true;
  if (caps.context)
    owner_.ShowMessage(
        Message{MessageWeight::Error, "Your graphics adapter is - alas - not able to do this...", std::nullopt});
  return false;
}

bool PreviewWindow::InitBackground() {
  const PreviewLists& lists = *source_.lists;
  const std::size_t count = static_cast<std::size_t>(std::max(0, lists.meshPreviewCount));
  if (count > lists.meshPreviewVertices.size()) return false;
  meshBuffer_ = device_.CreateVertexBuffer(lists.meshPreviewVertices.data(), count * sizeof(PreviewVertex));
  meshVertexCount_ = static_cast<int>(count);
  return meshBuffer_ != 0;
}

bool PreviewWindow::InitStars() {
  const PreviewLists& lists = *source_.lists;
  const std::size_t count = static_cast<std::size_t>(std::max(0, lists.starPreviewCount));
  if (count > lists.starPreviewVertices.size()) return false;
  starBuffer_ = device_.CreateVertexBuffer(lists.starPreviewVertices.data(), count * sizeof(PreviewVertex));
  return starBuffer_ != 0;
}

// Each star map with its texture and at least one triangle is drawn; one
// without is left out and named. True when at least one can be drawn.
bool PreviewWindow::InitStarMaps() {
  const PreviewLists& lists = *source_.lists;
  bool any = false;
  for (std::size_t k = 0; k < 2; ++k) {
    const std::string name = "B0" + std::to_string(k + 2) + ".tga";
    const std::string map = "Star map " + std::to_string(k + 1);
    std::string error;
    auto image = LoadTextureFile(options_.programFolder / name, error);
    if (image) starMapTextures_[k] = device_.CreateTexture(*image);
    if (starMapTextures_[k] == 0) {
      textureMissing_ = true;
      std::string why = map;
      why.append(": its texture ").append(name).append(" could not be loaded");
      if (!error.empty()) why.append(" (").append(error).append(")");
      why += "; not shown.";
      LeaveOut(why);
      continue;
    }
    const StarMapPreviewEntry& entry = lists.starMapPreview[k];
    const std::size_t count = static_cast<std::size_t>(std::max(0, entry.vertexCount));
    if (count > 0 && count <= entry.vertices.size()) {
      starMapBuffers_[k] = device_.CreateVertexBuffer(entry.vertices.data(), count * sizeof(StarMapVertex));
      starMapVertexCounts_[k] = starMapBuffers_[k] != 0 ? static_cast<int>(count) : 0;
    }
    if (starMapBuffers_[k] == 0) {
      LeaveOut(map + " holds no star: not shown.");
      continue;
    }
    any = true;
  }
  return any;
}

void PreviewWindow::Cleanup() {
  device_.ReleaseBuffer(meshBuffer_);
  for (std::size_t k = 0; k < 2; ++k) {
    device_.ReleaseTexture(starMapTextures_[k]);
    device_.ReleaseBuffer(starMapBuffers_[k]);
  }
  device_.ReleaseBuffer(starBuffer_);
  device_.Destroy();
}

void PreviewWindow::Render() {
  if (!device_.Exists()) return;
  if (!drag_.dragging) SetupMatrices();
  if (capture_) frame_ = GrabFrame();
  // On screen the frame is drawn when the area paints, with the transforms of now.
  if (Picture2->isVisible()) Picture2->update();
}

QImage PreviewWindow::GrabFrame() {
  if (!device_.Exists()) return {};
  if (!drag_.dragging) SetupMatrices();
  DrawLayers();
  QImage frame = device_.ReadBack();
  frame.setDevicePixelRatio(PixelRatio());
  return frame;
}

void PreviewWindow::PaintOnScreen() {
  if (!device_.Exists()) return;
  ++framesPainted_;
  const QSize pixels = (QSizeF(Picture2->size()) * Picture2->devicePixelRatioF()).toSize();
  if (!options_.paintReadBack && device_.BeginScreenFrame(pixels)) {
    DrawLayers();
    device_.EndScreenFrame();
    return;
  }
  // An area whose context shares nothing with the device's (an application
  // started without shared contexts): the frame is drawn off screen and painted.
  const QImage frame = GrabFrame();
  Picture2->makeCurrent();
  QPainter painter(Picture2);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRectF(Picture2->rect()), frame);
}

void PreviewWindow::DrawLayers() {
  device_.Clear();
  // Whole triangles only: a list always holds three corners per triangle. A
  // star map left out still sets its texture, which the stage keeps.
  if (hasBGSG_) {
    for (std::size_t k = 0; k < 2; ++k) {
      TextureStage& stage = device_.Stage();
      stage.colourOp = kOpSelectArg1;
      stage.colourArg1 = kArgTexture;
      stage.colourArg2 = kArgDiffuse;
      stage.alphaOp = kOpAdd;
      device_.SetTexture(starMapTextures_[k]);
      device_.Draw(starMapBuffers_[k], GlDevice::Layout::ColouredTextured, GlDevice::Primitive::TriangleList,
                   starMapVertexCounts_[k] / 3);
    }
  }
  // The texture last set stays on the stage for the mesh and the points.
  if (hasBGMS_) {
    TextureStage& stage = device_.Stage();
    stage.colourOp = kOpSelectArg2;
    stage.colourArg1 = kArgTexture;
    stage.colourArg2 = kArgDiffuse;
    device_.Draw(meshBuffer_, GlDevice::Layout::Coloured, GlDevice::Primitive::TriangleList, meshVertexCount_ / 3);
  }
  if (hasSTRF_ && starCount_ > 0) {
    TextureStage& stage = device_.Stage();
    stage.colourOp = kOpAdd;
    stage.colourArg1 = kArgTexture;
    stage.colourArg2 = kArgDiffuse;
    device_.Draw(starBuffer_, GlDevice::Layout::Coloured, GlDevice::Primitive::PointList, starCount_);
  }
}

void PreviewWindow::SetupMatrices() {
  transforms_ = TransformsAtAngle(TimeAngle(options_.clock()));
  device_.SetTransforms(transforms_);
}

void PreviewWindow::DragRotate(int16_t x, int16_t y) {
  const std::optional<float> angle = drag_.Move(x, y);
  if (!angle) return;
  transforms_ = TransformsAtAngle(*angle);
  device_.SetTransforms(transforms_);
}

void PreviewWindow::Picture2_MouseDown(double x, double y) { drag_.Press(RoundToInt16(x), RoundToInt16(y)); }

void PreviewWindow::Picture2_MouseUp() { drag_.Release(); }

void PreviewWindow::Picture2_MouseMove(double x, double y) {
  if (!drag_.dragging) return;
  DragRotate(RoundToInt16(x), RoundToInt16(y));
  Render();
}

void PreviewWindow::BackgroundOnlyClicked() {
  mnuBGMSonly->setChecked(true);
  hasBGMS_ = true;
  hasBGSG_ = false;
  hasSTRF_ = false;
  Render();
}

void PreviewWindow::StarMapsOnlyClicked() {
  mnuBGSGonly->setChecked(true);
  hasBGMS_ = false;
  hasBGSG_ = true;
  hasSTRF_ = false;
  Render();
}

void PreviewWindow::StarsOnlyClicked() {
  mnuSTRFonly->setChecked(true);
  hasBGMS_ = false;
  hasBGSG_ = false;
  hasSTRF_ = true;
  Render();
}

void PreviewWindow::ViewAllClicked() {
  mnuViewAll->setChecked(true);
  hasBGMS_ = true;
  if (starMapsReady_) hasBGSG_ = true;
  hasSTRF_ = true;
  Render();
}

void PreviewWindow::WriteClicked() { owner_.WriteHod(); }

void PreviewWindow::closeEvent(QCloseEvent* e) {
  if (!unloaded_) {
    unloaded_ = true;
    animating_ = false;
    Timer2->stop();
    Cleanup();
    owner_.PreviewClosed();
  }
  e->accept();
}

}  // namespace sq

namespace sq {

void PreviewWindow::FollowVisibility() {
  const bool seen = isVisible() && !isMinimized();
  if (!animating_ || !seen) {
    Timer2->stop();
    return;
  }
  if (Timer2->isActive()) return;
  Timer2->start();
  Render();  // at once, at the clock's angle of now
}

void PreviewWindow::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  FollowVisibility();
}

void PreviewWindow::hideEvent(QHideEvent* e) {
  QMainWindow::hideEvent(e);
  // A button let go while the window was away is never reported: the drag ends here.
  drag_.Release();
  FollowVisibility();
}

void PreviewWindow::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange) {
    if (isMinimized()) drag_.Release();
    FollowVisibility();
  }
}

}  // namespace sq
