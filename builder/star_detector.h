// The star detector: a contrast mask, three star templates, a clean-up of the
// leftover marks, the marked image and the star exports.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "builder/progress.h"
#include "builder/tga_tables.h"
#include "hod/modCommon.h"

namespace sq {

// The files an operation wrote and the ones it could not write.
struct OutputReport {
  std::vector<std::filesystem::path> written;
  std::vector<std::string> errors;  // one reason per file that could not be written

  void Add(const std::filesystem::path& path, const std::string& error) {
    if (error.empty()) {
      written.push_back(path);
    } else {
      errors.push_back(error);
    }
  }
  void Add(const OutputReport& other) {
    written.insert(written.end(), other.written.begin(), other.written.end());
    errors.insert(errors.end(), other.errors.begin(), other.errors.end());
  }
  bool Ok() const { return errors.empty(); }
};

// The smallest image the templates fit in; smaller images are not examined.
inline constexpr int kMinDetectSize = 6;

// The whole detector on the loaded image: the contrast pass, the three template
// passes, the clean-up, the marking, BASE_filtered.tga and the exports
// BASE_StrPts0.obj .. BASE_StrPts2.obj and BASE_cPts.obj, all in outputFolder.
// Changes contrastMask, tgaPixels and starTable in place; the star lists are
// appended to. Does nothing on an image below kMinDetectSize in either direction
// or on tables that do not describe one image.
OutputReport DetectStars(TgaTables& tables, std::string_view baseName, const std::filesystem::path& outputFolder,
                         Platform& platform);

// ---------------------------------------------------------------------------
// The passes one by one, in the order DetectStars runs them. Each sweeps rows
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
// Paints every mark still set in rows 2 .. H-1 red.
void PaintRemainingMarks(TgaTables& tables);

// BASE_StrPts0.obj .. BASE_StrPts2.obj (one "v x y 0" line per star) and
// BASE_cPts.obj (one "v column row 0" line per mark), appended to.
OutputReport ExportStars(const TgaTables& tables, std::string_view baseName, const std::filesystem::path& outputFolder);

}  // namespace sq
