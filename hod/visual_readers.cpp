// The visual form walker: reads the HVMD form as a flat sequence of tags and
// hands each to its reader; runs of like chunks refill their table from the top.
#include "hod/visual_readers.h"

#include <optional>

namespace sq {

namespace {

PendingHeader EndOfWalk(const Reader& in) { return KindOnly(std::string(4, '\0'), in.Size()); }

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

  // A NRML header whose size and name a run loop read ahead of the next dispatch.
  std::optional<PendingHeader> readAhead;
  // The tag last read and where it begins.
  PendingHeader tag;
  auto nextTag = [&] { tag = ReadKind(in); };

  // A run of NRML chunks of one name: refills the table record after record while
  // the next header is a NRML chunk of that name. Leaves in `tag` the tag that
  // ended the run; a NRML header of another name is left in readAhead.
  auto nrmlRun = [&](const PendingHeader& first, const char* reader, auto& table, auto readBody) {
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
          nextTag();
          if (tag.kind != "NRML") return false;
          header = tag;
          header.size = in.U32();
          header.id = in.Chars4();
          header.sizeAndIdRead = true;
          if (header.id == first.id) return true;
          readAhead = header;
          return false;
        });
    if (in.Failed()) tag = EndOfWalk(in);
  };
  // A run of chunks behind a bare tag: reads one after another while the next tag
  // is the same. Leaves in `tag` the tag that ended the run.
  auto tagRun = [&](std::string_view runTag, const char* reader, auto readOne) {
    ReadRun(
        in, 1,
        [&](int item) {
          ctx.TookToken(tag.offset, runTag, reader);
          readOne(item);
        },
        [&] {
          nextTag();
          return tag.kind == runTag;
        });
  };

  nextTag();
  while (!in.Failed()) {
    if (tag.kind == "LITE") {
      ctx.TookToken(tag.offset, tag.kind, "ReadLITE");
      model.hasLITE = true;
      ReadLITE(ctx, model);
      nextTag();
    } else if (tag.kind == "STAT") {
      model.eliteTable.clear();
      tagRun("STAT", "ReadEliteSTAT", [&](int form) {
        model.statForms = form;
        ReadEliteSTAT(ctx, model, model.eliteTable.emplace_back());
      });
    } else if (tag.kind == "NRML") {
      PendingHeader header;
      if (readAhead) {
        header = std::move(*readAhead);
        readAhead.reset();
      } else {
        header = tag;
        header.size = in.U32();
        header.id = in.Chars4();
        header.sizeAndIdRead = true;
        if (in.Failed()) break;
      }
      if (header.id == "STAT") {
        model.hasNrmlSTAT = true;
        nrmlRun(header, "ReadNrmlSTAT", model.statTable, [&](StatRecord& r) { ReadNrmlSTAT(ctx, r); });
      } else if (header.id == "MULT") {
        model.hasMULT = true;
        nrmlRun(header, "ReadMULT", model.multTable, [&](MultRecord& r) { ReadMULT(ctx, model, r); });
      } else if (header.id == "GOBG") {
        model.hasGOBG = true;
        nrmlRun(header, "ReadGOBG", model.gobgTable, [&](GobgRecord& r) { ReadGOBG(ctx, model, r); });
      } else if (header.id == "GOBS") {
        ctx.Took(header, "ReadHVMD");
        model.hasGOBS = true;
        model.gobsRecord.header = ChunkHeader{"NRML", header.size, "GOBS"};
        model.gobsRecord.words = {in.I32(), in.I32()};
        nextTag();
        // Behind a NRML GOBS only another NRML chunk continues the form.
        if (tag.kind != "NRML" && !in.Failed()) return tag;
      } else {
        return header;
      }
    } else if (tag.kind == "LMIP") {
      model.hasLMIP = true;
      model.lmipTable.clear();
      tagRun("LMIP", "ReadLMIP", [&](int) { ReadLMIP(ctx, model.lmipTable.emplace_back()); });
    } else if (tag.kind == "SIMP") {
      ctx.TookToken(tag.offset, tag.kind, "ReadHVMD");
      model.hasSIMP = true;
      ctx.Message("SIMP chunk extraction not implemented.", MessageWeight::Warning);
      return EndOfWalk(in);
    } else if (tag.kind == "VARY") {
      ctx.TookToken(tag.offset, tag.kind, "ReadVARY");
      model.hasVARY = true;
      ReadVARY(ctx, model);
      nextTag();
    } else if (tag.kind == "LMTX") {
      model.hasLMTX = true;
      model.lmtxTable.clear();
      tagRun("LMTX", "ReadLMTX", [&](int) { ReadLMTX(ctx, model.lmtxTable.emplace_back()); });
    } else if (tag.kind == "GOBD") {
      ctx.TookToken(tag.offset, tag.kind, "ReadHVMD");
      model.hasGOBD = true;
      model.gobdRecord.chunkId = "GOBD";
      model.gobdRecord.words = {in.I32(), in.I32()};
      nextTag();
    } else if (tag.kind == "GOBS") {
      ctx.TookToken(tag.offset, tag.kind, "ReadHVMD");
      model.hasGOBS = true;
      model.gobsRecord.header.chunkId = "GOBS";
      model.gobsRecord.words = {in.I32(), in.I32()};
      nextTag();
    } else if (tag.kind == "SHAD") {
      model.hasNrmlSTAT = true;
      model.hasSHAD = true;
      model.statTable.clear();
      tagRun("SHAD", "ReadSHAD", [&](int) {
        StatRecord& record = model.statTable.emplace_back();
        record.header.chunkId = "SHAD";
        ReadSHAD(ctx, record);
      });
    } else {
      return tag;
    }
  }
  return EndOfWalk(in);
}

}  // namespace sq
