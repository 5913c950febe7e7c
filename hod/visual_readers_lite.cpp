// Lights of a background lighting HOD.
#include "hod/visual_readers.h"

namespace sq {

void ReadLITE(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
  SideExportSources& exports = model.sideExports;
  exports.SetAside(SideExportSources::Kind::Lights, model.liteRecord);
  LiteRecord& lite = model.liteRecord;
  lite = LiteRecord{};
  lite.chunkId = "LITE";
  lite.chunkSize = in.U32();
  lite.liteCount = in.I32();
  model.liteCount = lite.liteCount;
  // A light takes at least 52 bytes: name length, type, three vectors, two words.
  const auto count = in.Count(lite.liteCount, 52, "light");
  if (!count) return;
  lite.lights.resize(*count);
  for (Light& l : lite.lights) {
    ReadCounted(ctx, l.lightName);
    l.lightType = in.I32();
    for (auto& vector : l.vectors) vector = {in.F32(), in.F32(), in.F32()};
    l.trailing = {in.I32(), in.I32()};
  }
  if (in.Failed()) return;
  exports.Note(SideExportSources::Kind::Lights);
}

}  // namespace sq
