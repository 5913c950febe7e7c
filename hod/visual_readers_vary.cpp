// VARY data: positions, corners, faces and face lists, its OBJ side file and the
// report text of its index ranges.
#include "hod/visual_readers.h"

#include <algorithm>

namespace sq {

namespace {

std::string Floats(std::initializer_list<float> values) {
  std::string text;
  for (float value : values) {
    if (!text.empty()) text += ' ';
    text += FormatFloat(value);
  }
  return text;
}

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

// A report paragraph: text, "\par" and CR LF.
void Par(std::string& out, std::string_view text = {}) {
  out.append(text);
  out.append("\\par\r\n");
}

}  // namespace

void ReadVARY(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
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

  std::string faceListText;
  Par(faceListText, "VARY4: face lists");
  Par(faceListText, "maximum index = " + FormatInt(listMaximum));
  Par(faceListText, "minimum index = " + FormatInt(listMinimum));
  Par(faceListText, "( # Nuv's = " + FormatInt(vary.cornerCount) + " , # faces = " + FormatInt(vary.faceCount) + " ).");
  model.varyReportText = faceListText;

  SideFile obj(ctx.SideFiles(), "VARY_" + SafeFileName(vary.varyName) + ".obj");
  obj.Line();
  obj.Line("g " + SideFileText(vary.varyName));
  for (const auto& p : vary.positions) obj.Line("v " + Floats({p[0], p[1], p[2]}));
  obj.Line("# " + FormatInt(vary.positionCount) + " vertices");
  obj.Line();
  for (const VaryCorner& c : vary.corners) obj.Line("vn " + Floats({c.normal[0], c.normal[1], c.normal[2]}));
  obj.Line("# " + FormatInt(vary.cornerCount) + " vertex normals");
  obj.Line();
  for (const VaryCorner& c : vary.corners) {
    obj.Line("vt " + Floats({c.textureCoordinate[0], c.textureCoordinate[1]}));
  }
  obj.Line("# " + FormatInt(vary.cornerCount) + " texture coordinates");
  obj.Line();

  // A face corner is written as position/texture/normal, all 1-based; the corner's
  // own number serves as both texture and normal number.
  int32_t cornerMaximum = 0;
  int32_t cornerMinimum = vary.positionCount;
  for (const VaryFace& face : vary.faces) {
    std::string line = "f  ";
    for (std::size_t k = 0; k < face.corners.size(); ++k) {
      const int32_t index = face.corners[k];
      if (index < 0 || static_cast<std::size_t>(index) >= vary.corners.size()) {
        in.Fail("VARY face refers to corner " + FormatInt(index) + " of " + FormatInt(vary.cornerCount));
        return;
      }
      cornerMaximum = std::max(cornerMaximum, index);
      cornerMinimum = std::min(cornerMinimum, index);
      const std::string number = FormatInt(int64_t{index} + 1);
      if (k > 0) line += ' ';
      line += FormatInt(int64_t{vary.corners[static_cast<std::size_t>(index)].positionIndex} + 1);
      line.append("/").append(number).append("/").append(number);
    }
    obj.Line(line);
  }
  obj.Line("# " + FormatInt(vary.faceCount) + " faces");
  obj.Close();

  std::string cornerText;
  Par(cornerText, "VARY2: vertex normal indices");
  cornerText += "maximum index = " + FormatInt(cornerMaximum) + "\r\n";
  Par(cornerText);
  cornerText += "minimum index = " + FormatInt(cornerMinimum) + "\r\n";
  Par(cornerText);
  Par(cornerText, "( # Nuv's = " + FormatInt(vary.cornerCount) + " ).");
  Par(cornerText);
  model.varyReportText = cornerText + model.varyReportText;
}

}  // namespace sq
