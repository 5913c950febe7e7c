// The main window: its controls and menus at start, the option rules through
// real menu clicks, and the report command with a chosen file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/build_background_command.h"
#include "app/report_command.h"
#include "app/window/frmStarquill.h"
#include "support/chunk_bytes.h"
#include "tests/sky_kit.h"
#include "tests/window/main_window_fixture.h"
#include "tests/window/preview_fixture.h"

using namespace sqtest;

namespace {

// Opens a menu as a user does and clicks one of its items.
void ClickMenuItem(QMenu* menu, QAction* item) {
  menu->popup(QPoint(20, 20));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(item).center());
  QTRY_VERIFY(!menu->isVisible());
}

std::vector<std::string> Checked(const sq::frmStarquill& w) {
  std::vector<std::string> names;
  for (QAction* a : w.mnuOptions->actions()) {
    if (a->isChecked()) names.push_back(a->objectName().toStdString());
  }
  return names;
}

}  // namespace

TEST(MainWindow, ControlsAndMenusAtStart) {
  MainRig rig;
  const sq::frmStarquill& w = *rig.window;
  EXPECT_EQ(w.windowTitle(), "Starquill v5");
  EXPECT_EQ(w.cmdReport->text(), "Generate Farhold HOD report / display Farhold background");
  EXPECT_EQ(w.chkSndTest->text(), "report on neu_soundtest.hod");
  EXPECT_FALSE(w.chkSndTest->isChecked());
  EXPECT_EQ(w.ProgressBar1->value(), 0);
  EXPECT_FALSE(w.Picture1->pixmap().isNull());

  const QList<QAction*> bar = w.menuBar()->actions();
  ASSERT_EQ(bar.size(), 3);
  EXPECT_EQ(bar[0]->text(), "&Tools");
  EXPECT_EQ(bar[1]->text(), "&Options");
  EXPECT_EQ(bar[2]->text(), "&Help");

  struct Entry {
    const char* name;
    const char* caption;
    bool enabled;
  };
  const Entry tools[] = {{"mnuLoadTGA", "Load Targa image", true},
                         {"mnuBuildBackground", "Build background", false},
                         {"mnuSaveHalfToned", "Save as halftoned TGA", false},
                         {"mnuSaveFiltered", "Save filtered TGA", false},
                         {"mnuWriteHOD", "Write background HOD", false}};
  const QList<QAction*> toolItems = w.mnuTools->actions();
  ASSERT_EQ(toolItems.size(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(toolItems[i]->objectName(), tools[i].name);
    EXPECT_EQ(toolItems[i]->text(), tools[i].caption);
    EXPECT_EQ(toolItems[i]->isEnabled(), tools[i].enabled) << tools[i].name;
  }

  // A separator stands where the caption is "-".
  const Entry options[] = {{"mnuDensity16", "Mesh density 16", false},
                           {"mnuDensity8", "Mesh density 8", true},
                           {"mnuDensity6", "Mesh density 6", false},
                           {"mnuDensity4", "Mesh density 4", false},
                           {"mnuDensity2", "Mesh density 2", false},
                           {"mnuOptSep01", "-", false},
                           {"mnuColourAverage", "Colour average", false},
                           {"mnuOptSep02", "-", false},
                           {"mnuIntensityLimit", "Use intensity limit", false},
                           {"mnuOptSep03", "-", false},
                           {"mnuIncrCap", "Increase capping region", false},
                           {"mnuOptSep04", "-", false},
                           {"mnuMoreStars", "More stars", false},
                           {"mnuLessStars", "Less stars", false}};
  const QList<QAction*> optionItems = w.mnuOptions->actions();
  ASSERT_EQ(optionItems.size(), 14);
  for (int i = 0; i < 14; ++i) {
    const QAction* a = optionItems[i];
    EXPECT_EQ(a->objectName(), options[i].name);
    EXPECT_EQ(a->isSeparator() ? QString("-") : a->text(), options[i].caption);
    EXPECT_EQ(a->isChecked(), options[i].enabled) << options[i].name;  // here: checked at start
    EXPECT_TRUE(a->isEnabled());
  }
}

TEST(MainWindow, OptionRulesThroughMenuClicks) {
  MainRig rig;
  sq::frmStarquill& w = *rig.window;
  ClickMenuItem(w.mnuOptions, w.mnuDensity16);
  EXPECT_EQ(Checked(w), std::vector<std::string>{"mnuDensity16"});
  ClickMenuItem(w.mnuOptions, w.mnuDensity16);  // clicking the checked one keeps it
  EXPECT_EQ(Checked(w), std::vector<std::string>{"mnuDensity16"});
  ClickMenuItem(w.mnuOptions, w.mnuDensity2);
  ClickMenuItem(w.mnuOptions, w.mnuColourAverage);
  ClickMenuItem(w.mnuOptions, w.mnuMoreStars);
  EXPECT_EQ(Checked(w), (std::vector<std::string>{"mnuDensity2", "mnuColourAverage", "mnuMoreStars"}));
  ClickMenuItem(w.mnuOptions, w.mnuLessStars);  // takes the place of "More stars"
  EXPECT_EQ(Checked(w), (std::vector<std::string>{"mnuDensity2", "mnuColourAverage", "mnuLessStars"}));
  ClickMenuItem(w.mnuOptions, w.mnuLessStars);
  ClickMenuItem(w.mnuOptions, w.mnuColourAverage);
  ClickMenuItem(w.mnuOptions, w.mnuIntensityLimit);
  ClickMenuItem(w.mnuOptions, w.mnuIncrCap);
  EXPECT_EQ(Checked(w), (std::vector<std::string>{"mnuDensity2", "mnuIntensityLimit", "mnuIncrCap"}));
  ClickMenuItem(w.mnuOptions, w.mnuMoreStars);
  ClickMenuItem(w.mnuOptions, w.mnuMoreStars);
  EXPECT_EQ(Checked(w), (std::vector<std::string>{"mnuDensity2", "mnuIntensityLimit", "mnuIncrCap"}));
}

TEST(MainWindow, ReportOnAModelWritesBesideTheFileWithoutPreview) {
  MainRig rig;
  const auto hod = rig.maps / "m01.hod";
  WriteBytes(hod, ModelHod());
  rig.chooser.answers = {hod.string()};
  rig.window->cmdReport->click();

  ASSERT_EQ(rig.chooser.asked.size(), 1u);
  EXPECT_EQ(rig.chooser.asked[0].title, "Open Farhold HOD file");
  EXPECT_EQ(rig.chooser.asked[0].filter, "Farhold HOD files (*.hod)");
  EXPECT_EQ(rig.chooser.asked[0].folder, QDir::homePath());  // the first time; never the program's folder
  EXPECT_TRUE(rig.platform.messages.empty());

  // The same bytes the report command writes for that file.
  TempDir elsewhere;
  sq::Model model;
  const auto outcome = sq::ReportCommand(model, hod, elsewhere.path(), false, rig.platform);
  ASSERT_EQ(outcome.status, sq::ReportOutcome::Status::Written);
  EXPECT_EQ(ReadText(rig.maps / "m01.HODreport.rtf"), ReadText(elsewhere / "m01.HODreport.rtf"));
  EXPECT_EQ(rig.window->outputFolder(), rig.maps.path());
  EXPECT_TRUE(rig.window->backgroundFromHod());
  EXPECT_EQ(rig.window->preview(), nullptr);
  EXPECT_TRUE(rig.window->isVisible());
}

TEST(MainWindow, ReportOnABackgroundOpensThePreviewAndHidesUntilItCloses) {
  MainRig rig;
  const auto hod = rig.maps / "sky.hod";
  WriteBytes(hod, StarsHod());
  rig.window->ProgressBar1->setValue(40);
  rig.chooser.answers = {hod.string()};
  rig.window->cmdReport->click();

  EXPECT_TRUE(std::filesystem::exists(rig.maps / "sky.HODreport.rtf"));
  sq::frmBGdisplay* preview = rig.window->preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_FALSE(rig.window->isVisible());
  EXPECT_EQ(rig.window->ProgressBar1->value(), 0);
  EXPECT_EQ(preview->windowTitle(), "Background from .tga");  // no image loaded: an empty base name
  EXPECT_FALSE(preview->mnuWrite->isEnabled());
  EXPECT_TRUE(preview->Timer2->isActive());
  EXPECT_FALSE(rig.ended);

  preview->close();
  QTRY_VERIFY(rig.window->isVisible());
  QTRY_VERIFY(rig.window->preview() == nullptr);  // a closed preview is gone
}

TEST(MainWindow, RefusedChoicesWriteNothing) {
  MainRig rig;
  WriteBytes(rig.maps / "ship.HOD", ModelHod());
  rig.chooser.answers = {"", (rig.maps / "ship.HOD").string()};  // cancelled, then a wrong name
  rig.window->cmdReport->click();
  rig.window->cmdReport->click();
  EXPECT_EQ(rig.platform.messages, std::vector<std::string>(2, "Starquill: Please select an Farhold HOD file."));
  EXPECT_EQ(rig.platform.icons, std::vector<sq::MessageIcon>(2, sq::MessageIcon::Warning));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rig.maps.path()), {}), 1);
  EXPECT_TRUE(rig.window->backgroundFromHod());
  EXPECT_EQ(rig.window->preview(), nullptr);
}

TEST(MainWindow, APreviewThatCannotSetUpEndsTheProgram) {
  MainRig rig;
  std::filesystem::remove(rig.program / "B03.tga");
  const auto hod = rig.maps / "maps.hod";
  WriteBytes(hod,
             Bytes().Add(Vers(1000)).Add(StarMapChunk("B02.tga", {{0, 0, 100, 10, 1, 1, 1, 1}})).Add(PointStars()));
  rig.chooser.answers = {hod.string()};
  rig.window->cmdReport->click();
  EXPECT_TRUE(std::filesystem::exists(rig.maps / "maps.HODreport.rtf"));
  EXPECT_EQ(rig.platform.messages,
            std::vector<std::string>{"Starquill: Unable to create vertex buffer for BGSG star-maps."});
  EXPECT_EQ(rig.ended, sq::kPreviewFailedStatus);
}

TEST(MainWindow, WritingWithoutABuiltBackgroundRefusesWithItsReason) {
  MainRig rig;
  rig.window->mnuWriteHOD->trigger();  // disabled: nothing happens
  EXPECT_TRUE(rig.platform.messages.empty());
  rig.window->WriteHod();  // what the preview's "Write HOD" asks for
  ASSERT_EQ(rig.platform.messages.size(), 1u);
  EXPECT_EQ(rig.platform.messages[0].rfind("Starquill: The background HOD cannot be written: ", 0), 0u)
      << rig.platform.messages[0];
  EXPECT_FALSE(std::filesystem::exists(rig.window->outputFolder() / ".hod"));
}

namespace {

// A small 32-bit TGA image: 18 header bytes, the pixels, 17 footer bytes.
std::vector<uint8_t> SmallTarga(uint8_t firstRed) {
  std::vector<uint8_t> bytes(18, 0);
  bytes[2] = 2;
  bytes[12] = 4;
  bytes[14] = 2;
  bytes[16] = 32;
  for (int i = 0; i < 8; ++i) bytes.insert(bytes.end(), {20, 30, static_cast<uint8_t>(i == 0 ? firstRed : 40), 255});
  bytes.insert(bytes.end(), 17, 0);
  return bytes;
}

}  // namespace

TEST(MainWindow, TargaImageLoadSetsCaptionMenusAndSaves) {
  MainRig rig;
  TempDir images;
  WriteBytes(images / "sky.tga", SmallTarga(200));
  rig.platform.answer = true;  // Yes: filter the image
  rig.chooser.answers = {(images / "sky.tga").string()};
  rig.window->mnuLoadTGA->trigger();

  ASSERT_EQ(rig.chooser.asked.size(), 1u);
  EXPECT_EQ(rig.chooser.asked[0].title, "Open halftoned 32-bit Targa image file");
  EXPECT_EQ(rig.chooser.asked[0].filter, "32-bit Targa image (*.tga)");
  ASSERT_EQ(rig.platform.questions.size(), 1u);
  EXPECT_EQ(rig.platform.questions[0].title, "Incorrect image halftoning");
  EXPECT_EQ(rig.window->windowTitle(), "Starquill v5 + sky");
  EXPECT_EQ(rig.window->tgaBaseName(), "sky");
  EXPECT_FALSE(rig.window->backgroundFromHod());
  EXPECT_TRUE(rig.window->mnuSaveFiltered->isEnabled());
  EXPECT_FALSE(rig.window->mnuSaveHalfToned->isEnabled());
  EXPECT_EQ(rig.platform.progressMaximum, 8);  // the loader counted every pixel

  std::filesystem::remove(images / "sky_filtered.tga");
  rig.window->mnuSaveFiltered->trigger();
  const std::string saved = ReadText(images / "sky_filtered.tga");
  ASSERT_EQ(saved.size(), 18u + 8 * 4 + 18);
  EXPECT_EQ(static_cast<uint8_t>(saved[18 + 2]), 127);  // the red byte above 127 was clamped

  // A name without ".tga" (case matters) is refused and both savers go off again.
  rig.chooser.answers = {(images / "SKY.TGA").string()};
  rig.window->mnuLoadTGA->trigger();
  EXPECT_EQ(rig.platform.messages.back(), "Starquill: Please select a Targa image file.");
  EXPECT_FALSE(rig.window->mnuSaveFiltered->isEnabled());
  EXPECT_EQ(rig.window->tgaBaseName(), "");
}

TEST(MainWindow, QtPlatformDrivesProgressBar1) {
  MainRig rig;
  sq::QtPlatform platform(rig.window.get(), rig.window->ProgressBar1);
  platform.SetProgress(8, 6);
  EXPECT_EQ(rig.window->ProgressBar1->maximum(), 8);
  EXPECT_EQ(rig.window->ProgressBar1->value(), 6);
}

TEST(MainWindow, QtPlatformBoxesCarryTheIconOfTheirKind) {
  MainRig rig;
  sq::QtPlatform platform(rig.window.get(), rig.window->ProgressBar1);
  const std::pair<sq::MessageIcon, QMessageBox::Icon> kinds[] = {
      {sq::MessageIcon::Information, QMessageBox::Information},
      {sq::MessageIcon::Warning, QMessageBox::Warning},
      {sq::MessageIcon::Error, QMessageBox::Critical}};
  for (const auto& [kind, icon] : kinds) {
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    QString title, text;
    EXPECT_TRUE(WhileModal([&] { platform.ShowMessage("Starquill", "line one\r\nline two", kind); },
                           [&](QWidget* w) {
                             auto* box = qobject_cast<QMessageBox*>(w);
                             ASSERT_NE(box, nullptr);
                             shown = box->icon();
                             title = box->windowTitle();
                             text = box->text();
                           }));
    EXPECT_EQ(shown, icon);
    EXPECT_EQ(title, "Starquill");
    EXPECT_EQ(text, "line one\nline two");
  }
}

TEST(MainWindow, BuildBackgroundPreviewsTheLoadedImageAndBothWriteCommandsWriteBesideIt) {
  MainRig rig;
  TempDir images;
  Picture sky = SmoothSky(256, 128);
  sky.Grey(40, 40, 120).Square(120, 70, 125).Square(200, 30, 120).Grey(199, 29, 120);  // a star, a 2 x 2, a spot
  WriteBytes(images / "sky.tga", sky.File());
  EXPECT_FALSE(rig.window->mnuBuildBackground->isEnabled());
  rig.chooser.answers = {(images / "sky.tga").string()};
  rig.window->mnuLoadTGA->trigger();
  EXPECT_TRUE(rig.window->mnuBuildBackground->isEnabled());
  ClickMenuItem(rig.window->mnuOptions, rig.window->mnuDensity16);
  rig.platform.messages.clear();
  rig.window->mnuBuildBackground->trigger();

  sq::frmBGdisplay* preview = rig.window->preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  EXPECT_EQ(preview->windowTitle(), "Background from sky.tga");
  EXPECT_TRUE(preview->mnuWrite->isEnabled());  // not read from a HOD file
  EXPECT_TRUE(preview->LayerMesh() && preview->LayerStarMaps() && preview->LayerStars());
  EXPECT_TRUE(rig.window->mnuWriteHOD->isEnabled());
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
  rig.window->mnuWriteHOD->trigger();
  EXPECT_TRUE(ReadText(images / "sky.hod") == bytes);

  // Reading a HOD file lets the built background go; the image stays loaded.
  WriteBytes(rig.maps / "stars.hod", StarsHod());
  rig.chooser.answers = {(rig.maps / "stars.hod").string()};
  rig.window->cmdReport->click();
  ASSERT_NE(rig.window->preview(), nullptr);
  EXPECT_FALSE(rig.window->preview()->mnuWrite->isEnabled());
  rig.window->preview()->close();
  EXPECT_FALSE(rig.window->mnuWriteHOD->isEnabled());
  EXPECT_TRUE(rig.window->mnuBuildBackground->isEnabled());

  // A picture refused: both go off.
  rig.chooser.answers = {(images / "SKY.TGA").string()};
  rig.window->mnuLoadTGA->trigger();
  EXPECT_FALSE(rig.window->mnuWriteHOD->isEnabled() || rig.window->mnuBuildBackground->isEnabled());
}
