// The background builder: TGA images, the halftone check and filter, the savers,
// the option-menu state, the star detector with its exports, and the builder of
// background tables from a picture.
//
//   tga_tables.h     the image and star tables (one struct the caller owns)
//   mark_table.h     contrastMask's table of one bit a pixel
//   tga_load.h       LoadTargaImage: checks, halftone question, detector run
//   tga_save.h       the "_halftoned.tga" and "_filtered.tga" savers
//   star_detector.h  DetectStars and its passes, the star exports
//   star_rows.h      the passes a row at a time, interleaved by StarDetector
//   image_kernels.h  the whole-image row loops, one version per vector unit
//   builder_menus.h  Options check marks and Tools enabled states
//   tga_command.h    the session the window holds and the Tools commands
//   background_options.h  the build's options (from the Options menu) and levels
//   background_mesh.h     the picture on the sphere, the mesh grid, size refusals
//   background_stars.h    stars found, taken out of the picture, made records
//   background_build.h    BuildBackground(FromFile): picture to background tables
#pragma once

#include "builder/background_build.h"

#include "builder/builder_menus.h"
#include "builder/star_detector.h"
#include "builder/tga_command.h"
#include "builder/tga_load.h"
#include "builder/tga_save.h"
#include "builder/tga_tables.h"
