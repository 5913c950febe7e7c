// A background as a binary glTF 2.0 scene (.glb), for 3D tools.
//
// glTF is right-handed with +Y up and a camera looking along -Z: the sky's z is
// negated, so the scene is not mirrored and a camera's gaze falls on straight
// ahead (the picture's first column). Colours are linear, as glTF's vertex
// colours are: each level's sRGB decoding (LinearOfLevel).
//
//   mesh "background": one primitive of triangles a mesh chunk (POSITION,
//     COLOR_0, indices), every triangle turned to face the centre, where the
//     viewer stands; unlit (KHR_materials_unlit).
//   mesh "point stars": one POINTS primitive (POSITION, COLOR_0) at 0.99 of
//     the stars' radius, as the preview puts them in front of the mesh.
//   mesh "star maps": for each star map, squares made as the preview makes
//     them (a corner on the star, tangent to the sphere) with the star map's
//     texture, embedded as a PNG, blended by its alpha; placed at 0.995 of
//     their radius, just inside the mesh, so a viewer sees them.
//   node "centre": a perspective camera at the centre.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "background_export/sky_scene.h"
#include "preview/tga_texture.h"

namespace sq {

// The .glb file's bytes. A layer left out, or a star map whose texture is
// missing, gives no mesh; a mesh chunk without triangles gives no primitive.
std::string EncodeGlb(const SkyScene& scene, SceneLayers layers, SceneLevels levels,
                      const std::array<std::optional<TextureImage>, 2>& textures);

// The factor the point stars and the star-map squares are pulled in by.
inline constexpr double kGltfPointStarRadius = 0.99, kGltfStarMapRadius = 0.995;

}  // namespace sq
