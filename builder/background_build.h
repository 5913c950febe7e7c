// The background builder: a sky picture and its stars made into background
// tables (sixteen mesh chunks, two star maps, sixteen point-star chunks) in the
// shape the background writer writes.
//
// The command line and the window call BuildBackgroundFromSky with the chosen
// picture and the build's options (BuildOptions), show what it said,
// then hand its tables to the writer (CopyBackgroundToWriter) or the preview,
// and show its notes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "builder/background_mesh.h"
#include "builder/background_options.h"
#include "builder/background_stars.h"
#include "builder/picture_load.h"
#include "builder/tga_load.h"
#include "builder/tga_tables.h"
#include "hod/background_tables.h"
#include "hod/message.h"

namespace sq {

// A background built from a sky picture, or why none was.
struct BuiltBackground {
  // Why nothing was built (BuildRefusal's text), or "" when the tables hold the
  // background or the picture could not be read.
  std::string refusal;
  BackgroundTables tables;         // hasBGMS, hasBGSG and hasSTRF set; every list owns its records
  std::array<int64_t, 3> stars{};  // stars of each detector list (2 x 2, single, spots) after More/Less
  int64_t dropped = 0;             // stars left out past the limits
  std::vector<std::string> notes;  // one line for every list that lost stars to its limit
  // The read of the picture: Loaded once it was read; Refused (too small or too
  // large for the density), Invalid or Unreadable, with nothing built. Its
  // messages stand in `messages`.
  TgaLoadResult read;
  // What the read and the build said, in order: the read's refusals and size
  // warning, a refusal of the build.
  Messages messages;
  bool Built() const { return refusal.empty() && tables.hasBGMS; }
};

// Builds from a picture read by ReadSkyPicture. The tables change: the stars
// are painted over with the sky around them, starTable keeps the detector's
// last run, and intensitySum and contrastMask are let go once the stars are
// found. A picture that fails BuildRefusal is refused (and the refusal said)
// with nothing built.
BuiltBackground BuildBackground(TgaTables& picture, const BuildOptions& options, ProgressSink& progress);

// Reads the picture in `file` (ReadSkyPicture: the checks, messages and
// halftone filter of "Load Targa image"; `read.filter` answers the question
// when it was answered before), refuses it before reading its pixels when
// BuildRefusal says so, and builds. Writes nothing; the picture is let go before
// this returns.
BuiltBackground BuildBackgroundFromFile(const PictureFile& file, const BuildOptions& options, ProgressSink& progress,
                                        TgaReadOptions read = {});

// What a background is built from: one equirectangular picture, or a cube map.
struct SkySource {
  // The picture, or the six faces in kCubeFaces order (+X, -X, +Y, -Y, +Z, -Z),
  // each file of any kind ReadSkyPicture reads.
  std::vector<PictureFile> files;
  double exposure = 0;  // stops, for linear-light pictures
  // The size the background is built at; 0 x 0: a picture's own, 1024 x 512
  // for a cube map.
  int width = 0, height = 0;
  bool Cube() const { return files.size() == 6; }
};

inline constexpr int kCubeMapWidth = 1024, kCubeMapHeight = 512;

// BuildBackgroundFromFile for any picture and for cube maps. A picture brought
// to another size has its stars found at the size it comes in, then taken out
// of it, and only then is it resampled (ResamplePicture) for the mesh; the stars
// keep their directions. A cube map's stars are found on each face the same
// way, the faces made into a panorama (PanoramaOfCube) for the mesh. The size
// warning is said for the size the background is built at; the halftone
// question is asked once for the six faces. Faces that are not square or not
// all of one size are refused ("PATH: reason") before their pixels are read.
BuiltBackground BuildBackgroundFromSky(const SkySource& sky, const BuildOptions& options, ProgressSink& progress,
                                       const TgaReadOptions& read = {});

}  // namespace sq
