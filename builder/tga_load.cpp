#include "builder/tga_load.h"

#include <algorithm>
#include <cstring>
#include <optional>

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

void SaySizeWarning(Messages& said, int32_t width, int32_t height) {
  if (width != 1024 || height != 512) Say(said, MessageWeight::Warning, std::string(kSizeWarning));
}

namespace {

constexpr uint8_t kBitsPerPixel = 32;

// What the header says and whether the file can hold it. Everything is checked
// against the file's length before anything is allocated. The sizes are taken
// as signed 16-bit numbers: one above 32767 is refused.
struct HeaderCheck {
  int32_t width = 0;
  int32_t height = 0;
  uint64_t idLength = 0;
  bool topDown = false;
  bool sound = false;
};

HeaderCheck CheckHeader(const std::array<uint8_t, kTgaHeaderSize>& header, uintmax_t fileSize) {
  const TgaHeader fields = ParseTgaHeader(header);
  HeaderCheck h;
  h.width = static_cast<int16_t>(fields.width);
  h.height = static_cast<int16_t>(fields.height);
  h.idLength = fields.idLength;
  h.topDown = fields.TopRowFirst();
  h.sound =
      fileSize >= kTgaHeaderSize && h.width > 0 && h.height > 0 && fields.imageType == kTgaTrueColour &&
      fields.pixelDepth == kBitsPerPixel && fields.colourMapType == 0 && fileSize - kTgaHeaderSize >= h.idLength &&
      (fileSize - kTgaHeaderSize - h.idLength) / 4 / static_cast<uint64_t>(h.width) >= static_cast<uint64_t>(h.height);
  return h;
}

// The file's bytes taken from the front, a block at a time. What is copied out
// is let go (FileBytes::LetGo), so the pixels are held once, not twice: a big
// block a few MiB at a time.
class ByteSource {
 public:
  explicit ByteSource(const FileBytes& file) : file_(file), bytes_(file.Bytes()) {}
  // Copies up to n bytes; the rest of the block stays as it was.
  void Read(uint8_t* data, std::size_t n) {
    constexpr std::size_t kPiece = std::size_t{8} << 20;
    std::size_t k = std::min(n, bytes_.size() - at_);
    while (k > 0) {
      const std::size_t piece = std::min(k, kPiece);
      std::memcpy(data, bytes_.data() + at_, piece);
      file_.LetGo(at_, piece);
      at_ += piece, data += piece, k -= piece;
    }
  }

 private:
  const FileBytes& file_;
  std::span<const uint8_t> bytes_;
  std::size_t at_ = 0;
};

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
// With a preset answer the question is not asked and the preset holds.
void SumAndFilter(TgaTables& t, int from, TgaLoadResult& result, const FilterQuestion& ask, Progress& progress,
                  const Examination& exam, const std::optional<bool>& preset = std::nullopt) {
  const std::size_t W = static_cast<std::size_t>(t.tgaWidth);
  bool answered = result.asked;
  for (int32_t y = from; y <= t.tgaHeight; ++y) {
    uint8_t* p = t.Pixel(1, y);
    int16_t* sum = t.intensitySum.data() + t.Entry(1, y);
    if (answered) {
      SumRow(p, W, sum, exam.Changes() | (result.filtered ? kClampColours : kKeepPixels));
    } else {
      for (std::size_t x = 0; x < W; ++x, p += 4, ++sum) {
        // Most pixels have every colour byte at most 127 (bit 7 clear): nothing to do.
        if ((p[kBlue] | p[kGreen] | p[kRed]) & 0x80) {
          for (std::size_t c : {kBlue, kGreen, kRed}) {
            if (p[c] <= kHalftoneLimit) continue;
            if (!answered) {
              answered = true;
              result.asked = !preset.has_value();
              result.filtered = preset ? *preset : ask && ask(result.messages);
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

// Sums rows from .. to until one holds a colour byte above the limit; returns the
// first row not summed (to + 1 when all are).
int SumRows(TgaTables& t, int from, int to, Progress& progress, unsigned changes) {
  const std::size_t W = static_cast<std::size_t>(t.tgaWidth);
  for (int r = from; r <= to; ++r) {
    if (SumRow(t.Pixel(1, r), W, t.intensitySum.data() + t.Entry(1, r), changes)) return r;
    progress.AddRow(t.tgaWidth);
  }
  return to + 1;
}

// Copies the pixels into the tables and sums every row before the first one
// that holds a colour byte above the limit (the question waits until the whole
// image is in). Returns the first row not summed (height + 1 when all are).
int ReadAndSum(ByteSource& in, TgaTables& t, Progress& progress, const Examination& exam) {
  const std::size_t W = static_cast<std::size_t>(t.tgaWidth), rowBytes = W * 4;
  const int sliceRows = static_cast<int>(std::clamp<std::size_t>(kSliceBytes / rowBytes, 1, 1 << 15));
  int unsummed = 1;
  for (int y = 1; y <= t.tgaHeight; y += sliceRows) {
    const int rows = std::min(sliceRows, t.tgaHeight - y + 1);
    in.Read(t.Pixel(1, y), static_cast<std::size_t>(rows) * rowBytes);
    if (unsummed < y) continue;  // a row before held a byte above the limit
    unsummed = SumRows(t, y, y + rows - 1, progress, exam.Changes());
    if (exam.detector != nullptr) exam.detector->RowsReady(unsummed - 1);
  }
  return unsummed;
}

// Sums the rows of pixels already in the tables a slice at a time, as
// ReadAndSum does while it reads; returns the first row not summed.
int SumSlices(TgaTables& t, Progress& progress, const Examination& exam) {
  const std::size_t rowBytes = static_cast<std::size_t>(t.tgaWidth) * 4;
  const int sliceRows = static_cast<int>(std::clamp<std::size_t>(kSliceBytes / rowBytes, 1, 1 << 15));
  int unsummed = 1;
  for (int y = 1; y <= t.tgaHeight && unsummed >= y; y += sliceRows) {
    unsummed = SumRows(t, y, std::min(y + sliceRows - 1, t.tgaHeight), progress, exam.Changes());
    if (exam.detector != nullptr) exam.detector->RowsReady(unsummed - 1);
  }
  return unsummed;
}

// The tables replaced by a decoded picture of the decoder's size, its pixels
// decoded into them. Returns "" or why the decoding failed (the tables are
// then empty).
std::string DecodeIntoTables(PictureDecoder& decoder, const LinearEncoder& levels, TgaTables& tables) {
  const int width = decoder.Header().width, height = decoder.Header().height;
  tables = TgaTables{};
  tables.tgaWidth = width;
  tables.tgaHeight = height;
  const std::size_t pixelBytes = tables.PixelCount() * 4;
  tables.tgaFile.resize(kTgaHeaderSize + pixelBytes + kTgaFooterSize + 1);
  const std::array<uint8_t, kTgaHeaderSize> header = Tga32Header(width, height);
  std::copy(header.begin(), header.end(), tables.tgaFile.begin());
  std::fill(tables.tgaFile.begin() + static_cast<std::ptrdiff_t>(kTgaHeaderSize + pixelBytes), tables.tgaFile.end(), 0);
  std::string error = decoder.Decode(tables.PixelData(), levels);
  if (!error.empty()) {
    tables = TgaTables{};
    return error;
  }
  tables.intensitySum.resize(tables.PixelCount());
  return {};
}

// Says "NAME: reason" for a decoded picture that could not be read.
TgaLoadResult Refused(TgaLoadResult result, std::string_view name, const std::string& reason) {
  Say(result.messages, MessageWeight::Error, std::string(name) + ": " + reason);
  result.status = TgaLoadResult::Status::Invalid;
  return result;
}

// Reverses the order of the pixel rows in place.
void ReverseRows(TgaTables& t) {
  const std::size_t rowBytes = static_cast<std::size_t>(t.tgaWidth) * 4;
  for (int low = 1, high = t.tgaHeight; low < high; ++low, --high) {
    std::swap_ranges(t.Pixel(1, low), t.Pixel(1, low) + rowBytes, t.Pixel(1, high));
  }
}

}  // namespace

TgaLoadResult LoadTargaImage(const FileBytes& file, OutputFolder& folder, TgaTables& tables, ProgressSink& sink,
                             const FilterQuestion& askFilter) {
  TgaLoadResult result;
  result.baseName = TgaBaseName(file.Name());

  ByteSource in(file);
  std::array<uint8_t, kTgaHeaderSize> header{};
  in.Read(header.data(), header.size());
  const HeaderCheck check = CheckHeader(header, file.size());
  const int32_t width = check.width;
  const int32_t height = check.height;
  SaySizeWarning(result.messages, width, height);

  const uint64_t idLength = check.idLength;
  if (!check.sound) {
    Say(result.messages, MessageWeight::Error, std::string(kInvalidImage));
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
    detector.emplace(tables, sink, result.baseName, folder, StarDetector::Options{false, true});
  }
  const Examination exam{detector ? &*detector : nullptr};
  Progress progress(sink);
  progress.Start(static_cast<int64_t>(tables.PixelCount()));
  in.Read(tables.tgaFile.data() + kTgaHeaderSize, idLength);  // the check saw the file hold these and every pixel
  const int unsummed = ReadAndSum(in, tables, progress, exam);
  uint8_t* footer = tables.tgaFile.data() + kTgaHeaderSize + imageBytes;
  std::fill(footer, tables.tgaFile.data() + tables.tgaFile.size(), 0);  // a short footer reads as zeros
  in.Read(footer, kTgaFooterSize);

  SumAndFilter(tables, unsummed, result, askFilter, progress, exam);
  result.status = TgaLoadResult::Status::Loaded;
  if (detector) result.outputs = detector->Finish();
  // The detector sizes the mask itself; an image too small for it gets a clear one.
  if (!tables.contrastMask.Covers(width, height)) tables.contrastMask.SizeClear(width, height);
  return result;
}

TgaLoadResult ReadTargaPicture(const FileBytes& file, TgaTables& tables, ProgressSink& sink,
                               const TgaReadOptions& options) {
  TgaLoadResult result;
  result.baseName = TgaBaseName(file.Name());

  ByteSource in(file);
  std::array<uint8_t, kTgaHeaderSize> header{};
  in.Read(header.data(), header.size());
  const HeaderCheck check = CheckHeader(header, file.size());
  if (options.showSizeWarning) SaySizeWarning(result.messages, check.width, check.height);
  if (!check.sound) {
    Say(result.messages, MessageWeight::Error, std::string(kInvalidImage));
    result.status = TgaLoadResult::Status::Invalid;
    return result;
  }
  if (options.refuse) {
    const std::string refusal = options.refuse(check.width, check.height);
    if (!refusal.empty()) {
      Say(result.messages, MessageWeight::Warning, refusal);
      result.status = TgaLoadResult::Status::Refused;
      return result;
    }
  }

  tables = TgaTables{};
  tables.tgaWidth = check.width;
  tables.tgaHeight = check.height;
  const std::size_t imageBytes = check.idLength + tables.PixelCount() * 4;
  tables.tgaFile.resize(kTgaHeaderSize + imageBytes + kTgaFooterSize + 1);
  tables.intensitySum.resize(tables.PixelCount());
  std::copy(header.begin(), header.end(), tables.tgaFile.begin());
  in.Read(tables.tgaFile.data() + kTgaHeaderSize, imageBytes);  // the check saw the file hold them
  uint8_t* footer = tables.tgaFile.data() + kTgaHeaderSize + imageBytes;
  std::fill(footer, tables.tgaFile.data() + tables.tgaFile.size(), 0);
  in.Read(footer, kTgaFooterSize);

  result.topDown = check.topDown;
  if (result.topDown) ReverseRows(tables);
  Progress progress(sink);
  progress.Start(static_cast<int64_t>(tables.PixelCount()));
  const int unsummed = SumRows(tables, 1, tables.tgaHeight, progress, kKeepPixels);
  SumAndFilter(tables, unsummed, result, options.askFilter, progress, Examination{}, options.filter);
  progress.Set(0);
  tables.contrastMask.SizeClear(check.width, check.height);
  result.status = TgaLoadResult::Status::Loaded;
  return result;
}

TgaLoadResult LoadDecodedImage(PictureDecoder& decoder, const LinearEncoder& levels, std::string_view name,
                               std::string baseName, OutputFolder& folder, TgaTables& tables, ProgressSink& sink,
                               const FilterQuestion& askFilter) {
  TgaLoadResult result;
  result.baseName = std::move(baseName);
  const int width = decoder.Header().width, height = decoder.Header().height;
  // The old image goes first, so two images are never held at once.
  if (std::string error = DecodeIntoTables(decoder, levels, tables); !error.empty()) {
    return Refused(std::move(result), name, error);
  }
  SaySizeWarning(result.messages, width, height);
  std::optional<StarDetector> detector;
  if (width >= kMinDetectSize && height >= kMinDetectSize) {
    detector.emplace(tables, sink, result.baseName, folder, StarDetector::Options{false, true});
  }
  const Examination exam{detector ? &*detector : nullptr};
  Progress progress(sink);
  progress.Start(static_cast<int64_t>(tables.PixelCount()));
  const int unsummed = SumSlices(tables, progress, exam);
  SumAndFilter(tables, unsummed, result, askFilter, progress, exam);
  result.status = TgaLoadResult::Status::Loaded;
  if (detector) result.outputs = detector->Finish();
  if (!tables.contrastMask.Covers(width, height)) tables.contrastMask.SizeClear(width, height);
  return result;
}

TgaLoadResult ReadDecodedPicture(PictureDecoder& decoder, const LinearEncoder& levels, std::string_view name,
                                 std::string baseName, TgaTables& tables, ProgressSink& sink,
                                 const TgaReadOptions& options) {
  TgaLoadResult result;
  result.baseName = std::move(baseName);
  const int width = decoder.Header().width, height = decoder.Header().height;
  if (options.refuse) {
    const std::string refusal = options.refuse(width, height);
    if (!refusal.empty()) {
      Say(result.messages, MessageWeight::Warning, refusal);
      result.status = TgaLoadResult::Status::Refused;
      return result;
    }
  }
  // The old image goes first, so two images are never held at once.
  if (std::string error = DecodeIntoTables(decoder, levels, tables); !error.empty()) {
    return Refused(std::move(result), name, error);
  }
  if (options.showSizeWarning) SaySizeWarning(result.messages, width, height);
  Progress progress(sink);
  progress.Start(static_cast<int64_t>(tables.PixelCount()));
  const int unsummed = SumRows(tables, 1, tables.tgaHeight, progress, kKeepPixels);
  SumAndFilter(tables, unsummed, result, options.askFilter, progress, Examination{}, options.filter);
  progress.Set(0);
  tables.contrastMask.SizeClear(width, height);
  result.status = TgaLoadResult::Status::Loaded;
  return result;
}

}  // namespace sq
