// The preview window: the background mesh, the two star-map layers and the point
// stars seen from inside the background sphere, turning slowly with time and by
// hand with a mouse drag, with menu items for the layers and "Write HOD".
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QOpenGLWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "hod/hod_walk.h"
#include "hod/message.h"
#include "preview/gl_device.h"
#include "preview/preview_lists.h"
#include "preview/preview_math.h"

class QAction;
class QActionGroup;
class QMenu;
class QTimer;
class QLabel;

namespace sq {

// What the window that opens the preview does for it.
class PreviewOwner {
 public:
  virtual ~PreviewOwner() = default;
  // Shows what the preview has to tell a person (a layer or the whole preview
  // that cannot be set up).
  virtual void ShowMessage(const Message& message) = 0;
  // The preview is loading: progress back to 0, pending events run, the owner hides.
  virtual void PreviewOpened() = 0;
  // The preview closed, or could not set up at all: the owner shows itself again.
  virtual void PreviewClosed() = 0;
  virtual void WriteHod() = 0;
};

// What the preview shows: the vertex lists, the layers present, and where the
// background came from.
struct PreviewSource {
  const PreviewLists* lists = nullptr;
  bool hasBGMS = false;
  bool hasBGSG = false;
  bool hasSTRF = false;
  bool backgroundFromHod = false;
  // What the caption names: the picture's file name ("BASE.tga") for a background
  // built from it, the file's name for one read from a HOD file.
  std::string shownName;
  // Shown beside the rotate hint: why the picture may be incomplete (a walk that
  // ended early). Empty for a whole file.
  std::string note;
};

// What a preview of a model walked from the file `fileName` shows: its lists,
// built here into `lists`, which the caller keeps beside the model while the
// preview is open, and the layers the file held. "Write HOD" is off.
PreviewSource PreviewOfModel(const Model& model, PreviewLists& lists, const std::string& fileName);

// What a preview of a background built from the picture `shownName` ("sky.tga")
// shows: its lists, built here into `lists`, and its layers. It was not read
// from a HOD file, so "Write HOD" is on.
PreviewSource PreviewOfBackground(const BackgroundTables& background, PreviewLists& lists, std::string shownName);

// The exit status of a screenshot whose preview could not set up at all.
inline constexpr int kPreviewFailedStatus = 3;

// Keeps a top-level window, frame and all, within the available area of the
// screen it is on: smaller where it would not fit, moved where it stands out.
void FitWindowToScreen(QWidget& window);

// Picture2: the drawing area. The window draws each frame straight into it
// (`paint`, in the area's own OpenGL context, in device pixels), and it hands its
// mouse events to the window.
class PreviewPicture : public QOpenGLWidget {
 public:
  explicit PreviewPicture(QWidget* parent);
  std::function<void()> paint;
  std::function<void(double x, double y)> mouseDown, mouseMove;
  std::function<void()> mouseUp;

 protected:
  void paintGL() override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
};

class PreviewWindow : public QMainWindow {
 public:
  struct Options {
    std::filesystem::path programFolder;  // where "B02.tga" and "B03.tga" stand
    // Picture2 at load, in the window's own units; never larger than the screen
    // allows. The back buffer has as many device pixels as Picture2 shows.
    QSize drawingSize{600, 600};
    // Device pixels per unit of the back buffer; 0: those of the window's screen
    // (2 at QT_SCALE_FACTOR=2). The screenshot command draws at 1.
    qreal pixelRatio = 0;
    // False for a window that is drawn but never shown (the screenshot command):
    // its drawing area keeps the size asked for, whatever the screen.
    bool fitScreen = true;
    // Seconds since midnight; the picture turns with it.
    std::function<double()> clock;
    // Each frame drawn off screen, read back and painted as a picture, as it
    // must be where the area's context shares nothing with the device's; the
    // benchmark measures what drawing straight to the screen saves.
    bool paintReadBack = false;
  };

  PreviewWindow(PreviewOwner& owner, PreviewSource source, Options options);
  ~PreviewWindow() override;

  // Sets everything up and starts the timer. A layer that cannot be set up is
  // left out and named in the status bar (Notes). Returns false when nothing can
  // be drawn at all: the message was shown and the owner told the preview has
  // gone; the caller deletes the window.
  bool Form_Load();

  bool SetUpOpenGl(QWidget* target);
  bool InitBackground();
  bool InitStarMaps();
  bool InitStars();
  void Cleanup();
  void Render();
  void SetupMatrices();

  // Menu items, mouse and timer, as a user or a test drives them.
  void BackgroundOnlyClicked();
  void StarMapsOnlyClicked();
  void StarsOnlyClicked();
  void ViewAllClicked();
  void WriteClicked();
  void Picture2_MouseDown(double x, double y);
  void Picture2_MouseUp();
  void Picture2_MouseMove(double x, double y);
  void Timer2_Timer() { Render(); }

  // Screenshots and tests: with capture on, each Render also draws the frame
  // into the offscreen back buffer and reads it back (LastFrame). Off, a frame
  // only goes to the screen.
  void SetCapture(bool on) { capture_ = on; }
  const QImage& LastFrame() const { return frame_; }
  // One frame drawn off screen and read back, as Render would draw it now.
  QImage GrabFrame();
  // Frames painted on screen, and read-backs, since the window was set up.
  int ScreenFrames() const { return framesPainted_; }
  int ReadBacks() const { return device_.ReadBacks(); }
  // What the status bar says beside the rotate hint: the source's note and the
  // layers left out.
  std::string Notes() const;
  // The layers left out, one sentence each.
  const std::vector<std::string>& LeftOut() const { return leftOut_; }
  // A star-map texture of the program's own could not be loaded: the program is
  // not installed whole (a file's empty layer is the file's business).
  bool TextureMissing() const { return textureMissing_; }
  // A line for the status bar for a while (what "Write HOD" did).
  void ShowStatus(const std::string& text);
  const PreviewTransforms& Transforms() const { return transforms_; }
  bool LayerMesh() const { return hasBGMS_; }
  bool LayerStarMaps() const { return hasBGSG_; }
  bool LayerStars() const { return hasSTRF_; }

  QMenu* mnuView = nullptr;
  // The four layer items, one of them checked: the layer mode in force.
  QActionGroup* layerGroup = nullptr;
  QAction* mnuBGMSonly = nullptr;
  QAction* mnuBGSGonly = nullptr;
  QAction* mnuSTRFonly = nullptr;
  QAction* mnuViewAll = nullptr;
  QAction* mnuWrite = nullptr;
  PreviewPicture* Picture2 = nullptr;
  QTimer* Timer2 = nullptr;
  QLabel* StatusBar1 = nullptr;
  QLabel* lblNote = nullptr;  // the source's note, beside StatusBar1
  // Esc and Ctrl+W close the window.
  QAction* actClose = nullptr;

 protected:
  void closeEvent(QCloseEvent* e) override;  // Form_Unload
  // Nothing is drawn while nothing can be seen: the timer stops while the window
  // is hidden or minimised, and takes up the clock's angle when it is shown.
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void DragRotate(int16_t x, int16_t y);
  bool Fail(const char* message);
  // Notes a layer left out: said in the status bar.
  void LeaveOut(const std::string& note);
  // The layers as they stand, into the device's current target.
  void DrawLayers();
  void PaintOnScreen();
  qreal PixelRatio() const;
  void FollowVisibility();

  PreviewOwner& owner_;
  PreviewSource source_;
  Options options_;
  GlDevice device_;
  // The layer switches, starting from what the file held.
  bool hasBGMS_ = false, hasBGSG_ = false, hasSTRF_ = false;
  bool starMapsReady_ = false;
  unsigned meshBuffer_ = 0, starBuffer_ = 0;
  std::array<unsigned, 2> starMapBuffers_{};
  std::array<unsigned, 2> starMapTextures_{};
  std::array<int, 2> starMapVertexCounts_{};
  int meshVertexCount_ = 0, starCount_ = 0;
  DragState drag_;
  PreviewTransforms transforms_;
  QImage frame_;
  bool capture_ = false;
  int framesPainted_ = 0;
  bool textureMissing_ = false;
  std::vector<std::string> leftOut_;
  bool unloaded_ = false;
  bool animating_ = false;  // set up and not closed: the timer runs whenever the window can be seen
};

// Seconds since local midnight, the clock the preview turns with.
double SecondsSinceMidnight();

}  // namespace sq
