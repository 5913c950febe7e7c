// Collision meshes (COLD) and BSRM meshes with their TRIS, VNRM and SSUB parts.
#include "hod/detail_readers.h"

namespace sq {

namespace {

BlockA ReadBlockA(Reader& in) {
  BlockA b;
  b.kind = in.Chars4();
  b.size = in.U32();
  ReadWords(in, b.first);
  ReadWords(in, b.second);
  return b;
}

BlockB ReadBlockB(Reader& in) {
  BlockB b;
  b.kind = in.Chars4();
  b.size = in.U32();
  ReadWords(in, b.record);
  b.value = in.I32();
  return b;
}

// Id, value, points, then an index count that is kept as the face count (index
// count / 3 rounded to nearest) and that many triangles.
void ReadTriangleSet(Reader& in, TriangleSet& set, std::string_view what) {
  set.id = in.Chars4();
  set.value = in.I32();
  set.pointCount = in.I32();
  const auto points = in.Count(set.pointCount, 12, std::string(what) + " point");
  if (!points) return;
  set.points.resize(*points);
  for (Point3& p : set.points) p = ReadPoint(in);
  const int32_t indexCount = in.I32();
  if (in.Failed()) return;
  if (indexCount < 0) {
    in.Fail("negative " + std::string(what) + " index count " + FormatInt(indexCount));
    return;
  }
  set.faceCount = indexCount / 3 + (indexCount % 3 == 2 ? 1 : 0);
  const auto faces = in.Count(set.faceCount, 6, std::string(what) + " face");
  if (!faces) return;
  set.faces.resize(*faces);
  for (Triangle& t : set.faces) {
    t.a = in.I16();
    t.b = in.I16();
    t.c = in.I16();
  }
}

// Half-way values go to the even neighbour.
int64_t RoundHalfEven(int64_t twice) {
  const int64_t half = twice / 2;  // toward zero
  if (twice % 2 == 0) return half;
  // twice is odd: the value lies half-way between half and half +/- 1.
  const int64_t other = twice > 0 ? half + 1 : half - 1;
  return half % 2 == 0 ? half : other;
}

// The face lists at the end of a BSRM item. Their length in 16-bit words follows
// from the SSUB sub-header's size, less 20 bytes for the id, value and three floats.
void ReadSsubLists(Reader& in, BsrmRecord& r) {
  const auto length = static_cast<int32_t>(ByteSwap32(r.ssubHeader.size));
  int64_t words = RoundHalfEven(int64_t{length} - 20);
  r.hasSSUB = words > 0;
  while (words >= 1 && !in.Failed()) {
    const int32_t count = in.I32();
    words -= 2;
    if (count < 1) continue;  // an empty list takes only its count
    const auto indices = in.Count(count, 2, "SSUB face index");
    if (!indices) return;
    SsubList& list = r.ssubLists.emplace_back();
    list.count = count;
    list.indices.resize(*indices);
    for (int16_t& index : list.indices) index = in.I16();
    words -= count;
  }
}

}  // namespace

void ReadCollision(WalkContext& ctx, Model& model, int k, uint32_t size) {
  Reader& in = ctx.in;
  ColdRecord& r = StartEntry(model.coldTable, k);
  r.header = ChunkHeader{"FORM", size, "COLD"};
  ReadCountedText(ctx, r.nameLength, r.name);
  r.blockA = ReadBlockA(in);
  r.blockB = ReadBlockB(in);
  ReadTriangleSet(in, r.tris, "TRIS");
}

void ReadBsrm(WalkContext& ctx, Model& model, int k, uint32_t size) {
  Reader& in = ctx.in;
  BsrmRecord& r = StartEntry(model.bsrmTable, k);
  r.header = ChunkHeader{"FORM", size, "BSRM"};
  r.subHeader1 = ReadSubHeader(in);
  r.id = in.Chars4();
  r.value = in.I32();
  ReadCountedText(ctx, r.nameLength, r.name);
  ReadCountedText(ctx, r.meshNameLength, r.meshName);
  r.goblinFlag = in.I32();
  r.subHeader2 = ReadSubHeader(in);
  r.blockA = ReadBlockA(in);
  r.subHeader3 = ReadSubHeader(in);
  r.blockB = ReadBlockB(in);
  r.subHeader4 = ReadSubHeader(in);
  ReadTriangleSet(in, r.tris, "TRIS");
  r.subHeader5 = ReadSubHeader(in);
  ReadTriangleSet(in, r.vnrm, "VNRM");
  r.ssubHeader = ReadSubHeader(in);
  r.ssubId = in.Chars4();
  r.ssubValue = in.I32();
  ReadFloats(in, r.ssubValues);
  if (in.Failed()) return;
  ReadSsubLists(in, r);
}

}  // namespace sq
