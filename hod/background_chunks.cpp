// The data of one star-map chunk (BGSG) and one point-star chunk (STRF), read in
// the field order of their layouts. The records stay in the file's bytes: the
// table views them.
#include "hod/modFarholdhod.h"

namespace sq {

void ReadStarMapChunk(WalkContext& ctx, StarMapChunk& chunk) {
  Reader& in = ctx.in;
  chunk.nameLength = in.I32();
  ReadFixedText(ctx, chunk.textureName, chunk.nameLength);
  chunk.recordCount = in.I32();
  const auto count = in.Count(chunk.recordCount, RecordLayout<StarMapRecord>::kBytes, "star-map record");
  if (!count) return;
  chunk.records = RecordList<StarMapRecord>::View(in.Bytes(*count * RecordLayout<StarMapRecord>::kBytes));
}

void ReadPointStarChunk(WalkContext& ctx, PointStarChunk& chunk) {
  Reader& in = ctx.in;
  auto version = in.Bytes(4);
  if (version.size() == 4) std::copy(version.begin(), version.end(), chunk.starVersion.begin());
  chunk.starCount = in.I32();
  const auto count = in.Count(chunk.starCount, RecordLayout<PointStarRecord>::kBytes, "point-star");
  if (!count || *count == 0) return;
  chunk.stars = RecordList<PointStarRecord>::View(in.Bytes(*count * RecordLayout<PointStarRecord>::kBytes));
}

}  // namespace sq
