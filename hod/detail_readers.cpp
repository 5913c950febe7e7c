// The detail walker: the DTRM form holds bare tokens with their data (HIER, ETSH,
// BURN) and FORM or NRML chunks whose type id picks the reader. Items are read
// front to back; the first unknown item ends the walk and goes back to the file
// walker, with its size and type when they have been read already.
#include "hod/detail_readers.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace sq {

namespace {

// Where the detail walk stands: the token last read, with its offset, and
// behind a FORM or NRML token its size and type once they are read.
class DetailCursor {
 public:
  explicit DetailCursor(Reader& in) : in_(in) { NextToken(); }

  PendingHeader header;

  void SetToken(std::string next, std::size_t at) { header = KindOnly(std::move(next), at); }
  void NextToken() {
    const std::size_t at = in_.Position();
    SetToken(in_.Tag(), at);
  }
  void CompleteHeader() { ReadSizeAndId(in_, header); }
  // Whether the next item is the bare token `next`.
  bool NextTokenIs(std::string_view next) {
    NextToken();
    return header.kind == next;
  }
  // Whether the next item is a `kind` chunk of type `runType`; behind a `kind`
  // token its size and type are read, so a run can look at the type.
  bool NextChunkIs(std::string_view kind, std::string_view runType) {
    NextToken();
    if (header.kind != kind) return false;
    CompleteHeader();
    return header.id == runType;
  }
  // The same behind a BSRM form: a header follows whose size and type are read
  // whatever its kind. At the end of the file there is none, and the walk ends
  // normally.
  bool NextHeaderOfAnyKindIs(std::string_view runType) {
    const bool atEnd = in_.Remaining() < 4;
    NextToken();
    if (atEnd) return false;
    CompleteHeader();
    return header.id == runType;
  }
  // The item as it stands, for the record and as the header the walk stopped
  // at: a size and type count only behind a FORM or NRML token.
  PendingHeader Stopped() const {
    if ((header.kind == "FORM" || header.kind == "NRML") && header.sizeAndIdRead) return header;
    return KindOnly(header.kind, header.offset);
  }

 private:
  Reader& in_;
};

// The detail walk: the cursor, and what the readers read into.
struct DtrmWalk {
  WalkContext& ctx;
  Model& model;
  Reader& in;
  DetailCursor at;

  // Notes the item the cursor stands at as taken by `reader`.
  void Took(const char* reader) { ctx.Took(at.Stopped(), reader); }

  // A run of like items, numbered from `first`, each noted as taken by `reader`
  // and read by readOne, while nextIsLike finds another behind it.
  template <typename ReadOne, typename NextIsLike>
  bool Run(const char* reader, int first, ReadOne readOne, NextIsLike nextIsLike) {
    ReadRun(
        in, first,
        [&](int item) {
          Took(reader);
          readOne(item);
        },
        nextIsLike);
    return true;
  }
};

// An item of the DTRM form: a bare token (`type` empty), or a FORM or NRML chunk
// of that type. Its reader reads it (or a run of its kind) and the token behind
// it, and returns whether the walk goes on.
struct DtrmItem {
  std::string_view kind;
  std::string_view type;
  bool (*read)(DtrmWalk& w);
};

constexpr DtrmItem kDtrmItems[] = {
    {"HIER", "",
     [](DtrmWalk& w) {
       w.Took("ReadHierarchy");
       ReadHierarchy(w.ctx, w.model);
       w.at.NextToken();
       return true;
     }},
    {"ETSH", "",
     [](DtrmWalk& w) {
       w.model.hasETSH = true;
       return w.Run(
           "ReadTrail", 1, [&](int n) { ReadTrail(w.ctx, w.model, n); }, [&] { return w.at.NextTokenIs("ETSH"); });
     }},
    {"BURN", "",
     [](DtrmWalk& w) {
       w.model.hasBURN = true;
       return w.Run(
           "ReadBurn", 1, [&](int k) { ReadBurn(w.ctx, w.model, k); }, [&] { return w.at.NextTokenIs("BURN"); });
     }},
    {"FORM", "GLOW",
     [](DtrmWalk& w) {
       w.model.hasGLOW = true;
       return w.Run(
           "ReadGlow", 1,
           [&](int g) {
             StartEntry(w.model.glowTable, g).header = ChunkHeader{"FORM", w.at.header.size, "GLOW"};
             ReadGlow(w.ctx, w.model, g);
           },
           [&] { return w.at.NextChunkIs("FORM", "GLOW"); });
     }},
    {"FORM", "MRKR",
     [](DtrmWalk& w) {
       w.model.hasMRKR = true;
       // Marker runs append to what earlier runs left.
       return w.Run(
           "ReadMarker", static_cast<int>(w.model.mrkrTable.size()) + 1,
           [&](int m) {
             MarkerRecord& marker = StartEntry(w.model.mrkrTable, m);
             marker.header = ChunkHeader{"FORM", w.at.header.size, "MRKR"};
             marker.subHeader = ReadSubHeader(w.in);
             ReadMarker(w.ctx, w.model, m);
           },
           [&] { return w.at.NextChunkIs("FORM", "MRKR"); });
     }},
    {"FORM", "COLD",
     [](DtrmWalk& w) {
       w.model.hasCOLD = true;
       return w.Run(
           "ReadCollision", 1, [&](int k) { ReadCollision(w.ctx, w.model, k, w.at.header.size); },
           [&] { return w.at.NextChunkIs("FORM", "COLD"); });
     }},
    {"FORM", "BSRM",
     [](DtrmWalk& w) {
       w.model.hasBSRM = true;
       return w.Run(
           "ReadBsrm", 1, [&](int k) { ReadBsrm(w.ctx, w.model, k, w.at.header.size); },
           [&] { return w.at.NextHeaderOfAnyKindIs("BSRM"); });
     }},
    {"FORM", "INFO",
     [](DtrmWalk& w) {
       w.Took("ReadInfo");
       w.model.infoRecord.header = ChunkHeader{"FORM", w.at.header.size, "INFO"};
       const auto inside = w.ctx.Inside();
       w.at.SetToken(ReadInfo(w.ctx, w.model), w.in.Position());
       return true;
     }},
    {"NRML", "NAVL",
     [](DtrmWalk& w) {
       w.Took("ReadNavlights");
       w.model.hasNAVL = true;
       ReadNavlights(w.ctx, w.model, w.at.header.size);
       w.at.NextToken();
       return true;
     }},
    {"NRML", "ANIM",
     [](DtrmWalk& w) {
       w.model.hasANIM = true;
       return w.Run(
           "ReadAnimation", 1, [&](int k) { ReadAnimation(w.ctx, w.model, k, w.at.header.size); },
           [&] { return w.at.NextChunkIs("NRML", "ANIM"); });
     }},
    {"NRML", "STRF",
     [](DtrmWalk& w) {
       w.Took("ReadPointStarChunk");
       // A point-star chunk here replaces the table with itself alone.
       w.model.hasSTRF = true;
       w.model.strfTable.clear();
       PointStarChunk& chunk = w.model.strfTable.emplace_back();
       chunk.header = ChunkHeader{"NRML", w.at.header.size, "STRF"};
       ReadPointStarChunk(w.ctx, chunk);
       if (w.in.Failed()) return false;
       if (chunk.starCount > 0 && !NotePointStarPreview(w.ctx, w.model, chunk, "point-star chunk")) return false;
       w.at.NextToken();
       return true;
     }},
    {"NRML", "DOCK",
     [](DtrmWalk& w) {
       w.Took("ReadDocking");
       w.model.hasDOCK = true;
       ReadDocking(w.ctx, w.model, w.at.header.size);
       w.at.NextToken();
       return true;
     }},
    {"NRML", "BNDV",
     [](DtrmWalk& w) {
       w.Took("ReadBounds");
       ReadBounds(w.ctx, w.model, w.at.header.size);
       w.at.NextToken();
       return true;
     }},
};

}  // namespace

PendingHeader ReadDTRM(WalkContext& ctx, Model& model) {
  DtrmWalk w{ctx, model, ctx.in, DetailCursor(ctx.in)};
  while (!w.in.Failed()) {
    // Behind a FORM or NRML token its size and type are read, and the type picks
    // the reader; any other token is its own key. The first item no reader takes,
    // the zero token at the end of the file included, ends the walk.
    const bool chunk = w.at.header.kind == "FORM" || w.at.header.kind == "NRML";
    if (chunk) {
      w.at.CompleteHeader();
      if (w.in.Failed()) break;
    }
    const std::string_view type = chunk ? std::string_view(w.at.header.id) : std::string_view();
    const auto* item = std::find_if(std::begin(kDtrmItems), std::end(kDtrmItems),
                                    [&](const DtrmItem& i) { return i.kind == w.at.header.kind && i.type == type; });
    if (item == std::end(kDtrmItems) || !item->read(w)) break;
  }
  if (w.in.Failed()) return KindOnly(std::string(4, '\0'), w.in.Size());
  return w.at.Stopped();
}

}  // namespace sq
