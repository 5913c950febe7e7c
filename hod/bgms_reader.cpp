// The background mesh form (BGMS): its mesh chunks, point-star chunks that follow
// them inside the form, and the flattening of the meshes for the preview.
#include <algorithm>
#include <array>

#include "hod/bgms_flatten.h"
#include "hod/modFarholdhod.h"

namespace sq {

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

  auto triangle = [&](const std::vector<int16_t>& indices, std::array<std::size_t, 3> at) {
    for (std::size_t k : at) {
      const int16_t index = indices[k];
      if (index < 0 || index >= vertexCount) {
        error = "index " + std::to_string(index) + " lies outside the " + std::to_string(vertexCount) +
                " vertices of its mesh";
        return false;
      }
    }
    for (std::size_t k : at) corners.push_back(MeshPreviewVertex(part.vertices[static_cast<std::size_t>(indices[k])]));
    return true;
  };

  for (const IndexList& list : part.indexLists) {
    const std::vector<int16_t>& indices = list.indices;
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

// The data of one mesh chunk behind its id, in file order.
void ReadMeshChunk(Reader& in, MeshChunk& row) {
  row.word1 = in.I32();
  row.word2 = in.I32();
  row.subMeshCount = in.I32();  // always one sub-mesh in a background, whatever this says
  MeshPart& part = row.parts.emplace_back();
  part.materialTag = in.I32();
  part.vertexFormat = in.I32();  // background vertices are 20 bytes whatever this says
  part.vertexCount = in.I32();
  const auto vertices = in.Count(part.vertexCount, 20, "mesh vertex");
  if (!vertices) return;
  part.vertices.resize(*vertices);
  for (MeshVertex& v : part.vertices) {
    v.x = in.F32();
    v.y = in.F32();
    v.z = in.F32();
    auto extra = in.Bytes(4);
    if (extra.size() == 4) std::copy(extra.begin(), extra.end(), v.vertexExtra.begin());
    auto colour = in.Bytes(4);
    if (colour.size() == 4) std::copy(colour.begin(), colour.end(), v.vertexColour.begin());
  }
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
    auto block = in.Bytes(*count * 2);
    list.indices.resize(*count);
    for (std::size_t k = 0; k < *count && block.size() == *count * 2; ++k) {
      list.indices[k] = static_cast<int16_t>(block[2 * k] | block[2 * k + 1] << 8);
    }
  }
}

}  // namespace

PendingHeader ReadBGMS(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
  // The triangle corners go straight into the preview's mesh list, which this form replaces.
  std::vector<PreviewVertex>& corners = model.vtcs().meshPreviewVertices;
  corners.clear();
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
      std::string error;
      if (!AppendMeshCorners(row.parts.front(), corners, error)) {
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

  // The preview shows the triangles read, also when the walk ends inside the form.
  model.vtcs().meshPreviewCount = static_cast<int32_t>(corners.size());
  if (in.Failed()) return KindOnly(std::string(4, '\0'));
  return pending;
}

}  // namespace sq
