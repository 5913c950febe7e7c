// The detector's passes a row at a time. DetectStars runs them over the whole
// image; the load runs them on the rows it has just read and summed, while those
// are still in the cache, and leaves the rest to DetectStars' finish.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "builder/image_kernels.h"
#include "builder/progress.h"
#include "builder/star_detector.h"
#include "builder/tga_save.h"
#include "builder/tga_tables.h"

namespace sq {

// The contrast pass, row by row.
class ContrastRows {
 public:
  // `base` is what every neighbour's step is raised by before it is compared
  // (kContrastBase for the detector).
  explicit ContrastRows(const TgaTables& t, float base = kContrastBase);
  // Row y (2 .. H - 1) of contrastMask, from pixel rows y - 1 .. y + 1.
  void Row(TgaTables& t, int y) const;

 private:
  int horizontal_, vertical_, diagonal_;  // the limits: a neighbour differs when it is more than this away
  const ImageKernels& kernels_;
};

// One row of each template pass (rows 3 .. H - 2 for the ring and single
// templates, 2 .. H - 2 for the core template).
void RingTemplateRow(TgaTables& t, int y, StarErase erase = StarErase::Blacken);
void SingleTemplateRow(TgaTables& t, int y, StarErase erase = StarErase::Blacken);
void CoreTemplateRow(TgaTables& t, int y, StarErase erase = StarErase::Blacken);

// One row (2 .. H - 2) of the clean-up, provided its runs read no row past
// lastFinalRow (which no pass still to come changes); returns whether it ran.
// Once a row is cleaned, no later row removes a mark from it.
bool CleanupRow(TgaTables& t, int y, int lastFinalRow);
// The marking of row y (2 .. H - 1): its marks painted red.
void PaintRow(TgaTables& t, int y);

// The contrast pass, the three template passes, the clean-up and the marking
// interleaved as far as the rows they touch allow, so each sees what it would
// see were the passes run one after another over the whole image.
class StarDetector {
 public:
  struct Options {
    // Report the passes' rows from the start; else nothing is shown before
    // Finish, which then shows the rows done so far at once.
    bool showProgress = true;
    // The caller sets every pixel's alpha to 1 before handing the rows over
    // (the saved image needs them so).
    bool alphaSetByCaller = false;
  };
  // For tables that describe one image of at least kMinDetectSize each way,
  // whose files are named after baseName and go to outputFolder.
  StarDetector(TgaTables& tables, Platform& platform, std::string_view baseName,
               const std::filesystem::path& outputFolder, Options options);
  // Rows 1 .. lastRow of tgaPixels and intensitySum hold their final values.
  void RowsReady(int lastRow);
  // Every remaining row of the passes, the saved image and the exports.
  OutputReport Finish();

 private:
  void RowDone();
  // Rows up to lastRow are done with: alpha 1 and on to the saved image.
  void RowsFinal(int lastRow);

  TgaTables& t_;
  Progress progress_;
  std::string baseName_;
  std::filesystem::path outputFolder_;
  FilteredImageWriter writer_;
  int finalRows_ = 0;
  bool showing_;
  bool alphaSet_;
  int64_t unshown_ = 0;
  ContrastRows contrast_;
  // The last row each pass has done; each starts on the row after.
  int contrastDone_ = 1, ringDone_ = 2, singleDone_ = 2, coreDone_ = 1, cleanupDone_ = 1;
};

}  // namespace sq
