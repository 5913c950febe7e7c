// The StarDetector: the passes in order, with one progress bar over all five
// sweeps.
#include "builder/star_detector.h"

#include <algorithm>

namespace sq {

StarDetector::StarDetector(TgaTables& tables, ProgressSink& progress, std::string_view baseName, OutputFolder& folder,
                           Options options)
    : t_(tables),
      progress_(progress),
      baseName_(baseName),
      folder_(folder),
      writer_(tables, baseName, folder),
      showing_(options.showProgress),
      alphaSet_(options.alphaSetByCaller),
      contrast_(tables) {
  t_.contrastMask.Size(t_.tgaWidth, t_.tgaHeight);
  t_.contrastMask.ClearRow(1);  // rows 1 and H are never marked; the contrast pass writes the others
  t_.contrastMask.ClearRow(t_.tgaHeight);
  if (showing_) progress_.Start(5 * static_cast<int64_t>(t_.PixelCount()));
}

void StarDetector::RowDone() {
  if (showing_) {
    progress_.AddRow(t_.tgaWidth);
  } else {
    unshown_ += t_.tgaWidth;
  }
}

void StarDetector::RowsFinal(int lastRow) {
  if (lastRow <= finalRows_) return;
  if (!alphaSet_) SetAlphaOne(t_, finalRows_ + 1, lastRow);
  writer_.RowsFinal(lastRow);
  finalRows_ = lastRow;
}

void StarDetector::RowsReady(int lastRow) {
  const int H = t_.tgaHeight;
  // Each step may run once the rows it reads and changes are final for it: the
  // contrast row y reads pixel rows up to y + 1; a ring row r changes pixels
  // down to row r + 3 (so contrast rows up to r + 4 go first); single and core
  // rows change rows down to two below and read marks up to two below (so the
  // pass before goes four rows ahead). The clean-up of a row waits until the
  // rows its runs read are final, and its row is painted once it is cleaned.
  // Every pass follows each contrast row as closely as that allows, so all
  // work on rows still in the cache.
  for (;;) {
    while (ringDone_ < H - 2 && contrastDone_ >= std::min(ringDone_ + 1 + 4, H - 1)) {
      RingTemplateRow(t_, ++ringDone_);
      RowDone();
    }
    while (singleDone_ < H - 2 && ringDone_ >= std::min(singleDone_ + 1 + 4, H - 2)) {
      SingleTemplateRow(t_, ++singleDone_);
      RowDone();
    }
    while (coreDone_ < H - 2 && singleDone_ >= std::min(coreDone_ + 1 + 4, H - 2)) {
      CoreTemplateRow(t_, ++coreDone_);
      RowDone();
    }
    // A core row c changes rows from c - 1 on; the passes before it work further down.
    const int lastFinal = coreDone_ >= H - 2 ? H : coreDone_ - 1;
    const int cleaned = cleanupDone_;
    while (cleanupDone_ < H - 2 && CleanupRow(t_, cleanupDone_ + 1, lastFinal)) {
      PaintRow(t_, ++cleanupDone_);
      RowDone();
    }
    // A cleaned and painted row changes no more, nor do the rows above it.
    if (cleanupDone_ > cleaned) RowsFinal(cleanupDone_);
    if (contrastDone_ >= H - 1 || contrastDone_ + 2 > lastRow) break;
    contrast_.Row(t_, ++contrastDone_);
    RowDone();
  }
}

OutputReport StarDetector::Finish() {
  RowsReady(t_.tgaHeight);
  if (!showing_) {
    progress_.Start(5 * static_cast<int64_t>(t_.PixelCount()));
    progress_.Set(unshown_);
    showing_ = true;
  }
  PaintRow(t_, t_.tgaHeight - 1);  // the last row with marks, below the last one cleaned
  RowsFinal(t_.tgaHeight);
  OutputReport report = writer_.Finish();
  progress_.Set(0);
  report.Add(ExportStars(t_, baseName_, folder_));
  return report;
}

}  // namespace sq
