// The stars of a background build: found by the detector's passes on the
// picture, taken out of the picture (the mesh shows the sky around them), and
// made into point stars and star-map records.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builder/background_options.h"
#include "builder/builder_progress.h"
#include "builder/tga_tables.h"
#include "hod/background_tables.h"
#include "picture/sky_direction.h"

namespace sq {

// The detector's lists, by entry: 2 x 2 stars, single-pixel stars, 2 x 2 spots.
inline constexpr std::size_t kRingStars = 0, kSingleStars = 1, kCoreSpots = 2;

// Of every list, at most this many stars fit the background: a star map's
// preview squares take six 16-bit-indexed vertices a record, a point-star
// chunk's stars a 16-bit count.
inline constexpr std::size_t kMaxStarMapRecords = 5461;
inline constexpr std::size_t kMaxChunkPointStars = 32767;

struct BuildStar {
  int x = 0, y = 0;                 // the anchor: the star's pixel, or the lowest column and row of its 2 x 2 core
  std::array<uint8_t, 3> colour{};  // blue, green, red: the mean of its core in the picture
  // How much brighter its core is than the sky around it: the core's mean
  // blue + green + red less the ring's (may be negative).
  int strength = 0;
  int source = 0;  // the picture it was found on: 0, or a cube face's number in kCubeFaces order
  bool operator==(const BuildStar&) const = default;
};

using BuildStarLists = std::array<std::vector<BuildStar>, 3>;

// Finds the stars of a picture `t` read for a build (ReadSkyPicture) and takes
// them out of it. The detector's contrast and template passes run as "Load
// Targa image" runs them, leaving the colours alone and writing nothing, so
// the lists are its three lists. Then each star's block (its core and the
// pixels touching it) takes the mean colour of the ring of pixels around that
// block, in list order, and intensitySum follows. "More stars" then runs the
// passes again on that picture, a neighbour counting as different from
// kMoreStarsContrastBase on, and adds what they find (taken out the same way)
// behind each list; "Less stars" keeps the stars of strength
// kLessStarsStrength and more. Leaves starTable and contrastMask as the last
// run left them.
BuildStarLists FindAndRemoveStars(TgaTables& t, StarAmount amount, Progress& progress);

struct StarRecords {
  std::array<StarMapChunk, 2> starMaps;            // "B02.tga": 2 x 2 stars; "B03.tga": 2 x 2 spots
  std::array<PointStarChunk, 16> pointStars;       // by longitude sector
  std::array<int64_t, 2> droppedStarMapRecords{};  // past kMaxStarMapRecords
  std::array<int64_t, 16> droppedPointStars{};     // past kMaxChunkPointStars
  std::vector<std::string> notes;                  // one line for every list that dropped stars
};

// The records of the stars, on the sphere in the direction of their centres
// (a pixel's centre, a 2 x 2 core's middle), in list order. A point star keeps
// its colour at half its bytes (byte / 510), since the preview doubles it; a
// star-map record at byte / 255, alpha 1. A star-map square's side is the
// arc of two pixels at the equator, up to twice that for the strongest stars:
// 2 pixels x (1 + strength / 381), the strength taken from 0 to 381. Where a list
// holds more than fits, the strongest stay (the earlier of equals) and a note
// says how many were left out.
//
// `place` says where the centre (u, v) of a star, in the picture it was found on,
// lies in the width x height picture the background is built at; without it
// the stars were found on that picture and lie where they were found.
using StarPlacement = std::function<PicturePoint(const BuildStar& star, double u, double v)>;
StarRecords MakeStarRecords(const BuildStarLists& stars, int width, int height, const StarPlacement& place = {});

}  // namespace sq
