// The preview window: its pictures read back pixel by pixel (placement, face
// culling, the MAX blend, the texture-stage colours, turning with time and by
// drag), its View menu, the layers it leaves out, its timer while hidden and the
// way it closes; and at QT_SCALE_FACTOR=2 (CTest's window_tests_scale2) it draws
// in device pixels: a point star stays one pixel wide, no window outgrows its screen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>

#include "tests/window/window_fixture.h"

using namespace sqtest;
using sq::ProjectToScreen;
using sq::TransformsAtAngle;

namespace {

const QColor kMap1(200, 40, 90), kMap2(30, 180, 60);
const QColor kMeshColour(50, 150, 30);

enum Layers { kMesh = 1, kMaps = 2, kStars = 4, kAll = 7 };

// A scene of all three layers, flagged as `layers` says: a large mesh triangle
// through the centre, the first star map as a square behind it, the second off to
// the upper right, and one point star in front of the mesh over empty sky; and a
// mesh triangle facing away.
std::unique_ptr<PreviewRig> Scene(int layers = kAll) {
  auto rig = std::make_unique<PreviewRig>();
  sq::PreviewLists& lists = rig->lists;
  AddTriangle(lists, V(-100, -100, 0, Argb(50, 150, 30)), V(0, 100, 0, Argb(50, 150, 30)),
              V(100, -100, 0, Argb(50, 150, 30)));
  AddSquare(lists.starMapPreview[0], -30, -60, 30, 0, 50);
  AddSquare(lists.starMapPreview[1], 80, 80, 120, 120, 60);
  AddStar(lists, V(-70, 70, -50, Argb(10, 20, 200)));
  // A triangle wound the other way, right of the mesh: a back face, not drawn.
  AddTriangle(lists, V(60, -40, 0, Argb(255, 255, 255)), V(140, -40, 0, Argb(255, 255, 255)),
              V(100, 40, 0, Argb(255, 255, 255)));
  rig->source.hasBGMS = (layers & kMesh) != 0;
  rig->source.hasBGSG = (layers & kMaps) != 0;
  rig->source.hasSTRF = (layers & kStars) != 0;
  WriteSolidTextures(rig->textures.path(), kMap1, kMap2);
  return rig;
}

std::unique_ptr<PreviewRig> Loaded(int layers) {
  auto rig = Scene(layers);
  EXPECT_TRUE(rig->Load());
  return rig;
}

// Which of View, "Background only", "Star-maps only", "Point-stars only" and "View All" are on.
std::string Menus(const sq::PreviewWindow& w) {
  std::string on(1, w.mnuView->isEnabled() ? '1' : '0');
  for (const QAction* a : {w.mnuBGMSonly, w.mnuBGSGonly, w.mnuSTRFonly, w.mnuViewAll}) on += a->isEnabled() ? '1' : '0';
  return on;
}

// The picture area of the preview as the screen shows it, in device pixels.
QImage OnScreen(const sq::PreviewWindow& w) {
  const QPixmap shot = w.screen()->grabWindow(w.winId());
  const qreal ratio = shot.devicePixelRatio();
  const QRect area(w.Picture2->mapTo(&w, QPoint(0, 0)) * ratio, w.Picture2->size() * ratio);
  return shot.toImage().copy(area);
}

bool AtScaleTwo() { return qFuzzyCompare(qApp->devicePixelRatio(), 2.0); }

bool Fits(const QWidget& w) { return w.screen()->availableGeometry().contains(w.frameGeometry()); }

}  // namespace

TEST(PreviewRender, LayersBlendInTheirColoursBackFacesAreCulledAndTheViewMenuChooses) {
  const auto rig = Scene();
  ASSERT_TRUE(rig->Load());
  QImage frame = rig->Frame();
  ASSERT_EQ(frame.size(), QSize(200, 200));
  const auto t = TransformsAtAngle(0);
  const auto culled = ProjectToScreen(t, 100, -13, 0, 200, 200);
  ASSERT_TRUE(culled);
  EXPECT_EQ(Pixel(frame, culled->x, culled->y), QColor(Qt::black));
  EXPECT_EQ(Pixel(frame, 5, 5), QColor(Qt::black));

  // Where the first star map lies behind the mesh each channel keeps the brighter.
  const auto both = ProjectToScreen(t, 0, -30, 50, 200, 200);
  EXPECT_EQ(Pixel(frame, both->x, both->y), QColor(200, 150, 90));
  // The mesh alone, near its lower left corner.
  const auto meshOnly = ProjectToScreen(t, -80, -90, 0, 200, 200);
  EXPECT_EQ(Pixel(frame, meshOnly->x, meshOnly->y), kMeshColour);
  // The second star map alone, in its texture's colour.
  const auto second = ProjectToScreen(t, 100, 100, 60, 200, 200);
  EXPECT_EQ(Pixel(frame, second->x, second->y), kMap2);
  // A point star: the texture left on the stage (the second map's) at (0, 0)
  // plus the star's colour, each channel held at full.
  const auto star = ProjectToScreen(t, -70, 70, -50, 200, 200);
  EXPECT_TRUE(ColourNear(frame, star->x, star->y, QColor(40, 200, 255)));

  rig->window->mnuBGMSonly->trigger();
  frame = rig->window->LastFrame();
  EXPECT_EQ(Pixel(frame, both->x, both->y), kMeshColour);
  EXPECT_FALSE(ColourNear(frame, star->x, star->y, QColor(40, 200, 255)));
  rig->window->mnuBGSGonly->trigger();
  EXPECT_EQ(Pixel(rig->window->LastFrame(), both->x, both->y), kMap1);
  rig->window->mnuSTRFonly->trigger();
  frame = rig->window->LastFrame();
  EXPECT_EQ(Pixel(frame, both->x, both->y), QColor(Qt::black));
  EXPECT_TRUE(ColourNear(frame, star->x, star->y, QColor(40, 200, 255)));
  rig->window->mnuViewAll->trigger();
  EXPECT_EQ(Pixel(rig->window->LastFrame(), both->x, both->y), QColor(200, 150, 90));
}

TEST(PreviewRender, ThePictureTurnsWithTimeAndFollowsADrag) {
  PreviewRig rig;
  const uint32_t c = Argb(220, 220, 40);
  AddTriangle(rig.lists, V(-15, -15, -100, c), V(0, 15, -100, c), V(15, -15, -100, c));
  AddStar(rig.lists, V(0, 60, -100, Argb(0, 0, 0)));
  rig.source.hasBGMS = rig.source.hasSTRF = true;
  ASSERT_TRUE(rig.Load());

  rig.now = 0;
  const QImage atStart = rig.Frame();
  rig.now = 3;  // 0.3 radian later
  const QImage later = rig.Frame();
  const auto p0 = ProjectToScreen(TransformsAtAngle(0), 0, -5, -100, 200, 200);
  const auto p3 = ProjectToScreen(TransformsAtAngle(0.3f), 0, -5, -100, 200, 200);
  EXPECT_EQ(Pixel(atStart, p0->x, p0->y), QColor(220, 220, 40));
  EXPECT_EQ(Pixel(later, p3->x, p3->y), QColor(220, 220, 40));
  EXPECT_EQ(Pixel(later, p0->x, p0->y), QColor(Qt::black));

  // A drag with any button to x = 150 shows the picture of the angle -1, whatever
  // the clock and y; a move without a button held changes nothing.
  const auto mouse = [&](QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(x, y), QPointF(x, y), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(rig.window->Picture2, &event);
  };
  mouse(QEvent::MouseMove, 75, 20, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(rig.window->Transforms(), TransformsAtAngle(0.3f));
  mouse(QEvent::MouseButtonPress, 10, 10, Qt::RightButton, Qt::RightButton);
  mouse(QEvent::MouseMove, 150, 10, Qt::NoButton, Qt::RightButton);  // only x changed: the picture turns
  EXPECT_EQ(rig.window->Transforms(), TransformsAtAngle(-1.0f));
  const QImage dragged = rig.window->LastFrame();
  mouse(QEvent::MouseMove, 150, 90, Qt::NoButton, Qt::RightButton);  // only y changed: the same picture
  EXPECT_EQ(rig.window->LastFrame(), dragged);
  rig.now = 7;
  rig.window->Timer2_Timer();  // ticks while the button is held keep the drag
  EXPECT_EQ(rig.window->LastFrame(), dragged);
  mouse(QEvent::MouseButtonRelease, 150, 90, Qt::RightButton, Qt::NoButton);

  // Released: the next tick is driven by the clock again; at a clock angle of
  // exactly -1 it draws the drag's picture.
  rig.now = -10;
  rig.window->Timer2_Timer();
  EXPECT_EQ(rig.window->LastFrame(), dragged);
  rig.now = 3;
  rig.window->Timer2_Timer();
  EXPECT_EQ(rig.window->LastFrame(), later);
}

TEST(PreviewWindow, TheViewMenuFollowsTheLayersPresentAndMarksTheMode) {
  EXPECT_EQ(Menus(*Loaded(kMesh | kMaps)->window).front(), '0');  // no point stars: the whole View menu is off
  const auto unlisted = Scene(kAll);                              // flagged, but none listed
  unlisted->lists.starPreviewCount = 0;
  ASSERT_TRUE(unlisted->Load());
  EXPECT_EQ(Menus(*unlisted->window).front(), '0');
  EXPECT_EQ(Menus(*Loaded(kMesh | kStars)->window), "11011");  // no star maps: only "Star-maps only" is off

  // With all three the items are a checkable group, marking the mode shown.
  const auto rig = Loaded(kAll);
  sq::PreviewWindow& w = *rig->window;
  EXPECT_EQ(Menus(w), "11111");
  const auto checked = [&] {
    std::vector<QAction*> on;
    for (QAction* a : w.mnuView->actions()) {
      EXPECT_TRUE(a->isCheckable());
      if (a->isChecked()) on.push_back(a);
    }
    return on;
  };
  EXPECT_EQ(checked(), std::vector<QAction*>{w.mnuViewAll});
  for (QAction* item : {w.mnuBGSGonly, w.mnuSTRFonly, w.mnuSTRFonly, w.mnuBGMSonly, w.mnuViewAll}) {
    item->trigger();
    EXPECT_EQ(checked(), std::vector<QAction*>{item}) << item->objectName().toStdString();
  }
}

// A layer that cannot be set up is left out, named in the status bar, and the
// View menu offers what remains; the preview opens all the same (only one
// without a device gives up: MainWindow.APreviewWithoutADevice...).
TEST(PreviewWindow, LayersThatCannotBeSetUpAreLeftOutAndNamed) {
  const auto opens = [](PreviewRig& rig, const std::vector<std::string>& leftOut, const std::string& menus) {
    ASSERT_TRUE(rig.Load());
    EXPECT_TRUE(rig.recorder.messages.empty());
    EXPECT_EQ(rig.window->LeftOut(), leftOut);
    EXPECT_EQ(rig.window->lblNote->text().toStdString(), rig.window->Notes());
    EXPECT_EQ(Menus(*rig.window), menus);
    EXPECT_EQ(rig.closed, 0);
  };
  auto rig = Scene(kAll);  // the second star map has no squares: the first is drawn alone
  rig->lists.starMapPreview[1] = {};
  opens(*rig, {"Star map 2 holds no star: not shown."}, "11111");
  rig->window->mnuBGSGonly->trigger();
  const auto centre = ProjectToScreen(rig->window->Transforms(), 0, -30, 50, 200, 200);
  ASSERT_TRUE(centre);
  EXPECT_EQ(Pixel(rig->window->LastFrame(), centre->x, centre->y), kMap1);

  rig = Scene(kAll);  // both empty, as a picture without 2 x 2 stars or spots builds them
  rig->lists.starMapPreview = {};
  opens(*rig, {"Star map 1 holds no star: not shown.", "Star map 2 holds no star: not shown."}, "11011");
  EXPECT_FALSE(rig->window->LayerStarMaps());
  rig->window->mnuBGMSonly->trigger();
  rig->window->mnuViewAll->trigger();  // brings star maps back only where they were set up
  EXPECT_TRUE(rig->window->LayerMesh() && rig->window->LayerStars());
  EXPECT_FALSE(rig->window->LayerStarMaps());

  rig = Scene(kMesh | kStars);  // a BGMS form that gave no triangles
  rig->lists.meshPreviewVertices.clear();
  rig->lists.meshPreviewCount = 0;
  opens(*rig, {"The background mesh holds no triangle: not shown."}, "01011");
  EXPECT_FALSE(rig->window->LayerMesh());
  EXPECT_GT(LitPixels(rig->Frame()), 0);  // the point star

  rig = Scene(kMesh | kStars);  // a count that claims more vertices than the list holds
  rig->lists.starPreviewCount = 5;
  opens(*rig, {"The point stars could not be set up: not shown."}, "01011");
  EXPECT_FALSE(rig->window->LayerStars());
}

TEST(PreviewWindow, NothingIsDrawnWhileTheWindowCannotBeSeenNorOnceItIsClosed) {
  const auto rig = Loaded(kAll);
  sq::PreviewWindow& w = *rig->window;
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.Picture2_MouseDown(10, 10);  // a drag that the hiding cuts short
  w.hide();
  EXPECT_FALSE(w.Timer2->isActive());
  QSignalSpy ticks(w.Timer2, &QTimer::timeout);
  QTest::qWait(120);  // three intervals
  EXPECT_EQ(ticks.count(), 0);

  // Shown again: at once at the clock's angle, the drag forgotten.
  rig->now = 500;
  w.show();
  EXPECT_TRUE(w.Timer2->isActive());
  EXPECT_EQ(w.Transforms(), sq::TransformsAtAngle(sq::TimeAngle(500)));

  w.showMinimized();
  EXPECT_FALSE(w.Timer2->isActive());
  rig->now = 900;
  w.showNormal();
  EXPECT_TRUE(w.Timer2->isActive());
  EXPECT_EQ(w.Transforms(), sq::TransformsAtAngle(sq::TimeAngle(900)));

  // Closed by Escape: the owner is told once, the drawing is released and the timer stays stopped, shown or not.
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTest::keySequence(&w, QKeySequence(Qt::Key_Escape));
  EXPECT_FALSE(w.isVisible());
  w.close();
  EXPECT_EQ(rig->closed, 1);
  const QImage before = w.LastFrame();
  rig->now = 1234;
  w.Render();
  EXPECT_EQ(w.LastFrame(), before);
  w.show();
  EXPECT_FALSE(w.Timer2->isActive());
}

// Shown, the preview draws each tick into its area on screen and reads nothing
// back; what the screen shows is the picture a screenshot reads back.
TEST(PreviewWindow, DrawsStraightToTheScreenAndReadsBackOnlyForAScreenshot) {
  auto rig = Scene(kAll);
  rig->capture = false;
  ASSERT_TRUE(rig->Load());
  sq::PreviewWindow& w = *rig->window;
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.Timer2->start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.ScreenFrames() >= 5; }));
  EXPECT_EQ(w.ReadBacks(), 0);

  w.Timer2->stop();  // the clock stands still: every frame is the same
  const QImage grabbed = w.GrabFrame().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(w.ReadBacks(), 1);
  EXPECT_GT(LitPixels(grabbed), 200 * 200 / 4);  // the mesh covers much of it
  QImage shown;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (shown = OnScreen(w).convertToFormat(QImage::Format_RGB32)) == grabbed; }))
      << LitPixels(shown) << " lit on screen, " << LitPixels(grabbed) << " read back";
}

TEST(HighDpi, APointStarStaysOneDevicePixelWide) {
  if (!AtScaleTwo()) GTEST_SKIP() << "runs at QT_SCALE_FACTOR=2";
  PreviewRig rig;
  rig.size = QSize(120, 120);
  AddStar(rig.lists, V(0, 0, 0, Argb(255, 255, 255)));  // on the axis: the middle of the picture
  rig.source.hasSTRF = true;
  ASSERT_TRUE(rig.Load());
  rig.window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(rig.window.get()));
  QImage shown;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (shown = OnScreen(*rig.window), LitPixels(shown) > 0); }));
  EXPECT_EQ(LitPixels(shown), 1);
}

TEST(HighDpi, NoWindowIsLargerThanItsScreen) {
  if (!AtScaleTwo()) GTEST_SKIP() << "runs at QT_SCALE_FACTOR=2";
  // A 600 x 600 picture is 1200 device pixels high: more than the virtual screen has.
  MainRig rig(std::nullopt, QSize(600, 600));
  EXPECT_TRUE(Fits(*rig.window));
  WriteBytes(rig.maps / "sky.hod", StarsHod());
  rig.Report(rig.maps / "sky.hod");
  sq::PreviewWindow* preview = rig.window->preview();
  ASSERT_NE(preview, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
  EXPECT_TRUE(Fits(*preview)) << preview->frameGeometry().height() << " > "
                              << preview->screen()->availableGeometry().height();
  // Sharp at the size it got: as many pixels as the area shows, in device pixels.
  EXPECT_EQ(preview->GrabFrame().size(), preview->Picture2->size() * 2);
}
