// The windows on a screen of twice the pixel density (QT_SCALE_FACTOR=2, run so
// by CTest as window_tests_scale2): the preview draws in device pixels, so a
// one-pixel point star stays one pixel wide on screen, and no window is larger
// than its screen.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QScreen>

#include "tests/window/window_fixture.h"

using namespace sqtest;

namespace {

// The picture area of the preview as the screen shows it, in device pixels.
QImage OnScreen(const sq::frmBGdisplay& w) {
  const QPixmap shot = w.screen()->grabWindow(w.winId());
  const qreal ratio = shot.devicePixelRatio();
  const QRect area(w.Picture2->mapTo(&w, QPoint(0, 0)) * ratio, w.Picture2->size() * ratio);
  return shot.toImage().copy(area);
}

bool AtScaleTwo() { return qFuzzyCompare(qApp->devicePixelRatio(), 2.0); }

bool Fits(const QWidget& w) { return w.screen()->availableGeometry().contains(w.frameGeometry()); }

}  // namespace

TEST(HighDpi, APointStarStaysOneDevicePixelWide) {
  if (!AtScaleTwo()) GTEST_SKIP() << "runs at QT_SCALE_FACTOR=2";
  PreviewRig rig;
  rig.size = QSize(120, 120);
  AddStar(rig.lists, V(0, 0, 0, Argb(255, 255, 255)));  // on the axis: the middle of the picture
  rig.source.hasSTRF = true;
  ASSERT_TRUE(rig.Load());
  rig.window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(rig.window.get()));
  rig.window->Render();
  EXPECT_EQ(rig.window->LastFrame().size(), rig.window->Picture2->size() * 2);  // the back buffer in device pixels

  QImage shown;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (shown = OnScreen(*rig.window), LitPixels(shown) > 0); }));
  EXPECT_EQ(shown.size(), rig.window->Picture2->size() * 2);
  EXPECT_EQ(LitPixels(shown), 1);
}

TEST(HighDpi, NoWindowIsLargerThanItsScreen) {
  if (!AtScaleTwo()) GTEST_SKIP() << "runs at QT_SCALE_FACTOR=2";
  // A 600 x 600 picture is 1200 device pixels high: more than the virtual screen has.
  MainRig rig(std::nullopt, QSize(600, 600));
  EXPECT_TRUE(Fits(*rig.window));
  WriteBytes(rig.maps / "sky.hod", StarsHod());
  rig.chooser.answers = {(rig.maps / "sky.hod").string()};
  rig.window->cmdReport->click();
  sq::frmBGdisplay* preview = rig.window->preview();
  ASSERT_NE(preview, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
  EXPECT_TRUE(Fits(*preview)) << preview->frameGeometry().height() << " > "
                              << preview->screen()->availableGeometry().height();
  EXPECT_LT(preview->Picture2->height(), 600);
  // Sharp at the size it got: as many pixels as the area shows.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !preview->LastFrame().isNull(); }));
  EXPECT_EQ(preview->LastFrame().size(), preview->Picture2->size() * 2);
}
