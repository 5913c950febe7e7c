// The flattening of background meshes into the plain triangle corner list that
// the preview shows, and the check the walk makes of the indices it will use.
#pragma once

#include <string>
#include <vector>

#include "hod/background_tables.h"
#include "preview/modVtcs.h"

namespace sq {

inline constexpr int32_t kTriangleList = 514;
inline constexpr int32_t kTriangleStrip = 518;

// Appends the triangle corners of every index list of a mesh part, three per
// triangle, in list order, as the preview shows them (MeshPreviewVertex). A triangle list gives its whole triangles (a trailing
// one or two indices are left out); a strip of c indices gives c - 2 triangles,
// every second one turned round so all face the same way; other types give none.
// An index outside the part's vertices stops the flattening before that triangle:
// returns false with the reason in `error`.
bool AppendMeshCorners(const MeshPart& part, std::vector<PreviewVertex>& corners, std::string& error);

// Checks every index the flattening would use, without building anything: false,
// with the reason AppendMeshCorners would give, when one lies outside the part's
// vertices.
bool CheckMeshCorners(const MeshPart& part, std::string& error);

}  // namespace sq
