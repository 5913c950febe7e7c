// The preview's pictures read back pixel by pixel: placement through the
// transforms, face culling, the MAX blend, the texture-stage colours, turning
// with time and by drag.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include "tests/window/window_fixture.h"

using namespace sqtest;
using sq::ProjectToScreen;
using sq::TransformsAtAngle;

namespace {

const QColor kMap1(200, 40, 90), kMap2(30, 180, 60);
const QColor kMesh(50, 150, 30);

// A scene of all three layers: a large mesh triangle through the centre, the
// first star map as a square behind it, the second off to the upper right, and
// one point star in front of the mesh over empty sky; and a mesh triangle facing away.
void FullScene(PreviewRig& rig) {
  AddTriangle(rig.lists, V(-100, -100, 0, Argb(50, 150, 30)), V(0, 100, 0, Argb(50, 150, 30)),
              V(100, -100, 0, Argb(50, 150, 30)));
  AddSquare(rig.lists.starMapPreview[0], -30, -60, 30, 0, 50);
  AddSquare(rig.lists.starMapPreview[1], 80, 80, 120, 120, 60);
  AddStar(rig.lists, V(-70, 70, -50, Argb(10, 20, 200)));
  // A triangle wound the other way, right of the mesh: a back face, not drawn.
  AddTriangle(rig.lists, V(60, -40, 0, Argb(255, 255, 255)), V(140, -40, 0, Argb(255, 255, 255)),
              V(100, 40, 0, Argb(255, 255, 255)));
  rig.source.hasBGMS = rig.source.hasBGSG = rig.source.hasSTRF = true;
  WriteSolidTextures(rig.textures.path(), kMap1, kMap2);
}

}  // namespace

TEST(PreviewRender, LayersBlendInTheirColoursBackFacesAreCulledAndTheViewMenuChooses) {
  PreviewRig rig;
  FullScene(rig);
  ASSERT_TRUE(rig.Load());
  QImage frame = rig.Frame();
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
  EXPECT_EQ(Pixel(frame, meshOnly->x, meshOnly->y), kMesh);
  // The second star map alone, in its texture's colour.
  const auto second = ProjectToScreen(t, 100, 100, 60, 200, 200);
  EXPECT_EQ(Pixel(frame, second->x, second->y), kMap2);
  // A point star: the texture left on the stage (the second map's) at (0, 0)
  // plus the star's colour, each channel held at full.
  const auto star = ProjectToScreen(t, -70, 70, -50, 200, 200);
  EXPECT_TRUE(ColourNear(frame, star->x, star->y, QColor(40, 200, 255)));

  rig.window->mnuBGMSonly->trigger();
  frame = rig.window->LastFrame();
  EXPECT_EQ(Pixel(frame, both->x, both->y), kMesh);
  EXPECT_FALSE(ColourNear(frame, star->x, star->y, QColor(40, 200, 255)));
  rig.window->mnuBGSGonly->trigger();
  EXPECT_EQ(Pixel(rig.window->LastFrame(), both->x, both->y), kMap1);
  rig.window->mnuSTRFonly->trigger();
  frame = rig.window->LastFrame();
  EXPECT_EQ(Pixel(frame, both->x, both->y), QColor(Qt::black));
  EXPECT_TRUE(ColourNear(frame, star->x, star->y, QColor(40, 200, 255)));
  rig.window->mnuViewAll->trigger();
  EXPECT_EQ(Pixel(rig.window->LastFrame(), both->x, both->y), QColor(200, 150, 90));
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
  EXPECT_NE(atStart, later);
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
  mouse(QEvent::MouseMove, 150, 30, Qt::NoButton, Qt::RightButton);
  EXPECT_EQ(rig.window->Transforms(), TransformsAtAngle(-1.0f));
  const QImage dragged = rig.window->LastFrame();
  mouse(QEvent::MouseMove, 150, 90, Qt::NoButton, Qt::RightButton);  // only y changed: the same picture
  EXPECT_EQ(rig.window->LastFrame(), dragged);
  rig.now = 7;
  rig.window->Timer2_Timer();  // ticks while the button is held keep the drag
  EXPECT_EQ(rig.window->LastFrame(), dragged);
  mouse(QEvent::MouseButtonRelease, 150, 90, Qt::RightButton, Qt::NoButton);

  PreviewRig other;
  other.lists = rig.lists;
  other.source.hasBGMS = other.source.hasSTRF = true;
  other.now = -10;  // a clock angle of exactly -1
  ASSERT_TRUE(other.Load());
  EXPECT_EQ(other.Frame(), dragged);

  // Released: the next tick is driven by the clock again.
  rig.now = 3;
  rig.window->Timer2_Timer();
  EXPECT_EQ(rig.window->LastFrame(), later);
}
