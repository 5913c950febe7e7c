// The readers of the DTRM form's items, called by the detail walker. Each starts
// just behind the item's token or type id and stops just behind its data.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "hod/background_readers.h"
#include "hod/hod_walk.h"
#include "hod/visual_readers.h"

namespace sq {

// The DTRM form, just behind its id: walks its items and returns the header at
// which it stopped.
PendingHeader ReadDTRM(WalkContext& ctx, Model& model);

// Behind the token "HIER". Notes the hierarchy's side exports.
void ReadHierarchy(WalkContext& ctx, Model& model);
// Behind the INFO form's id. Returns the empty token: an INFO form ends the walk.
std::string ReadInfo(WalkContext& ctx, Model& model);
// Marker m (1-based entry of mrkrTable) behind its sub-header.
void ReadMarker(WalkContext& ctx, Model& model, int m);

// Trail n of a run, behind the token "ETSH". Notes its side export.
void ReadTrail(WalkContext& ctx, Model& model, int n);
// Glow g (its glowTable row is started by the walker), behind the form's type id.
void ReadGlow(WalkContext& ctx, Model& model, int g);
// Burn k of a run, behind the token "BURN". Notes its side export.
void ReadBurn(WalkContext& ctx, Model& model, int k);
void ReadNavlights(WalkContext& ctx, Model& model, uint32_t size);
void ReadDocking(WalkContext& ctx, Model& model, uint32_t size);
void ReadAnimation(WalkContext& ctx, Model& model, int k, uint32_t size);
void ReadCollision(WalkContext& ctx, Model& model, int k, uint32_t size);
void ReadBsrm(WalkContext& ctx, Model& model, int k, uint32_t size);
// Behind "BNDV". Notes its side export.
void ReadBounds(WalkContext& ctx, Model& model, uint32_t size);

// Shared pieces of the detail layouts.
Point3 ReadPoint(Reader& in);
void ReadCountedText(WalkContext& ctx, int32_t& length, std::string& text);
SubHeader ReadSubHeader(Reader& in);
template <std::size_t N>
void ReadRaw(Reader& in, std::array<uint8_t, N>& out) {
  const auto bytes = in.Bytes(N);
  if (bytes.size() == N) std::copy(bytes.begin(), bytes.end(), out.begin());
}
template <typename T, std::size_t N>
void ReadFloats(Reader& in, std::array<T, N>& out) {
  for (T& f : out) f = in.F32();
}
template <std::size_t N>
void ReadWords(Reader& in, std::array<int32_t, N>& out) {
  for (int32_t& w : out) w = in.I32();
}

// The INFO owner message. Owner names shorter than two characters use the
// characters they have.
std::string DesignerMessage(const std::string& owner);

// Makes an item table hold exactly `entry` rows: rows below it are kept, row
// `entry` starts empty, rows beyond it are dropped (a new run restarts at 1).
template <typename Table>
auto& StartEntry(Table& table, int entry) {
  table.resize(static_cast<std::size_t>(entry - 1));
  return table.emplace_back();
}

}  // namespace sq
