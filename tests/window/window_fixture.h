// The windows with a person and a clock of the test's. A preview over lists and
// textures made by the test, its owner recording what the window asks of it; a
// main window with a chooser that answers the open dialogs from a list, a
// recording platform, and settings of its own.
#pragma once

#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "app/message_boxes.h"
#include "app/window/main_window.h"
#include "preview/preview_window.h"
#include "preview/tga_texture.h"
#include "support/chunk_bytes.h"
#include "tests/test_kit.h"

namespace sqtest {

inline uint32_t Argb(int r, int g, int b, int a = 255) {
  return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
         static_cast<uint32_t>(b);
}

inline sq::PreviewVertex V(float x, float y, float z, uint32_t colour) { return {x, y, z, colour}; }

// A square facing the camera at depth z, drawn as two triangles that appear
// clockwise on screen, as the front faces of the background are.
inline void AddSquare(sq::StarMapPreviewEntry& entry, float x0, float y0, float x1, float y1, float z) {
  const uint32_t c = Argb(255, 255, 255);
  const sq::StarMapVertex bl{x0, y0, z, c, 0, 1}, tl{x0, y1, z, c, 0, 0}, tr{x1, y1, z, c, 1, 0},
      br{x1, y0, z, c, 1, 1};
  entry.vertices.insert(entry.vertices.end(), {bl, tl, tr, tr, br, bl});
  entry.vertexCount = static_cast<int32_t>(entry.vertices.size());
}

inline void AddTriangle(sq::PreviewLists& lists, sq::PreviewVertex a, sq::PreviewVertex b, sq::PreviewVertex c) {
  lists.meshPreviewVertices.insert(lists.meshPreviewVertices.end(), {a, b, c});
  lists.meshPreviewCount = static_cast<int32_t>(lists.meshPreviewVertices.size());
}

inline void AddStar(sq::PreviewLists& lists, sq::PreviewVertex v) {
  lists.starPreviewVertices.push_back(v);
  lists.starPreviewCount = static_cast<int32_t>(lists.starPreviewVertices.size());
}

// Writes B02.tga and B03.tga of one colour each into a folder.
inline void WriteSolidTextures(const std::filesystem::path& folder, QColor first, QColor second) {
  for (const auto& [name, colour] : {std::pair{"B02.tga", first}, std::pair{"B03.tga", second}}) {
    sq::TextureImage image{8, 8, {}};
    for (int i = 0; i < 64; ++i) {
      image.rgba.insert(image.rgba.end(), {static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                                           static_cast<uint8_t>(colour.blue()), 255});
    }
    WriteBytes(folder / name, sq::EncodeTarga32(image));
  }
}

// A preview over the lists and flags the test fills; the rig is its owner and records what it is asked.
struct PreviewRig : sq::PreviewOwner {
  TempDir textures;
  RecordingPlatform recorder;
  int closed = 0;
  sq::PreviewLists lists;
  sq::PreviewSource source;
  double now = 0;
  QSize size{200, 200};
  bool capture = true;  // each frame read back for the test to look at
  std::unique_ptr<sq::PreviewWindow> window;

  PreviewRig() {
    source.lists = &lists;
    source.backgroundFromHod = true;
  }
  void ShowMessage(const sq::Message& message) override { sq::ShowMessage(recorder, message); }
  void PreviewOpened() override {}
  void PreviewClosed() override { ++closed; }
  void WriteHod() override {}
  // Opens the window over what the test has put into the lists and flags.
  bool Load() {
    window = std::make_unique<sq::PreviewWindow>(
        *this, source,
        sq::PreviewWindow::Options{
            .programFolder = textures.path(), .drawingSize = size, .clock = [this] { return now; }});
    window->SetCapture(capture);
    const bool ok = window->Form_Load();
    if (ok) window->Timer2->stop();  // frames are drawn when the test asks
    return ok;
  }
  QImage Frame() {
    window->Render();
    return window->LastFrame();
  }
};

inline QColor Pixel(const QImage& image, float x, float y) {
  return image.pixelColor(static_cast<int>(x), static_cast<int>(y));
}

// How many pixels are not black.
inline int LitPixels(const QImage& image) {
  int lit = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) lit += (image.pixel(x, y) & 0xFFFFFF) != 0;
  }
  return lit;
}

// Whether a colour occurs within one pixel of (x, y): a one-pixel point lands
// on one of the pixels around its exact position.
inline bool ColourNear(const QImage& image, float x, float y, QColor colour) {
  const QImage around = image.copy(static_cast<int>(x) - 1, static_cast<int>(y) - 1, 3, 3);  // 0 off the image
  for (int i = 0; i < 9; ++i) {
    if (around.pixelColor(i % 3, i / 3).rgb() == colour.rgb()) return true;
  }
  return false;
}

class FakeChooser : public sq::FileChooser {
 public:
  std::deque<std::string> answers;
  std::vector<sq::OpenDialogSettings> asked;
  std::function<void()> whileOpen;  // what the dialog does to the window meanwhile
  std::string ChooseOpenFile(const sq::OpenDialogSettings& settings) override {
    asked.push_back(settings);
    if (whileOpen) whileOpen();
    if (answers.empty()) return {};
    std::string a = answers.front();
    answers.pop_front();
    return a;
  }
  // The save dialog takes its answers from the same queue.
  std::string ChooseSaveFile(const sq::OpenDialogSettings& settings) override { return ChooseOpenFile(settings); }
};

// The folder of the program under test, where the build put its icon and textures.
inline std::filesystem::path BuiltProgramFolder() { return std::filesystem::path(STARQUILL_EXE).parent_path(); }

// A person's platform that, once, looks at the window while a job reports progress.
class ProbePlatform : public RecordingPlatform {
 public:
  std::function<void()> duringJob;
  std::function<void()> onMessage;  // as each message is shown
  void ShowMessage(std::string_view title, std::string_view text, sq::MessageIcon icon) override {
    RecordingPlatform::ShowMessage(title, text, icon);
    if (onMessage) onMessage();
  }
  void SetProgress(int, int) override {
    if (!duringJob) return;
    const std::function<void()> probe = std::move(duringJob);
    duringJob = nullptr;
    probe();
  }
};

struct MainRig {
  TempDir program;  // the program's folder, with the star-map textures and the icon
  TempDir maps;     // where the chosen files lie
  TempDir config;   // the settings kept between runs
  ProbePlatform platform;
  FakeChooser chooser;
  std::unique_ptr<sq::MainWindow> window;

  // A window over the settings of `settingsFile`, by default a file of its own.
  explicit MainRig(std::optional<std::filesystem::path> settingsFile = std::nullopt, QSize previewSize = {160, 160}) {
    WriteSolidTextures(program.path(), QColor(80, 80, 120), QColor(120, 80, 80));
    std::filesystem::copy_file(BuiltProgramFolder() / "starquill-256.png", program / "starquill-256.png");
    window = std::make_unique<sq::MainWindow>(sq::MainWindowServices{
        .platform = &platform,
        .chooser = &chooser,
        .programFolder = program.path(),
        .clock = [] { return 0.0; },
        .previewSize = previewSize,
        .settingsFile = QString::fromStdString(settingsFile.value_or(config / "starquill.conf").string())});
    window->Form_Load();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  ~MainRig() {
    if (window->preview()) window->preview()->close();
  }
  // The report on `file`, chosen in the dialog.
  void Report(const std::filesystem::path& file) {
    chooser.answers = {file.string()};
    window->cmdReport->click();
  }
  // The picture `file` loaded, chosen in the dialog.
  void Load(const std::filesystem::path& file) {
    chooser.answers = {file.string()};
    window->mnuLoadTGA->trigger();
  }
  // Closes the preview; the window is back once it has gone.
  void ClosePreview() {
    window->preview()->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isVisible(); }));
  }
};

inline Bytes ModelHod() { return Bytes().Add(Vers(1000)).Add(Form("NAME", Bytes().Text("ship"))); }

inline Bytes PointStars() {
  return StarsChunk({{10, 20, 100, 0.5f, 0.5f, 0.5f, 1}, {-10, 0, 100, 0.25f, 0.25f, 0.5f, 1}});
}

// A background of point stars only: enough for the preview to open.
inline Bytes StarsHod() { return Bytes().Add(Vers(1000)).Add(PointStars()); }

// Runs `open`, which shows a message box and waits for it; once the box is up it
// is handed to `inspect` and closed, unless `inspect` has answered it. Returns
// whether a message box came up at all (any other dialog is closed).
inline bool WhileMessageBox(const std::function<void()>& open, const std::function<void(QMessageBox&)>& inspect) {
  bool seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (modal == nullptr || !modal->isVisible()) return;
    poll.stop();
    auto* box = qobject_cast<QMessageBox*>(modal);
    seen = box != nullptr;
    if (box != nullptr) inspect(*box);
    if (modal->isVisible()) modal->reject();  // unless `inspect` has answered it
  });
  poll.start(10);
  open();
  return seen;
}

}  // namespace sqtest
