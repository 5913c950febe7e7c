// Trails, glows, burns, navlights, docking paths, animations and bounds; trails,
// burns and bounds are noted for their side exports.
#include "hod/detail_readers.h"

namespace sq {

void ReadTrail(WalkContext& ctx, Model& model, int n) {
  Reader& in = ctx.in;
  SideExportSources& exports = model.sideExports;
  // Runs start at 1, and a new run replaces the table.
  if (n == 1) exports.SetAsideRows(SideExportSources::Kind::Trail, model.etshTable);
  EtshRecord& r = StartEntry(model.etshTable, n);
  r.size = in.U32();
  ReadCountedText(ctx, r.nameLength, r.name);
  ReadCountedText(ctx, r.secondLength, r.secondText);
  // The trail sets fill what the size leaves behind the two counted texts; a set
  // takes 4 bytes for its count and 12 per point.
  int64_t remaining = static_cast<int64_t>(ByteSwap32(r.size)) - (8 + int64_t{r.nameLength} + r.secondLength);
  while (remaining >= 1 && !in.Failed()) {
    TrailSet& set = r.trailSets.emplace_back();
    set.pointCount = in.I32();
    const auto points = in.Count(set.pointCount, 12, "trail point");
    if (!points) return;
    set.points.resize(*points);
    for (Point3& p : set.points) p = ReadPoint(in);
    remaining -= 4 + 12 * int64_t{set.pointCount};
  }
  if (in.Failed()) return;
  exports.Note(SideExportSources::Kind::Trail, n);
}

void ReadGlow(WalkContext& ctx, Model& model, int g) {
  Reader& in = ctx.in;
  GlowRecord& r = model.glowTable[static_cast<std::size_t>(g - 1)];
  r.inner.chunkKind = in.Chars4();
  r.inner.chunkSize = in.U32();
  r.inner.chunkId = in.Chars4();
  r.value1 = in.I32();
  ReadCountedText(ctx, r.nameLength, r.name);
  ReadCountedText(ctx, r.secondLength, r.secondText);
  r.levelWord = in.I32();
  r.subHeader = ReadSubHeader(in);
  ReadBMSH(ctx, model, r.mesh);
}

void ReadBurn(WalkContext& ctx, Model& model, int k) {
  Reader& in = ctx.in;
  SideExportSources& exports = model.sideExports;
  if (k == 1) exports.SetAsideRows(SideExportSources::Kind::Burn, model.burnTable);
  BurnRecord& r = StartEntry(model.burnTable, k);
  r.size = in.U32();
  ReadCountedText(ctx, r.nameLength, r.name);
  ReadCountedText(ctx, r.secondLength, r.secondText);
  r.pointCount = in.I32();
  r.value2 = in.I32();
  const auto points = in.Count(r.pointCount, 12, "burn point");
  if (!points) return;
  r.points.resize(*points);
  for (Point3& p : r.points) p = ReadPoint(in);
  if (in.Failed()) return;
  exports.Note(SideExportSources::Kind::Burn, k);
}

void ReadNavlights(WalkContext& ctx, Model& model, uint32_t size) {
  Reader& in = ctx.in;
  model.navlRecord = NavlRecord{};
  model.navlRecord.header = ChunkHeader{"NRML", size, "NAVL"};
  model.navlTable.clear();
  model.navlRecord.value1 = in.I32();
  model.navlRecord.navlCount = in.I32();
  // A navlight takes at least 46 bytes: two lengths, nine floats, two bytes.
  const auto count = in.Count(model.navlRecord.navlCount, 46, "navlight");
  if (!count) return;
  model.navlTable.resize(*count);
  for (Navlight& light : model.navlTable) {
    ReadCountedText(ctx, light.nameLength, light.name);
    ReadFloats(in, light.firstValues);
    ReadCountedText(ctx, light.secondLength, light.secondText);
    ReadFloats(in, light.secondValues);
    ReadRaw(in, light.trailing);
    if (in.Failed()) return;
  }
}

void ReadDocking(WalkContext& ctx, Model& model, uint32_t size) {
  Reader& in = ctx.in;
  model.dockRecord = DockRecord{};
  model.dockRecord.header = ChunkHeader{"NRML", size, "DOCK"};
  model.dockPaths.clear();
  model.dockRecord.value1 = in.I32();
  model.dockPathCount = in.I32();
  // A path takes at least 48 bytes: four lengths, six values and its point count.
  const auto paths = in.Count(model.dockPathCount, 48, "docking path");
  if (!paths) return;
  model.dockPaths.resize(*paths);
  for (DockPath& path : model.dockPaths) {
    ReadCountedText(ctx, path.nameLength, path.name);
    ReadCountedText(ctx, path.secondLength, path.secondText);
    ReadWords(in, path.pathValues);
    ReadCountedText(ctx, path.thirdLength, path.thirdText);
    path.value = in.I32();
    ReadCountedText(ctx, path.fourthLength, path.fourthText);
    path.pointCount = in.I32();
    // Each point carries four words of its own and as many more as the second path
    // value exceeds 4; a smaller value means none.
    const auto points = in.Count(path.pointCount, 40, "docking path point");
    if (!points) return;
    std::size_t extraWords = 0;
    if (*points > 0) {
      const auto extra = in.Count(std::max<int64_t>(0, int64_t{path.pathValues[1]} - 4), 4, "docking path value");
      if (!extra || !in.Count(path.pointCount, 40 + 4 * *extra, "docking path point")) return;
      extraWords = *extra;
    }
    path.points.resize(*points);
    for (DockPathPoint& point : path.points) {
      point.point = ReadPoint(in);
      ReadFloats(in, point.values);
      ReadWords(in, point.words);
      point.extraWords.resize(extraWords);
      for (int32_t& w : point.extraWords) w = in.I32();
      if (in.Failed()) return;
    }
  }
}

void ReadAnimation(WalkContext& ctx, Model& model, int k, uint32_t size) {
  Reader& in = ctx.in;
  AnimRecord& r = StartEntry(model.animTable, k);
  r.header = ChunkHeader{"NRML", size, "ANIM"};
  r.value1 = in.I32();
  ReadCountedText(ctx, r.nameLength, r.name);
  r.keyCount = in.I32();
  const auto keys = in.Count(r.keyCount, 32, "animation key");
  if (!keys) return;
  r.keys.resize(*keys);
  for (AnimKey& key : r.keys) {
    key.time = in.F64();
    ReadFloats(in, key.values);
  }
  ReadRaw(in, r.trailer);
}

void ReadBounds(WalkContext& ctx, Model& model, uint32_t size) {
  Reader& in = ctx.in;
  SideExportSources& exports = model.sideExports;
  exports.SetAside(SideExportSources::Kind::Bounds, model.bndvRecord);
  BndvRecord& r = model.bndvRecord;
  r = BndvRecord{};
  r.header = ChunkHeader{"NRML", size, "BNDV"};
  r.value1 = in.I32();
  ReadCountedText(ctx, r.nameLength, r.name);
  ReadCountedText(ctx, r.secondLength, r.secondText);
  r.value2 = in.I32();
  r.cornerA = ReadPoint(in);
  ReadFloats(in, r.firstValues);
  r.cornerB = ReadPoint(in);
  ReadFloats(in, r.secondValues);
  if (in.Failed()) return;
  exports.Note(SideExportSources::Kind::Bounds);
}

}  // namespace sq
