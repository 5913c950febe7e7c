// The background builder: TGA images, the halftone check and filter, the savers,
// the option-menu state and the star detector with its exports.
//
//   tga_tables.h        the image and star tables (one struct the caller owns)
//   image_buffer.h      the tables' buffers, sized without clearing
//   mark_table.h        contrastMask's table of one bit a pixel
//   tga_load.h          LoadTargaImage: checks, halftone question, detector run
//   tga_save.h          the "_halftoned.tga" and "_filtered.tga" savers
//   star_detector.h     DetectStars, its passes whole and a row at a time, the star exports
//   image_kernels.h     the row loops, one version per vector unit (image_kernels_*.cpp, _impl.h)
//   output_report.h     the files an operation wrote and those it could not
//   builder_progress.h  the progress bar of long builder work
//   builder_menus.h     Options check marks and Tools enabled states
#pragma once

#include "builder/builder_menus.h"
#include "builder/star_detector.h"
#include "builder/tga_load.h"
#include "builder/tga_save.h"
#include "builder/tga_tables.h"
