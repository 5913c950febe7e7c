// The background chunks: the BGMS form with its mesh chunks and the point-star
// chunks that follow them inside it, the star-map and point-star chunks and their
// runs, read in the field order of their layouts. Vertices, indices, records and
// stars stay in the file's bytes: the tables view them.
#include "hod/background_readers.h"

#include <algorithm>
#include <limits>

namespace sq {

namespace {

constexpr int64_t kMaxPreviewCount = std::numeric_limits<int32_t>::max();

// How many leading indices of a list the flattening uses: the whole triangles of
// a triangle list, every index of a strip that makes a triangle, none otherwise.
std::size_t IndicesDrawn(const IndexList& list) {
  const std::size_t c = list.indices.size();
  if (list.primitiveType == kTriangleList) return c / 3 * 3;
  if (list.primitiveType == kTriangleStrip && c >= 3) return c;
  return 0;
}

// The first of the leading n indices outside 0..vertexCount - 1, or n when none is.
std::size_t FirstOutside(const RecordList<int16_t>& indices, std::size_t n, int64_t vertexCount) {
  if (indices.Viewing()) {
    // The smallest and largest index in one pass over the stored block, which
    // the compiler turns into wide compares; only a bad list is walked again.
    const uint8_t* p = indices.Bytes().data();
    int16_t lo = 0, hi = 0;
    for (std::size_t k = 0; k < n; ++k) {
      const auto index = static_cast<int16_t>(LoadU16(p + 2 * k));
      lo = std::min(lo, index);
      hi = std::max(hi, index);
    }
    if (n == 0 || (lo >= 0 && hi < vertexCount)) return n;
  }
  for (std::size_t k = 0; k < n; ++k) {
    const int16_t index = indices[k];
    if (index < 0 || index >= vertexCount) return k;
  }
  return n;
}

}  // namespace

std::string OutsideReason(int16_t index, int64_t vertexCount) {
  return "index " + std::to_string(index) + " lies outside the " + std::to_string(vertexCount) +
         " vertices of its mesh";
}

bool StarMapPreviewFits(int chunkNumber, std::size_t records) {
  return chunkNumber >= 1 && chunkNumber <= 2 && records <= static_cast<std::size_t>(kMaxPreviewCount / 6);
}

bool PointStarPreviewFits(int64_t total) { return total >= 0 && total <= kMaxPreviewCount; }

bool CheckMeshCorners(const MeshPart& part, std::string& error) {
  const auto vertexCount = static_cast<int64_t>(part.vertices.size());
  for (const IndexList& list : part.indexLists) {
    // The flattening stops at the first triangle holding a bad index, and names
    // that index; in a list or a strip it is the first bad one in list order.
    const std::size_t drawn = IndicesDrawn(list);
    const std::size_t bad = FirstOutside(list.indices, drawn, vertexCount);
    if (bad < drawn) {
      error = OutsideReason(list.indices[bad], vertexCount);
      return false;
    }
  }
  return true;
}

namespace {

// The data of one mesh chunk behind its id, in file order. Vertices and indices
// stay in the file's bytes: the table views them.
void ReadMeshChunk(Reader& in, MeshChunk& row) {
  row.word1 = in.I32();
  row.word2 = in.I32();
  row.subMeshCount = in.I32();  // always one sub-mesh in a background, whatever this says
  MeshPart& part = row.parts.emplace_back();
  part.materialTag = in.I32();
  part.vertexFormat = in.I32();  // background vertices are 20 bytes whatever this says
  part.vertexCount = in.I32();
  constexpr std::size_t kVertexBytes = RecordLayout<MeshVertex>::kBytes;
  const auto vertices = in.Count(part.vertexCount, kVertexBytes, "mesh vertex");
  if (!vertices) return;
  part.vertices = RecordList<MeshVertex>::View(in.Bytes(*vertices * kVertexBytes));
  part.listCount = in.I16();
  // An index list takes at least 8 bytes: its type and its count.
  const auto lists = in.Count(part.listCount, 8, "index list");
  if (!lists) return;
  part.indexLists.resize(*lists);
  for (IndexList& list : part.indexLists) {
    list.primitiveType = in.I32();
    list.indexCount = in.I32();
    const auto count = in.Count(list.indexCount, 2, "index");
    if (!count) return;
    list.indices = RecordList<int16_t>::View(in.Bytes(*count * 2));
  }
}

}  // namespace

PendingHeader ReadBGMS(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
  // This form replaces the preview's mesh list: its triangles are those of the
  // rows read here.
  model.previewSources.meshRows = 0;
  PendingHeader pending = ReadKind(in);

  while (!in.Failed()) {
    if (pending.kind != "NRML") break;
    ReadSizeAndId(in, pending);
    if (in.Failed()) break;
    if (pending.id == "BMSH") {
      ctx.Took(pending, "ReadMeshChunk");
      MeshChunk& row = model.bgmsTable.emplace_back();
      row.header = ChunkHeader{"NRML", pending.size, "BMSH"};
      ReadMeshChunk(in, row);
      if (in.Failed()) break;
      // The preview shows the triangles read, also those in front of a bad index
      // that ends the walk.
      model.previewSources.meshRows = model.bgmsTable.size();
      std::string error;
      if (!CheckMeshCorners(row.parts.front(), error)) {
        in.Fail("mesh chunk " + std::to_string(model.bgmsTable.size()) + ": " + error);
        break;
      }
      pending = ReadKind(in);
    } else if (pending.id == "STRF") {
      // The header that ends the run comes back read; a BMSH behind it goes on here.
      pending = ReadPointStarRun(ctx, model, pending);
    } else {
      break;
    }
  }

  if (in.Failed()) return KindOnly(std::string(4, '\0'), in.Size());
  return pending;
}

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

namespace {

// The header behind a run's last chunk, read into `next`: whether it starts
// another chunk of the run. Where it does not, `next` is the header to hand back.
bool NextChunkIs(Reader& in, std::string_view kind, std::string_view id, PendingHeader& next) {
  next = ReadKind(in);
  if (next.kind != kind) return false;
  ReadSizeAndId(in, next);
  return next.id == id;
}

}  // namespace

PendingHeader ReadStarMapRun(WalkContext& ctx, Model& model, const PendingHeader& first) {
  model.hasBGSG = true;
  model.bgsgTable.clear();
  PendingHeader header = first;
  ReadRun(
      ctx.in, 1,
      [&](int i) {
        ctx.Took(header, "ReadStarMapChunk");
        StarMapChunk& row = model.bgsgTable.emplace_back();
        row.header = ChunkHeader{"FORM", header.size, "BGSG"};
        ReadStarMapChunk(ctx, row);
        if (ctx.in.Failed()) return;
        if (!StarMapPreviewFits(i, row.records.size())) {
          ctx.in.Fail(i > 2 ? "star-map chunk " + std::to_string(i) + " has no preview slot (at most two star maps)"
                            : "star-map chunk " + std::to_string(i) +
                                  " has more records than the preview list can count");
          return;
        }
        model.previewSources.starMaps[static_cast<std::size_t>(i - 1)] = row.records.Bytes();
      },
      [&] { return NextChunkIs(ctx.in, "FORM", "BGSG", header); });
  return ctx.in.Failed() ? KindOnly(std::string(4, '\0'), ctx.in.Size()) : header;
}

bool NotePointStarPreview(WalkContext& ctx, Model& model, const PointStarChunk& chunk, std::string_view what) {
  PreviewSources& sources = model.previewSources;
  const int64_t total = sources.pointStarTotal + static_cast<int64_t>(chunk.stars.size());
  if (!PointStarPreviewFits(total)) {
    ctx.in.Fail(std::string(what) + " has more stars than the preview list can count");
    return false;
  }
  if (!chunk.stars.empty()) sources.pointStars.push_back(chunk.stars.Bytes());
  sources.pointStarTotal = total;
  return true;
}

PendingHeader ReadPointStarRun(WalkContext& ctx, Model& model, const PendingHeader& first) {
  model.hasSTRF = true;
  model.hasTopLevelSTRF = true;
  model.strfTable.clear();
  PendingHeader header = first;
  ReadRun(
      ctx.in, 1,
      [&](int i) {
        ctx.Took(header, "ReadPointStarChunk");
        PointStarChunk& row = model.strfTable.emplace_back();
        row.header = ChunkHeader{"NRML", header.size, "STRF"};
        ReadPointStarChunk(ctx, row);
        if (!ctx.in.Failed() && row.starCount > 0) {
          NotePointStarPreview(ctx, model, row, "point-star chunk " + std::to_string(i));
        }
      },
      [&] { return NextChunkIs(ctx.in, "NRML", "STRF", header); });
  return ctx.in.Failed() ? KindOnly(std::string(4, '\0'), ctx.in.Size()) : header;
}

}  // namespace sq
