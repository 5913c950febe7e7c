// DetectStars: the passes in order, with one progress bar over all five sweeps.
#include "builder/star_detector.h"

#include "builder/tga_save.h"

namespace sq {

OutputReport DetectStars(TgaTables& t, std::string_view baseName, const std::filesystem::path& outputFolder,
                         Platform& platform) {
  if (t.tgaWidth < kMinDetectSize || t.tgaHeight < kMinDetectSize || !t.Consistent()) return {};
  const int64_t pixels = static_cast<int64_t>(t.PixelCount());
  Progress progress(platform);
  progress.Start(5 * pixels);

  ContrastPass(t, progress);
  RingTemplatePass(t, progress);
  SingleTemplatePass(t, progress);
  CoreTemplatePass(t, progress);
  CleanupPass(t, progress);
  PaintRemainingMarks(t);

  OutputReport report = SaveFilteredImage(t, baseName, outputFolder);
  progress.Set(0);
  report.Add(ExportStars(t, baseName, outputFolder));
  return report;
}

}  // namespace sq
