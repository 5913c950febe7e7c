// The background builder: TGA images, the halftone check and filter, the savers,
// the option-menu state and the star detector with its exports.
//
//   tga_tables.h     the image and star tables (one struct the caller owns)
//   mark_table.h     contrastMask's table of one bit a pixel
//   tga_load.h       LoadTargaImage: checks, halftone question, detector run
//   tga_save.h       the "_halftoned.tga" and "_filtered.tga" savers
//   star_detector.h  DetectStars and its passes, the star exports
//   star_rows.h      the passes a row at a time, interleaved by StarDetector
//   image_kernels.h  the whole-image row loops, one version per vector unit
//   builder_menus.h  Options check marks and Tools enabled states
#pragma once

#include "builder/builder_menus.h"
#include "builder/star_detector.h"
#include "builder/tga_load.h"
#include "builder/tga_save.h"
#include "builder/tga_tables.h"
