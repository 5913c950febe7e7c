// The main window's place under a decorating window manager (openbox, started by
// scripts/with_window_manager; CTest runs these as window_placement): moved by
// its title bar with the mouse as a person moves it, it stays where it was put
// while previews come and go, and the next run opens it there, frame and all.
// Where it stands is asked of the X server, not of the window.
#include <gtest/gtest.h>

#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <cstdlib>

#include "tests/window/window_fixture.h"

using namespace sqtest;

namespace {

bool UnderWindowManager() { return std::getenv("STARQUILL_WINDOW_MANAGER") != nullptr; }

QString Run(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  EXPECT_TRUE(process.waitForFinished(10000)) << program.toStdString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

// The client area's corner on the screen, as the X server has it.
QPoint ClientOnScreen(const QWidget& w) {
  const QString info = Run("xwininfo", {"-id", QString::number(w.winId())});
  const QRegularExpressionMatch x = QRegularExpression(R"(Absolute upper-left X:\s+(-?\d+))").match(info);
  const QRegularExpressionMatch y = QRegularExpression(R"(Absolute upper-left Y:\s+(-?\d+))").match(info);
  EXPECT_TRUE(x.hasMatch() && y.hasMatch()) << info.toStdString();
  return {x.captured(1).toInt(), y.captured(1).toInt()};
}

// The height of the title bar the window manager put above the client area.
int TitleBarHeight(const QWidget& w) {
  const QString extents = Run("xprop", {"-id", QString::number(w.winId()), "_NET_FRAME_EXTENTS"});
  const QRegularExpressionMatch m = QRegularExpression(R"(=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+))").match(extents);
  return m.hasMatch() ? m.captured(3).toInt() : 0;
}

// Drags the window by the middle of its title bar with the mouse.
void DragByTitleBar(const QWidget& w, QPoint by) {
  const QPoint client = ClientOnScreen(w);
  const QPoint grip(client.x() + w.width() / 2, client.y() - TitleBarHeight(w) / 2);
  const QPoint end = grip + by;
  const auto at = [](QPoint p) { return QStringList{"mousemove", QString::number(p.x()), QString::number(p.y())}; };
  QStringList args = at(grip);
  args << "mousedown"
       << "1"
       << "sleep"
       << "0.2";
  args << at(grip + QPoint(6, 6)) << "sleep"
       << "0.2" << at(grip + by / 2) << "sleep"
       << "0.2" << at(end);
  args << "sleep"
       << "0.2"
       << "mouseup"
       << "1";
  Run("xdotool", args);
}

}  // namespace

TEST(Placement, TheMainWindowHoldsItsPlaceOverThreePreviewsOnAFirstRunAndOpensThereNextTime) {
  if (!UnderWindowManager()) GTEST_SKIP() << "runs under a window manager (window_placement)";
  TempDir config;
  const auto settings = config / "starquill.conf";  // a first run: no place kept
  QPoint moved;
  {
    MainRig rig(settings);
    sq::MainWindow& w = *rig.window;
    ASSERT_TRUE(QTest::qWaitFor([&] { return TitleBarHeight(w) > 0; }));
    const QPoint start = ClientOnScreen(w);
    DragByTitleBar(w, QPoint(90, 70));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ClientOnScreen(w) == start + QPoint(90, 70); }))
        << "the mouse did not move the window";
    moved = ClientOnScreen(w);
    WriteBytes(rig.maps / "stars.hod", StarsHod());
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      rig.chooser.answers = {(rig.maps / "stars.hod").string()};
      w.cmdReport->click();
      sq::PreviewWindow* preview = w.preview();
      ASSERT_NE(preview, nullptr);
      ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
      preview->close();
      ASSERT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }));
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
      QTest::qWait(200);  // where the window manager put it once it settled
      EXPECT_EQ(ClientOnScreen(w), moved);
    }
    w.close();
  }
  MainRig second(settings);
  QTest::qWait(200);
  EXPECT_EQ(ClientOnScreen(*second.window), moved);
}

// Moved by a program (xdotool windowmove, as tiling window managers and scripts
// move windows) rather than dragged: it comes back after a preview where it was.
TEST(Placement, MovedByAProgramItComesBackAfterAPreviewWhereItWas) {
  if (!UnderWindowManager()) GTEST_SKIP() << "runs under a window manager (window_placement)";
  MainRig rig;
  sq::MainWindow& w = *rig.window;
  ASSERT_TRUE(QTest::qWaitFor([&] { return TitleBarHeight(w) > 0; }));
  const QPoint start = ClientOnScreen(w);
  ::Run("xdotool",
        {"windowmove", QString::number(w.winId()), QString::number(start.x() + 70), QString::number(start.y() + 50)});
  ASSERT_TRUE(QTest::qWaitFor([&] { return ClientOnScreen(w) != start; })) << "xdotool did not move the window";
  QTest::qWait(200);
  const QPoint moved = ClientOnScreen(w);
  WriteBytes(rig.maps / "stars.hod", StarsHod());
  rig.chooser.answers = {(rig.maps / "stars.hod").string()};
  w.cmdReport->click();
  ASSERT_NE(w.preview(), nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.preview()));
  w.preview()->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QTest::qWait(200);
  EXPECT_EQ(ClientOnScreen(w), moved);
}
