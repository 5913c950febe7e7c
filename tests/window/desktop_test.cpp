// The main window as a desktop user meets it: focus and keys at start, the About
// box, the icon, the status line, the folders and the place kept between runs,
// files dropped on it or named on the command line, and its return after the
// preview.
#include <gtest/gtest.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <set>

#include "tests/tga_kit.h"
#include "tests/window/main_window_fixture.h"

using namespace sqtest;

namespace {

std::set<std::string> FilesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// A sky of 64 x 32 pixels with a few stars: big enough for the detector.
std::vector<uint8_t> SkyTarga() {
  Picture sky(64, 32, 10);
  sky.Square(10, 10, 120).Square(30, 20, 110).Grey(50, 8, 125);
  return sky.File();
}

// The walk's own words for a damaged file, as the command line prints them.
std::string CommandLineWalkEnd(const std::filesystem::path& hod) {
  TempDir out;
  const ProcessResult r = Starquill({"report", hod.string(), "--out-dir", out.path().string()}, out);
  const std::string marker = "the walk ended at byte ";
  const std::size_t at = r.err.find(marker);
  if (at == std::string::npos) return {};
  std::string line = r.err.substr(at + 4);  // from "walk ended"
  line.erase(line.find('\n'));
  return line;
}

void Drop(QWidget* target, const std::filesystem::path& file, bool& entered) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  entered = enter.isAccepted();
  if (!entered) return;
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

}  // namespace

TEST(Desktop, TheButtonHasTheFocusAndTheKeysDoWhatTheySay) {
  MainRig rig;
  sq::frmStarquill& w = *rig.window;
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.cmdReport));

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  ASSERT_EQ(rig.chooser.asked.size(), 2u);  // each opened the HOD dialog (and was cancelled)
  QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
  QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
  ASSERT_EQ(rig.chooser.asked.size(), 4u);
  EXPECT_EQ(rig.chooser.asked[2].title, "Open Farhold HOD file");
  EXPECT_EQ(rig.chooser.asked[3].title, "Open halftoned 32-bit Targa image file");
  // The menu shows the key beside the item.
  EXPECT_EQ(w.mnuLoadTGA->shortcut().toString(QKeySequence::PortableText), "Ctrl+T");
  EXPECT_EQ(w.mnuLoadTGA->text(), "Load Targa image");

  // Tab goes from the button to the check box.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.chkSndTest));

  QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(w.isVisible());
}

TEST(Desktop, AboutNamesTheProgramAndItsVersion) {
  TempDir scratch;
  const std::string version = Starquill({"--version"}, scratch).out;  // "starquill X.Y.Z\n"
  ASSERT_EQ(version.rfind("starquill ", 0), 0u) << version;
  const QString number = QString::fromStdString(version.substr(10)).trimmed();

  MainRig rig;
  ASSERT_EQ(rig.window->mnuHelp->actions(), QList<QAction*>{rig.window->mnuAbout});
  QString title, text, more;
  bool icon = false;
  EXPECT_TRUE(WhileModal([&] { rig.window->mnuAbout->trigger(); },
                         [&](QWidget* w) {
                           auto* box = qobject_cast<QMessageBox*>(w);
                           ASSERT_NE(box, nullptr);
                           title = box->windowTitle();
                           text = box->text();
                           more = box->informativeText();
                           icon = !box->iconPixmap().isNull();
                         }));
  EXPECT_EQ(title, "About Starquill");
  EXPECT_TRUE(text.contains("Starquill " + number)) << text.toStdString();
  EXPECT_TRUE(more.contains("HOD")) << more.toStdString();
  EXPECT_TRUE(icon);
}

TEST(Desktop, BothWindowsCarryTheProgramsIcon) {
  MainRig rig;
  const QImage drawn(QString::fromStdString((BuiltProgramFolder() / "starquill-256.png").string()));
  ASSERT_FALSE(drawn.isNull());
  const auto shown = [&](const QWidget& w) {
    return w.windowIcon().pixmap(QSize(256, 256)).toImage().convertToFormat(drawn.format());
  };
  EXPECT_EQ(shown(*rig.window), drawn);

  WriteBytes(rig.maps / "sky.hod", StarsHod());
  rig.chooser.answers = {(rig.maps / "sky.hod").string()};
  rig.window->cmdReport->click();
  ASSERT_NE(rig.window->preview(), nullptr);
  EXPECT_EQ(shown(*rig.window->preview()), drawn);
}

TEST(Desktop, TheStatusLineSaysWhatWasWrittenWhere) {
  MainRig rig;
  EXPECT_EQ(rig.window->statusBar()->isVisible(), true);
  WriteBytes(rig.maps / "m01.hod", ModelHod());
  rig.chooser.answers = {(rig.maps / "m01.hod").string()};
  rig.window->cmdReport->click();
  EXPECT_EQ(rig.window->StatusText().toStdString(), "Wrote " + (rig.maps / "m01.HODreport.rtf").string());
  EXPECT_TRUE(rig.window->lblStatus->isVisible());

  // A picture load names the files the detector wrote, all of them.
  TempDir images;
  WriteBytes(images / "sky.tga", SkyTarga());
  rig.chooser.answers = {(images / "sky.tga").string()};
  rig.window->mnuLoadTGA->trigger();
  std::set<std::string> written = FilesIn(images.path());
  written.erase("sky.tga");
  ASSERT_EQ(written.size(), 5u);
  const std::string status = rig.window->StatusText().toStdString();
  EXPECT_EQ(status.rfind("Wrote 5 files to " + images.path().string() + ": ", 0), 0u) << status;
  for (const std::string& name : written) EXPECT_NE(status.find(name), std::string::npos) << name;

  rig.window->mnuSaveFiltered_Click();
  EXPECT_EQ(rig.window->StatusText().toStdString(), "Wrote " + (images / "sky_filtered.tga").string());

  // A refused choice leaves nothing that looks like a success.
  rig.chooser.answers = {""};
  rig.window->cmdReport->click();
  EXPECT_EQ(rig.window->StatusText(), "Nothing written.");
}

TEST(Desktop, ADamagedFileTellsWhereItsWalkEndedOnBothWindows) {
  MainRig rig;
  // Point stars, then a second run of them cut short.
  Bytes bytes = Bytes().Add(Vers(1000)).Add(PointStars()).Add(PointStars());
  std::vector<uint8_t> cut = bytes.vec();
  cut.resize(cut.size() - 9);
  const auto hod = rig.maps / "cut.hod";
  WriteBytes(hod, cut);
  const std::string walkEnd = CommandLineWalkEnd(hod);  // "walk ended at byte N: REASON"
  ASSERT_FALSE(walkEnd.empty());

  rig.chooser.answers = {hod.string()};
  rig.window->cmdReport->click();
  const std::string status = rig.window->StatusText().toStdString();
  EXPECT_EQ(status, "Wrote " + (rig.maps / "cut.HODreport.rtf").string() + ". The " + walkEnd);
  sq::frmBGdisplay* preview = rig.window->preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->lblNote->isVisible());
  EXPECT_EQ(preview->lblNote->text().toStdString(), "The " + walkEnd);
  EXPECT_EQ(preview->StatusBar1->text(), "Hold left mouse button & move to rotate <->");

  // A whole file has no note.
  preview->close();
  QTRY_VERIFY(rig.window->preview() == nullptr);
  WriteBytes(hod, StarsHod());
  rig.chooser.answers = {hod.string()};
  rig.window->cmdReport->click();
  ASSERT_NE(rig.window->preview(), nullptr);
  EXPECT_FALSE(rig.window->preview()->lblNote->isVisible());
}

TEST(Desktop, DialogsStartInTheFolderLastUsedAndTheWindowKeepsItsPlaceBetweenRuns) {
  TempDir config;
  const auto settings = config / "starquill.conf";
  const QRect place(70, 60, 520, 400);
  TempDir chosen;
  {
    MainRig first(settings);
    first.chooser.answers = {(chosen / "m01.hod").string()};  // a file that is not there: the folder still counts
    first.window->cmdReport->click();
    first.window->mnuLoadTGA->trigger();
    ASSERT_EQ(first.chooser.asked.size(), 2u);
    EXPECT_EQ(first.chooser.asked[0].folder, QDir::homePath());
    EXPECT_EQ(first.chooser.asked[1].folder.toStdString(), chosen.path().string());
    first.window->setGeometry(place);
    QTRY_COMPARE(first.window->geometry(), place);
    first.window->close();
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
  bool entered = false;
  WriteBytes(rig.maps / "m01.hod", ModelHod());
  Drop(rig.window.get(), rig.maps / "m01.hod", entered);
  EXPECT_TRUE(entered);
  QTRY_VERIFY(std::filesystem::exists(rig.maps / "m01.HODreport.rtf"));
  EXPECT_TRUE(rig.chooser.asked.empty());  // no dialog: the file was given
  EXPECT_EQ(rig.window->outputFolder(), rig.maps.path());

  TempDir images;
  WriteBytes(images / "sky.tga", SkyTarga());
  Drop(rig.window.get(), images / "sky.tga", entered);
  EXPECT_TRUE(entered);
  QTRY_COMPARE(rig.window->windowTitle(), QString("Starquill v5 + sky"));
  EXPECT_TRUE(std::filesystem::exists(images / "sky_StrPts1.obj"));

  // Anything else is not taken: the drag is refused and nothing runs.
  const std::size_t messages = rig.platform.messages.size();
  WriteBytes(rig.maps / "notes.txt", {'x'});
  Drop(rig.window.get(), rig.maps / "notes.txt", entered);
  EXPECT_FALSE(entered);
  WriteBytes(rig.maps / "SKY.TGA", SkyTarga());
  Drop(rig.window.get(), rig.maps / "SKY.TGA", entered);
  EXPECT_FALSE(entered);
  QApplication::processEvents();
  EXPECT_EQ(rig.platform.messages.size(), messages);
  EXPECT_EQ(rig.window->windowTitle(), "Starquill v5 + sky");
}

TEST(Desktop, ComesBackWhereItWasOnlyOnceThePreviewHasGone) {
  MainRig rig;
  rig.window->move(140, 110);
  QTRY_COMPARE(rig.window->pos(), QPoint(140, 110));
  const QRect before = rig.window->geometry();

  WriteBytes(rig.maps / "sky.hod", StarsHod());
  rig.chooser.answers = {(rig.maps / "sky.hod").string()};
  rig.window->cmdReport->click();
  sq::frmBGdisplay* preview = rig.window->preview();
  ASSERT_NE(preview, nullptr);
  ASSERT_FALSE(rig.window->isVisible());

  // Notes whether the preview was still on screen when the window came back.
  std::optional<bool> previewShownThen;
  struct Watch : QObject {
    std::function<void()> shown;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Show) shown();
      return false;
    }
  } watch;
  watch.shown = [&] { previewShownThen = rig.window->preview() && rig.window->preview()->isVisible(); };
  rig.window->installEventFilter(&watch);
  preview->close();
  QTRY_VERIFY(rig.window->isVisible());
  rig.window->removeEventFilter(&watch);
  ASSERT_TRUE(previewShownThen.has_value());
  EXPECT_FALSE(*previewShownThen);
  EXPECT_EQ(rig.window->geometry(), before);
}

TEST(Desktop, TheCommandLineOpensTheWindowOnAFile) {
  TempDir maps, config;
  WriteBytes(maps / "m01.hod", ModelHod());
  Picture sky(1024, 512, 20);  // the recommended size: no warning box waits for a person
  sky.Square(100, 100, 120).Square(600, 300, 110);
  WriteBytes(maps / "sky.tga", sky.File());

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(config.path().string()));
  const auto opens = [&](const std::filesystem::path& file, const std::vector<std::filesystem::path>& expected) {
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(STARQUILL_EXE, {QString::fromStdString(file.string())});
    EXPECT_TRUE(program.waitForStarted());
    // The window stays open on the file: the command's output appears while it runs.
    for (const auto& path : expected) QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(path), 30000);
    EXPECT_EQ(program.state(), QProcess::Running);
    program.terminate();
    program.waitForFinished(10000);
  };
  opens(maps / "m01.hod", {maps / "m01.HODreport.rtf"});
  opens(maps / "sky.tga", {maps / "sky_cPts.obj", maps / "sky_filtered.tga"});

  // A lone name that is no file stays a command-line mistake, without a window.
  const ProcessResult r =
      RunProgram("env", {"-u", "DISPLAY", STARQUILL_EXE, (maps / "none.hod").string()}, maps.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown command"), std::string::npos) << r.err;
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
  QTRY_VERIFY(!preview->LastFrame().isNull());
  const QImage previewShot = preview->grab().toImage();
  const QImage picture = preview->Picture2->grab().toImage();
  int lit = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) lit += (picture.pixel(x, y) & 0xFFFFFF) != 0;
  }
  EXPECT_GT(lit, picture.width() * picture.height() / 2);  // the sky covers most of it

  preview->close();
  QTRY_VERIFY(rig.window->isVisible());
  EXPECT_EQ(rig.window->StatusText(), "Wrote ./sky.HODreport.rtf");
  const QImage mainShot = rig.window->grab().toImage();
  EXPECT_EQ(mainShot.size(), rig.window->size() * rig.window->devicePixelRatio());

  if (const char* dir = std::getenv("STARQUILL_SCREENSHOT_DIR")) {
    EXPECT_TRUE(mainShot.save(QString(dir) + "/main-window.png"));
    EXPECT_TRUE(previewShot.save(QString(dir) + "/preview-window.png"));
  }
}
