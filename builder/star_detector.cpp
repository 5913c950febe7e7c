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

  MarkIndex index;
  ContrastPass(t, progress, index);
  RingTemplatePass(t, progress, index);
  SingleTemplatePass(t, progress, index);
  CoreTemplatePass(t, progress, index);
  CleanupPass(t, progress, index);
  PaintRemainingMarks(t, index);

  OutputReport report = SaveFilteredImage(t, baseName, outputFolder);
  progress.Set(0);
  report.Add(ExportStars(t, baseName, outputFolder, &index));
  return report;
}

}  // namespace sq
