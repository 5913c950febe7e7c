// The visual form walker: reads the HVMD form as a flat sequence of tags and
// hands each to its reader; runs of like chunks refill their table from the top.
#include "hod/visual_readers.h"

#include <optional>

namespace sq {

namespace {

// A NRML header whose size and name a run loop read ahead of the next dispatch.
struct NrmlHeader {
  uint32_t size = 0;
  std::string name;
};

PendingHeader EndOfWalk() { return KindOnly(std::string(4, '\0')); }

}  // namespace

PendingHeader ReadHVMD(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
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

  std::optional<NrmlHeader> readAhead;

  // A run of NRML chunks of one name: refills the table record after record while
  // the next header is a NRML chunk of that name. Returns the tag that ended the
  // run; a NRML header of another name is left in readAhead.
  auto nrmlRun = [&](std::string_view name, uint32_t firstSize, auto& table, auto readBody) {
    table.clear();
    uint32_t size = firstSize;
    std::string tag;
    ReadRun(
        in, 1,
        [&](int) {
          auto& record = table.emplace_back();
          record.header = ChunkHeader{"NRML", size, std::string(name)};
          readBody(record);
        },
        [&] {
          tag = in.Tag();
          if (tag != "NRML") return false;
          size = in.U32();
          std::string next = in.Chars4();
          if (next == name) return true;
          readAhead = NrmlHeader{size, std::move(next)};
          return false;
        });
    return in.Failed() ? std::string(4, '\0') : tag;
  };
  // A run of chunks behind a bare tag: reads one after another while the next tag
  // is the same. Returns the tag that ended the run.
  auto tagRun = [&](std::string_view runTag, auto readOne) {
    std::string tag;
    ReadRun(in, 1, readOne, [&] {
      tag = in.Tag();
      return tag == runTag;
    });
    return tag;
  };

  std::string tag = in.Tag();
  while (!in.Failed()) {
    if (tag == "LITE") {
      model.hasLITE = true;
      ReadLITE(ctx, model);
      tag = in.Tag();
    } else if (tag == "STAT") {
      model.eliteTable.clear();
      tag = tagRun("STAT", [&](int form) {
        model.statForms = form;
        ReadEliteSTAT(ctx, model, model.eliteTable.emplace_back());
      });
    } else if (tag == "NRML") {
      NrmlHeader header;
      if (readAhead) {
        header = std::move(*readAhead);
        readAhead.reset();
      } else {
        header.size = in.U32();
        header.name = in.Chars4();
        if (in.Failed()) break;
      }
      if (header.name == "STAT") {
        model.hasNrmlSTAT = true;
        tag = nrmlRun("STAT", header.size, model.statTable, [&](StatRecord& r) { ReadNrmlSTAT(ctx, r); });
      } else if (header.name == "MULT") {
        model.hasMULT = true;
        tag = nrmlRun("MULT", header.size, model.multTable, [&](MultRecord& r) { ReadMULT(ctx, model, r); });
      } else if (header.name == "GOBG") {
        model.hasGOBG = true;
        tag = nrmlRun("GOBG", header.size, model.gobgTable, [&](GobgRecord& r) { ReadGOBG(ctx, model, r); });
      } else if (header.name == "GOBS") {
        model.hasGOBS = true;
        model.gobsRecord.header = ChunkHeader{"NRML", header.size, "GOBS"};
        model.gobsRecord.words = {in.I32(), in.I32()};
        tag = in.Tag();
        // Behind a NRML GOBS only another NRML chunk continues the form.
        if (tag != "NRML" && !in.Failed()) return KindOnly(tag);
      } else {
        return WithSizeAndId("NRML", header.size, header.name);
      }
    } else if (tag == "LMIP") {
      model.hasLMIP = true;
      model.lmipTable.clear();
      tag = tagRun("LMIP", [&](int) { ReadLMIP(ctx, model.lmipTable.emplace_back()); });
    } else if (tag == "SIMP") {
      model.hasSIMP = true;
      ctx.Message("SIMP chunk extraction not implemented.", MessageIcon::Information);
      return EndOfWalk();
    } else if (tag == "VARY") {
      model.hasVARY = true;
      ReadVARY(ctx, model);
      tag = in.Tag();
    } else if (tag == "LMTX") {
      model.hasLMTX = true;
      model.lmtxTable.clear();
      tag = tagRun("LMTX", [&](int) { ReadLMTX(ctx, model.lmtxTable.emplace_back()); });
    } else if (tag == "GOBD") {
      model.hasGOBD = true;
      model.gobdRecord.chunkId = "GOBD";
      model.gobdRecord.words = {in.I32(), in.I32()};
      tag = in.Tag();
    } else if (tag == "GOBS") {
      model.hasGOBS = true;
      model.gobsRecord.header.chunkId = "GOBS";
      model.gobsRecord.words = {in.I32(), in.I32()};
      tag = in.Tag();
    } else if (tag == "SHAD") {
      model.hasNrmlSTAT = true;
      model.hasSHAD = true;
      model.statTable.clear();
      tag = tagRun("SHAD", [&](int) {
        StatRecord& record = model.statTable.emplace_back();
        record.header.chunkId = "SHAD";
        ReadSHAD(ctx, record);
      });
    } else {
      return KindOnly(tag);
    }
  }
  return EndOfWalk();
}

}  // namespace sq
