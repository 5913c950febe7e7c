// `starquill tga` run as a user runs it, and the refusals and failures it shares
// with `starquill build-background`.
#include <gtest/gtest.h>

#include <cstring>

#include "app/command_paths.h"
#include "builder/modTGA.h"
#include "tests/tga_kit.h"

using namespace sqtest;

namespace {

// The files a load writes, one line each, then `more`.
std::string Listed(const std::filesystem::path& folder, const std::string& base, std::vector<std::string> more = {}) {
  std::string listed;
  for (const char* kind : {"_filtered.tga", "_StrPts0.obj", "_StrPts1.obj", "_StrPts2.obj", "_cPts.obj"})
    listed += (folder / (base + kind)).string() + "\n";
  for (const std::string& name : more) listed += (folder / name).string() + "\n";
  return listed;
}

long FileCount(const std::filesystem::path& folder) {
  return std::distance(std::filesystem::directory_iterator(folder), {});
}

}  // namespace

TEST(TgaCli, FilterFlagsAnswerTheQuestionAndSaveFlagsSave) {
  TempDir dir;
  Picture pic(1024, 512, 10);
  pic.Set(30, 30, 10, 10, 200);  // not halftoned; red alone never marks a pixel
  WriteBytes(dir / "a.tga", pic.File());
  const struct {
    std::vector<std::string> flags;
    std::string answer, saved;
    std::array<uint8_t, 3> at30;  // blue, green, red of (30, 30) in the file saved last
  } cases[] = {
      {{}, "No, the default", "", {10, 10, 200}},
      {{"--no-filter", "--save-halftoned"}, "No", "a_halftoned.tga", {5, 5, 100}},
      {{"--filter", "--save-filtered"}, "Yes", "a_filtered.tga", {10, 10, 127}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"tga", (dir / "a.tga").string()};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const ProcessResult r = Starquill(args, dir);
    SCOPED_TRACE(c.answer);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, AskedOnStderr(c.answer));
    EXPECT_EQ(r.out, c.saved.empty() ? Listed(dir.path(), "a") : Listed(dir.path(), "a", {c.saved}));
    const SavedTga saved = ReadSavedTga(dir / (c.saved.empty() ? "a_filtered.tga" : c.saved));
    EXPECT_TRUE(saved.Colour(30, 30, c.at30[0], c.at30[1], c.at30[2]));
    EXPECT_TRUE(saved.AllAlphaOne());
  }
  EXPECT_TRUE(ReadSavedTga(dir / "a_halftoned.tga").Colour(500, 500, 5, 5, 5));
}

TEST(TgaCli, RefusalsAndUsageMistakesOfBothCommandsWriteNothing) {
  TempDir dir;
  const std::vector<uint8_t> good = Picture(1024, 512).File();
  WriteBytes(dir / "SKY.TGA", good);
  std::vector<uint8_t> depth = good;
  depth[16] = 24;
  WriteBytes(dir / "depth.tga", depth);
  WriteBytes(dir / "tiny.tga", Picture(5, 40, 20).File());
  const std::pair<std::string, std::string> cases[] = {
      {"SKY.TGA", Shown(sq::kSelectTargaImage)},
      {"depth.tga", Shown(sq::kInvalidImage)},
      {"missing.tga", Shown("Cannot read the TGA image " + (dir / "missing.tga").string())},
      {"tiny.tga", Shown(sq::kSizeWarning) + "\n" + Shown(sq::kPictureTooSmall)},  // loads, but builds nothing
  };
  for (const std::string command : {"tga", "build-background"}) {
    for (const auto& [file, err] : cases) {
      if (command == "tga" && file == "tiny.tga") continue;
      const ProcessResult r = Starquill({command, (dir / file).string()}, dir);
      EXPECT_EQ(r.status, 2) << command << " " << file;
      EXPECT_EQ(r.err, err + "\n") << command << " " << file;
      EXPECT_EQ(r.out, "") << command << " " << file;
    }
  }
  // Usage mistakes are refused before anything is read.
  const std::string sky = (dir / "tiny.tga").string();
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"build-background"},
                                             {"build-background", sky, "--density", "3"},
                                             {"build-background", sky, "--more-stars", "--less-stars"},
                                             {"build-background", sky, "--filter", "--no-filter"}}) {
    const ProcessResult r = Starquill(args, dir);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_TRUE(r.err.ends_with("\nRun 'starquill build-background --help' for its options.\n")) << r.err;
    EXPECT_EQ(r.err.find(sq::kSizeWarning), std::string::npos) << r.err;
  }
  EXPECT_EQ(FileCount(dir.path()), 3);
}

TEST(TgaCli, BothCommandsEndWithStatusOneWhenTheyCannotWriteAndLeaveNoPartialFile) {
  TempDir dir, out;
  const std::string sky = (dir / "sky.tga").string(), none = (dir / "sky.tga" / "out").string();
  WriteBytes(sky, Picture(64, 64, 20).Grey(30, 30, 90).File());
  // An --out-dir that cannot be made (below a file) ends either command before it reads.
  for (const char* command : {"tga", "build-background"}) {
    const ProcessResult r = Starquill({command, sky, "--out-dir", none}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out + r.err, "starquill " + std::string(command) + ": cannot make the output folder " + none + ": " +
                                 std::strerror(ENOTDIR) + "\n");
  }
  ProcessResult r = Starquill({"tga", sky, "--out-dir", (out / "tga").string()}, dir);  // one that is not there is made
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FileCount(out / "tga"), 5);
  std::filesystem::remove_all(out / "tga");

  std::filesystem::create_directory(out / "sky.hod");  // a folder stands where the file would go
  r = Starquill({"build-background", sky, "--out-dir", out.path().string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(
      r.err.starts_with(Shown(sq::kSizeWarning) + "\n" + Shown("The background HOD file could not be written: ")))
      << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(FileCount(out.path()), 1);
  EXPECT_TRUE(std::filesystem::is_directory(out / "sky.hod"));
}
