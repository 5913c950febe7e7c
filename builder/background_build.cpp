#include "builder/background_build.h"

#include "builder/builder_progress.h"
#include "builder/star_detector.h"
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

// The read's result kept with the build: its messages go first among the build's.
void KeepRead(BuiltBackground& built, TgaLoadResult read) {
  built.messages.insert(built.messages.end(), std::make_move_iterator(read.messages.begin()),
                        std::make_move_iterator(read.messages.end()));
  read.messages.clear();
  built.read = std::move(read);
}

// The question as a read inside the build asks it: what the build said before
// the read goes first.
FilterQuestion AfterSaid(const FilterQuestion& ask, const Messages& before) {
  if (!ask) return {};
  return [&ask, &before](const Messages& said) {
    Messages all = before;
    all.insert(all.end(), said.begin(), said.end());
    return ask(all);
  };
}

// The build proper, on a picture that passed BuildRefusal or is refused by it.
void BuildInto(BuiltBackground& built, TgaTables& picture, const BuildOptions& options, ProgressSink& sink) {
  built.refusal = BuildRefusal(picture.tgaWidth, picture.tgaHeight, options);
  if (built.refusal.empty() && !picture.Consistent()) built.refusal = "The picture's tables do not describe one image.";
  if (!built.refusal.empty()) {
    Say(built.messages, MessageWeight::Warning, built.refusal);
    return;
  }

  // Four passes a look at the stars, a second look for "More stars", and the mesh.
  Progress progress(sink);
  const int64_t passes = options.stars == StarAmount::More ? 9 : 5;
  progress.Start(passes * static_cast<int64_t>(picture.PixelCount()));
  const BuildStarLists stars = FindAndRemoveStars(picture, options.stars, progress);
  progress.Set((passes - 1) * static_cast<int64_t>(picture.PixelCount()));

  // The mesh needs only the colours: the sums and the marks go first.
  picture.intensitySum = ImageBuffer<int16_t>();
  picture.contrastMask = MarkTable();
  MeshAndRecords(built, picture, stars, options, {});
  progress.Set(0);
}

// A picture read at its own size, built at width x height.
void BuildResampled(BuiltBackground& built, TgaTables& picture, int width, int height, const BuildOptions& options,
                    ProgressSink& sink) {
  Progress progress(sink);
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
}

BuiltBackground BuildFromCube(const SkySource& sky, const BuildOptions& options, ProgressSink& sink,
                              const TgaReadOptions& read) {
  BuiltBackground outcome;
  const int width = sky.width > 0 ? sky.width : kCubeMapWidth, height = sky.height > 0 ? sky.height : kCubeMapHeight;
  outcome.refusal = BuildRefusal(width, height, options);
  if (!outcome.refusal.empty()) {
    Say(outcome.messages, MessageWeight::Warning, outcome.refusal);
    outcome.read.status = TgaLoadResult::Status::Refused;
    return outcome;
  }
  CubeFaces faces;
  BuildStarLists stars;
  std::optional<bool> answer = read.filter;
  bool asked = false;
  Progress progress(sink);
  for (std::size_t k = 0; k < faces.size(); ++k) {
    const PictureFile& file = sky.files[k];
    PictureReadOptions face;
    face.filter = answer;
    face.askFilter = AfterSaid(read.askFilter, outcome.messages);
    face.showSizeWarning = false;
    face.exposure = sky.exposure;
    face.refuse = [&](int32_t w, int32_t h) -> std::string {
      std::string why;
      if (w != h) {
        why =
            "a cube face must be square, and this one is " + std::to_string(w) + " x " + std::to_string(h) + " pixels";
      } else if (k > 0 && w != faces[0].width) {
        why = "the cube faces must all be of one size, and this one is " + std::to_string(w) + " x " +
              std::to_string(h) + " pixels, " + sky.files[0].name + " " + std::to_string(faces[0].width) + " x " +
              std::to_string(faces[0].height);
      } else if (w < kMinDetectSize) {
        why = "a cube face must be at least " + std::to_string(kMinDetectSize) + " x " +
              std::to_string(kMinDetectSize) + " pixels";
      }
      outcome.refusal = why.empty() ? why : file.name + ": " + why;
      return outcome.refusal;
    };
    TgaTables t;
    KeepRead(outcome, ReadSkyPicture(file, t, sink, face));
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
  if (read.showSizeWarning) SaySizeWarning(outcome.messages, width, height);
  const TgaTables panorama = TablesOfPicture(PanoramaOfCube(faces, width, height));
  const double n = faces[0].width;
  faces = CubeFaces{};
  // A face's rows are held bottom first: t counts from its top.
  MeshAndRecords(outcome, panorama, stars, options, [&](const BuildStar& star, double u, double v) {
    return PanoramaPointOfCube({kCubeFaces[static_cast<std::size_t>(star.source)], u / n, 1 - v / n}, width, height);
  });
  progress.Set(0);
  return outcome;
}

}  // namespace

BuiltBackground BuildBackground(TgaTables& picture, const BuildOptions& options, ProgressSink& progress) {
  BuiltBackground built;
  built.read.status = TgaLoadResult::Status::Loaded;  // the picture was read before
  BuildInto(built, picture, options, progress);
  return built;
}

BuiltBackground BuildBackgroundFromFile(const PictureFile& file, const BuildOptions& options, ProgressSink& progress,
                                        TgaReadOptions read) {
  BuiltBackground outcome;
  read.refuse = [&](int32_t width, int32_t height) {
    outcome.refusal = BuildRefusal(width, height, options);
    return outcome.refusal;
  };
  TgaTables picture;
  KeepRead(outcome, ReadSkyPicture(file, picture, progress, PictureReadOptions{read}));
  if (outcome.read.status == TgaLoadResult::Status::Loaded) BuildInto(outcome, picture, options, progress);
  return outcome;
}

BuiltBackground BuildBackgroundFromSky(const SkySource& sky, const BuildOptions& options, ProgressSink& progress,
                                       const TgaReadOptions& read) {
  if (sky.Cube()) return BuildFromCube(sky, options, progress, read);
  BuiltBackground outcome;
  if (sky.files.size() != 1) {
    outcome.refusal = "A background is built from one picture or from the six faces of a cube map.";
    Say(outcome.messages, MessageWeight::Warning, outcome.refusal);
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
    outcome.refusal = width < kMinDetectSize || height < kMinDetectSize
                          ? std::string(kPictureTooSmall)
                          : BuildRefusal(resize ? sky.width : width, resize ? sky.height : height, options);
    return outcome.refusal;
  };
  TgaTables tables;
  KeepRead(outcome, ReadSkyPicture(sky.files[0], tables, progress, picture));
  if (outcome.read.status != TgaLoadResult::Status::Loaded) return outcome;
  // Brought to another size, the warning is for the size the background is built at.
  if (resize && read.showSizeWarning) SaySizeWarning(outcome.messages, sky.width, sky.height);
  if (!resize || (sky.width == tables.tgaWidth && sky.height == tables.tgaHeight)) {
    BuildInto(outcome, tables, options, progress);
  } else {
    BuildResampled(outcome, tables, sky.width, sky.height, options, progress);
  }
  return outcome;
}

}  // namespace sq
