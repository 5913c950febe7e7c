// Writes the seed inputs of the fuzz targets, made from the same chunk shapes the
// tests compose. Usage: make_fuzz_seeds OUT_DIR   (writes OUT_DIR/<target>/*)
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "hod/modCommon.h"
#include "tests/samplefiles.h"

namespace {

bool Write(const std::filesystem::path& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string error = sq::WriteFileAtomic(
      folder / name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!error.empty()) std::fprintf(stderr, "make_fuzz_seeds: %s\n", error.c_str());
  return error.empty();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace sqtest;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds OUT_DIR\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  bool ok = true;

  const std::filesystem::path hod = out / "fuzz_hod";
  ok &= Write(hod, "background.hod", FullBackgroundHod());
  ok &= Write(hod, "model.hod", FullModelHod());
  ok &= Write(hod, "visual.hod", Bytes().Add(Vers(512)).Add(Form("HVMD", VisualPart())));
  ok &= Write(hod, "detail.hod", Bytes().Add(Vers(512)).Add(Form("DTRM", DetailPart())));
  ok &= Write(hod, "bgms-strip.hod", Bytes().Add(Vers(1000)).Add(Form("BGMS", BackgroundMesh(5, 518, {0, 1, 2, 3, 4}))));
  ok &= Write(hod, "bgms-then-stars.hod",
              Bytes().Add(Vers(1000)).Add(Form("BGMS", BackgroundMesh(3, 514, {0, 1, 2}).Add(PointStars(2, 1)))));
  ok &= Write(hod, "starmaps.hod", Bytes().Add(Vers(1000)).Add(StarMapForm("B02.tga", 3)).Add(StarMapForm("B03.tga", 0)));
  ok &= Write(hod, "name.hod", Bytes().Add(Vers(512)).Add(Form("NAME", Bytes().Tag("Fighter1"))));

  // The round trip needs the writable shape: sixteen mesh chunks, two star maps,
  // sixteen point-star chunks.
  const std::filesystem::path roundTrip = out / "fuzz_roundtrip";
  ok &= Write(roundTrip, "background.hod", FullBackgroundHod());
  Bytes strips;
  for (int m = 0; m < 16; ++m) strips.Add(BackgroundMesh(5 + m % 3, 518, {0, 1, 2, 3, 4}));
  Bytes stripsFile;
  stripsFile.Add(Vers(1000)).Add(Nrml("BGLT", Bytes().I32(0))).Add(Form("BGMS", strips));
  stripsFile.Add(StarMapForm("B02.tga", 0)).Add(StarMapForm("B03.tga", 4));
  for (int s = 0; s < 16; ++s) stripsFile.Add(PointStars(s == 3 ? 5 : 0, s));
  ok &= Write(roundTrip, "strips.hod", stripsFile);

  return ok ? 0 : 1;
}
