// The BMSH mesh shared by MULT, GOBG and the detail meshes.
#include "hod/visual_readers.h"

namespace sq {

void ReadBMSH(WalkContext& ctx, Model& model, bmsh::BmshMesh& mesh) {
  Reader& in = ctx.in;
  mesh.meshTag = in.Chars4();
  mesh.word1 = in.I32();
  mesh.lodLevel = in.I32();
  mesh.subMeshCount = in.I32();
  // A sub-mesh takes at least 14 bytes: three words and the list count.
  const auto subMeshes = in.Count(mesh.subMeshCount, 14, "sub-mesh");
  if (!subMeshes) return;
  mesh.subMeshes.resize(*subMeshes);
  for (bmsh::SubMesh& sub : mesh.subMeshes) {
    sub.materialTag = in.I32();
    sub.vertexFormat = in.I32();
    sub.vertexCount = in.I32();
    const std::size_t vertexSize = sub.vertexFormat == bmsh::kVertexFormat64 ? 64 : 40;
    const auto vertices = in.Count(sub.vertexCount, vertexSize, "vertex");
    if (!vertices) return;
    sub.vertices = in.Bytes(*vertices * vertexSize);
    sub.listCount = in.I16();
    // An index list takes at least 8 bytes: its type and count.
    const auto lists = in.Count(sub.listCount, 8, "index list");
    if (!lists) return;
    sub.indexLists.resize(*lists);
    for (bmsh::IndexList& list : sub.indexLists) {
      list.primitiveType = in.I32();
      list.indexCount = in.I32();
      const auto indices = in.Count(list.indexCount, 2, "index");
      if (!indices) return;
      model.faceTotal = AddFaces(model.faceTotal, list.primitiveType, list.indexCount);
      // The 16-bit little-endian indices where the file holds them.
      list.indices = RecordList<int16_t>::View(in.Bytes(*indices * 2));
    }
  }
}

}  // namespace sq
