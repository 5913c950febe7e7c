// The main window: the report command with a chosen file and what follows from
// its outcome, an image loaded, built, previewed and written through the menus,
// and the boxes and progress of the Qt platform; as a desktop user meets it, the
// About box, its keys, the folders kept between runs, files dropped on it or
// named on the command line; and `starquill preview FILE.hod --screenshot OUT.png`
// and `starquill build-background ... --screenshot OUT.png`, run as programs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QStatusBar>
#include <QUrl>
#include <QWindow>
#include <map>

#include "app/build_background_command.h"
#include "app/report_command.h"
#include "builder/tga_load.h"
#include "picture/picture_write.h"
#include "support/detail_chunks.h"
#include "support/sample_files.h"
#include "tests/sky_kit.h"
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

const std::filesystem::path kSample = std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.hod";

// `starquill preview` of the bundled sample into `png`, with the screen scale and options given.
ProcessResult Shoot(const TempDir& dir, const std::filesystem::path& png, const std::string& scale,
                    std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"QT_SCALE_FACTOR=" + scale, STARQUILL_EXE, "preview", kSample.string()};
  args.insert(args.end(), {"--screenshot", png.string(), "--size", "320x1100"});
  args.insert(args.end(), more.begin(), more.end());
  return RunProgram("env", args, dir.path());
}

// A few stars: big enough for the detector.
std::vector<uint8_t> FewStars() {
  return Picture(64, 32, 10).Square(10, 10, 120).Square(30, 20, 110).Grey(50, 8, 125).File();
}

}  // namespace

// A cancelled dialog or a name that is no HOD's writes nothing, the status line
// saying so before the box does. After every job and every dialog the button
// holds the focus, wherever the dialog left it: Space presses it again and never
// ticks the check box. A model's report is written beside it and opens no
// preview; the status line names where a damaged file's walk stopped, as check
// does, or the side files not written. Neither a report that cannot be written
// nor a missing star-map texture keeps a background from showing.
TEST(MainWindow, RefusesWhatItCannotReadAndTheFocusAndTheStatusLineFollowEachJob) {
  MainRig rig;
  sq::MainWindow& w = *rig.window;
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  rig.chooser.whileOpen = [&] { w.chkSndTest->setFocus(); };
  std::vector<std::string> statusAtMessages;
  rig.platform.onMessage = [&] { statusAtMessages.push_back(w.StatusText().toStdString()); };
  WriteBytes(rig.maps / "ship.HOD", ModelHod());
  rig.chooser.answers = {"", (rig.maps / "ship.HOD").string()};  // cancelled, then a wrong name
  w.cmdReport->click();
  w.cmdReport->click();
  EXPECT_EQ(statusAtMessages, std::vector<std::string>(2, "Nothing written."));
  EXPECT_EQ(rig.platform.messages, std::vector<std::string>(2, Shown(sq::kSelectHodFile)));
  EXPECT_EQ(rig.platform.icons, std::vector<sq::MessageIcon>(2, sq::MessageIcon::Warning));
  EXPECT_EQ(FileCount(rig.maps.path()), 1);
  EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.cmdReport));

  // A model with two bytes past its last chunk.
  const std::vector<uint8_t> bytes = ModelHod().Raw({'N', 'R'}).vec();
  WriteBytes(rig.maps / "m01.hod", bytes);
  rig.Report(rig.maps / "m01.hod");
  EXPECT_EQ(w.StatusText().toStdString(), "Wrote " + (rig.maps / "m01.HODreport.rtf").string() +
                                              ". The walk ended early at byte " + std::to_string(bytes.size() - 2) +
                                              ": the last 2 bytes were not read");
  EXPECT_EQ(w.lblStatus->toolTip(), w.StatusText());  // whole, where the line is too short for it
  EXPECT_EQ(w.outputFolder(), rig.maps.path());
  EXPECT_EQ(w.preview(), nullptr);
  ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.cmdReport));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);  // the dialog again, cancelled
  EXPECT_FALSE(w.chkSndTest->isChecked());
  EXPECT_EQ(rig.chooser.asked.size(), 4u);

  // Side files that cannot be written (folders stand where they would go): the
  // report is written all the same; one box with the error icon names each file
  // with the system's reason, and the status line names them after the report.
  Bytes items;
  items.Add(HierItem({{"Root_Root", {1, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0, 0}}})).Add(EtshItem("T1", {{0, 0, -1}}));
  WriteBytes(rig.maps / "side.hod", ModelFile(items).vec());
  std::filesystem::create_directories(rig.maps / "HIER1.obj");
  std::filesystem::create_directories(rig.maps / "etshCpoints.obj");
  rig.Report(rig.maps / "side.hod");
  ASSERT_EQ(rig.platform.messages.size(), 4u);  // the boxes of the two refusals and the cancelled Space
  EXPECT_EQ(rig.platform.messages[3],
            Shown("2 side files could not be written:\ncannot open " + (rig.maps / "HIER1.obj").string() +
                  ": Is a directory\ncannot open " + (rig.maps / "etshCpoints.obj").string() + ": Is a directory"));
  EXPECT_EQ(rig.platform.icons[3], sq::MessageIcon::Error);
  EXPECT_EQ(w.StatusText().toStdString(), "Wrote " + (rig.maps / "side.HODreport.rtf").string() +
                                              ". Side files not written: HIER1.obj, etshCpoints.obj");

  // A background whose report cannot be written (a folder stands in its place)
  // and whose second star map's texture is missing: shown without that map.
  std::filesystem::remove(rig.program / "B03.tga");
  Bytes maps = Bytes().Add(Vers(1000));
  for (const char* texture : {"B02.tga", "B03.tga"}) maps.Add(StarMapChunk(texture, {{0, 0, 100, 10, 1, 1, 1, 1}}));
  WriteBytes(rig.maps / "maps.hod", maps.Add(PointStars()));
  std::filesystem::create_directories(rig.maps / "maps.HODreport.rtf");
  rig.Report(rig.maps / "maps.hod");
  EXPECT_EQ(w.StatusText().toStdString().rfind("The report could not be written: ", 0), 0u);
  const sq::PreviewWindow* preview = w.preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  const std::string missing = "Star map 2: its texture B03.tga could not be loaded (cannot open " +
                              (rig.program / "B03.tga").string() + "); not shown.";
  EXPECT_EQ(preview->LeftOut(), std::vector<std::string>{missing});
  EXPECT_TRUE(preview->LayerStarMaps());  // the first map is drawn
  EXPECT_TRUE(preview->lblNote->isVisible());
  EXPECT_EQ(preview->lblNote->toolTip().toStdString(), missing);
}

TEST(MainWindow, ReportOnADamagedBackgroundOpensThePreviewWithANoteAndComesBackOnceItHasGone) {
  MainRig rig;
  sq::MainWindow& w = *rig.window;
  w.move(140, 110);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.pos() == QPoint(140, 110); }));
  const QRect before = w.geometry();
  w.ProgressBar1->setValue(40);
  // Point stars, then a second run of them cut short: the walk ends early, both windows say where.
  std::vector<uint8_t> cut = Bytes().Add(Vers(1000)).Add(PointStars()).Add(PointStars()).vec();
  cut.resize(cut.size() - 9);
  const auto hod = rig.maps / "sky.hod";
  WriteBytes(hod, cut);
  TempDir elsewhere;
  sq::Model model;
  RecordingPlatform quiet;
  const sq::WalkResult walk = sq::ReportCommand(model, hod, elsewhere.path(), false, quiet).walk;
  ASSERT_TRUE(walk.failed);
  const std::string walkEnd = "The walk ended at byte " + std::to_string(walk.offset) + ": " + walk.reason;
  rig.Report(hod);

  EXPECT_EQ(w.StatusText().toStdString(), "Wrote " + (rig.maps / "sky.HODreport.rtf").string() + ". " + walkEnd);
  sq::PreviewWindow* preview = w.preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->lblNote->isVisible());
  EXPECT_EQ(preview->lblNote->text().toStdString(), walkEnd);
  EXPECT_EQ(preview->lblNote->toolTip().toStdString(), walkEnd);  // whole, where the status bar cuts it
  EXPECT_TRUE(preview->isVisible());
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.ProgressBar1->value(), 0);
  EXPECT_EQ(preview->windowTitle(), "Background from sky.hod");  // named after the file it shows
  EXPECT_FALSE(preview->mnuWrite->isEnabled());
  // Both windows carry the program's icon.
  const QImage drawn(QString::fromStdString((BuiltProgramFolder() / "starquill-256.png").string()));
  for (const QWidget* shown : {static_cast<QWidget*>(&w), static_cast<QWidget*>(preview)}) {
    EXPECT_EQ(shown->windowIcon().pixmap(QSize(256, 256)).toImage().convertToFormat(drawn.format()), drawn);
  }

  // Closed by Ctrl+W: the window comes back where it was, and only once the preview is off the screen.
  std::optional<bool> previewShownThen;
  const auto watch = QObject::connect(w.windowHandle(), &QWindow::visibleChanged, [&](bool shown) {
    if (shown) previewShownThen = w.preview() && w.preview()->isVisible();
  });
  preview->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(preview));
  QTest::keySequence(preview, QKeySequence(Qt::CTRL | Qt::Key_W));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }));
  QObject::disconnect(watch);
  EXPECT_EQ(previewShownThen, false);
  EXPECT_EQ(w.geometry(), before);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.preview() == nullptr; }));  // a closed preview is gone
}

// A picture loaded, built and written at start writes what the command line
// writes without flags: the halftone question answered by its default button,
// the Options marks as they start. (That each flag changes the files is held by
// the command line's tests: BuildBackgroundCli and TgaCli.) Written again, it
// asks first, No by default, and says the outcome in the window in front; built
// at density 16 from the menu, it writes what the command line writes so.
TEST(MainWindow, ALoadedImageIsBuiltPreviewedAndWrittenAsTheCommandLineWritesIt) {
  MainRig rig;
  sq::MainWindow& w = *rig.window;
  // Stars of the three kinds, a faint one and one only "More stars" finds, and a
  // band bright enough to be asked about and to be capped by the intensity limit.
  TempDir images;
  Picture sky(256, 128, 10);
  sky.Grey(40, 40, 120).Square(120, 70, 125).Square(200, 30, 120).Grey(199, 29, 120).Grey(60, 20, 40).Grey(90, 50, 22);
  for (int y = 96; y <= 106; ++y) {
    for (int x = 1; x <= 256; ++x) sky.Set(x, y, 60, 180, 200);
  }
  const auto tga = images / "sky.tga", hod = images / "sky.hod";
  WriteBytes(tga, sky.File());
  rig.Load(tga);
  ASSERT_EQ(rig.platform.questions.size(), 1u);
  EXPECT_EQ(rig.platform.answer, rig.platform.questions[0].defaultYes);
  // The status line names the files the detector wrote, all of them.
  EXPECT_EQ(w.StatusText().toStdString(), "Wrote 5 files to " + images.path().string() +
                                              ": sky_filtered.tga, sky_StrPts0.obj, sky_StrPts1.obj, "
                                              "sky_StrPts2.obj, sky_cPts.obj");
  rig.platform.messages.clear();
  w.mnuBuildBackground->trigger();
  sq::PreviewWindow* preview = w.preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->windowTitle(), "Background from sky.tga");
  EXPECT_TRUE(preview->LayerMesh() && preview->LayerStarMaps() && preview->LayerStars());
  EXPECT_TRUE(rig.platform.messages.empty());
  preview->mnuWrite->trigger();
  EXPECT_EQ(w.StatusText().toStdString(), "Wrote " + hod.string());
  TempDir cli;
  for (const char* command : {"tga", "build-background"})
    ASSERT_EQ(Starquill({command, tga.string(), "--out-dir", cli.path().string()}, cli).status, 0) << command;
  std::map<std::string, std::string> plain = FilesIn(cli.path());
  ASSERT_EQ(plain.size(), 6u);
  for (const auto& [name, bytes] : plain) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(ReadText(images / name) == bytes);
  }

  preview->mnuWrite->trigger();  // answered No
  ASSERT_EQ(rig.platform.questions.size(), 2u);
  EXPECT_EQ(rig.platform.questions[1].text, "sky.hod already exists in " + images.path().string() + ".\r\nReplace it?");
  EXPECT_FALSE(rig.platform.questions[1].defaultYes);
  EXPECT_TRUE(ReadText(hod) == plain["sky.hod"]);
  EXPECT_EQ(preview->statusBar()->currentMessage(), "Nothing written: sky.hod already exists and was kept.");
  rig.ClosePreview();

  w.mnuOptions->popup(QPoint(20, 20));  // clicked as a user does
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.mnuOptions));
  QTest::mouseClick(w.mnuOptions, Qt::LeftButton, Qt::NoModifier,
                    w.mnuOptions->actionGeometry(w.mnuDensity16).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.mnuOptions->isVisible(); }));
  w.mnuBuildBackground->trigger();
  preview = w.preview();
  ASSERT_NE(preview, nullptr);
  rig.platform.answer = true;
  preview->mnuWrite->trigger();
  TempDir expected;
  RecordingPlatform quiet;
  sq::BuildBackgroundCommand(tga, expected.path(), sq::BuildOptions{.density = 16}, quiet);
  EXPECT_TRUE(ReadText(hod) == ReadText(expected / "sky.hod"));
  const std::string replaced = "Wrote " + hod.string() + " (replaced the earlier file)";
  EXPECT_EQ(preview->statusBar()->currentMessage().toStdString(), replaced);
  rig.ClosePreview();
  EXPECT_EQ(w.StatusText().toStdString(), replaced);
  // From the Tools menu the same, said in the main window.
  rig.platform.answer = false;
  w.mnuWriteHOD->trigger();
  EXPECT_EQ(rig.platform.questions.size(), 4u);
  EXPECT_EQ(w.StatusText(), "Nothing written: sky.hod already exists and was kept.");

  // Reading a HOD file lets the built background go, not the picture. Chosen
  // from its own folder, the status line names the report shortly; a whole file has no note.
  WriteBytes(rig.maps / "stars.hod", StarsHod());
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(rig.maps.path());
  rig.Report("stars.hod");
  std::filesystem::current_path(before);
  EXPECT_FALSE(w.mnuWriteHOD->isEnabled());
  EXPECT_EQ(w.StatusText(), "Wrote ./stars.HODreport.rtf");
  EXPECT_EQ(w.windowTitle().toStdString(), std::string(sq::kMainWindowTitle) + " + sky");
  ASSERT_NE(w.preview(), nullptr);
  EXPECT_EQ(w.preview()->windowTitle(), "Background from stars.hod");
  EXPECT_FALSE(w.preview()->lblNote->isVisible());
}

// A picture without 2 x 2 stars or spots builds empty star maps: the builder
// says so in a box, and the preview of the build and of the HOD written from it
// open without them, saying so.
TEST(MainWindow, EmptyStarMapsAreWarnedOfAndLeftOutOfThePreviewsOfTheBuildAndOfItsHod) {
  MainRig rig;
  sq::MainWindow& w = *rig.window;
  TempDir images;
  WriteBytes(images / "plain.tga", SmoothSky(256, 128).Grey(40, 40, 120).File());
  rig.Load(images / "plain.tga");
  rig.platform.messages.clear();
  w.mnuBuildBackground->trigger();
  EXPECT_EQ(
      rig.platform.messages,
      std::vector<std::string>{Shown("Star map 1 (B02.tga) holds no star.\r\nStar map 2 (B03.tga) holds no star.")});
  EXPECT_EQ(rig.platform.icons.back(), sq::MessageIcon::Warning);
  const std::vector<std::string> leftOut = {"Star map 1 holds no star: not shown.",
                                            "Star map 2 holds no star: not shown."};
  ASSERT_NE(w.preview(), nullptr);
  EXPECT_EQ(w.preview()->LeftOut(), leftOut);
  w.preview()->mnuWrite->trigger();
  rig.ClosePreview();
  rig.Report(images / "plain.hod");
  ASSERT_NE(w.preview(), nullptr);
  EXPECT_EQ(w.preview()->LeftOut(), leftOut);
}

// A preview that cannot set up at all (no drawing area, so no device) says so
// and closes; the main window comes back with the report written.
TEST(MainWindow, APreviewWithoutADeviceClosesAndTheMainWindowComesBack) {
  MainRig rig(std::nullopt, QSize(0, 0));
  WriteBytes(rig.maps / "stars.hod", StarsHod());
  rig.Report(rig.maps / "stars.hod");
  EXPECT_EQ(rig.platform.messages,
            std::vector<std::string>{Shown("Unable to do a 'CreateDevice' (see InitD3D() source for comments)")});
  EXPECT_TRUE(std::filesystem::exists(rig.maps / "stars.HODreport.rtf"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.window->isVisible() && rig.window->preview() == nullptr; }));
}

// While a picture loads, nothing that starts another job is on, the status line
// says what runs, a dropped file is not taken, and closing the window waits for
// the load to finish.
TEST(MainWindow, WhileAJobRunsOthersWaitAndClosingWaitsForIt) {
  MainRig rig;
  sq::MainWindow& w = *rig.window;
  TempDir images;
  WriteBytes(images / "sky.tga", FewStars());
  WriteBytes(rig.maps / "m01.hod", ModelHod());
  rig.platform.duringJob = [&] {
    EXPECT_EQ(w.Job(), "Loading sky.tga");
    EXPECT_EQ(w.StatusText(), "Loading sky.tga...");
    for (const QAction* command : {w.mnuLoadTGA, w.mnuLoadCubeMap, w.mnuBuildBackground, w.mnuWriteHOD, w.actOpenHod})
      EXPECT_FALSE(command->isEnabled()) << command->text().toStdString();
    EXPECT_FALSE(w.cmdReport->isEnabled());
    EXPECT_FALSE(Drop(&w, rig.maps / "m01.hod"));
    w.OpenFile((rig.maps / "m01.hod").string());  // as a second `starquill FILE` would
    w.close();
    EXPECT_TRUE(w.isVisible());
  };
  rig.Load(images / "sky.tga");
  EXPECT_FALSE(std::filesystem::exists(rig.maps / "m01.HODreport.rtf"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }));

  // Asked to close while a background is built: the build finishes, no preview opens.
  MainRig second;
  second.Load(images / "sky.tga");
  second.platform.duringJob = [&] {
    EXPECT_EQ(second.window->Job(), "Building the background from sky.tga");
    second.window->close();
  };
  second.window->mnuBuildBackground->trigger();
  EXPECT_TRUE(second.window->session().builtBackground.has_value());
  EXPECT_EQ(second.window->preview(), nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !second.window->isVisible(); }));
}

// "Load cube map..." asks for the six faces in order, then builds and shows the
// background; a cube map cancelled at a face changes nothing.
TEST(MainWindow, ACubeMapIsChosenFaceByFaceBuiltAndPreviewed) {
  MainRig rig;
  sq::MainWindow& w = *rig.window;
  TempDir faces;
  std::vector<std::string> files;
  for (const char* face : {"px", "nx", "py", "ny", "pz", "nz"}) {
    sq::Picture picture{64, 64, std::vector<uint8_t>(64 * 64 * 4, 40)};
    for (int y : {20, 21}) std::fill_n(picture.Pixel(30, y), 8, 250);  // a 2 x 2 star
    files.push_back((faces / ("space_" + std::string(face) + ".png")).string());
    WriteText(files.back(), sq::EncodePng(picture));
  }
  rig.chooser.answers = {files.begin(), files.end()};
  w.mnuLoadCubeMap->trigger();
  ASSERT_EQ(rig.chooser.asked.size(), 6u);
  EXPECT_EQ(rig.chooser.asked[0].title, "Open the +X (right) face of the cube map (1 of 6)");
  EXPECT_EQ(rig.chooser.asked[5].title, "Open the -Z (back) face of the cube map (6 of 6)");
  EXPECT_EQ(w.windowTitle().toStdString(), std::string(sq::kMainWindowTitle) + " + space");
  ASSERT_NE(w.preview(), nullptr);
  EXPECT_EQ(w.preview()->windowTitle(), "Background from the cube map space");
  w.preview()->mnuWrite->trigger();
  // What the command line builds from the same faces.
  TempDir cli;
  std::vector<std::string> args = {"build-background", "--out-dir", cli.path().string(), "--cube"};
  args.insert(args.end(), files.begin(), files.end());
  ASSERT_EQ(Starquill(args, cli).status, 0);
  EXPECT_TRUE(ReadText(faces / "space.hod") == ReadText(cli / "space.hod"));

  // Cancelled at its third face: no message, the background built before stays,
  // and so does every entry it turned on.
  const std::size_t messages = rig.platform.messages.size();
  rig.chooser.asked.clear();
  rig.chooser.answers = {files[0], files[1], ""};
  w.mnuLoadCubeMap->trigger();
  EXPECT_EQ(rig.chooser.asked.size(), 3u);
  EXPECT_EQ(rig.platform.messages.size(), messages);
  EXPECT_EQ(w.windowTitle().toStdString(), std::string(sq::kMainWindowTitle) + " + space");
  EXPECT_TRUE(w.mnuWriteHOD->isEnabled() && w.mnuExportBackground->isEnabled());
}

// At start the report is the command line's without flags, the sound-test box
// unticked. Export is on only while a whole background is held.
TEST(MainWindow, ExportBackgroundIsOnWhileABackgroundIsHeldAndWritesWhatTheDialogNames) {
  MainRig rig;
  sq::MainWindow& w = *rig.window;
  EXPECT_FALSE(w.mnuExportBackground->isEnabled());  // nothing read yet
  WriteBytes(rig.maps / "ship.hod", FullModelHod());
  rig.Report(rig.maps / "ship.hod");
  EXPECT_FALSE(w.mnuExportBackground->isEnabled());  // a model holds no background
  TempDir cli, soundTest;
  const std::string hod = (rig.maps / "ship.hod").string();
  ASSERT_EQ(Starquill({"report", hod, "--out-dir", cli.path().string()}, cli).status, 0);
  ASSERT_EQ(Starquill({"report", hod, "--out-dir", soundTest.path().string(), "--sound-test"}, cli).status, 0);
  EXPECT_TRUE(ReadText(rig.maps / "ship.HODreport.rtf") == ReadText(cli / "ship.HODreport.rtf"));
  EXPECT_FALSE(ReadText(cli / "ship.HODreport.rtf") == ReadText(soundTest / "ship.HODreport.rtf"));
  rig.platform.messages.clear();  // what the model's walk said

  // A background cut short inside its mesh: damaged past exporting, so the
  // entry stays off rather than refusing once a name has been chosen.
  std::vector<uint8_t> cut = FullBackgroundHod().vec();
  cut.resize(100);
  WriteBytes(rig.maps / "cut.hod", cut);
  rig.Report(rig.maps / "cut.hod");
  EXPECT_FALSE(w.mnuExportBackground->isEnabled());

  WriteBytes(rig.maps / "sky.hod", FullBackgroundHod().vec());
  rig.Report(rig.maps / "sky.hod");
  ASSERT_TRUE(w.mnuExportBackground->isEnabled());

  // The dialog offers the formats; the picture is written where it says.
  rig.chooser.asked.clear();
  rig.chooser.answers = {(rig.maps / "out" / "sky.png").string()};
  std::filesystem::create_directory(rig.maps / "out");
  w.mnuExportBackground->trigger();
  ASSERT_EQ(rig.chooser.asked.size(), 1u);
  for (const char* pattern : {"*.png", "*.tga", "*.exr", "*.glb"}) {
    EXPECT_TRUE(rig.chooser.asked[0].filter.contains(pattern)) << pattern;
  }
  EXPECT_EQ(rig.chooser.asked[0].file, "sky.png");  // BASE.png proposed
  const QImage png(QString::fromStdString((rig.maps / "out" / "sky.png").string()));
  EXPECT_EQ(png.size(), QSize(1024, 512));
  EXPECT_EQ(w.StatusText().toStdString(), "Wrote " + (rig.maps / "out" / "sky.png").string());

  // A cancelled dialog writes nothing.
  const std::string status = w.StatusText().toStdString();
  w.mnuExportBackground->trigger();
  EXPECT_EQ(w.StatusText().toStdString(), status);
  EXPECT_TRUE(rig.platform.messages.empty());
}

// The About box names the program and the version `starquill --version` prints.
TEST(MainWindow, QtPlatformDrivesProgressBar1AndItsBoxesCarryTheIconOfTheirKindAndTakeTheAnswer) {
  MainRig rig;
  TempDir scratch;
  const std::string version = Starquill({"--version"}, scratch).out;  // "starquill X.Y.Z\n"
  ASSERT_EQ(version.rfind("starquill ", 0), 0u) << version;
  EXPECT_TRUE(WhileMessageBox(
      [&] { rig.window->mnuAbout->trigger(); },
      [&](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), "About Starquill");
        EXPECT_EQ(box.text(), "<b>Starquill " + QString::fromStdString(version.substr(10)).trimmed() + "</b>");
        EXPECT_FALSE(box.iconPixmap().isNull());
      }));
  sq::QtPlatform platform(rig.window.get(), rig.window->ProgressBar1);
  platform.SetProgress(8, 6);
  EXPECT_EQ(std::pair(rig.window->ProgressBar1->maximum(), rig.window->ProgressBar1->value()), std::pair(8, 6));
  const std::pair<sq::MessageIcon, QMessageBox::Icon> kinds[] = {
      {sq::MessageIcon::Information, QMessageBox::Information},
      {sq::MessageIcon::Warning, QMessageBox::Warning},
      {sq::MessageIcon::Error, QMessageBox::Critical}};
  for (const auto& [kind, icon] : kinds) {
    EXPECT_TRUE(WhileMessageBox([&] { platform.ShowMessage("Starquill", "line one\r\nline two", kind); },
                                [&](QMessageBox& box) {
                                  EXPECT_EQ(box.icon(), icon);
                                  EXPECT_EQ(box.windowTitle(), "Starquill");
                                  EXPECT_EQ(box.text(), "line one\nline two");
                                }));
  }
  // A question answered with its default button: Yes where asked so, else No.
  for (const bool yes : {true, false}) {
    bool answer = !yes;
    EXPECT_TRUE(
        WhileMessageBox([&] { answer = platform.AskYesNo("Starquill", "Filter?", sq::MessageIcon::Question, yes); },
                        [&](QMessageBox& box) {
                          EXPECT_EQ(box.icon(), QMessageBox::Question);
                          box.defaultButton()->click();
                        }));
    EXPECT_EQ(answer, yes);
  }
  // With the main window hidden behind another (a preview), a box belongs to
  // the window in front, so that it is centred where the person looks.
  QWidget front;
  front.show();
  front.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&front));
  rig.window->hide();
  EXPECT_TRUE(WhileMessageBox([&] { platform.AskYesNo("Starquill", "Replace it?", sq::MessageIcon::Question, false); },
                              [&](QMessageBox& box) { EXPECT_EQ(box.parentWidget(), &front); }));
}

// Return presses the button, which has the focus at start; Ctrl+O and Ctrl+T open
// the dialogs, Tab goes on to the check box and Ctrl+Q quits. The dialogs open in
// the folder last used, in the next run too. (The place kept: Placement.)
TEST(Desktop, KeysOpenDialogsInTheFolderLastUsedBetweenRuns) {
  TempDir config;
  const auto settings = config / "starquill.conf";
  TempDir chosen;
  {
    MainRig first(settings);
    sq::MainWindow& w = *first.window;
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
    EXPECT_EQ(first.chooser.asked[1].title, "Open halftoned sky picture (TGA, PNG, JPEG, OpenEXR, HDR)");
    for (const char* pattern : {"*.tga", "*.png", "*.jpg", "*.jpeg", "*.exr", "*.hdr"})  // every kind the builder reads
      EXPECT_TRUE(first.chooser.asked[1].filter.section(";;", 0, 0).contains(pattern)) << pattern;
    EXPECT_EQ(first.chooser.asked[2].title, "Open Farhold HOD file");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(w.chkSndTest));
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible());
  }
  MainRig second(settings);
  second.window->mnuLoadTGA->trigger();
  ASSERT_EQ(second.chooser.asked.size(), 1u);
  EXPECT_EQ(second.chooser.asked[0].folder.toStdString(), chosen.path().string());
  // A folder that has gone since: the home folder again.
  std::filesystem::remove_all(chosen.path());
  MainRig third(settings);
  third.window->cmdReport->click();
  EXPECT_EQ(third.chooser.asked[0].folder, QDir::homePath());
}

// A file dropped on the window or named on the command line runs the command of
// its kind, with no dialog; anything else is not taken.
TEST(Desktop, FilesDroppedOrNamedRunTheCommandOfTheirKind) {
  MainRig rig;
  sq::MainWindow& w = *rig.window;
  WriteBytes(rig.maps / "m01.hod", ModelHod());
  EXPECT_TRUE(Drop(&w, rig.maps / "m01.hod"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(rig.maps / "m01.HODreport.rtf"); }));
  // The size the builder expects, so that no warning box waits for a person;
  // faint enough that no halftone question does either.
  TempDir images;
  sq::Picture sky{1024, 512, std::vector<uint8_t>(1024 * 512 * 4, 10)};
  for (int x = 100; x < 102; ++x) std::fill_n(sky.Pixel(x, 100), 3, 120);
  WriteText(images / "night.png", sq::EncodePng(sky));
  EXPECT_TRUE(Drop(&w, images / "night.png"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.tgaBaseName() == "night"; }));
  EXPECT_TRUE(rig.chooser.asked.empty());  // no dialog: the files were given
  WriteBytes(rig.maps / "notes.txt", {'x'});
  EXPECT_FALSE(Drop(&w, rig.maps / "notes.txt"));

  // A load cancelled, of a file not there or of a damaged picture leaves no
  // picture: the caption, the Tools entries and the session all say so.
  std::string damaged = sq::EncodePng(sky);
  damaged.resize(damaged.size() / 2);
  WriteText(images / "damaged.png", damaged);
  WriteBytes(images / "sky.tga", FewStars());
  for (const std::string& refused : {std::string(), (images / "SKY.TGA").string(), (images / "damaged.png").string()}) {
    SCOPED_TRACE(refused);
    rig.Load(images / "sky.tga");  // named in the caption, the Tools entries on
    ASSERT_EQ(w.windowTitle().toStdString(), std::string(sq::kMainWindowTitle) + " + sky");
    ASSERT_TRUE(w.mnuBuildBackground->isEnabled());
    rig.Load(refused);  // as at start
    EXPECT_EQ(w.windowTitle().toStdString(), sq::kMainWindowTitle);
    EXPECT_FALSE(w.mnuBuildBackground->isEnabled() || w.mnuSaveFiltered->isEnabled() ||
                 w.mnuSaveHalfToned->isEnabled() || w.mnuWriteHOD->isEnabled());
    EXPECT_EQ(w.tgaBaseName(), "");
    EXPECT_TRUE(w.session().PicturePath().empty());
  }

  // `starquill FILE`, with settings of its own, loads the picture in the window:
  // the detector's files appear while it stays open.
  std::filesystem::remove(images / "night_StrPts1.obj");
  TempDir config;
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(config.path().string()));
  program.setProcessEnvironment(env);
  program.start(STARQUILL_EXE, {QString::fromStdString((images / "night.png").string())});
  EXPECT_TRUE(program.waitForStarted());
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(images / "night_StrPts1.obj"); }, 30000));
  EXPECT_EQ(program.state(), QProcess::Running);
  program.terminate();
  program.waitForFinished(10000);
}

// The picture is never shown: taller than the virtual screen (1024 pixels), it
// has the pixels asked for, and at twice the screen's density the same bytes.
// What it cannot draw is refused, and nothing written.
TEST(Screenshot, WritesAPngOfTheRequestedSizeAndLayersWhateverTheScreenAndRefusesWhatItCannotDraw) {
  TempDir dir;
  const auto png = dir / "sky.png", again = dir / "again.png", later = dir / "later.png", stars = dir / "stars.png";
  ProcessResult r = Shoot(dir, png, "1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, png.string() + "\n");
  const QImage image(QString::fromStdString(png.string()));
  EXPECT_EQ(image.size(), QSize(320, 1100));
  // A sky: most of the picture is covered by the mesh.
  const int lit = LitPixels(image);
  EXPECT_GT(lit, 320 * 1100 / 2);
  ASSERT_EQ(Shoot(dir, again, "2").status, 0);
  EXPECT_TRUE(ReadText(again) == ReadText(png));

  // Another time of day turns the picture.
  ASSERT_EQ(Shoot(dir, later, "1", {"--seconds", "5"}).status, 0);
  EXPECT_TRUE(ReadText(later) != ReadText(png));

  // Point stars only: they are there, but no sky behind them.
  ASSERT_EQ(Shoot(dir, stars, "1", {"--layers", "stars"}).status, 0);
  const int starsLit = LitPixels(QImage(QString::fromStdString(stars.string())));
  EXPECT_GT(starsLit, 0);
  EXPECT_LT(starsLit, lit / 4);

  // A model: nothing to preview.
  const auto no = dir / "no.png";
  WriteBytes(dir / "ship.hod", Bytes().Add(Vers(1000)));
  r = Starquill({"preview", (dir / "ship.hod").string(), "--screenshot", no.string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "starquill preview: " + (dir / "ship.hod").string() +
                       " holds no background (no BGMS form, no point stars)\n");
  // Point stars without a mesh: the View menu is off, so no layer can be chosen.
  WriteBytes(dir / "stars.hod", Bytes().Add(Vers(1000)).Add(StarsChunk({{0, 0, 100, 1, 1, 1, 1}})));
  r = Starquill({"preview", (dir / "stars.hod").string(), "--screenshot", no.string(), "--layers", "stars"}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "starquill preview: the View menu does not offer 'Point-stars only' for this background\n");
  // Usage mistakes.
  EXPECT_EQ(Starquill({"preview", kSample.string()}, dir).status, 2);
  EXPECT_EQ(Starquill({"preview", kSample.string(), "--screenshot", no.string(), "--size", "12x9000"}, dir).status, 2);
  EXPECT_EQ(Starquill({"preview", kSample.string(), "--screenshot", no.string(), "--layers", "mesh"}, dir).status, 2);
  EXPECT_EQ(Starquill({"preview", (dir / "ship.HOD").string(), "--screenshot", no.string()}, dir).status, 2);
  EXPECT_FALSE(std::filesystem::exists(no));
}

TEST(Screenshot, BuildBackgroundDrawsWhatThePreviewOfItsWrittenFileDraws) {
  TempDir dir;
  const auto picture = std::filesystem::path(STARQUILL_SOURCE_DIR) / "data/samples/sky.tga";
  const auto built = dir / "built.png", read = dir / "read.png";
  ProcessResult r = Starquill({"build-background", picture.string(), "--density", "4", "--colour-average", "--out-dir",
                               dir.path().string(), "--screenshot", built.string()},
                              dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, (dir / "sky.hod").string() + "\n" + built.string() + "\n");
  r = Starquill({"preview", (dir / "sky.hod").string(), "--screenshot", read.string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ReadText(built) == ReadText(read));
  EXPECT_EQ(QImage(QString::fromStdString(built.string())).size(), QSize(600, 600));

  // A picture with no 2 x 2 stars or spots has empty star maps: the build warns
  // once, and is drawn without them.
  WriteBytes(dir / "plain.tga", SmoothSky(256, 128).Grey(40, 40, 120).File());
  r = Starquill({"build-background", (dir / "plain.tga").string(), "--screenshot", (dir / "plain.png").string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, Shown(sq::kSizeWarning) +
                       "\nstarquill build-background: warning: Star map 1 (B02.tga) holds no star.\n" +
                       "starquill build-background: warning: Star map 2 (B03.tga) holds no star.\n");
  EXPECT_GT(LitPixels(QImage(QString::fromStdString((dir / "plain.png").string()))), 600 * 600 / 2);
}

// The Options menu's group rules, and the build options its marks stand for.
TEST(BuilderMenus, GroupRulesAndTheOptionsTheMarksStandFor) {
  sq::BuilderOptions o;
  using O = sq::BuilderOption;
  auto checked = [&] {
    std::string s;
    for (const auto& item : sq::kBuilderOptionItems) s += o.Checked(item.option) ? '1' : '0';
    return s;
  };
  EXPECT_EQ(checked(), "0100000000");                      // "Mesh density 8" only
  EXPECT_EQ(sq::BuildOptionsFrom(o), sq::BuildOptions{});  // what the command line builds with by default
  // The marks after each run of clicks; "More stars" twice leaves both star entries unchecked.
  const std::pair<std::vector<O>, std::string> steps[] = {
      {{O::Density8}, "0100000000"},
      {{O::Density2, O::ColourAverage, O::IncreaseCapping, O::ColourAverage, O::IntensityLimit}, "0000101100"},
      {{O::MoreStars}, "0000101110"},
      {{O::LessStars}, "0000101101"},
      {{O::MoreStars, O::MoreStars}, "0000101100"}};
  for (const auto& [clicks, marks] : steps) {
    for (O click : clicks) o.Click(click);
    EXPECT_EQ(checked(), marks);
  }
  EXPECT_EQ(sq::BuildOptionsFrom(o), (sq::BuildOptions{.density = 2, .intensityLimit = true, .increaseCapping = true}));
}
