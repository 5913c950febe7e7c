// The preview window's menus, caption, status text, failure messages and the
// way it closes.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "tests/window/preview_fixture.h"

using namespace sqtest;

namespace {

enum Layers { kMesh = 1, kMaps = 2, kStars = 4 };

void Scene(PreviewRig& rig, int layers) {
  const uint32_t c = Argb(40, 40, 40);
  AddTriangle(rig.lists, V(-10, -10, 0, c), V(0, 10, 0, c), V(10, -10, 0, c));
  AddSquare(rig.lists.starMapPreview[0], -5, -5, 5, 5, 50);
  AddSquare(rig.lists.starMapPreview[1], 5, 5, 15, 15, 50);
  AddStar(rig.lists, V(0, 20, -10, Argb(255, 255, 255)));
  rig.source.hasBGMS = (layers & kMesh) != 0;
  rig.source.hasBGSG = (layers & kMaps) != 0;
  rig.source.hasSTRF = (layers & kStars) != 0;
  WriteSolidTextures(rig.textures.path(), QColor(90, 90, 90), QColor(120, 120, 120));
}

struct MenuState {
  bool view, mesh, maps, stars, all;
};

MenuState Menus(const sq::frmBGdisplay& w) {
  return {w.mnuView->isEnabled(), w.mnuBGMSonly->isEnabled(), w.mnuBGSGonly->isEnabled(), w.mnuSTRFonly->isEnabled(),
          w.mnuViewAll->isEnabled()};
}

}  // namespace

TEST(PreviewWindow, MenusCaptionAndStatusText) {
  PreviewRig rig;
  Scene(rig, kMesh | kMaps | kStars);
  rig.source.tgaBaseName = "sky";
  ASSERT_TRUE(rig.Load());
  const sq::frmBGdisplay& w = *rig.window;
  EXPECT_EQ(w.windowTitle(), "Background from sky.tga");
  EXPECT_EQ(w.StatusBar1->text(), "Hold left mouse button & move to rotate <->");
  EXPECT_EQ(w.Timer2->interval(), 40);
  EXPECT_EQ(w.mnuView->title(), "&View");
  ASSERT_EQ(w.mnuView->actions().size(), 4);
  EXPECT_EQ(w.mnuView->actions()[0], w.mnuBGMSonly);
  EXPECT_EQ(w.mnuBGMSonly->text(), "&Background only");
  EXPECT_EQ(w.mnuBGSGonly->text(), "&Star-maps only");
  EXPECT_EQ(w.mnuSTRFonly->text(), "&Point-stars only");
  EXPECT_EQ(w.mnuViewAll->text(), "View &All");
  EXPECT_EQ(w.mnuWrite->text(), "Write HOD");
  const MenuState m = Menus(w);
  EXPECT_TRUE(m.view && m.mesh && m.maps && m.stars && m.all);
  EXPECT_FALSE(w.mnuWrite->isEnabled());  // the background came from a file
  EXPECT_EQ(rig.owner.opened, 1);
  EXPECT_TRUE(rig.owner.recorder.messages.empty());
  EXPECT_FALSE(rig.owner.endStatus);
}

TEST(PreviewWindow, EmptyBaseNameAndABackgroundNotFromAFile) {
  PreviewRig rig;
  Scene(rig, kMesh | kStars);
  rig.source.backgroundFromHod = false;
  ASSERT_TRUE(rig.Load());
  EXPECT_EQ(rig.window->windowTitle(), "Background from .tga");
  ASSERT_TRUE(rig.window->mnuWrite->isEnabled());
  rig.window->mnuWrite->trigger();
  EXPECT_EQ(rig.owner.writes, 1);
}

TEST(PreviewWindow, ViewMenuFollowsTheLayersPresent) {
  const auto menus = [](int layers, bool starsListed = true) {
    PreviewRig rig;
    Scene(rig, layers);
    if (!starsListed) {
      rig.lists.starPreviewVertices.clear();
      rig.lists.starPreviewCount = 0;
    }
    EXPECT_TRUE(rig.Load());
    return Menus(*rig.window);
  };
  EXPECT_FALSE(menus(kMesh | kMaps).view);                  // no point stars: the whole View menu is off
  EXPECT_FALSE(menus(kMesh | kMaps | kStars, false).view);  // point stars flagged but none in the list
  EXPECT_FALSE(menus(kMaps | kStars).view);                 // no mesh: off as well
  const MenuState m = menus(kMesh | kStars);                // no star maps: only "Star-maps only" is off
  EXPECT_TRUE(m.view && m.mesh && m.stars && m.all);
  EXPECT_FALSE(m.maps);
}

TEST(PreviewWindow, ViewAllBringsStarMapsBackOnlyWhenTheyWereSetUp) {
  PreviewRig with;
  Scene(with, kMesh | kMaps | kStars);
  ASSERT_TRUE(with.Load());
  with.window->mnuBGMSonly->trigger();
  EXPECT_FALSE(with.window->LayerStarMaps());
  with.window->mnuViewAll->trigger();
  EXPECT_TRUE(with.window->LayerMesh() && with.window->LayerStarMaps() && with.window->LayerStars());

  PreviewRig without;
  Scene(without, kMesh | kStars);
  ASSERT_TRUE(without.Load());
  without.window->mnuBGMSonly->trigger();
  without.window->mnuViewAll->trigger();
  EXPECT_TRUE(without.window->LayerMesh() && without.window->LayerStars());
  EXPECT_FALSE(without.window->LayerStarMaps());
}

TEST(PreviewWindow, FailedSetUpsShowTheirMessageAndEndTheProgram) {
  const auto fails = [](PreviewRig& rig, const std::string& message, std::optional<std::filesystem::path> folder = {}) {
    EXPECT_FALSE(rig.Load(folder));
    EXPECT_EQ(rig.owner.recorder.messages, std::vector<std::string>{"Starquill: " + message});
    EXPECT_EQ(rig.owner.endStatus, sq::kPreviewFailedStatus);
  };
  {
    PreviewRig rig;  // the textures are not beside the program
    Scene(rig, kMesh | kMaps | kStars);
    TempDir empty;
    fails(rig, "Unable to create vertex buffer for BGSG star-maps.", empty.path());
    EXPECT_FALSE(rig.window->Timer2->isActive());
  }
  {
    PreviewRig rig;  // the second star map has no squares
    Scene(rig, kMesh | kMaps | kStars);
    rig.lists.starMapPreview[1] = {};
    fails(rig, "Unable to create vertex buffer for BGSG star-maps.");
  }
  {
    PreviewRig rig;  // a BGMS form that gave no triangles
    Scene(rig, kMesh | kStars);
    rig.lists.meshPreviewVertices.clear();
    rig.lists.meshPreviewCount = 0;
    fails(rig, "Unable to create vertex buffer for BGMS background-mesh.");
  }
  {
    PreviewRig rig;  // a count that claims more vertices than the list holds
    Scene(rig, kMesh | kStars);
    rig.lists.starPreviewCount = 5;
    fails(rig, "Unable to create vertex buffer for STRF point-stars.");
  }
  {
    PreviewRig rig;  // no drawing area, no device
    Scene(rig, kMesh | kStars);
    rig.size = QSize(0, 0);
    fails(rig, "Unable to do a 'CreateDevice' (see InitD3D() source for comments)");
  }
}

TEST(PreviewWindow, ClosingReleasesTheDrawingAndShowsTheOwner) {
  PreviewRig rig;
  Scene(rig, kMesh | kMaps | kStars);
  ASSERT_TRUE(rig.Load());
  rig.window->Timer2->start();
  rig.window->show();
  rig.window->close();
  EXPECT_EQ(rig.owner.closed, 1);
  EXPECT_FALSE(rig.window->Timer2->isActive());
  const QImage before = rig.window->LastFrame();
  rig.window->Render();  // no device any more: nothing is drawn
  EXPECT_EQ(rig.window->LastFrame(), before);
}

TEST(PreviewWindow, TheLayerItemsAreACheckableGroupShowingTheMode) {
  PreviewRig rig;
  Scene(rig, kMesh | kMaps | kStars);
  ASSERT_TRUE(rig.Load());
  const sq::frmBGdisplay& w = *rig.window;
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
  rig.window->mnuBGMSonly_Click();  // the handlers keep the marks too
  EXPECT_EQ(checked(), std::vector<QAction*>{w.mnuBGMSonly});
  EXPECT_TRUE(w.LayerMesh() && !w.LayerStarMaps() && !w.LayerStars());
}

TEST(PreviewWindow, NothingIsDrawnWhileTheWindowCannotBeSeen) {
  PreviewRig rig;
  Scene(rig, kMesh | kMaps | kStars);
  ASSERT_TRUE(rig.Load());
  sq::frmBGdisplay& w = *rig.window;
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
  rig.now = 500;
  w.show();
  EXPECT_TRUE(w.Timer2->isActive());
  EXPECT_EQ(w.Transforms(), sq::TransformsAtAngle(sq::TimeAngle(500)));

  w.showMinimized();
  EXPECT_FALSE(w.Timer2->isActive());
  rig.now = 900;
  w.showNormal();
  EXPECT_TRUE(w.Timer2->isActive());
  EXPECT_EQ(w.Transforms(), sq::TransformsAtAngle(sq::TimeAngle(900)));

  // Closed stays stopped, shown or not.
  w.close();
  w.show();
  EXPECT_FALSE(w.Timer2->isActive());
}

TEST(PreviewWindow, EscapeAndCtrlWClose) {
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
    PreviewRig rig;
    Scene(rig, kMesh | kStars);
    ASSERT_TRUE(rig.Load());
    rig.window->show();
    rig.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(rig.window.get()));
    QTest::keySequence(rig.window.get(), keys);
    EXPECT_EQ(rig.owner.closed, 1) << keys.toString().toStdString();
    EXPECT_FALSE(rig.window->isVisible());
  }
}
