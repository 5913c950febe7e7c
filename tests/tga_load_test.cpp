#include <gtest/gtest.h>

#include "builder/modTGA.h"
#include "tgakit.h"

using namespace sqtest;

namespace {

const std::string kWarning = std::string("Starquill: ") + std::string(sq::kSizeWarning);
const std::string kInvalid = "Starquill: Invalid TGA image, exiting...";

sq::TgaLoadResult Load(const TempDir& dir, const std::vector<uint8_t>& file, sq::TgaTables& t,
                       sq::Platform& platform, const std::string& name = "img.tga") {
  WriteBytes(dir / name, file);
  return sq::LoadTargaImage(dir / name, dir.path(), t, platform);
}

}  // namespace

TEST(TgaLoad, HalftonedRecommendedSizeLoadsSilentlyAndSumsColours) {
  TempDir dir;
  Picture pic(1024, 512, 0);
  for (int y = 1; y <= 512; y += 37) {
    for (int x = 1; x <= 1024; x += 53) pic.Set(x, y, static_cast<uint8_t>(x % 128), static_cast<uint8_t>(y % 128), 127);
  }
  sq::TgaTables t;
  ProgressPlatform platform;
  const auto r = Load(dir, pic.File(), t, platform);
  EXPECT_EQ(r.status, sq::TgaLoadResult::Status::Loaded);
  EXPECT_EQ(r.baseName, "img");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_TRUE(platform.questions.empty());
  ASSERT_EQ(t.tgaWidth, 1024);
  ASSERT_EQ(t.tgaHeight, 512);
  for (std::size_t i = 0; i < t.PixelCount(); ++i) {
    const uint8_t* p = &pic.pixels[i * 4];
    ASSERT_EQ(t.intensitySum[i], p[0] + p[1] + p[2]) << "pixel " << i;
  }
  // The load's own progress runs to width x height, one row at a time.
  ASSERT_GE(platform.history.size(), 513u);
  EXPECT_EQ(platform.history[0], std::make_pair(1024 * 512, 0));
  EXPECT_EQ(platform.history[1], std::make_pair(1024 * 512, 1024));
  EXPECT_EQ(platform.history[512], std::make_pair(1024 * 512, 1024 * 512));
}

TEST(TgaLoad, HalftoneQuestionOnceAtFirstByteAbove127) {
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    TempDir dir;
    Picture pic(1024, 512, 10);
    pic.Set(2, 1, 127, 127, 127);  // at the limit: no question
    pic.Set(5, 1, 100, 100, 200);  // red of pixel (5, 1) is the first byte above 127
    pic.Set(9, 1, 128, 255, 0);
    pic.At(3, 1)[3] = 250;  // alpha: never checked
    pic.Set(7, 300, 0, 0, 131);
    sq::TgaTables t;
    RecordingPlatform platform;
    platform.answer = yes;
    const auto r = Load(dir, pic.File(), t, platform);
    ASSERT_EQ(platform.questions.size(), 1u);
    const auto& q = platform.questions[0];
    EXPECT_EQ(q.title, "Incorrect image halftoning");
    EXPECT_EQ(q.text,
              "Your image is not properly halftoned,\r\n"
              " please use the option in the <Tools> menu.\r\n"
              "  If you don't do so, the background will display bright\r\n"
              "   green or bright blue or bright red blotches.\r\n"
              "\r\n"
              " Filter for now ?\r\n"
              "(you can save your filtered TGA image afterwards)");
    EXPECT_EQ(q.icon, sq::MessageIcon::Information);
    EXPECT_FALSE(q.defaultYes);
    EXPECT_TRUE(r.asked);
    EXPECT_EQ(r.filtered, yes);
    EXPECT_EQ(t.Byte(2, 1, sq::kRed), 127);
    EXPECT_EQ(t.Byte(5, 1, sq::kRed), yes ? 127 : 200);
    EXPECT_EQ(t.Byte(5, 1, sq::kBlue), 100);
    EXPECT_EQ(t.Byte(9, 1, sq::kBlue), yes ? 127 : 128);
    EXPECT_EQ(t.Byte(9, 1, sq::kGreen), yes ? 127 : 255);
    EXPECT_EQ(t.Byte(7, 300, sq::kRed), yes ? 127 : 131);
    EXPECT_EQ(t.intensitySum[t.Entry(5, 1)], yes ? 327 : 400);  // the sum sees the filtered bytes
    // The detector's saved copy sets alpha to 1; before that the alpha byte stayed 250.
    EXPECT_EQ(pic.At(3, 1)[3], 250);
    const SavedTga saved = ReadSavedTga(dir / "img_filtered.tga");
    EXPECT_EQ(saved.At(9, 1)[1], yes ? 127 : 255);
  }
}

TEST(TgaLoad, OtherSizesWarnAndGoOn) {
  TempDir dir;
  Picture pic(512, 256, 0);
  pic.Grey(100, 100, 100);
  sq::TgaTables t;
  RecordingPlatform platform;
  const auto r = Load(dir, pic.File(), t, platform);
  EXPECT_EQ(platform.messages, std::vector<std::string>{kWarning});
  EXPECT_EQ(r.status, sq::TgaLoadResult::Status::Loaded);
  EXPECT_EQ(t.starTable[1].count, 1);
  EXPECT_TRUE(std::filesystem::exists(dir / "img_StrPts1.obj"));
}

TEST(TgaLoad, RefusedImagesLeaveTheTablesAlone) {
  TempDir dir;
  sq::TgaTables t;
  RecordingPlatform platform;
  Picture good(8, 8, 20);
  ASSERT_EQ(Load(dir, good.File(), t, platform, "good.tga").status, sq::TgaLoadResult::Status::Loaded);
  const sq::TgaTables before = t;

  struct Case {
    const char* what;
    std::vector<uint8_t> file;
  };
  std::vector<Case> cases;
  auto edited = [&](std::size_t at, uint8_t value) {
    std::vector<uint8_t> f = Picture(8, 8, 20).File();
    f[at] = value;
    return f;
  };
  cases.push_back({"zero width", Picture(0, 8).File()});
  cases.push_back({"zero height", Picture(8, 0).File()});
  cases.push_back({"run-length type", edited(2, 10)});
  cases.push_back({"24 bits", edited(16, 24)});
  cases.push_back({"colour map", edited(1, 1)});
  cases.push_back({"negative width", edited(13, 0x80)});
  cases.push_back({"negative height", edited(15, 0xFF)});
  std::vector<uint8_t> shortFile = Picture(8, 8).File("", 0);
  shortFile.pop_back();
  cases.push_back({"one pixel byte short", shortFile});
  cases.push_back({"image-ID longer than the file", edited(0, 255)});
  std::vector<uint8_t> headerOnly = Picture(8, 8).File();
  headerOnly.resize(18);
  cases.push_back({"header only", headerOnly});
  cases.push_back({"shorter than a header", {0, 0, 2}});
  // A huge claimed size in a small file is refused before anything is sized by it.
  std::vector<uint8_t> huge = Picture(8, 8).File();
  huge[12] = huge[13] = huge[14] = huge[15] = 0x7F;
  cases.push_back({"32767 x 32767 in a small file", huge});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingPlatform p;
    TempDir out;
    WriteBytes(out / "bad.tga", c.file);
    const auto r = sq::LoadTargaImage(out / "bad.tga", out.path(), t, p);
    EXPECT_EQ(r.status, sq::TgaLoadResult::Status::Invalid);
    EXPECT_EQ(r.baseName, "bad");
    EXPECT_EQ(p.messages, (std::vector<std::string>{kWarning, kInvalid}));
    EXPECT_TRUE(p.questions.empty());
    EXPECT_EQ(t.tgaWidth, 8);
    EXPECT_TRUE(std::equal(t.tgaFile.begin(), t.tgaFile.end(), before.tgaFile.begin(), before.tgaFile.end()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 1);  // nothing written
  }
}

TEST(TgaLoad, ImageIdIsSkippedAndFooterKeptOrZeroed) {
  TempDir dir;
  Picture pic(7, 6, 30);
  pic.Set(1, 1, 1, 2, 3);
  sq::TgaTables t;
  RecordingPlatform platform;
  ASSERT_EQ(Load(dir, pic.File("HELLO"), t, platform).status, sq::TgaLoadResult::Status::Loaded);
  EXPECT_EQ(t.Byte(1, 1, sq::kRed), 3);
  EXPECT_EQ(t.intensitySum[0], 6);
  sq::SaveHalftonedImage(t, "a", dir.path());
  SavedTga saved = ReadSavedTga(dir / "a_halftoned.tga");
  EXPECT_EQ(saved.imageId, "HELLO");
  EXPECT_EQ(saved.header[0], 5);
  EXPECT_EQ(saved.tail, std::vector<uint8_t>({'F', 'O', 'O', 'T', 'E', 'R', '-', 'T', 'E', 'X', 'T', '-', '1', '2', '3',
                                              '4', '!', 0}));
  EXPECT_EQ(saved.fileSize, 18u + 5 + 7 * 6 * 4 + 18);

  // A file that ends with its pixels, or part-way into the footer.
  for (std::size_t footerBytes : {0u, 3u}) {
    ASSERT_EQ(Load(dir, pic.File("", footerBytes), t, platform).status, sq::TgaLoadResult::Status::Loaded);
    sq::SaveFilteredImage(t, "b", dir.path());
    saved = ReadSavedTga(dir / "b_filtered.tga");
    std::vector<uint8_t> expected(18, 0);
    for (std::size_t i = 0; i < footerBytes; ++i) expected[i] = static_cast<uint8_t>("FOO"[i]);
    EXPECT_EQ(saved.tail, expected);
  }
}

TEST(TgaSave, HalvingTwiceTruncatesAndAlphaOne) {
  TempDir dir;
  Picture pic(6, 6, 0, 200);
  pic.Set(3, 3, 255, 1, 128);
  sq::TgaTables t;
  RecordingPlatform platform;  // answers No: 255 stays
  ASSERT_EQ(Load(dir, pic.File(), t, platform).status, sq::TgaLoadResult::Status::Loaded);
  WriteBytes(dir / "s_halftoned.tga", std::vector<uint8_t>(100000, 0xEE));  // an older, longer file

  EXPECT_TRUE(sq::SaveHalftonedImage(t, "s", dir.path()).Ok());
  SavedTga saved = ReadSavedTga(dir / "s_halftoned.tga");
  EXPECT_EQ(saved.fileSize, 18u + 4 * 6 * 6 + 18);
  EXPECT_TRUE(saved.Colour(3, 3, 127, 0, 64));
  EXPECT_TRUE(saved.AllAlphaOne());

  EXPECT_TRUE(sq::SaveHalftonedImage(t, "s", dir.path()).Ok());
  saved = ReadSavedTga(dir / "s_halftoned.tga");
  EXPECT_TRUE(saved.Colour(3, 3, 63, 0, 32));
  EXPECT_EQ(saved.fileSize, 18u + 4 * 6 * 6 + 18);

  const auto report = sq::SaveFilteredImage(t, "s", dir / "missing");
  EXPECT_FALSE(report.Ok());
  EXPECT_TRUE(report.written.empty());
}

TEST(TgaLoad, TinyImagesLoadButAreNotExamined) {
  for (const auto& [w, h] : {std::pair{5, 40}, std::pair{40, 5}, std::pair{1, 1}}) {
    TempDir dir;
    Picture pic(w, h, 0);
    pic.Grey(1, 1, 90);
    sq::TgaTables t;
    RecordingPlatform platform;
    const auto r = Load(dir, pic.File(), t, platform);
    EXPECT_EQ(r.status, sq::TgaLoadResult::Status::Loaded);
    EXPECT_EQ(t.intensitySum[0], 270);
    EXPECT_TRUE(r.outputs.written.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_TRUE(sq::SaveFilteredImage(t, "img", dir.path()).Ok());
    EXPECT_EQ(ReadSavedTga(dir / "img_filtered.tga").pixels.size(), static_cast<std::size_t>(w * h * 4));
  }
  TempDir dir;
  sq::TgaTables t;
  RecordingPlatform platform;
  EXPECT_EQ(Load(dir, Picture(6, 6).File(), t, platform).outputs.written.size(), 5u);
}

TEST(TgaNames, BaseNameAndAcceptedPaths) {
  EXPECT_EQ(sq::TgaBaseName("C:\\img\\sky.tga"), "sky");
  EXPECT_EQ(sq::TgaBaseName("/data/x.tga.d/sky.tga"), "x");
  EXPECT_EQ(sq::TgaBaseName("sky.tga"), "sky");
  EXPECT_TRUE(sq::AcceptsTargaPath("C:\\img\\sky.tga"));
  EXPECT_FALSE(sq::AcceptsTargaPath("C:\\img\\SKY.TGA"));
  EXPECT_FALSE(sq::AcceptsTargaPath(""));
}

TEST(BuilderOptions, GroupRules) {
  sq::BuilderOptions o;
  using O = sq::BuilderOption;
  auto checked = [&] {
    std::string s;
    for (const auto& item : sq::kBuilderOptionItems) s += o.Checked(item.option) ? '1' : '0';
    return s;
  };
  EXPECT_EQ(checked(), "0100000000");  // "Mesh density 8" only
  o.Click(O::Density8);
  EXPECT_EQ(checked(), "0100000000");
  o.Click(O::Density2);
  EXPECT_EQ(checked(), "0000100000");
  o.Click(O::ColourAverage);
  o.Click(O::IncreaseCapping);
  EXPECT_EQ(checked(), "0000110100");
  o.Click(O::ColourAverage);
  o.Click(O::IntensityLimit);
  EXPECT_EQ(checked(), "0000101100");
  o.Click(O::MoreStars);
  EXPECT_EQ(checked(), "0000101110");
  o.Click(O::LessStars);
  EXPECT_EQ(checked(), "0000101101");
  o.Click(O::MoreStars);
  o.Click(O::MoreStars);
  EXPECT_EQ(checked(), "0000101100");  // More stars twice: both star entries unchecked
  EXPECT_EQ(sq::kBuilderOptionItems[7].caption, "Increase capping region");
  EXPECT_EQ(sq::kBuilderOptionItems[7].name, "mnuIncrCap");
}

TEST(TgaCommand, RefusedAndAcceptedSelections) {
  TempDir dir;
  Picture pic(1024, 512, 0);
  pic.Grey(500, 200, 100).Grey(20, 20, 200);
  WriteBytes(dir / "sky.tga", pic.File());
  WriteBytes(dir / "SKY.TGA", pic.File());

  sq::BuilderSession s;
  EXPECT_EQ(s.caption, "Starquill v5");
  EXPECT_FALSE(s.tools.saveHalftonedEnabled || s.tools.saveFilteredEnabled || s.tools.writeHodEnabled);
  sq::PreviewLists lists;
  lists.starPreviewCount = 1;
  lists.starPreviewVertices.resize(1);
  s.backgroundFromHod = true;

  RecordingPlatform platform;
  platform.answer = true;
  auto outcome = sq::LoadTargaCommand(s, lists, dir / "sky.tga", dir.path(), platform);
  EXPECT_EQ(outcome.status, sq::TgaCommandOutcome::Status::Loaded);
  EXPECT_EQ(s.tgaBaseName, "sky");
  EXPECT_EQ(s.caption, "Starquill v5 + sky");
  EXPECT_TRUE(s.tools.saveFilteredEnabled);
  EXPECT_FALSE(s.tools.saveHalftonedEnabled);
  EXPECT_FALSE(s.backgroundFromHod);
  EXPECT_EQ(lists.starPreviewCount, 0);
  EXPECT_TRUE(lists.starPreviewVertices.empty());
  EXPECT_TRUE(sq::SaveHalftonedCommand(s, dir.path(), platform).Ok());
  EXPECT_TRUE(std::filesystem::exists(dir / "sky_halftoned.tga"));

  // A second load of the same image starts from empty star lists, so its point
  // file gets the two stars once more, not twice more.
  outcome = sq::LoadTargaCommand(s, lists, dir / "sky.tga", dir.path(), platform);
  EXPECT_EQ(s.tga.starTable[1].count, 2);
  EXPECT_EQ(ReadText(dir / "sky_StrPts1.obj"), "v 20 20 0\r\nv 500 200 0\r\nv 20 20 0\r\nv 500 200 0\r\n");

  s.backgroundFromHod = true;
  platform.messages.clear();
  outcome = sq::LoadTargaCommand(s, lists, dir / "SKY.TGA", dir.path(), platform);
  EXPECT_EQ(outcome.status, sq::TgaCommandOutcome::Status::Refused);
  EXPECT_EQ(platform.messages, std::vector<std::string>{"Starquill: Please select a Targa image file."});
  EXPECT_EQ(s.tgaBaseName, "");
  EXPECT_EQ(s.caption, "Starquill v5 + sky");
  EXPECT_FALSE(s.tools.saveFilteredEnabled);
  EXPECT_FALSE(s.backgroundFromHod);
  EXPECT_EQ(s.tga.starTable[1].count, 2);  // the tables stay as they were

  // An unwritable output folder is named in a message.
  platform.messages.clear();
  outcome = sq::LoadTargaCommand(s, lists, dir / "sky.tga", dir / "missing", platform);
  EXPECT_EQ(outcome.load.outputs.errors.size(), 5u);
  ASSERT_EQ(platform.messages.size(), 5u);
  EXPECT_NE(platform.messages[0].find((dir / "missing").string()), std::string::npos) << platform.messages[0];
}
