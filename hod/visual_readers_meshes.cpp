// Multi-level meshes (MULT) and goblin meshes (GOBG); both embed BMSH meshes.
#include "hod/visual_readers.h"

namespace sq {

namespace {

// The 8 bytes in front of an embedded mesh: its tag and its size as stored.
void ReadMeshHeader(Reader& in, MeshHeader& header) {
  header.tag = in.Chars4();
  header.size = in.U32();
}

}  // namespace

void ReadMULT(WalkContext& ctx, Model& model, MultRecord& record) {
  Reader& in = ctx.in;
  record.headWord = in.I32();
  ReadCounted(ctx, record.firstName);
  ReadCounted(ctx, record.secondName);
  record.lodCount = in.I32();
  // A level mesh takes at least 24 bytes: its 8-byte header and the mesh's tag and three words.
  const auto levels = in.Count(record.lodCount, 24, "level-of-detail mesh");
  if (!levels) return;
  record.lods.resize(*levels);
  for (LodMesh& level : record.lods) {
    ReadMeshHeader(in, level.meshHeader);
    ReadBMSH(ctx, model, level.mesh);
    if (in.Failed()) return;
  }
}

void ReadGOBG(WalkContext& ctx, Model& model, GobgRecord& record) {
  Reader& in = ctx.in;
  record.headWord = in.I32();
  ReadCounted(ctx, record.firstName);
  ReadCounted(ctx, record.secondName);
  ReadMeshHeader(in, record.meshHeader);
  ReadBMSH(ctx, model, record.mesh);
}

}  // namespace sq
