// VARY data: positions, corners, faces and face lists, and the index ranges the
// report shows.
#include "hod/visual_readers.h"

#include <algorithm>

namespace sq {

namespace {

// The face lists fill the rest of the chunk: 16-bit indices, each list closed by
// a kind word (4096 or 8192). Returns the highest and lowest index met, 65535
// (an all-bits-set separator) left out; they start at 0 and at the corner count.
std::pair<int32_t, int32_t> ReadFaceLists(Reader& in, VaryRecord& vary, int64_t bytesLeft) {
  int32_t maximum = 0;
  int32_t minimum = vary.cornerCount;
  for (int32_t list = 0; list < vary.faceListCount && bytesLeft > 0; ++list) {
    VaryFaceList& faceList = vary.faceLists.emplace_back();
    while (bytesLeft > 0) {
      const int16_t word = in.I16();
      bytesLeft -= 2;
      if (in.Failed()) return {maximum, minimum};
      if (word == 4096 || word == 8192) {
        faceList.listKind = word;
        break;
      }
      faceList.indices.push_back(word);
      if (word != -1) {
        maximum = std::max<int32_t>(maximum, word);
        minimum = std::min<int32_t>(minimum, word);
      }
    }
  }
  return {maximum, minimum};
}

}  // namespace

void ReadVARY(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
  SideExportSources& exports = model.sideExports;
  exports.SetAside(SideExportSources::Kind::Vary, model.varyRecord);
  VaryRecord& vary = model.varyRecord;
  vary = VaryRecord{};
  vary.chunkId = "VARY";
  vary.chunkSize = in.U32();
  const std::size_t chunkStart = in.Position();
  ReadCounted(ctx, vary.varyName);
  ReadCounted(ctx, vary.secondName);
  vary.positionCount = in.I32();
  vary.cornerCount = in.I32();
  vary.faceCount = in.I32();
  vary.faceListCount = in.I32();
  vary.spareCount = in.I32();

  const auto positions = in.Count(vary.positionCount, 12, "VARY position");
  if (!positions) return;
  vary.positions.resize(*positions);
  for (auto& position : vary.positions) position = {in.F32(), in.F32(), in.F32()};

  // The sound-test layout lacks the corner's trailing word.
  const std::size_t cornerSize = ctx.SoundTest() ? 24 : 28;
  const auto corners = in.Count(vary.cornerCount, cornerSize, "VARY corner");
  if (!corners) return;
  vary.corners.resize(*corners);
  for (VaryCorner& corner : vary.corners) {
    corner.positionIndex = in.I32();
    corner.normal = {in.F32(), in.F32(), in.F32()};
    corner.textureCoordinate = {in.F32(), in.F32()};
    if (!ctx.SoundTest()) corner.trailingWord = in.I32();
  }

  const auto faces = in.Count(vary.faceCount, 28, "VARY face");
  if (!faces) return;
  vary.faces.resize(*faces);
  for (VaryFace& face : vary.faces) {
    face.faceWord = in.I32();
    face.corners = {in.I32(), in.I32(), in.I32()};
    face.trailingWords = {in.I32(), in.I32(), in.I32()};
  }

  // Lists the chunk's bytes do not reach stay empty, so only a negative count is refused.
  if (!in.Count(vary.faceListCount, 0, "VARY face list")) return;
  const int64_t chunkEnd = static_cast<int64_t>(chunkStart) + static_cast<int32_t>(ByteSwap32(vary.chunkSize));
  const auto [listMaximum, listMinimum] = ReadFaceLists(in, vary, chunkEnd - static_cast<int64_t>(in.Position()));
  if (in.Failed()) return;

  VaryIndexRanges& ranges = model.varyIndexRanges;
  ranges = VaryIndexRanges{};
  ranges.faceListsRead = true;
  ranges.listMaximum = listMaximum;
  ranges.listMinimum = listMinimum;
  ranges.cornerCount = vary.cornerCount;
  ranges.faceCount = vary.faceCount;
  // Exported from here on; a face on a missing corner ends the export where it ends the walk.
  exports.Note(SideExportSources::Kind::Vary);

  int32_t cornerMaximum = 0;
  int32_t cornerMinimum = vary.positionCount;
  for (const VaryFace& face : vary.faces) {
    for (const int32_t index : face.corners) {
      if (index < 0 || static_cast<std::size_t>(index) >= vary.corners.size()) {
        in.Fail("VARY face refers to corner " + FormatInt(index) + " of " + FormatInt(vary.cornerCount));
        return;
      }
      cornerMaximum = std::max(cornerMaximum, index);
      cornerMinimum = std::min(cornerMinimum, index);
    }
  }
  ranges.cornersRead = true;
  ranges.cornerMaximum = cornerMaximum;
  ranges.cornerMinimum = cornerMinimum;
}

}  // namespace sq
