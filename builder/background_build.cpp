#include "builder/background_build.h"

#include "builder/builder_progress.h"

namespace sq {

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
  BackgroundTables& t = built.tables;
  t.bgmsTable = BuildMeshChunks(picture, options);
  StarRecords records = MakeStarRecords(stars, picture.tgaWidth, picture.tgaHeight);
  t.bgsgTable.assign(std::make_move_iterator(records.starMaps.begin()),
                     std::make_move_iterator(records.starMaps.end()));
  t.strfTable.assign(std::make_move_iterator(records.pointStars.begin()),
                     std::make_move_iterator(records.pointStars.end()));
  t.hasBGMS = t.hasBGSG = t.hasSTRF = true;
  for (std::size_t e = 0; e < stars.size(); ++e) built.stars[e] = static_cast<int64_t>(stars[e].size());
  for (int64_t d : records.droppedStarMapRecords) built.dropped += d;
  for (int64_t d : records.droppedPointStars) built.dropped += d;
  built.notes = std::move(records.notes);
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
  outcome.read = ReadTargaPicture(path, picture, platform, read);
  if (outcome.read.status != TgaLoadResult::Status::Loaded) return outcome;
  outcome.built = BuildBackground(picture, options, platform);
  return outcome;
}

}  // namespace sq
