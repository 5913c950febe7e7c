// The data of one star-map chunk (BGSG) and one point-star chunk (STRF), read in
// the field order of their layouts.
#include "hod/modFarholdhod.h"

namespace sq {

void ReadStarMapChunk(WalkContext& ctx, StarMapChunk& chunk) {
  Reader& in = ctx.in;
  chunk.nameLength = in.I32();
  ReadFixedText(ctx, chunk.textureName, chunk.nameLength);
  chunk.recordCount = in.I32();
  const auto count = in.Count(chunk.recordCount, 32, "star-map record");
  if (!count) return;
  chunk.records.resize(*count);
  for (StarMapRecord& r : chunk.records) {
    r.x = in.F32();
    r.y = in.F32();
    r.z = in.F32();
    r.size = in.F32();
    r.red = in.F32();
    r.green = in.F32();
    r.blue = in.F32();
    r.alpha = in.F32();
  }
}

void ReadPointStarChunk(WalkContext& ctx, PointStarChunk& chunk) {
  Reader& in = ctx.in;
  auto version = in.Bytes(4);
  if (version.size() == 4) std::copy(version.begin(), version.end(), chunk.starVersion.begin());
  chunk.starCount = in.I32();
  const auto count = in.Count(chunk.starCount, 28, "point-star");
  if (!count || *count == 0) return;
  chunk.stars.resize(*count);
  for (PointStarRecord& s : chunk.stars) {
    s.x = in.F32();
    s.y = in.F32();
    s.z = in.F32();
    s.red = in.F32();
    s.green = in.F32();
    s.blue = in.F32();
    s.alpha = in.F32();
  }
}

}  // namespace sq
