// The detail walker: the DTRM form holds bare tokens with their data (HIER, ETSH,
// BURN) and FORM or NRML chunks whose type id picks the reader. Items are read
// front to back; the first unknown item ends the walk and goes back to the file
// walker, with its size and type when they have been read already.
#include "hod/detail_readers.h"

namespace sq {

PendingHeader ReadDTRM(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
  std::string token = in.Tag();
  uint32_t size = 0;
  std::string type;
  // True while a FORM or NRML token still has its size and type unread.
  bool headerPending = true;

  auto nextToken = [&] {
    token = in.Tag();
    headerPending = true;
  };
  // Reads the next token; behind a FORM (or NRML) also its size and type, so that a
  // run can look at the type. Returns whether the type was read.
  auto nextHeader = [&](std::string_view kind) {
    nextToken();
    if (token != kind) return false;
    size = in.U32();
    type = in.Chars4();
    headerPending = false;
    return true;
  };
  auto stopped = [&] {
    if ((token == "FORM" || token == "NRML") && !headerPending) return WithSizeAndId(token, size, type);
    return KindOnly(token);
  };

  while (!in.Failed()) {
    if (token == "HIER") {
      ReadHierarchy(ctx, model);
      nextToken();
    } else if (token == "ETSH") {
      model.hasETSH = true;
      for (int n = 1; token == "ETSH" && !in.Failed(); ++n) {
        ReadTrail(ctx, model, n);
        nextToken();
      }
    } else if (token == "BURN") {
      model.hasBURN = true;
      for (int k = 1; token == "BURN" && !in.Failed(); ++k) {
        ReadBurn(ctx, model, k);
        nextToken();
      }
    } else if (token == "FORM") {
      if (headerPending) {
        size = in.U32();
        type = in.Chars4();
        headerPending = false;
      }
      if (in.Failed()) break;
      if (type == "GLOW") {
        model.hasGLOW = true;
        for (int g = 1;; ++g) {
          GlowRecord& glow = StartEntry(model.glowTable, g);
          glow.header = ChunkHeader{"FORM", size, "GLOW"};
          ReadGlow(ctx, model, g);
          if (in.Failed() || !nextHeader("FORM") || type != "GLOW") break;
        }
      } else if (type == "MRKR") {
        model.hasMRKR = true;
        // Marker runs append to what earlier runs left.
        for (int m = static_cast<int>(model.mrkrTable.size()) + 1;; ++m) {
          MarkerRecord& marker = StartEntry(model.mrkrTable, m);
          marker.header = ChunkHeader{"FORM", size, "MRKR"};
          marker.subHeader = ReadSubHeader(in);
          ReadMarker(ctx, model, m);
          if (in.Failed() || !nextHeader("FORM") || type != "MRKR") break;
        }
      } else if (type == "COLD") {
        model.hasCOLD = true;
        for (int k = 1;; ++k) {
          ReadCollision(ctx, model, k, size);
          if (in.Failed() || !nextHeader("FORM") || type != "COLD") break;
        }
      } else if (type == "BSRM") {
        model.hasBSRM = true;
        for (int k = 1;; ++k) {
          ReadBsrm(ctx, model, k, size);
          if (in.Failed()) break;
          // A header follows a BSRM form; its size and type are read whatever its
          // kind. At the end of the file there is none, and the walk ends normally.
          const bool atEnd = in.Remaining() < 4;
          nextToken();
          if (atEnd) break;
          size = in.U32();
          type = in.Chars4();
          headerPending = false;
          if (in.Failed() || type != "BSRM") break;
        }
      } else if (type == "INFO") {
        model.infoRecord.header = ChunkHeader{"FORM", size, "INFO"};
        token = ReadInfo(ctx, model);
        headerPending = true;
      } else {
        break;
      }
    } else if (token == "NRML") {
      if (headerPending) {
        size = in.U32();
        type = in.Chars4();
        headerPending = false;
      }
      if (in.Failed()) break;
      if (type == "NAVL") {
        model.hasNAVL = true;
        ReadNavlights(ctx, model, size);
        nextToken();
      } else if (type == "ANIM") {
        model.hasANIM = true;
        for (int k = 1;; ++k) {
          ReadAnimation(ctx, model, k, size);
          if (in.Failed() || !nextHeader("NRML") || type != "ANIM") break;
        }
      } else if (type == "STRF") {
        // A point-star chunk here replaces the table with itself alone.
        model.hasSTRF = true;
        model.strfTable.clear();
        PointStarChunk& chunk = model.strfTable.emplace_back();
        chunk.header = ChunkHeader{"NRML", size, "STRF"};
        ReadPointStarChunk(ctx, chunk);
        if (in.Failed()) break;
        if (chunk.starCount > 0 && !NotePointStarPreview(ctx, model, chunk, "point-star chunk")) break;
        nextToken();
      } else if (type == "DOCK") {
        model.hasDOCK = true;
        ReadDocking(ctx, model, size);
        nextToken();
      } else if (type == "BNDV") {
        ReadBounds(ctx, model, size);
        nextToken();
      } else {
        break;
      }
    } else {
      break;  // any other token, the zero token at the end of the file included
    }
  }
  if (in.Failed()) return KindOnly(std::string(4, '\0'));
  return stopped();
}

}  // namespace sq
