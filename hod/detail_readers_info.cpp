// The hierarchy, the INFO form and the markers, and the small pieces every
// detail reader shares.
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

namespace {

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
  SideExportSources& exports = model.sideExports;
  exports.SetAside(SideExportSources::Kind::Hierarchy, model.hierarchyTable);
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
  exports.Note(SideExportSources::Kind::Hierarchy);
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
      ctx.Say(DesignerMessage(item->text), MessageWeight::Notice);
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
  if (r.separator != 0.0) model.separatorMarker = m;  // -0 counts as zero
}

}  // namespace sq
