// A main window with a person and a clock of the test's: a chooser that answers
// the open dialogs from a list, a recording platform, and settings of its own.
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>

#include "app/window/frmStarquill.h"
#include "support/chunk_bytes.h"
#include "tests/window/preview_fixture.h"

namespace sqtest {

class FakeChooser : public sq::FileChooser {
 public:
  std::deque<std::string> answers;
  std::vector<sq::OpenDialogSettings> asked;
  std::string ChooseOpenFile(const sq::OpenDialogSettings& settings) override {
    asked.push_back(settings);
    if (answers.empty()) return {};
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
};

// The folder of the program under test, where the build put its icon and textures.
inline std::filesystem::path BuiltProgramFolder() { return std::filesystem::path(STARQUILL_EXE).parent_path(); }

struct MainRig {
  TempDir program;  // the program's folder, with the star-map textures and the icon
  TempDir maps;     // where the chosen files lie
  TempDir config;   // the settings kept between runs
  RecordingPlatform platform;
  FakeChooser chooser;
  std::optional<int> ended;
  std::unique_ptr<sq::frmStarquill> window;

  // A window over the settings of `settingsFile`, by default a file of its own.
  explicit MainRig(std::optional<std::filesystem::path> settingsFile = std::nullopt, QSize previewSize = {160, 160}) {
    WriteSolidTextures(program.path(), QColor(80, 80, 120), QColor(120, 80, 80));
    std::filesystem::copy_file(BuiltProgramFolder() / "starquill-256.png", program / "starquill-256.png");
    sq::MainWindowServices services;
    services.platform = &platform;
    services.chooser = &chooser;
    services.programFolder = program.path();
    services.endProgram = [this](int status) { ended = status; };
    services.clock = [] { return 0.0; };
    services.previewSize = previewSize;
    services.settingsFile = QString::fromStdString(settingsFile.value_or(config / "starquill.conf").string());
    window = std::make_unique<sq::frmStarquill>(services);
    window->Form_Load();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  ~MainRig() {
    if (window->preview()) window->preview()->close();
  }
};

inline Bytes ModelHod() { return Bytes().Add(Vers(1000)).Add(Form("NAME", Bytes().Text("ship"))); }

inline Bytes PointStars() {
  return StarsChunk({{10, 20, 100, 0.5f, 0.5f, 0.5f, 1}, {-10, 0, 100, 0.25f, 0.25f, 0.5f, 1}});
}

// A background of point stars only: enough for the preview to open.
inline Bytes StarsHod() { return Bytes().Add(Vers(1000)).Add(PointStars()); }

// Runs `open`, which shows a modal box and waits for it; once the box is up it is
// handed to `inspect` and closed, unless `inspect` has answered it. Returns whether a box came up at all.
inline bool WhileModal(const std::function<void()>& open, const std::function<void(QWidget*)>& inspect) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr || !box->isVisible()) return;
    poll.stop();
    seen = true;
    inspect(box);
    if (!box->isVisible()) return;  // answered by `inspect`
    if (auto* dialog = qobject_cast<QDialog*>(box)) {
      dialog->reject();
    } else {
      box->close();
    }
  });
  poll.start();
  open();
  return seen;
}

}  // namespace sqtest
