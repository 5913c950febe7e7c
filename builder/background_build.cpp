#include "builder/background_build.h"

#include "builder/builder_progress.h"
#include "picture/picture_resample.h"
#include "picture/sky_cube.h"

namespace sq {

namespace {

// The mesh of `picture` (the stars already taken out) and the records of the
// stars, placed on it by `place`.
void MeshAndRecords(BuiltBackground& built, const TgaTables& picture, const BuildStarLists& stars,
                    const BuildOptions& options, const StarPlacement& place) {
  BackgroundTables& t = built.tables;
  t.bgmsTable = BuildMeshChunks(picture, options);
  StarRecords records = MakeStarRecords(stars, picture.tgaWidth, picture.tgaHeight, place);
  t.bgsgTable.assign(std::make_move_iterator(records.starMaps.begin()),
                     std::make_move_iterator(records.starMaps.end()));
  t.strfTable.assign(std::make_move_iterator(records.pointStars.begin()),
                     std::make_move_iterator(records.pointStars.end()));
  t.hasBGMS = t.hasBGSG = t.hasSTRF = true;
  for (std::size_t e = 0; e < stars.size(); ++e) built.stars[e] = static_cast<int64_t>(stars[e].size());
  for (int64_t d : records.droppedStarMapRecords) built.dropped += d;
  for (int64_t d : records.droppedPointStars) built.dropped += d;
  built.notes = std::move(records.notes);
}

// The sweeps of a star search over a picture, for the progress bar: four a
// look, and a second look for "More stars".
int64_t StarPasses(StarAmount amount) { return amount == StarAmount::More ? 8 : 4; }

void ShowSizeWarning(int width, int height, Platform& platform) {
  if (width != 1024 || height != 512) platform.ShowMessage(kAppTitle, kSizeWarning, MessageIcon::Warning);
}

// A picture read at its own size, built at width x height.
BuiltBackground BuildResampled(TgaTables& picture, int width, int height, const BuildOptions& options,
                               Platform& platform) {
  BuiltBackground built;
  Progress progress(platform);
  progress.Start((StarPasses(options.stars) + 1) * static_cast<int64_t>(picture.PixelCount()));
  const BuildStarLists stars = FindAndRemoveStars(picture, options.stars, progress);
  const double across = static_cast<double>(width) / picture.tgaWidth,
               up = static_cast<double>(height) / picture.tgaHeight;
  // The sums and marks go first, then the tables once their pixels are copied.
  picture.intensitySum = ImageBuffer<int16_t>();
  picture.contrastMask = MarkTable();
  const Picture full = PictureOfTables(picture);
  picture = TgaTables{};
  const TgaTables small = TablesOfPicture(ResamplePicture(full, width, height));
  // The same direction in the other picture: u and v scale with the sides.
  MeshAndRecords(built, small, stars, options, [&](const BuildStar&, double u, double v) {
    return PicturePoint{u * across, v * up};
  });
  progress.Set(0);
  return built;
}

BackgroundBuildOutcome BuildFromCube(const SkySource& sky, const BuildOptions& options, Platform& platform,
                                     const TgaReadOptions& read) {
  BackgroundBuildOutcome outcome;
  const int width = sky.width > 0 ? sky.width : kCubeMapWidth, height = sky.height > 0 ? sky.height : kCubeMapHeight;
  outcome.built.refusal = BuildRefusal(width, height, options);
  if (!outcome.built.refusal.empty()) {
    platform.ShowMessage(kAppTitle, outcome.built.refusal, MessageIcon::Warning);
    outcome.read.status = TgaLoadResult::Status::Refused;
    return outcome;
  }
  CubeFaces faces;
  BuildStarLists stars;
  std::optional<bool> answer = read.filter;
  bool asked = false;
  Progress progress(platform);
  for (std::size_t k = 0; k < faces.size(); ++k) {
    const std::filesystem::path& file = sky.files[k];
    PictureReadOptions face;
    face.filter = answer;
    face.showSizeWarning = false;
    face.exposure = sky.exposure;
    face.refuse = [&](int32_t w, int32_t h) -> std::string {
      std::string why;
      if (w != h) {
        why =
            "a cube face must be square, and this one is " + std::to_string(w) + " x " + std::to_string(h) + " pixels";
      } else if (k > 0 && w != faces[0].width) {
        why = "the cube faces must all be of one size, and this one is " + std::to_string(w) + " x " +
              std::to_string(h) + " pixels, " + sky.files[0].string() + " " + std::to_string(faces[0].width) + " x " +
              std::to_string(faces[0].height);
      } else if (w < kMinDetectSize) {
        why = "a cube face must be at least " + std::to_string(kMinDetectSize) + " x " +
              std::to_string(kMinDetectSize) + " pixels";
      }
      outcome.built.refusal = why.empty() ? why : file.string() + ": " + why;
      return outcome.built.refusal;
    };
    TgaTables t;
    outcome.read = ReadSkyPicture(file, t, platform, face);
    if (outcome.read.status != TgaLoadResult::Status::Loaded) return outcome;
    // The question is asked once; its answer holds for the faces after.
    if (outcome.read.asked) asked = true, answer = outcome.read.filtered;
    progress.Start(StarPasses(options.stars) * static_cast<int64_t>(t.PixelCount()));
    BuildStarLists found = FindAndRemoveStars(t, options.stars, progress);
    for (std::size_t e = 0; e < stars.size(); ++e) {
      for (BuildStar& star : found[e]) {
        star.source = static_cast<int>(k);
        stars[e].push_back(star);
      }
    }
    faces[k] = PictureOfTables(t);
  }
  outcome.read.asked = asked;
  outcome.read.filtered = answer.value_or(false);
  if (read.showSizeWarning) ShowSizeWarning(width, height, platform);
  const TgaTables panorama = TablesOfPicture(PanoramaOfCube(faces, width, height));
  const double n = faces[0].width;
  faces = CubeFaces{};
  // A face's rows are held bottom first: t counts from its top.
  MeshAndRecords(outcome.built, panorama, stars, options, [&](const BuildStar& star, double u, double v) {
    return PanoramaPointOfCube({kCubeFaces[static_cast<std::size_t>(star.source)], u / n, 1 - v / n}, width, height);
  });
  progress.Set(0);
  return outcome;
}

}  // namespace

BuiltBackground BuildBackground(TgaTables& picture, const BuildOptions& options, Platform& platform) {
  BuiltBackground built;
  built.refusal = BuildRefusal(picture.tgaWidth, picture.tgaHeight, options);
  if (!built.refusal.empty()) return built;
  if (!picture.Consistent()) {
    built.refusal = "The picture's tables do not describe one image.";
    return built;
  }

  // Four passes a look at the stars, a second look for "More stars", and the mesh.
  Progress progress(platform);
  const int64_t passes = options.stars == StarAmount::More ? 9 : 5;
  progress.Start(passes * static_cast<int64_t>(picture.PixelCount()));
  const BuildStarLists stars = FindAndRemoveStars(picture, options.stars, progress);
  progress.Set((passes - 1) * static_cast<int64_t>(picture.PixelCount()));

  // The mesh needs only the colours: the sums and the marks go first.
  picture.intensitySum = ImageBuffer<int16_t>();
  picture.contrastMask = MarkTable();
  MeshAndRecords(built, picture, stars, options, {});
  progress.Set(0);
  return built;
}

BackgroundBuildOutcome BuildBackgroundFromFile(const std::filesystem::path& path, const BuildOptions& options,
                                               Platform& platform, TgaReadOptions read) {
  BackgroundBuildOutcome outcome;
  read.refuse = [&](int32_t width, int32_t height) {
    outcome.built.refusal = BuildRefusal(width, height, options);
    return outcome.built.refusal;
  };
  TgaTables picture;
  outcome.read = ReadSkyPicture(path, picture, platform, PictureReadOptions{read});
  if (outcome.read.status != TgaLoadResult::Status::Loaded) return outcome;
  outcome.built = BuildBackground(picture, options, platform);
  return outcome;
}

BackgroundBuildOutcome BuildBackgroundFromSky(const SkySource& sky, const BuildOptions& options, Platform& platform,
                                              const TgaReadOptions& read) {
  if (sky.Cube()) return BuildFromCube(sky, options, platform, read);
  BackgroundBuildOutcome outcome;
  if (sky.files.size() != 1) {
    outcome.built.refusal = "A background is built from one picture or from the six faces of a cube map.";
    platform.ShowMessage(kAppTitle, outcome.built.refusal, MessageIcon::Warning);
    outcome.read.status = TgaLoadResult::Status::Refused;
    return outcome;
  }
  const bool resize = sky.width > 0 && sky.height > 0;
  PictureReadOptions picture;
  static_cast<TgaReadOptions&>(picture) = read;
  picture.exposure = sky.exposure;
  picture.showSizeWarning = read.showSizeWarning && !resize;
  picture.refuse = [&](int32_t width, int32_t height) {
    // The stars are found at the picture's own size, the mesh made at the other.
    outcome.built.refusal = width < kMinDetectSize || height < kMinDetectSize
                                ? std::string(kPictureTooSmall)
                                : BuildRefusal(resize ? sky.width : width, resize ? sky.height : height, options);
    return outcome.built.refusal;
  };
  TgaTables tables;
  outcome.read = ReadSkyPicture(sky.files[0], tables, platform, picture);
  if (outcome.read.status != TgaLoadResult::Status::Loaded) return outcome;
  // Brought to another size, the warning is for the size the background is built at.
  if (resize && read.showSizeWarning) ShowSizeWarning(sky.width, sky.height, platform);
  if (!resize || (sky.width == tables.tgaWidth && sky.height == tables.tgaHeight)) {
    outcome.built = BuildBackground(tables, options, platform);
  } else {
    outcome.built = BuildResampled(tables, sky.width, sky.height, options, platform);
  }
  return outcome;
}

}  // namespace sq
