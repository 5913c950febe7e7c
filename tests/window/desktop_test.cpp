// The main window as a desktop user meets it: the About box, its keys, the folders
// and the place kept between runs, files dropped on it or named on the command
// line, and the README's pictures.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include "tests/tga_kit.h"
#include "tests/window/window_fixture.h"

using namespace sqtest;

namespace {

// Drops one file on `target`; returns whether the drag was taken.
bool Drop(QWidget* target, const std::filesystem::path& file) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return true;
}

}  // namespace

TEST(Desktop, AboutNamesTheProgramAndItsVersion) {
  TempDir scratch;
  const std::string version = Starquill({"--version"}, scratch).out;  // "starquill X.Y.Z\n"
  ASSERT_EQ(version.rfind("starquill ", 0), 0u) << version;
  const QString number = QString::fromStdString(version.substr(10)).trimmed();

  MainRig rig;
  QString title, text;
  bool icon = false;
  EXPECT_TRUE(WhileModal([&] { rig.window->mnuAbout->trigger(); },
                         [&](QWidget* w) {
                           auto* box = qobject_cast<QMessageBox*>(w);
                           ASSERT_NE(box, nullptr);
                           title = box->windowTitle();
                           text = box->text();
                           icon = !box->iconPixmap().isNull();
                         }));
  EXPECT_EQ(title, "About Starquill");
  EXPECT_EQ(text, "<b>Starquill " + number + "</b>");
  EXPECT_TRUE(icon);
}

// Return presses the button, which has the focus at start; Ctrl+O and Ctrl+T open
// the dialogs, Tab goes on to the check box and Ctrl+Q quits.
TEST(Desktop, KeysOpenDialogsInTheFolderLastUsedAndTheWindowKeepsItsPlaceBetweenRuns) {
  TempDir config;
  const auto settings = config / "starquill.conf";
  const QRect place(70, 60, 520, 400);
  TempDir chosen;
  {
    MainRig first(settings);
    sq::frmStarquill& w = *first.window;
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.cmdReport));
    first.chooser.answers = {(chosen / "m01.hod").string()};  // a file that is not there: the folder still counts
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(first.chooser.asked.size(), 3u);
    EXPECT_EQ(first.chooser.asked[0].title, "Open Farhold HOD file");
    EXPECT_EQ(first.chooser.asked[0].folder, QDir::homePath());  // never the program's folder
    EXPECT_EQ(first.chooser.asked[1].title, "Open halftoned 32-bit Targa image file");
    EXPECT_EQ(first.chooser.asked[1].folder.toStdString(), chosen.path().string());
    EXPECT_EQ(first.chooser.asked[2].title, "Open Farhold HOD file");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.chkSndTest));
    w.setGeometry(place);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.geometry() == place; }));
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible());
  }
  {
    MainRig second(settings);
    EXPECT_EQ(second.window->geometry(), place);
    second.window->mnuLoadTGA->trigger();
    ASSERT_EQ(second.chooser.asked.size(), 1u);
    EXPECT_EQ(second.chooser.asked[0].folder.toStdString(), chosen.path().string());
  }
  // A folder that has gone since: the home folder again.
  std::filesystem::remove_all(chosen.path());
  MainRig third(settings);
  third.window->cmdReport->click();
  EXPECT_EQ(third.chooser.asked[0].folder, QDir::homePath());
}

TEST(Desktop, DroppedFilesRunTheCommandOfTheirKind) {
  MainRig rig;
  WriteBytes(rig.maps / "m01.hod", ModelHod());
  EXPECT_TRUE(Drop(rig.window.get(), rig.maps / "m01.hod"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(rig.maps / "m01.HODreport.rtf"); }));
  EXPECT_TRUE(rig.chooser.asked.empty());  // no dialog: the file was given
  EXPECT_EQ(rig.window->outputFolder(), rig.maps.path());

  TempDir images;
  Picture sky(64, 32, 10);  // a few stars: big enough for the detector
  WriteBytes(images / "sky.tga", sky.Square(10, 10, 120).Square(30, 20, 110).Grey(50, 8, 125).File());
  EXPECT_TRUE(Drop(rig.window.get(), images / "sky.tga"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.window->tgaBaseName() == "sky"; }));
  EXPECT_TRUE(std::filesystem::exists(images / "sky_StrPts1.obj"));

  // Anything else is not taken: the drag is refused and nothing runs.
  const std::size_t messages = rig.platform.messages.size();
  WriteBytes(rig.maps / "notes.txt", {'x'});
  EXPECT_FALSE(Drop(rig.window.get(), rig.maps / "notes.txt"));
  QApplication::processEvents();
  EXPECT_EQ(rig.platform.messages.size(), messages);
  EXPECT_EQ(rig.window->tgaBaseName(), "sky");
}

TEST(Desktop, TheCommandLineOpensTheWindowOnAFile) {
  TempDir maps, config;
  WriteBytes(maps / "m01.hod", ModelHod());
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(config.path().string()));
  program.setProcessEnvironment(env);
  program.start(STARQUILL_EXE, {QString::fromStdString((maps / "m01.hod").string())});
  EXPECT_TRUE(program.waitForStarted());
  // The window stays open on the file: the command's output appears while it runs.
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(maps / "m01.HODreport.rtf"); }, 30000));
  EXPECT_EQ(program.state(), QProcess::Running);
  program.terminate();
  program.waitForFinished(10000);
}

// The README's pictures: the preview of the bundled sample and the main window
// after its report. Written where STARQUILL_SCREENSHOT_DIR points
// (scripts/screenshots points it at docs/).
TEST(Desktop, ScreenshotsOfBothWindows) {
  MainRig rig(std::nullopt, QSize(400, 400));
  for (const char* texture : {"B02.tga", "B03.tga"}) {
    std::filesystem::copy_file(BuiltProgramFolder() / texture, rig.program / texture,
                               std::filesystem::copy_options::overwrite_existing);
  }
  std::filesystem::copy_file(std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.hod",
                             rig.maps / "sky.hod");
  // Chosen from its own folder, the status line names the report shortly.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(rig.maps.path());
  rig.chooser.answers = {"sky.hod"};
  rig.window->cmdReport->click();
  std::filesystem::current_path(before);

  sq::frmBGdisplay* preview = rig.window->preview();
  ASSERT_NE(preview, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !preview->LastFrame().isNull(); }));
  EXPECT_FALSE(preview->lblNote->isVisible());  // a whole file has no note
  const QImage previewShot = preview->grab().toImage();
  const QImage picture = preview->Picture2->grab().toImage();
  EXPECT_GT(LitPixels(picture), picture.width() * picture.height() / 2);  // the sky covers most of it

  preview->close();
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.window->isVisible(); }));
  EXPECT_EQ(rig.window->StatusText(), "Wrote ./sky.HODreport.rtf");
  const QImage mainShot = rig.window->grab().toImage();

  if (const char* dir = std::getenv("STARQUILL_SCREENSHOT_DIR")) {
    EXPECT_TRUE(mainShot.save(QString(dir) + "/main-window.png"));
    EXPECT_TRUE(previewShot.save(QString(dir) + "/preview-window.png"));
  }
}
