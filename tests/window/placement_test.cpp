// The main window's place under a decorating window manager (openbox, started by
// scripts/with_window_manager; CTest runs these as window_placement): moved by
// its title bar with the mouse as a person moves it or by a program, it stays
// where it was put while previews come and go, and the next run opens it there,
// frame and all.
// Where it stands is asked of the X server, not of the window.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <cstdlib>

#include "tests/window/window_fixture.h"

using namespace sqtest;

namespace {

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
  QStringList args;
  for (const QPoint p : {grip, grip + QPoint(6, 6), grip + by / 2, grip + by}) {
    args += {"mousemove", QString::number(p.x()), QString::number(p.y()), "sleep", "0.2"};
    if (p == grip) args += {"mousedown", "1", "sleep", "0.2"};
  }
  Run("xdotool", args + QStringList{"mouseup", "1"});
}

// A preview opened over the window and closed: where the window came back, once it settled.
QPoint AfterAPreview(MainRig& rig) {
  rig.Report(rig.maps / "stars.hod");
  EXPECT_NE(rig.window->preview(), nullptr);
  if (rig.window->preview() == nullptr) return {};
  EXPECT_TRUE(QTest::qWaitForWindowExposed(rig.window->preview()));
  rig.ClosePreview();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(rig.window.get()));
  QTest::qWait(200);
  return ClientOnScreen(*rig.window);
}

}  // namespace

// Dragged on a first run, it holds its place over three previews; the next run
// opens it there. Moved there by a program (xdotool windowmove, as tiling window
// managers and scripts move windows) rather than dragged, it comes back too.
TEST(Placement, TheMainWindowHoldsItsPlaceOverPreviewsAndOpensThereNextTime) {
  if (std::getenv("STARQUILL_WINDOW_MANAGER") == nullptr)
    GTEST_SKIP() << "runs under a window manager (window_placement)";
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
      EXPECT_EQ(AfterAPreview(rig), moved);
    }
    w.close();
  }
  MainRig second(settings);
  sq::MainWindow& w = *second.window;
  QTest::qWait(200);
  EXPECT_EQ(ClientOnScreen(w), moved);
  ::Run("xdotool",
        {"windowmove", QString::number(w.winId()), QString::number(moved.x() + 70), QString::number(moved.y() + 50)});
  ASSERT_TRUE(QTest::qWaitFor([&] { return ClientOnScreen(w) != moved; })) << "xdotool did not move the window";
  QTest::qWait(200);
  const QPoint there = ClientOnScreen(w);
  WriteBytes(second.maps / "stars.hod", StarsHod());
  EXPECT_EQ(AfterAPreview(second), there);
}
