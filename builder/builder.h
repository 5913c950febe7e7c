// The background builder: TGA images, the halftone check and filter, the savers,
// the star detector with its exports, and the builder of background tables from
// a picture.
//
//   tga_tables.h          the image and star tables (one struct the caller owns)
//   image_buffer.h        the tables' buffers, sized without clearing
//   mark_table.h          contrastMask's table of one bit a pixel
//   tga_load.h            the load's messages, halftone question, result and read options
//   picture_load.h        pictures of every kind into the tables: checks, filter, detector run
//   tga_save.h            the "_halftoned.tga" and "_filtered.tga" savers
//   star_detector.h       the StarDetector, its passes whole and a row at a time, the star exports
//   image_kernels.h       the row loops of the sums, the contrast pass and the templates
//   output_report.h       the files an operation wrote and those it could not
//   builder_progress.h    the progress of long builder work, reported to the face's sink
//   background_options.h  the build's options and their levels
//   background_mesh.h     the picture on the sphere, the mesh grid, the size refusals
//   background_stars.h    stars found, taken out of the picture, made records
//   background_build.h    BuildBackground(FromFile): a picture to background tables
#pragma once

#include "builder/background_build.h"

#include "builder/picture_load.h"
#include "builder/star_detector.h"
#include "builder/tga_load.h"
#include "builder/tga_save.h"
#include "builder/tga_tables.h"
