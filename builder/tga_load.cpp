#include "builder/tga_load.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

#include "builder/builder_progress.h"
#include "builder/image_kernels.h"
#include "builder/star_detector.h"

namespace sq {

std::string TgaBaseName(std::string_view path) {
  std::string_view front = path.substr(0, path.find(".tga"));
  const std::size_t slash = front.find_last_of("\\/");
  if (slash != std::string_view::npos) front.remove_prefix(slash + 1);
  return std::string(front);
}

namespace {

constexpr uint8_t kBitsPerPixel = 32;

// Reads up to n bytes; the rest of the block stays as it was (zeros).
bool ReadBlock(std::ifstream& in, uint8_t* data, std::size_t n) {
  in.read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(n));
  return static_cast<std::size_t>(in.gcount()) == n;
}

// Pixels are read a slice of rows at a time (about this many bytes), and each
// slice is summed and run through the detector's passes while it is still in
// the cache.
constexpr std::size_t kSliceBytes = std::size_t{1} << 19;

// What goes with the sums: for an image the detector examines, its passes as
// rows become final, and alpha 1, which its saved image sets anyway and which
// nothing reads before (so the save need not touch the pixels again).
struct Examination {
  StarDetector* detector = nullptr;
  unsigned Changes() const { return detector != nullptr ? kAlphaOne : kKeepPixels; }
};

// Sums blue, green and red of rows `from` to the last into intensitySum, asking
// the halftone question at the first colour byte above the limit. Once it is
// answered, Yes clamps every later colour byte above the limit.
void SumAndFilter(TgaTables& t, int from, TgaLoadResult& result, Platform& platform, Progress& progress,
                  const Examination& exam) {
  const ImageKernels& kernels = BestImageKernels();
  const std::size_t W = static_cast<std::size_t>(t.tgaWidth);
  for (int32_t y = from; y <= t.tgaHeight; ++y) {
    uint8_t* p = t.Pixel(1, y);
    int16_t* sum = t.intensitySum.data() + t.Entry(1, y);
    if (result.asked) {
      kernels.sumRow(p, W, sum, exam.Changes() | (result.filtered ? kClampColours : kKeepPixels));
    } else {
      for (std::size_t x = 0; x < W; ++x, p += 4, ++sum) {
        // Most pixels have every colour byte at most 127 (bit 7 clear): nothing to do.
        if ((p[kBlue] | p[kGreen] | p[kRed]) & 0x80) {
          for (std::size_t c : {kBlue, kGreen, kRed}) {
            if (p[c] <= kHalftoneLimit) continue;
            if (!result.asked) {
              result.asked = true;
              result.filtered = platform.AskYesNo(kHalftoneTitle, kHalftoneQuestion, MessageIcon::Information, false);
            }
            if (result.filtered) p[c] = kHalftoneLimit;
          }
        }
        if (exam.Changes() & kAlphaOne) p[kAlpha] = 1;
        *sum = static_cast<int16_t>(p[kBlue] + p[kGreen] + p[kRed]);
      }
    }
    progress.AddRow(t.tgaWidth);
    if (exam.detector != nullptr) exam.detector->RowsReady(y);
  }
}

// Reads the pixels into the tables and sums every row before the first one that
// holds a colour byte above the limit (the question waits until the whole image
// is read: a file that fails on the way is refused without it). Returns the
// first row not summed (height + 1 when all are), or 0 when the read failed.
int ReadAndSum(std::ifstream& in, TgaTables& t, Progress& progress, const Examination& exam) {
  const ImageKernels& kernels = BestImageKernels();
  const std::size_t W = static_cast<std::size_t>(t.tgaWidth), rowBytes = W * 4;
  const int sliceRows = static_cast<int>(std::clamp<std::size_t>(kSliceBytes / rowBytes, 1, 1 << 15));
  int unsummed = 1;
  for (int y = 1; y <= t.tgaHeight; y += sliceRows) {
    const int rows = std::min(sliceRows, t.tgaHeight - y + 1);
    if (!ReadBlock(in, t.Pixel(1, y), static_cast<std::size_t>(rows) * rowBytes)) return 0;
    if (unsummed < y) continue;  // a row before held a byte above the limit
    for (int r = y; r < y + rows; ++r) {
      if (kernels.sumRow(t.Pixel(1, r), W, t.intensitySum.data() + t.Entry(1, r), exam.Changes())) break;
      progress.AddRow(t.tgaWidth);
      unsummed = r + 1;
    }
    if (exam.detector != nullptr) exam.detector->RowsReady(unsummed - 1);
  }
  return unsummed;
}

}  // namespace

TgaLoadResult LoadTargaImage(const std::filesystem::path& path, const std::filesystem::path& outputFolder,
                             TgaTables& tables, Platform& platform) {
  TgaLoadResult result;
  result.baseName = TgaBaseName(path.string());

  std::error_code ec;
  const uintmax_t fileSize = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) {
    platform.ShowMessage(kAppTitle, "Cannot read the TGA image " + path.string(), MessageIcon::Error);
    return result;
  }

  std::array<uint8_t, kTgaHeaderSize> header{};
  ReadBlock(in, header.data(), header.size());
  // The sizes are taken as signed 16-bit numbers: one above 32767 is refused.
  const TgaHeader fields = ParseTgaHeader(header);
  const int32_t width = static_cast<int16_t>(fields.width);
  const int32_t height = static_cast<int16_t>(fields.height);
  if (width != 1024 || height != 512) platform.ShowMessage(kAppTitle, kSizeWarning, MessageIcon::Warning);

  // Everything is checked against the file's length before anything is allocated.
  const uint64_t idLength = fields.idLength;
  const bool sound =
      fileSize >= kTgaHeaderSize && width > 0 && height > 0 && fields.imageType == kTgaTrueColour &&
      fields.pixelDepth == kBitsPerPixel && fields.colourMapType == 0 && fileSize - kTgaHeaderSize >= idLength &&
      (fileSize - kTgaHeaderSize - idLength) / 4 / static_cast<uint64_t>(width) >= static_cast<uint64_t>(height);
  if (!sound) {
    platform.ShowMessage(kAppTitle, kInvalidImage, MessageIcon::Error);
    result.status = TgaLoadResult::Status::Invalid;
    return result;
  }

  // The old image goes first, so two images are never held at once.
  tables = TgaTables{};
  tables.tgaWidth = width;
  tables.tgaHeight = height;
  const std::size_t imageBytes = idLength + tables.PixelCount() * 4;
  // Both are written whole below, so neither is cleared first.
  tables.tgaFile.resize(kTgaHeaderSize + imageBytes + kTgaFooterSize + 1);
  tables.intensitySum.resize(tables.PixelCount());
  std::copy(header.begin(), header.end(), tables.tgaFile.begin());
  std::optional<StarDetector> detector;
  if (width >= kMinDetectSize && height >= kMinDetectSize) {
    detector.emplace(tables, platform, result.baseName, outputFolder, StarDetector::Options{false, true});
  }
  const Examination exam{detector ? &*detector : nullptr};
  Progress progress(platform);
  progress.Start(static_cast<int64_t>(tables.PixelCount()));
  const int unsummed =
      ReadBlock(in, tables.tgaFile.data() + kTgaHeaderSize, idLength) ? ReadAndSum(in, tables, progress, exam) : 0;
  if (unsummed == 0) {  // the file shrank or failed under us
    detector.reset();
    tables = TgaTables{};
    progress.Set(0);
    platform.ShowMessage(kAppTitle, "Cannot read the TGA image " + path.string(), MessageIcon::Error);
    return result;
  }
  uint8_t* footer = tables.tgaFile.data() + kTgaHeaderSize + imageBytes;
  std::fill(footer, tables.tgaFile.data() + tables.tgaFile.size(), 0);  // a short footer reads as zeros
  ReadBlock(in, footer, kTgaFooterSize);
  in.close();

  SumAndFilter(tables, unsummed, result, platform, progress, exam);
  result.status = TgaLoadResult::Status::Loaded;
  if (detector) result.outputs = detector->Finish();
  // The detector sizes the mask itself; an image too small for it gets a clear one.
  if (!tables.contrastMask.Covers(width, height)) tables.contrastMask.SizeClear(width, height);
  return result;
}

}  // namespace sq
