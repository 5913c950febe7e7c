// The main window: the report command with a chosen file and what follows from
// its outcome, an image loaded, built, previewed and written through the menus,
// and the boxes and progress of the Qt platform.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/build_background_command.h"
#include "app/command_paths.h"
#include "app/report_command.h"
#include "app/window/frmStarquill.h"
#include "support/chunk_bytes.h"
#include "tests/sky_kit.h"
#include "tests/window/window_fixture.h"

using namespace sqtest;

namespace {

// Opens a menu as a user does and clicks one of its items.
void ClickMenuItem(QMenu* menu, QAction* item) {
  menu->popup(QPoint(20, 20));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(item).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }));
}

std::vector<std::string> Checked(const sq::frmStarquill& w) {
  std::vector<std::string> names;
  for (QAction* a : w.mnuOptions->actions()) {
    if (a->isChecked()) names.push_back(a->objectName().toStdString());
  }
  return names;
}

}  // namespace

TEST(MainWindow, ReportsOnAModelBesideItAndRefusesWhatItCannotDo) {
  MainRig rig;
  sq::frmStarquill& w = *rig.window;
  // At start: the builder's caption; nothing that needs an image or a built background.
  EXPECT_EQ(w.windowTitle().toStdString(), sq::kMainWindowTitle);
  EXPECT_FALSE(w.mnuBuildBackground->isEnabled() || w.mnuSaveHalfToned->isEnabled() || w.mnuSaveFiltered->isEnabled() ||
               w.mnuWriteHOD->isEnabled());
  WriteBytes(rig.maps / "ship.HOD", ModelHod());
  rig.chooser.answers = {"", (rig.maps / "ship.HOD").string()};  // cancelled, then a wrong name
  w.cmdReport->click();
  w.cmdReport->click();
  EXPECT_EQ(rig.platform.messages, std::vector<std::string>(2, Shown(sq::kSelectHodFile)));
  EXPECT_EQ(rig.platform.icons, std::vector<sq::MessageIcon>(2, sq::MessageIcon::Warning));
  EXPECT_EQ(w.StatusText(), "Nothing written.");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.maps.path()), {}), 1);

  // A model: the same bytes the report command writes, beside the file, and no preview.
  rig.platform.messages.clear();
  const auto hod = rig.maps / "m01.hod";
  WriteBytes(hod, ModelHod());
  rig.chooser.answers = {hod.string()};
  w.cmdReport->click();
  EXPECT_TRUE(rig.platform.messages.empty());
  TempDir elsewhere;
  sq::Model model;
  ASSERT_EQ(sq::ReportCommand(model, hod, elsewhere.path(), false, rig.platform).status,
            sq::ReportOutcome::Status::Written);
  EXPECT_EQ(ReadText(rig.maps / "m01.HODreport.rtf"), ReadText(elsewhere / "m01.HODreport.rtf"));
  EXPECT_EQ(w.StatusText().toStdString(), "Wrote " + (rig.maps / "m01.HODreport.rtf").string());
  EXPECT_EQ(w.outputFolder(), rig.maps.path());
  EXPECT_EQ(w.preview(), nullptr);
  EXPECT_TRUE(w.isVisible());

  // A background whose preview cannot set up (a star-map texture missing) ends the program.
  std::filesystem::remove(rig.program / "B03.tga");
  WriteBytes(rig.maps / "maps.hod",
             Bytes().Add(Vers(1000)).Add(StarMapChunk("B02.tga", {{0, 0, 100, 10, 1, 1, 1, 1}})).Add(PointStars()));
  rig.chooser.answers = {(rig.maps / "maps.hod").string()};
  w.cmdReport->click();
  EXPECT_TRUE(std::filesystem::exists(rig.maps / "maps.HODreport.rtf"));
  EXPECT_EQ(rig.platform.messages.back(), Shown("Unable to create vertex buffer for BGSG star-maps."));
  EXPECT_EQ(rig.ended, sq::kPreviewFailedStatus);
}

TEST(MainWindow, ReportOnADamagedBackgroundOpensThePreviewWithANoteAndComesBackOnceItHasGone) {
  MainRig rig;
  sq::frmStarquill& w = *rig.window;
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
  rig.chooser.answers = {hod.string()};
  w.cmdReport->click();

  EXPECT_EQ(w.StatusText().toStdString(), "Wrote " + (rig.maps / "sky.HODreport.rtf").string() + ". " + walkEnd);
  sq::frmBGdisplay* preview = w.preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->lblNote->isVisible());
  EXPECT_EQ(preview->lblNote->text().toStdString(), walkEnd);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.ProgressBar1->value(), 0);
  EXPECT_EQ(preview->windowTitle(), "Background from .tga");  // no image loaded: an empty base name
  EXPECT_FALSE(preview->mnuWrite->isEnabled());
  EXPECT_FALSE(rig.ended);
  // Both windows carry the program's icon.
  const QImage drawn(QString::fromStdString((BuiltProgramFolder() / "starquill-256.png").string()));
  ASSERT_FALSE(drawn.isNull());
  for (const QWidget* shown : {static_cast<QWidget*>(&w), static_cast<QWidget*>(preview)}) {
    EXPECT_EQ(shown->windowIcon().pixmap(QSize(256, 256)).toImage().convertToFormat(drawn.format()), drawn);
  }

  // Closed by Ctrl+W: the window comes back where it was, and only once the preview is off the screen.
  std::optional<bool> previewShownThen;
  struct Watch : QObject {
    std::function<void()> shown;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Show) shown();
      return false;
    }
  } watch;
  watch.shown = [&] { previewShownThen = w.preview() && w.preview()->isVisible(); };
  w.installEventFilter(&watch);
  preview->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(preview));
  QTest::keySequence(preview, QKeySequence(Qt::CTRL | Qt::Key_W));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }));
  w.removeEventFilter(&watch);
  EXPECT_EQ(previewShownThen, false);
  EXPECT_EQ(w.geometry(), before);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.preview() == nullptr; }));  // a closed preview is gone
}

TEST(MainWindow, ALoadedImageIsBuiltPreviewedAndWrittenBesideIt) {
  MainRig rig;
  sq::frmStarquill& w = *rig.window;
  TempDir images;
  Picture sky = SmoothSky(256, 128);
  sky.Grey(40, 40, 120).Square(120, 70, 125).Square(200, 30, 120).Grey(199, 29, 120);  // a star, a 2 x 2, a spot
  WriteBytes(images / "sky.tga", sky.File());
  rig.chooser.answers = {(images / "sky.tga").string()};
  w.mnuLoadTGA->trigger();
  EXPECT_EQ(w.windowTitle().toStdString(), std::string(sq::kMainWindowTitle) + " + sky");
  // The status line names the files the detector wrote, all of them.
  EXPECT_EQ(w.StatusText().toStdString(), "Wrote 5 files to " + images.path().string() +
                                              ": sky_filtered.tga, sky_StrPts0.obj, sky_StrPts1.obj, "
                                              "sky_StrPts2.obj, sky_cPts.obj");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(images.path()), {}), 6);

  ClickMenuItem(w.mnuOptions, w.mnuDensity16);
  EXPECT_EQ(Checked(w), std::vector<std::string>{"mnuDensity16"});
  rig.platform.messages.clear();
  w.mnuBuildBackground->trigger();
  sq::frmBGdisplay* preview = w.preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_EQ(preview->windowTitle(), "Background from sky.tga");
  EXPECT_TRUE(preview->LayerMesh() && preview->LayerStarMaps() && preview->LayerStars());
  EXPECT_TRUE(rig.platform.messages.empty());

  // Both write commands write what the command line writes for that picture at density 16.
  TempDir expected;
  sq::BuildOptions options;
  options.density = 16;
  RecordingPlatform quiet;
  sq::BuildBackgroundCommand(images / "sky.tga", expected.path(), options, quiet);
  const std::string bytes = ReadText(expected / "sky.hod");
  preview->mnuWrite->trigger();
  EXPECT_TRUE(ReadText(images / "sky.hod") == bytes);
  preview->close();
  std::filesystem::remove(images / "sky.hod");
  w.mnuWriteHOD->trigger();
  EXPECT_TRUE(ReadText(images / "sky.hod") == bytes);
  EXPECT_EQ(w.StatusText().toStdString(), "Wrote " + (images / "sky.hod").string());

  // Reading a HOD file lets the built background go.
  WriteBytes(rig.maps / "stars.hod", StarsHod());
  rig.chooser.answers = {(rig.maps / "stars.hod").string()};
  w.cmdReport->click();
  EXPECT_FALSE(w.mnuWriteHOD->isEnabled());

  // A picture refused: building goes off too.
  rig.chooser.answers = {(images / "SKY.TGA").string()};
  w.mnuLoadTGA->trigger();
  EXPECT_FALSE(w.mnuWriteHOD->isEnabled() || w.mnuBuildBackground->isEnabled());
}

TEST(MainWindow, QtPlatformDrivesProgressBar1AndItsBoxesCarryTheIconOfTheirKindAndTakeTheAnswer) {
  MainRig rig;
  sq::QtPlatform platform(rig.window.get(), rig.window->ProgressBar1);
  platform.SetProgress(8, 6);
  EXPECT_EQ(rig.window->ProgressBar1->maximum(), 8);
  EXPECT_EQ(rig.window->ProgressBar1->value(), 6);
  const std::pair<sq::MessageIcon, QMessageBox::Icon> kinds[] = {
      {sq::MessageIcon::Information, QMessageBox::Information},
      {sq::MessageIcon::Warning, QMessageBox::Warning},
      {sq::MessageIcon::Error, QMessageBox::Critical}};
  for (const auto& [kind, icon] : kinds) {
    EXPECT_TRUE(WhileModal([&] { platform.ShowMessage("Starquill", "line one\r\nline two", kind); },
                           [&](QWidget* w) {
                             auto* box = qobject_cast<QMessageBox*>(w);
                             ASSERT_NE(box, nullptr);
                             EXPECT_EQ(box->icon(), icon);
                             EXPECT_EQ(box->windowTitle(), "Starquill");
                             EXPECT_EQ(box->text(), "line one\nline two");
                           }));
  }
  // A question answered with its default button: Yes where asked so, else No.
  for (const bool yes : {true, false}) {
    bool answer = !yes;
    EXPECT_TRUE(WhileModal([&] { answer = platform.AskYesNo("Starquill", "Filter?", sq::MessageIcon::Question, yes); },
                           [&](QWidget* w) {
                             auto* box = qobject_cast<QMessageBox*>(w);
                             ASSERT_NE(box, nullptr);
                             EXPECT_EQ(box->icon(), QMessageBox::Question);
                             box->defaultButton()->click();
                           }));
    EXPECT_EQ(answer, yes);
  }
}
