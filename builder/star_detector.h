// The star detector: a contrast mask, three star templates, a clean-up of the
// leftover marks, the marked image and the star exports. The passes run a row at
// a time, interleaved as far as the rows they touch allow (StarDetector, which
// the load runs on the rows it has just read and summed, while those are still
// in the cache); the background builder runs the contrast and template passes
// over the whole image one after another.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "builder/builder_progress.h"
#include "builder/image_kernels.h"
#include "builder/output_report.h"
#include "builder/tga_save.h"
#include "builder/tga_tables.h"
#include "output/output_folder.h"

namespace sq {

// The smallest image the templates fit in; smaller images are not examined.
inline constexpr int kMinDetectSize = 6;

// ---------------------------------------------------------------------------
// The passes one by one, in the order the detector runs them. Each sweeps rows
// in memory order and adds the image width to the progress per row it handles.

// Per-direction steps (horizontal, vertical, diagonal): computed in double and
// kept as 32-bit floats.
std::array<float, 3> NeighbourSteps(int width, int height);

// What every neighbour's step is raised by before a colour difference is compared with it.
inline constexpr float kContrastBase = 16.0f;

// Marks every pixel of rows 2 .. H-1 that differs from some neighbour by more
// than that neighbour's step + base (in 32-bit float) in each of the three
// colours. Sizes contrastMask to the image, all clear, first.
void ContrastPass(TgaTables& tables, Progress& progress, float base = kContrastBase);

// What a template match does to the block of pixels it erases besides clearing
// their marks: blackens them (the marked image shows where stars were), or
// leaves their colours (the background builder needs the picture). The star
// lists come out the same either way: after the contrast pass no pass reads
// a colour.
enum class StarErase { Blacken, MarksOnly };

// Two-by-two stars with a fully marked ring (entry 0), single-pixel stars
// (entry 1), two-by-two spots with marked cores (entry 2).
void RingTemplatePass(TgaTables& tables, Progress& progress, StarErase erase = StarErase::Blacken);
void SingleTemplatePass(TgaTables& tables, Progress& progress, StarErase erase = StarErase::Blacken);
void CoreTemplatePass(TgaTables& tables, Progress& progress, StarErase erase = StarErase::Blacken);

// Thins horizontal, vertical and diagonal runs of marks, painting removed marks blue.
void CleanupPass(TgaTables& tables, Progress& progress);

// BASE_StrPts0.obj .. BASE_StrPts2.obj (one "v x y 0" line per star) and
// BASE_cPts.obj (one "v column row 0" line per mark), appended to.
OutputReport ExportStars(const TgaTables& tables, std::string_view baseName, OutputFolder& folder);

// ---------------------------------------------------------------------------
// The passes a row at a time.
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
  // whose files are named after baseName and go to `folder`.
  StarDetector(TgaTables& tables, ProgressSink& progress, std::string_view baseName, OutputFolder& folder,
               Options options);
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
  OutputFolder& folder_;
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
