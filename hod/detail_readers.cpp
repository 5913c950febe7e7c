// The detail walker: the DTRM form holds bare tokens with their data (HIER, ETSH,
// BURN) and FORM or NRML chunks whose type id picks the reader. Items are read
// front to back; the first unknown item ends the walk and goes back to the file
// walker, with its size and type when they have been read already.
#include "hod/detail_readers.h"

namespace sq {

namespace {

// Where the detail walk stands: the token last read and, behind a FORM or NRML
// token, its size and type once they are read.
class DetailCursor {
 public:
  explicit DetailCursor(Reader& in) : in_(in) { NextToken(); }

  std::string token;
  std::size_t offset = 0;  // where the token begins
  uint32_t size = 0;
  std::string type;

  void SetToken(std::string next, std::size_t at) {
    token = std::move(next);
    offset = at;
    headerRead_ = false;
  }
  void NextToken() {
    const std::size_t at = in_.Position();
    SetToken(in_.Tag(), at);
  }
  // Reads the size and type behind the token unless they are read already.
  void CompleteHeader() {
    if (headerRead_) return;
    size = in_.U32();
    type = in_.Chars4();
    headerRead_ = true;
  }
  // Whether the next item is the bare token `next`.
  bool NextTokenIs(std::string_view next) {
    NextToken();
    return token == next;
  }
  // Whether the next item is a `kind` chunk of type `runType`; behind a `kind`
  // token its size and type are read, so a run can look at the type.
  bool NextChunkIs(std::string_view kind, std::string_view runType) {
    NextToken();
    if (token != kind) return false;
    CompleteHeader();
    return type == runType;
  }
  // The same behind a BSRM form: a header follows whose size and type are read
  // whatever its kind. At the end of the file there is none, and the walk ends
  // normally.
  bool NextHeaderOfAnyKindIs(std::string_view runType) {
    const bool atEnd = in_.Remaining() < 4;
    NextToken();
    if (atEnd) return false;
    CompleteHeader();
    return type == runType;
  }
  // The header at which the walk stopped.
  PendingHeader Stopped() const {
    if ((token == "FORM" || token == "NRML") && headerRead_) return WithSizeAndId(token, size, type, offset);
    return KindOnly(token, offset);
  }
  // The header as it stands, for the record.
  PendingHeader Header() const { return Stopped(); }

 private:
  Reader& in_;
  bool headerRead_ = false;
};

}  // namespace

PendingHeader ReadDTRM(WalkContext& ctx, Model& model) {
  Reader& in = ctx.in;
  DetailCursor at(in);
  // Notes the item the cursor stands at as taken by `reader`.
  auto took = [&](const char* reader) { ctx.Took(at.Header(), reader); };

  while (!in.Failed()) {
    if (at.token == "HIER") {
      took("ReadHierarchy");
      ReadHierarchy(ctx, model);
      at.NextToken();
    } else if (at.token == "ETSH") {
      model.hasETSH = true;
      ReadRun(
          in, 1,
          [&](int n) {
            took("ReadTrail");
            ReadTrail(ctx, model, n);
          },
          [&] { return at.NextTokenIs("ETSH"); });
    } else if (at.token == "BURN") {
      model.hasBURN = true;
      ReadRun(
          in, 1,
          [&](int k) {
            took("ReadBurn");
            ReadBurn(ctx, model, k);
          },
          [&] { return at.NextTokenIs("BURN"); });
    } else if (at.token == "FORM") {
      at.CompleteHeader();
      if (in.Failed()) break;
      if (at.type == "GLOW") {
        model.hasGLOW = true;
        ReadRun(
            in, 1,
            [&](int g) {
              took("ReadGlow");
              StartEntry(model.glowTable, g).header = ChunkHeader{"FORM", at.size, "GLOW"};
              ReadGlow(ctx, model, g);
            },
            [&] { return at.NextChunkIs("FORM", "GLOW"); });
      } else if (at.type == "MRKR") {
        model.hasMRKR = true;
        // Marker runs append to what earlier runs left.
        ReadRun(
            in, static_cast<int>(model.mrkrTable.size()) + 1,
            [&](int m) {
              took("ReadMarker");
              MarkerRecord& marker = StartEntry(model.mrkrTable, m);
              marker.header = ChunkHeader{"FORM", at.size, "MRKR"};
              marker.subHeader = ReadSubHeader(in);
              ReadMarker(ctx, model, m);
            },
            [&] { return at.NextChunkIs("FORM", "MRKR"); });
      } else if (at.type == "COLD") {
        model.hasCOLD = true;
        ReadRun(
            in, 1,
            [&](int k) {
              took("ReadCollision");
              ReadCollision(ctx, model, k, at.size);
            },
            [&] { return at.NextChunkIs("FORM", "COLD"); });
      } else if (at.type == "BSRM") {
        model.hasBSRM = true;
        ReadRun(
            in, 1,
            [&](int k) {
              took("ReadBsrm");
              ReadBsrm(ctx, model, k, at.size);
            },
            [&] { return at.NextHeaderOfAnyKindIs("BSRM"); });
      } else if (at.type == "INFO") {
        took("ReadInfo");
        model.infoRecord.header = ChunkHeader{"FORM", at.size, "INFO"};
        const auto inside = ctx.Inside();
        at.SetToken(ReadInfo(ctx, model), in.Position());
      } else {
        break;
      }
    } else if (at.token == "NRML") {
      at.CompleteHeader();
      if (in.Failed()) break;
      if (at.type == "NAVL") {
        took("ReadNavlights");
        model.hasNAVL = true;
        ReadNavlights(ctx, model, at.size);
        at.NextToken();
      } else if (at.type == "ANIM") {
        model.hasANIM = true;
        ReadRun(
            in, 1,
            [&](int k) {
              took("ReadAnimation");
              ReadAnimation(ctx, model, k, at.size);
            },
            [&] { return at.NextChunkIs("NRML", "ANIM"); });
      } else if (at.type == "STRF") {
        took("ReadPointStarChunk");
        // A point-star chunk here replaces the table with itself alone.
        model.hasSTRF = true;
        model.strfTable.clear();
        PointStarChunk& chunk = model.strfTable.emplace_back();
        chunk.header = ChunkHeader{"NRML", at.size, "STRF"};
        ReadPointStarChunk(ctx, chunk);
        if (in.Failed()) break;
        if (chunk.starCount > 0 && !NotePointStarPreview(ctx, model, chunk, "point-star chunk")) break;
        at.NextToken();
      } else if (at.type == "DOCK") {
        took("ReadDocking");
        model.hasDOCK = true;
        ReadDocking(ctx, model, at.size);
        at.NextToken();
      } else if (at.type == "BNDV") {
        took("ReadBounds");
        ReadBounds(ctx, model, at.size);
        at.NextToken();
      } else {
        break;
      }
    } else {
      break;  // any other token, the zero token at the end of the file included
    }
  }
  if (in.Failed()) return KindOnly(std::string(4, '\0'), in.Size());
  return at.Stopped();
}

}  // namespace sq
