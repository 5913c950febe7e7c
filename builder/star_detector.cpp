// DetectStars: the passes in order, with one progress bar over all five sweeps.
// The marks live in a MarkIndex from the contrast pass to the exports and go to
// contrastMask at the end.
#include "builder/star_detector.h"

#include "builder/tga_save.h"

namespace sq {

OutputReport DetectStars(TgaTables& t, std::string_view baseName, const std::filesystem::path& outputFolder,
                         Platform& platform) {
  if (t.tgaWidth < kMinDetectSize || t.tgaHeight < kMinDetectSize || !t.Consistent()) return {};
  const int64_t pixels = static_cast<int64_t>(t.PixelCount());
  Progress progress(platform);
  progress.Start(5 * pixels);

  MarkIndex marks;
  ContrastPass(t, progress, marks);
  RingTemplatePass(t, progress, marks);
  SingleTemplatePass(t, progress, marks);
  CoreTemplatePass(t, progress, marks);
  CleanupPass(t, progress, marks);
  PaintRemainingMarks(t, marks);

  OutputReport report = SaveFilteredImage(t, baseName, outputFolder);
  progress.Set(0);
  report.Add(ExportStars(t, baseName, outputFolder, &marks));
  marks.CopyTo(t.contrastMask);
  return report;
}

}  // namespace sq
