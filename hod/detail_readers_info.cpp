// The hierarchy (with its two side files), the INFO form and the markers, and the
// small pieces every detail reader shares.
#include "hod/detail_readers.h"

#include <cctype>

namespace sq {

Point3 ReadPoint(Reader& in) {
  Point3 p;
  p.x = in.F32();
  p.y = in.F32();
  p.z = in.F32();
  return p;
}

void ReadCountedText(WalkContext& ctx, int32_t& length, std::string& text) {
  length = ctx.in.I32();
  ReadFixedText(ctx, text, length);
}

SubHeader ReadSubHeader(Reader& in) {
  SubHeader h;
  h.kind = in.Chars4();
  h.size = in.U32();
  return h;
}

std::string VertexLine(const Point3& p) {
  return "v " + FormatFloat(p.x) + " " + FormatFloat(p.y) + " " + FormatFloat(p.z);
}

namespace {

std::string JoinFloats(const std::array<float, 3>& values) {
  return FormatFloat(values[0]) + " " + FormatFloat(values[1]) + " " + FormatFloat(values[2]);
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

std::string DesignerMessage(const std::string& owner) {
  std::string text = "Brought to you by designer ";
  if (!owner.empty()) text += Upper(owner[0]);
  text += ". ";
  if (owner.size() >= 2) {
    text += Upper(owner[1]);
    text.append(owner, 2);
  }
  return text;
}

void ReadHierarchy(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
  model.hierarchyHeader.id = "HIER";
  model.hierarchyHeader.size = in.U32();
  model.hierarchyCount = in.I32();
  model.hierarchyTable.clear();
  // An object takes at least 59 bytes: two lengths, twelve floats, three bytes.
  const auto count = in.Count(model.hierarchyCount, 59, "hierarchy object");
  if (!count) return;
  model.hierarchyTable.resize(*count);
  for (HierObject& o : model.hierarchyTable) {
    ReadCountedText(ctx, o.nameLength, o.name);
    ReadCountedText(ctx, o.parentLength, o.parentName);
    o.position = ReadPoint(in);
    ReadFloats(in, o.orientation);
    ReadFloats(in, o.scale);
    ReadFloats(in, o.worldPosition);
    ReadRaw(in, o.trailing);
    if (in.Failed()) return;
  }

  // Each object becomes a segment from the origin to its position.
  SideFile hier1(ctx.SideFiles(), "HIER1.obj");
  hier1.Line();
  int64_t vertex = 1;
  for (const HierObject& o : model.hierarchyTable) {
    hier1.Line("g " + SideFileText(o.name) + "_" + SideFileText(o.parentName));
    hier1.Line("v 0 0 0");
    hier1.Line(VertexLine(o.position));
    hier1.Line("# 2 vertices");
    hier1.Line("f  " + FormatInt(vertex) + " " + FormatInt(vertex + 1) + " " + FormatInt(vertex + 1));
    hier1.Line("# 1 face");
    hier1.Line();
    vertex += 2;
  }

  SideFile hier2(ctx.SideFiles(), "HIER2.txt");
  for (const HierObject& o : model.hierarchyTable) {
    hier2.Line("      object: " + SideFileText(o.name) + " parent: " + SideFileText(o.parentName));
    hier2.Line(" orientation: " + JoinFloats(o.orientation));
    hier2.Line("       scale: " + JoinFloats(o.scale));
    hier2.Line("'world' pos.: " + JoinFloats(o.worldPosition));
    hier2.Line();
  }
}

std::string ReadInfo(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
  model.infoWarning = false;
  model.infoError = false;
  InfoRecord& info = model.infoRecord;
  while (!in.Failed()) {
    const PendingHeader next = ReadKind(in);
    const std::string& token = next.kind;
    InfoItem* item = nullptr;
    if (token == "OWNR") {
      item = &info.owner;
    } else if (token == "WARN") {
      item = &info.warning;
      model.infoWarning = true;
    } else if (token == "ERRR") {
      item = &info.error;
      model.infoError = true;
    } else {
      // The walk ends here; the zero token at the end of the file is no header.
      ctx.StopAt(next);
      break;
    }
    ctx.TookToken(next.offset, token, "ReadInfo");
    item->token = token;
    item->size = in.U32();
    item->length = in.I32();
    std::string text;
    ReadFixedText(ctx, text, item->length);
    if (in.Failed()) break;
    if (token == "OWNR") {
      // The last byte of the owner text is a terminator.
      const auto keep = item->length > 1 ? static_cast<std::size_t>(item->length - 1) : 0;
      item->text = text.substr(0, std::min(keep, text.size()));
      ctx.Message(DesignerMessage(item->text), MessageWeight::Notice);
    } else {
      item->text = text;
      (token == "WARN" ? model.infoWarningText : model.infoErrorText) = text;
    }
  }
  return std::string();
}

void ReadMarker(WalkContext& ctx, Model& model, int m) {
  Reader& in = ctx.in;
  MarkerRecord& r = model.mrkrTable[static_cast<std::size_t>(m - 1)];
  r.id = in.Chars4();
  r.value = in.I32();
  ReadCountedText(ctx, r.nameLength, r.name);
  ReadCountedText(ctx, r.parentLength, r.parentName);
  r.separator = in.F64();
  ReadRaw(in, r.block1);
  ReadRaw(in, r.block2);
  r.secondSubHeader = ReadSubHeader(in);
  r.endToken = in.Chars4();
  if (in.Failed()) return;
  if (r.separator != 0.0) {  // -0 counts as zero
    model.separatorReportText = "Separator with marker '" + r.name + "' ( " + FormatInt(m) +
                                "th ) is unequal to zero: " + FormatFloat(NarrowToFloat(r.separator));
  }
}

}  // namespace sq
