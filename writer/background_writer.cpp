#include "writer/background_writer.h"
#include "hod/byte_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace sq {

namespace {

constexpr uint64_t kMaxSize = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
constexpr std::array<uint8_t, 4> kStarVersion{0x00, 0x00, 0x03, 0xE8};  // 1000, big-endian
const char* const kTextureNames[kWriterStarMaps] = {"B02.tga", "B03.tga"};

std::string Row(std::string_view what, std::size_t i) { return std::string(what) + " " + std::to_string(i + 1); }

// Computed sizes, wide enough that no background can make them wrap.
uint64_t WideMeshSize(const MeshChunk& chunk) {
  const MeshPart& part = chunk.parts.front();
  return OnePartMeshChunkBytes(static_cast<uint64_t>(part.vertexCount),
                               static_cast<uint64_t>(part.indexLists.front().indexCount));
}
uint64_t WideStarMapSize(const StarMapChunk& chunk) { return 32 * static_cast<uint64_t>(chunk.recordCount) + 19; }
uint64_t WidePointStarSize(const PointStarChunk& chunk) { return 28 * static_cast<uint64_t>(chunk.starCount) + 12; }

// The file's bytes: tags as four characters, values little-endian, sizes as stored
// (already byte-swapped, so they land big-endian).
class Out {
 public:
  explicit Out(std::size_t reserve) { bytes_.reserve(reserve); }
  void Tag(std::string_view tag) { bytes_.append(tag.substr(0, 4)); }
  void Text(std::string_view text) { bytes_.append(text); }  // no length, no terminator
  void U32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<char>(v >> shift));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void I16(int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    bytes_.push_back(static_cast<char>(u));
    bytes_.push_back(static_cast<char>(u >> 8));
  }
  void F32(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    U32(u);
  }
  void Raw(const std::array<uint8_t, 4>& four) { bytes_.append(reinterpret_cast<const char*>(four.data()), 4); }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

}  // namespace

std::string WriterPreconditions(const BackgroundWriterTables& tables) {
  if (tables.outBgmsTable.size() != kWriterMeshChunks) {
    return "it holds " + std::to_string(tables.outBgmsTable.size()) + " mesh chunks instead of " +
           std::to_string(kWriterMeshChunks);
  }
  uint64_t bgmsSize = 4;
  for (std::size_t i = 0; i < tables.outBgmsTable.size(); ++i) {
    const MeshChunk& chunk = tables.outBgmsTable[i];
    const std::string row = Row("mesh chunk", i);
    if (chunk.header.chunkKind.size() != 4 || chunk.header.chunkId.size() != 4) {
      return row + " has a header kind or id that is not four characters";
    }
    if (chunk.parts.empty()) return row + " has no mesh part";
    const MeshPart& part = chunk.parts.front();
    if (part.vertexCount < 0 || part.vertexCount > kWriterMaxVertices) {
      return row + " counts " + std::to_string(part.vertexCount) + " vertices (0 to " +
             std::to_string(kWriterMaxVertices) + " can be written)";
    }
    if (part.vertices.size() < static_cast<std::size_t>(part.vertexCount)) {
      return row + " holds " + std::to_string(part.vertices.size()) + " vertices but counts " +
             std::to_string(part.vertexCount);
    }
    if (part.listCount != 1 || part.indexLists.empty()) {
      return row + " has " + std::to_string(part.listCount) + " index lists instead of one";
    }
    const IndexList& list = part.indexLists.front();
    if (list.indexCount < 0 || list.indices.size() != static_cast<std::size_t>(list.indexCount)) {
      return row + " holds " + std::to_string(list.indices.size()) + " indices but counts " +
             std::to_string(list.indexCount);
    }
    bgmsSize += 8 + WideMeshSize(chunk);
  }
  if (bgmsSize > kMaxSize) return "its mesh chunks are too large for one BGMS form";
  for (std::size_t k = 0; k < tables.outBgsgTable.size(); ++k) {
    const StarMapChunk& chunk = tables.outBgsgTable[k];
    if (chunk.recordCount < 0 || chunk.records.size() != static_cast<std::size_t>(chunk.recordCount)) {
      return Row("star map", k) + " holds " + std::to_string(chunk.records.size()) + " records but counts " +
             std::to_string(chunk.recordCount);
    }
    if (WideStarMapSize(chunk) > kMaxSize) return Row("star map", k) + " is too large for one chunk";
  }
  for (std::size_t j = 0; j < tables.outStrfTable.size(); ++j) {
    const PointStarChunk& chunk = tables.outStrfTable[j];
    if (chunk.starCount < 0 || chunk.stars.size() != static_cast<std::size_t>(chunk.starCount)) {
      return Row("point-star chunk", j) + " holds " + std::to_string(chunk.stars.size()) + " stars but counts " +
             std::to_string(chunk.starCount);
    }
    if (WidePointStarSize(chunk) > kMaxSize) return Row("point-star chunk", j) + " is too large for one chunk";
  }
  return {};
}

uint32_t MeshChunkSize(const MeshChunk& chunk) { return static_cast<uint32_t>(WideMeshSize(chunk)); }

uint32_t BgmsFormSize(BackgroundWriterTables& tables) {
  uint32_t size = 4;  // the "BGMS" id
  for (MeshChunk& chunk : tables.outBgmsTable) {
    const uint32_t s = MeshChunkSize(chunk);
    chunk.header.chunkSize = ByteSwap32(s);
    size += 8 + s;
  }
  return size;
}

uint32_t StarMapFormSize(const StarMapChunk& chunk) { return static_cast<uint32_t>(WideStarMapSize(chunk)); }

uint32_t PointStarChunkSize(const PointStarChunk& chunk) { return static_cast<uint32_t>(WidePointStarSize(chunk)); }

std::string SerializeBackgroundHod(BackgroundWriterTables& tables) {
  OutHeaders& h = tables.outHeaders;
  h = OutHeaders{"FORM", ByteSwap32(8), "VERS", 1000, "NRML", ByteSwap32(8), "BGLT", 0, "FORM", 0, "BGMS"};
  const uint32_t bgmsSize = BgmsFormSize(tables);
  h.bgmsSize = ByteSwap32(bgmsSize);
  for (std::size_t k = 0; k < tables.outBgsgTable.size(); ++k) {
    StarMapChunk& chunk = tables.outBgsgTable[k];
    chunk.header = ChunkHeader{"FORM", ByteSwap32(StarMapFormSize(chunk)), "BGSG"};
    chunk.nameLength = 7;
    chunk.textureName = kTextureNames[k];
  }
  uint64_t starBytes = 0;
  for (PointStarChunk& chunk : tables.outStrfTable) {
    chunk.header = ChunkHeader{"NRML", ByteSwap32(PointStarChunkSize(chunk)), "STRF"};
    chunk.starVersion = kStarVersion;
    starBytes += 8 + PointStarChunkSize(chunk);
  }

  Out out(static_cast<std::size_t>(8 + bgmsSize + std::size_t{8} * 4 + starBytes + std::size_t{27} * 2));
  out.Tag(h.versKind), out.U32(h.versSize), out.Tag(h.versId), out.I32(h.hodVersion);
  out.Tag(h.bgltKind), out.U32(h.bgltSize), out.Tag(h.bgltId), out.I32(h.bgltValue);
  out.Tag(h.bgmsKind), out.U32(h.bgmsSize), out.Tag(h.bgmsId);

  for (const MeshChunk& chunk : tables.outBgmsTable) {
    out.Tag(chunk.header.chunkKind), out.U32(chunk.header.chunkSize), out.Tag(chunk.header.chunkId);
    out.I32(chunk.word1), out.I32(chunk.word2), out.I32(chunk.subMeshCount);
    const MeshPart& part = chunk.parts.front();
    out.I32(part.materialTag), out.I32(part.vertexFormat), out.I32(part.vertexCount);
    for (std::size_t v = 0; v < static_cast<std::size_t>(part.vertexCount); ++v) {
      const MeshVertex vertex = part.vertices[v];
      out.F32(vertex.x), out.F32(vertex.y), out.F32(vertex.z);
      out.Raw(vertex.vertexExtra), out.Raw(vertex.vertexColour);
    }
    out.I16(part.listCount);
    const IndexList& list = part.indexLists.front();
    out.I32(list.primitiveType), out.I32(list.indexCount);
    for (int16_t index : list.indices) out.I16(index);
  }

  for (const StarMapChunk& chunk : tables.outBgsgTable) {
    out.Tag(chunk.header.chunkKind), out.U32(chunk.header.chunkSize), out.Tag(chunk.header.chunkId);
    out.I32(chunk.nameLength), out.Text(chunk.textureName);
    out.I32(chunk.recordCount);
    for (const StarMapRecord r : chunk.records) {
      for (float f : {r.x, r.y, r.z, r.size, r.red, r.green, r.blue, r.alpha}) out.F32(f);
    }
  }

  for (const PointStarChunk& chunk : tables.outStrfTable) {
    out.Tag(chunk.header.chunkKind), out.U32(chunk.header.chunkSize), out.Tag(chunk.header.chunkId);
    out.Raw(chunk.starVersion), out.I32(chunk.starCount);
    for (const PointStarRecord s : chunk.stars) {
      for (float f : {s.x, s.y, s.z, s.red, s.green, s.blue, s.alpha}) out.F32(f);
    }
  }
  return out.Take();
}

std::string CannotWriteHodText(std::string_view why) {
  return "The background HOD cannot be written: " + std::string(why) + ".";
}

HodWriteOutcome WriteBackgroundHod(BackgroundWriterTables& tables, OutputFolder& folder, std::string_view name) {
  HodWriteOutcome outcome;
  const std::string refusal = WriterPreconditions(tables);
  if (!refusal.empty()) {
    outcome.status = CommandOutcome::Status::Refused;
    outcome.error = refusal;
    Say(outcome.messages, MessageWeight::Warning, CannotWriteHodText(refusal));
    return outcome;
  }
  const bool existed = folder.Holds(name);
  const std::string error = folder.Replace(name, SerializeBackgroundHod(tables));
  if (!error.empty()) {
    outcome.status = CommandOutcome::Status::WriteFailed;
    outcome.error = error;
    Say(outcome.messages, MessageWeight::Error, "The background HOD file could not be written: " + error);
    return outcome;
  }
  outcome.status = CommandOutcome::Status::Written;
  outcome.replaced = existed;
  return outcome;
}

std::string CopyBackgroundToWriter(const BackgroundTables& background, BackgroundWriterTables& tables) {
  if (!background.hasBGMS) return "it holds no background mesh form (BGMS)";
  if (background.bgmsTable.size() != kWriterMeshChunks) {
    return "its BGMS form holds " + std::to_string(background.bgmsTable.size()) + " mesh chunks, not " +
           std::to_string(kWriterMeshChunks);
  }
  for (std::size_t i = 0; i < background.bgmsTable.size(); ++i) {
    const MeshChunk& chunk = background.bgmsTable[i];
    if (chunk.parts.size() != 1)
      return Row("mesh chunk", i) + " has " + std::to_string(chunk.parts.size()) + " parts, not one";
    const MeshPart& part = chunk.parts.front();
    if (part.listCount != 1 || part.indexLists.size() != 1) {
      return Row("mesh chunk", i) + " has " + std::to_string(part.listCount) + " index lists, not one";
    }
  }
  if (background.bgsgTable.size() != kWriterStarMaps) {
    return "it holds " + std::to_string(background.bgsgTable.size()) + " star-map chunks, not " +
           std::to_string(kWriterStarMaps);
  }
  if (background.strfTable.size() != kWriterPointStarChunks) {
    return "it holds " + std::to_string(background.strfTable.size()) + " point-star chunks, not " +
           std::to_string(kWriterPointStarChunks);
  }
  BackgroundWriterTables copy;
  copy.outBgmsTable = background.bgmsTable;
  std::copy(background.bgsgTable.begin(), background.bgsgTable.end(), copy.outBgsgTable.begin());
  std::copy(background.strfTable.begin(), background.strfTable.end(), copy.outStrfTable.begin());
  std::string refusal = WriterPreconditions(copy);
  if (!refusal.empty()) return refusal;
  // A table read from a file views the file's bytes; the writer's own the records,
  // so they stay sound whatever happens to the file.
  for (MeshChunk& chunk : copy.outBgmsTable) {
    for (MeshPart& part : chunk.parts) {
      part.vertices.Owned();
      for (IndexList& list : part.indexLists) list.indices.Owned();
    }
  }
  for (StarMapChunk& chunk : copy.outBgsgTable) chunk.records.Owned();
  for (PointStarChunk& chunk : copy.outStrfTable) chunk.stars.Owned();
  tables = std::move(copy);
  return {};
}

}  // namespace sq
