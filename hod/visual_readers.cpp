// The visual form walker: reads the HVMD form as a flat sequence of tags and
// hands each to its reader; runs of like chunks refill their table from the top.
#include "hod/visual_readers.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>

namespace sq {

namespace {

PendingHeader EndOfWalk(const Reader& in) { return KindOnly(std::string(4, '\0'), in.Size()); }

// Where the HVMD walk stands: the tag last read and where it begins, and a NRML
// header whose size and name a run read ahead of the next dispatch.
struct HvmdWalk {
  WalkContext& ctx;
  Model& model;
  Reader& in;
  PendingHeader tag;
  std::optional<PendingHeader> readAhead;

  void NextTag() { tag = ReadKind(in); }
  // Reads on behind the tag; the walk goes on.
  std::optional<PendingHeader> Next() {
    NextTag();
    return std::nullopt;
  }

  // A run of NRML chunks of one name: refills the table record after record while
  // the next header is a NRML chunk of that name. Leaves in `tag` the tag that
  // ended the run; a NRML header of another name is left in readAhead.
  template <typename Table, typename ReadBody>
  std::optional<PendingHeader> NrmlRun(const PendingHeader& first, const char* reader, Table& table,
                                       ReadBody readBody) {
    table.clear();
    PendingHeader header = first;
    ReadRun(
        in, 1,
        [&](int) {
          ctx.Took(header, reader);
          auto& record = table.emplace_back();
          record.header = ChunkHeader{"NRML", header.size, header.id};
          readBody(record);
        },
        [&] {
          NextTag();
          if (tag.kind != "NRML") return false;
          header = tag;
          ReadSizeAndId(in, header);
          if (header.id == first.id) return true;
          readAhead = header;
          return false;
        });
    if (in.Failed()) tag = EndOfWalk(in);
    return std::nullopt;
  }

  // A run of chunks behind a bare tag: reads one after another while the next tag
  // is the same. Leaves in `tag` the tag that ended the run.
  template <typename ReadOne>
  std::optional<PendingHeader> TagRun(const char* reader, ReadOne readOne) {
    const std::string runTag = tag.kind;
    ReadRun(
        in, 1,
        [&](int item) {
          ctx.TookToken(tag.offset, runTag, reader);
          readOne(item);
        },
        [&] {
          NextTag();
          return tag.kind == runTag;
        });
    return std::nullopt;
  }
};

// A chunk of the HVMD form: a bare tag (`id` empty), or a NRML chunk of that
// name. Its reader reads it (or a run of its kind) and the tag behind it, and
// returns the header at which the form ends, or nothing when the walk goes on.
struct HvmdChunk {
  std::string_view kind;
  std::string_view id;
  std::optional<PendingHeader> (*read)(HvmdWalk& w, const PendingHeader& header);
};

constexpr HvmdChunk kHvmdChunks[] = {
    {"LITE", "",
     [](HvmdWalk& w, const PendingHeader& tag) {
       w.ctx.TookToken(tag.offset, tag.kind, "ReadLITE");
       w.model.hasLITE = true;
       ReadLITE(w.ctx, w.model);
       return w.Next();
     }},
    {"STAT", "",
     [](HvmdWalk& w, const PendingHeader&) {
       w.model.eliteTable.clear();
       return w.TagRun("ReadEliteSTAT", [&](int form) {
         w.model.statForms = form;
         ReadEliteSTAT(w.ctx, w.model, w.model.eliteTable.emplace_back());
       });
     }},
    {"NRML", "STAT",
     [](HvmdWalk& w, const PendingHeader& header) {
       w.model.hasNrmlSTAT = true;
       return w.NrmlRun(header, "ReadNrmlSTAT", w.model.statTable, [&](StatRecord& r) { ReadNrmlSTAT(w.ctx, r); });
     }},
    {"NRML", "MULT",
     [](HvmdWalk& w, const PendingHeader& header) {
       w.model.hasMULT = true;
       return w.NrmlRun(header, "ReadMULT", w.model.multTable, [&](MultRecord& r) { ReadMULT(w.ctx, w.model, r); });
     }},
    {"NRML", "GOBG",
     [](HvmdWalk& w, const PendingHeader& header) {
       w.model.hasGOBG = true;
       return w.NrmlRun(header, "ReadGOBG", w.model.gobgTable, [&](GobgRecord& r) { ReadGOBG(w.ctx, w.model, r); });
     }},
    {"NRML", "GOBS",
     [](HvmdWalk& w, const PendingHeader& header) -> std::optional<PendingHeader> {
       w.ctx.Took(header, "ReadHVMD");
       w.model.hasGOBS = true;
       w.model.gobsRecord.header = ChunkHeader{"NRML", header.size, "GOBS"};
       w.model.gobsRecord.words = {w.in.I32(), w.in.I32()};
       w.NextTag();
       // Behind a NRML GOBS only another NRML chunk continues the form.
       if (w.tag.kind != "NRML" && !w.in.Failed()) return w.tag;
       return std::nullopt;
     }},
    {"LMIP", "",
     [](HvmdWalk& w, const PendingHeader&) {
       w.model.hasLMIP = true;
       w.model.lmipTable.clear();
       return w.TagRun("ReadLMIP", [&](int) { ReadLMIP(w.ctx, w.model.lmipTable.emplace_back()); });
     }},
    {"SIMP", "",
     [](HvmdWalk& w, const PendingHeader& tag) -> std::optional<PendingHeader> {
       w.ctx.TookToken(tag.offset, tag.kind, "ReadHVMD");
       w.model.hasSIMP = true;
       w.ctx.Say("SIMP chunk extraction not implemented.", MessageWeight::Warning);
       return EndOfWalk(w.in);
     }},
    {"VARY", "",
     [](HvmdWalk& w, const PendingHeader& tag) {
       w.ctx.TookToken(tag.offset, tag.kind, "ReadVARY");
       w.model.hasVARY = true;
       ReadVARY(w.ctx, w.model);
       return w.Next();
     }},
    {"LMTX", "",
     [](HvmdWalk& w, const PendingHeader&) {
       w.model.hasLMTX = true;
       w.model.lmtxTable.clear();
       return w.TagRun("ReadLMTX", [&](int) { ReadLMTX(w.ctx, w.model.lmtxTable.emplace_back()); });
     }},
    {"GOBD", "",
     [](HvmdWalk& w, const PendingHeader& tag) {
       w.ctx.TookToken(tag.offset, tag.kind, "ReadHVMD");
       w.model.hasGOBD = true;
       w.model.gobdRecord.chunkId = "GOBD";
       w.model.gobdRecord.words = {w.in.I32(), w.in.I32()};
       return w.Next();
     }},
    {"GOBS", "",
     [](HvmdWalk& w, const PendingHeader& tag) {
       w.ctx.TookToken(tag.offset, tag.kind, "ReadHVMD");
       w.model.hasGOBS = true;
       w.model.gobsRecord.header.chunkId = "GOBS";
       w.model.gobsRecord.words = {w.in.I32(), w.in.I32()};
       return w.Next();
     }},
    {"SHAD", "",
     [](HvmdWalk& w, const PendingHeader&) {
       w.model.hasNrmlSTAT = true;
       w.model.hasSHAD = true;
       w.model.statTable.clear();
       return w.TagRun("ReadSHAD", [&](int) {
         StatRecord& record = w.model.statTable.emplace_back();
         record.header.chunkId = "SHAD";
         ReadSHAD(w.ctx, record);
       });
     }},
};

}  // namespace

PendingHeader ReadHVMD(WalkContext& ctx, Model& model) {
  model.hasLITE = false;
  model.hasNrmlSTAT = false;
  model.statForms = 0;
  model.hasLMIP = false;
  model.hasGOBG = false;
  model.hasMULT = false;
  model.hasVARY = false;
  model.hasGOBS = false;
  model.hasGOBD = false;
  model.hasLMTX = false;
  model.hasSHAD = false;

  HvmdWalk w{ctx, model, ctx.in, {}, std::nullopt};
  w.NextTag();
  while (!w.in.Failed()) {
    // A bare tag is its own key; behind a NRML tag its size and name are read
    // (unless a run read them ahead) and the name picks the reader.
    PendingHeader header = w.tag;
    if (w.tag.kind == "NRML") {
      if (w.readAhead) {
        header = std::move(*w.readAhead);
        w.readAhead.reset();
      } else {
        ReadSizeAndId(w.in, header);
        if (w.in.Failed()) break;
      }
    }
    const auto* chunk = std::find_if(std::begin(kHvmdChunks), std::end(kHvmdChunks),
                                     [&](const HvmdChunk& c) { return c.kind == header.kind && c.id == header.id; });
    if (chunk == std::end(kHvmdChunks)) return header;
    if (std::optional<PendingHeader> end = chunk->read(w, header)) return *end;
  }
  return EndOfWalk(w.in);
}

}  // namespace sq
