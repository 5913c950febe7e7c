// The background mesh form (BGMS): its mesh chunks, point-star chunks that follow
// them inside the form, and the flattening of the meshes for the preview.
#include <algorithm>
#include <array>

#include "hod/bgms_flatten.h"
#include "hod/modFarholdhod.h"

namespace sq {

namespace {

// How many leading indices of a list the flattening uses: the whole triangles of
// a triangle list, every index of a strip that makes a triangle, none otherwise.
std::size_t IndicesDrawn(const IndexList& list) {
  const std::size_t c = list.indices.size();
  if (list.primitiveType == kTriangleList) return c / 3 * 3;
  if (list.primitiveType == kTriangleStrip && c >= 3) return c;
  return 0;
}

std::string OutsideReason(int16_t index, int64_t vertexCount) {
  return "index " + std::to_string(index) + " lies outside the " + std::to_string(vertexCount) +
         " vertices of its mesh";
}

// The first of the leading n indices outside 0..vertexCount - 1, or n when none is.
std::size_t FirstOutside(const RecordList<int16_t>& indices, std::size_t n, int64_t vertexCount) {
  if (indices.viewing()) {
    // The smallest and largest index in one pass over the stored block, which
    // the compiler turns into wide compares; only a bad list is walked again.
    const uint8_t* p = indices.bytes().data();
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

bool AppendMeshCorners(const MeshPart& part, std::vector<PreviewVertex>& corners, std::string& error) {
  const auto vertexCount = static_cast<int64_t>(part.vertices.size());
  // Room for every corner the lists can give, grown by doubling so a long run of
  // meshes costs few copies.
  std::size_t more = 0;
  for (const IndexList& list : part.indexLists) {
    const std::size_t c = list.indices.size();
    if (list.primitiveType == kTriangleList) more += c / 3 * 3;
    if (list.primitiveType == kTriangleStrip && c >= 3) more += (c - 2) * 3;
  }
  if (corners.size() + more > corners.capacity()) corners.reserve(std::max(corners.size() + more, 2 * corners.capacity()));

  auto triangle = [&](const RecordList<int16_t>& indices, std::array<std::size_t, 3> at) {
    std::array<int16_t, 3> index;
    for (std::size_t k = 0; k < 3; ++k) {
      index[k] = indices[at[k]];
      if (index[k] < 0 || index[k] >= vertexCount) {
        error = OutsideReason(index[k], vertexCount);
        return false;
      }
    }
    for (int16_t i : index) corners.push_back(MeshPreviewVertex(part.vertices[static_cast<std::size_t>(i)]));
    return true;
  };

  for (const IndexList& list : part.indexLists) {
    const RecordList<int16_t>& indices = list.indices;
    const std::size_t c = indices.size();
    if (list.primitiveType == kTriangleList) {
      for (std::size_t t = 0; t + 3 <= c; t += 3) {
        if (!triangle(indices, {t, t + 1, t + 2})) return false;
      }
    } else if (list.primitiveType == kTriangleStrip) {
      for (std::size_t k = 0; k + 3 <= c; ++k) {
        // Counted from 1, odd triangles keep their order and even ones turn round.
        const bool odd = k % 2 == 0;
        if (!triangle(indices, odd ? std::array<std::size_t, 3>{k, k + 1, k + 2}
                                   : std::array<std::size_t, 3>{k + 2, k + 1, k})) {
          return false;
        }
      }
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
  PendingHeader pending = KindOnly(in.Tag());

  while (!in.Failed()) {
    if (pending.kind != "NRML") break;
    if (!pending.sizeAndIdRead) {
      pending.size = in.U32();
      pending.id = in.Chars4();
      pending.sizeAndIdRead = true;
      if (in.Failed()) break;
    }
    if (pending.id == "BMSH") {
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
      pending = KindOnly(in.Tag());
    } else if (pending.id == "STRF") {
      // The header that ends the run comes back read; a BMSH behind it goes on here.
      pending = ReadPointStarRun(ctx, model, pending.size);
    } else {
      break;
    }
  }

  if (in.Failed()) return KindOnly(std::string(4, '\0'));
  return pending;
}

}  // namespace sq
