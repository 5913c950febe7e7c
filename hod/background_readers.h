// The readers of the background chunks: the BGMS form with its mesh chunks, the
// runs of star-map (BGSG) and point-star (STRF) chunks, and the walk's checks of
// what the preview will be built from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hod/hod_walk.h"

namespace sq {

// The BGMS form, just behind its id. Returns the header at which it stopped.
PendingHeader ReadBGMS(WalkContext& ctx, Model& model);

// The data of one star-map or point-star chunk, just behind the chunk's id.
void ReadStarMapChunk(WalkContext& ctx, StarMapChunk& chunk);
void ReadPointStarChunk(WalkContext& ctx, PointStarChunk& chunk);

// A run of star-map chunks, entered with the pending FORM BGSG header whose size
// and id are read. Sets hasBGSG, refills bgsgTable from its first row, notes the
// records behind the two preview slots, and returns the header at which the run ended.
PendingHeader ReadStarMapRun(WalkContext& ctx, Model& model, const PendingHeader& first);

// A run of point-star chunks, entered with the pending NRML STRF header whose
// size and id are read. Sets hasSTRF, refills strfTable from its first row, notes
// the stars for the preview list, and returns the header at which the run ended.
PendingHeader ReadPointStarRun(WalkContext& ctx, Model& model, const PendingHeader& first);

// Notes a point-star chunk read with stars for the preview list. Fails the walk,
// returning false, when the list's total would not fit a 32-bit count.
bool NotePointStarPreview(WalkContext& ctx, Model& model, const PointStarChunk& chunk, std::string_view what);

// Checks every index the preview's flattening of a mesh part will use (the whole
// triangles of a list, every index of a strip that makes a triangle): false, with
// the reason in `error`, when one lies outside the part's vertices. The first bad
// index in list order is named.
bool CheckMeshCorners(const MeshPart& part, std::string& error);
// The reason given for an index outside the vertexCount vertices of its mesh.
std::string OutsideReason(int16_t index, int64_t vertexCount);

// The limits of the preview lists, which the walk keeps: a star map has a slot
// when it is chunk 1 or 2 of its run and six vertices a record fit a 32-bit
// count; a point-star list fits while its total does.
bool StarMapPreviewFits(int chunkNumber, std::size_t records);
bool PointStarPreviewFits(int64_t total);

}  // namespace sq
