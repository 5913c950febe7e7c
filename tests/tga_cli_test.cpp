#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/tga_kit.h"

using namespace sqtest;

TEST(TgaCli, MadeSkyGivesFiveFilesWithThePlantedStars) {
  TempDir dir;
  const auto sky = dir / "sky.tga";
  const ProcessResult made = RunProgram(MAKE_SKY_TGA_EXE, {sky.string()}, dir.path());
  ASSERT_EQ(made.status, 0) << made.err;
  std::map<int, std::set<Vertex>> planted;
  std::istringstream list(made.out);
  int entry, x, y;
  while (list >> entry >> x >> y) planted[entry].insert(Vertex{double(x), double(y), 0});
  for (int e = 0; e < 3; ++e) ASSERT_GE(planted[e].size(), 20u) << "entry " << e;

  TempDir out;
  const ProcessResult r = Starquill({"tga", sky.string(), "--out-dir", out.path().string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // 1024 x 512 and halftoned: no message, no question
  const std::vector<std::string> names = {"sky_filtered.tga", "sky_StrPts0.obj", "sky_StrPts1.obj", "sky_StrPts2.obj",
                                          "sky_cPts.obj"};
  std::string listed;
  for (const auto& n : names) listed += (out / n).string() + "\n";
  EXPECT_EQ(r.out, listed);
  for (int e = 0; e < 3; ++e) {
    const auto found = ParseObj(ReadText(out / ("sky_StrPts" + std::to_string(e) + ".obj")));
    EXPECT_EQ(std::set<Vertex>(found.begin(), found.end()), planted[e]) << "entry " << e;
    EXPECT_EQ(found.size(), planted[e].size());
  }
  EXPECT_FALSE(ParseObj(ReadText(out / "sky_cPts.obj")).empty());  // the streaks
  const SavedTga saved = ReadSavedTga(out / "sky_filtered.tga");
  EXPECT_EQ(saved.width, 1024);
  EXPECT_EQ(saved.height, 512);
  EXPECT_TRUE(saved.AllAlphaOne());
  for (const Vertex& v : planted[1]) EXPECT_TRUE(saved.Colour(int(v.x), int(v.y), 0, 0, 0));
}

TEST(TgaCli, FilterFlagsAnswerTheQuestion) {
  TempDir dir;
  Picture pic(1024, 512, 10);
  pic.Set(30, 30, 10, 10, 200);  // not halftoned; red alone never marks a pixel
  WriteBytes(dir / "a.tga", pic.File());
  const std::string question = std::string("Incorrect image halftoning: ") + std::string(sq::kHalftoneQuestion) + "\n";

  ProcessResult r = Starquill({"tga", (dir / "a.tga").string()}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, question + "(answered No, the default)\n");
  EXPECT_EQ(ReadSavedTga(dir / "a_filtered.tga").At(30, 30)[2], 200);

  r = Starquill({"tga", (dir / "a.tga").string(), "--no-filter", "--save-halftoned"}, dir);
  EXPECT_EQ(r.err, question + "(answered No)\n");
  const SavedTga halved = ReadSavedTga(dir / "a_halftoned.tga");
  EXPECT_TRUE(halved.Colour(500, 500, 5, 5, 5));
  EXPECT_TRUE(halved.Colour(30, 30, 5, 5, 100));
  EXPECT_TRUE(halved.AllAlphaOne());

  r = Starquill({"tga", (dir / "a.tga").string(), "--filter", "--save-filtered"}, dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, question + "(answered Yes)\n");
  EXPECT_NE(r.out.find("a_filtered.tga\n"), r.out.rfind("a_filtered.tga\n"));  // written twice
  EXPECT_TRUE(ReadSavedTga(dir / "a_filtered.tga").Colour(30, 30, 10, 10, 127));

  EXPECT_EQ(Starquill({"tga", (dir / "a.tga").string(), "--filter", "--no-filter"}, dir).status, 2);
}

TEST(TgaCli, RefusalsAndFailures) {
  TempDir dir;
  WriteBytes(dir / "SKY.TGA", Picture(1024, 512).File());
  ProcessResult r = Starquill({"tga", (dir / "SKY.TGA").string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Starquill: Please select a Targa image file.\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  std::vector<uint8_t> bad = Picture(1024, 512).File();
  bad[16] = 24;
  WriteBytes(dir / "bad.tga", bad);
  r = Starquill({"tga", (dir / "bad.tga").string()}, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "Starquill: Invalid TGA image, exiting...\n");

  WriteBytes(dir / "ok.tga", Picture(64, 64).File());
  r = Starquill({"tga", (dir / "ok.tga").string(), "--out-dir", (dir / "no" / "such").string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find((dir / "no" / "such" / "ok_filtered.tga").string()), std::string::npos) << r.err;

  EXPECT_EQ(Starquill({"tga", "x.tga", "--bogus"}, dir).status, 2);
}
