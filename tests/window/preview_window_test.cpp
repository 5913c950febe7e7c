// The preview window's View menu, its failure messages, its timer while hidden
// and the way it closes.
#include <gtest/gtest.h>

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "tests/window/window_fixture.h"

using namespace sqtest;

namespace {

enum Layers { kMesh = 1, kMaps = 2, kStars = 4 };

// A window over a scene of the layers flagged; with `starsListed` false the
// point stars are flagged but none is in the list.
std::unique_ptr<PreviewRig> Scene(int layers, bool starsListed = true) {
  auto rig = std::make_unique<PreviewRig>();
  const uint32_t c = Argb(40, 40, 40);
  AddTriangle(rig->lists, V(-10, -10, 0, c), V(0, 10, 0, c), V(10, -10, 0, c));
  AddSquare(rig->lists.starMapPreview[0], -5, -5, 5, 5, 50);
  AddSquare(rig->lists.starMapPreview[1], 5, 5, 15, 15, 50);
  if (starsListed) AddStar(rig->lists, V(0, 20, -10, Argb(255, 255, 255)));
  rig->source.hasBGMS = (layers & kMesh) != 0;
  rig->source.hasBGSG = (layers & kMaps) != 0;
  rig->source.hasSTRF = (layers & kStars) != 0;
  WriteSolidTextures(rig->textures.path(), QColor(90, 90, 90), QColor(120, 120, 120));
  return rig;
}

std::unique_ptr<PreviewRig> Loaded(int layers, bool starsListed = true) {
  auto rig = Scene(layers, starsListed);
  EXPECT_TRUE(rig->Load());
  return rig;
}

// Which of View, "Background only", "Star-maps only", "Point-stars only" and "View All" are on.
std::string Menus(const sq::frmBGdisplay& w) {
  std::string on(1, w.mnuView->isEnabled() ? '1' : '0');
  for (const QAction* a : {w.mnuBGMSonly, w.mnuBGSGonly, w.mnuSTRFonly, w.mnuViewAll}) on += a->isEnabled() ? '1' : '0';
  return on;
}

}  // namespace

TEST(PreviewWindow, TheViewMenuFollowsTheLayersPresentAndMarksTheMode) {
  EXPECT_EQ(Menus(*Loaded(kMesh | kMaps)->window).front(), '0');  // no point stars: the whole View menu is off
  EXPECT_EQ(Menus(*Loaded(kMesh | kMaps | kStars, false)->window).front(), '0');  // flagged, but none listed
  EXPECT_EQ(Menus(*Loaded(kMesh | kStars)->window), "11011");  // no star maps: only "Star-maps only" is off

  // With all three the items are a checkable group, marking the mode shown.
  const auto rig = Loaded(kMesh | kMaps | kStars);
  sq::frmBGdisplay& w = *rig->window;
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

  // "View All" brings star maps back only where they were set up.
  const auto without = Loaded(kMesh | kStars);
  without->window->mnuBGMSonly->trigger();
  without->window->mnuViewAll->trigger();
  EXPECT_TRUE(without->window->LayerMesh() && without->window->LayerStars());
  EXPECT_FALSE(without->window->LayerStarMaps());
}

TEST(PreviewWindow, FailedSetUpsShowTheirMessageAndEndTheProgram) {
  const auto fails = [](PreviewRig& rig, const std::string& message) {
    EXPECT_FALSE(rig.Load());
    EXPECT_EQ(rig.owner.recorder.messages, std::vector<std::string>{std::string(sq::kAppTitle) + ": " + message});
    EXPECT_EQ(rig.owner.endStatus, sq::kPreviewFailedStatus);
  };
  auto rig = Scene(kMesh | kMaps | kStars);  // the second star map has no squares
  rig->lists.starMapPreview[1] = {};
  fails(*rig, "Unable to create vertex buffer for BGSG star-maps.");
  rig = Scene(kMesh | kStars);  // a BGMS form that gave no triangles
  rig->lists.meshPreviewVertices.clear();
  rig->lists.meshPreviewCount = 0;
  fails(*rig, "Unable to create vertex buffer for BGMS background-mesh.");
  rig = Scene(kMesh | kStars);  // a count that claims more vertices than the list holds
  rig->lists.starPreviewCount = 5;
  fails(*rig, "Unable to create vertex buffer for STRF point-stars.");
  rig = Scene(kMesh | kStars);  // no drawing area, no device
  rig->size = QSize(0, 0);
  fails(*rig, "Unable to do a 'CreateDevice' (see InitD3D() source for comments)");
}

TEST(PreviewWindow, NothingIsDrawnWhileTheWindowCannotBeSeenNorOnceItIsClosed) {
  const auto rig = Loaded(kMesh | kMaps | kStars);
  sq::frmBGdisplay& w = *rig->window;
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_TRUE(w.Timer2->isActive());

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
  EXPECT_EQ(rig->owner.closed, 1);
  const QImage before = w.LastFrame();
  rig->now = 1234;
  w.Render();
  EXPECT_EQ(w.LastFrame(), before);
  w.show();
  EXPECT_FALSE(w.Timer2->isActive());
}
