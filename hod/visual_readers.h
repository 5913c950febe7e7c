// The chunk readers the visual form walker calls. Each starts where its layout
// begins (just behind the tag, or behind the NRML header the walker read) and
// stops where the next tag begins.
#pragma once

#include "hod/hod_walk.h"

namespace sq {

// The HVMD form, just behind its id: reads its chunks in order and returns the
// header at which it stopped.
PendingHeader ReadHVMD(WalkContext& ctx, Model& model);

// A counted string: a 32-bit length, then that many single-byte characters.
inline void ReadCounted(WalkContext& ctx, std::string& text) { ReadFixedText(ctx, text, ctx.in.I32()); }

// Materials.
void ReadNrmlSTAT(WalkContext& ctx, StatRecord& record);
void ReadSHAD(WalkContext& ctx, StatRecord& record);
void ReadEliteSTAT(WalkContext& ctx, Model& model, EliteRecord& record);

// Textures.
void ReadLMIP(WalkContext& ctx, LmipRecord& record);
void ReadLMTX(WalkContext& ctx, LmtxRecord& record);

// Meshes: the body of a NRML MULT or GOBG chunk into the record the walker started.
void ReadMULT(WalkContext& ctx, Model& model, MultRecord& record);
void ReadGOBG(WalkContext& ctx, Model& model, GobgRecord& record);

// One BMSH mesh (MULT, GOBG and the detail part's glows); adds to faceTotal.
void ReadBMSH(WalkContext& ctx, Model& model, bmsh::BmshMesh& mesh);

// VARY data: reads the chunk and its index ranges (varyIndexRanges); notes its
// export once its face lists are read.
void ReadVARY(WalkContext& ctx, Model& model);
// Lights: reads them and notes their export.
void ReadLITE(WalkContext& ctx, Model& model);

}  // namespace sq
