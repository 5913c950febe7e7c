#include "builder/picture_load.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "builder/builder_progress.h"
#include "builder/image_kernels.h"
#include "builder/star_detector.h"
#include "hod/file_bytes.h"
#include "picture/picture_read.h"

namespace sq {

namespace {

// A file of no kind read, or a TGA that could not be read: refused, the tables unchanged.
std::optional<TgaLoadResult> Refusal(const PictureFile& file) {
  TgaLoadResult result;
  if (file.kind == PictureFileKind::Unknown) {
    result.status = TgaLoadResult::Status::Unknown;
    Say(result.messages, MessageWeight::Warning, file.refusal);
    return result;
  }
  if (file.bytes == nullptr) {  // a TGA by its name
    result.status = TgaLoadResult::Status::Unreadable;
    result.baseName = file.baseName;
    Say(result.messages, MessageWeight::Error, "Cannot read the TGA image " + file.name);
    return result;
  }
  return std::nullopt;
}

}  // namespace

std::string UnknownPictureText(std::string_view name) {
  return std::string(name) +
         ": not a picture of a kind read here (PNG, JPEG, OpenEXR, Radiance HDR, or a 32-bit TGA whose name holds "
         "\".tga\")";
}

PictureFile LookAtPicture(std::shared_ptr<const FileBytes> bytes) {
  PictureFile file;
  file.name = bytes->Name();
  const std::span<const uint8_t> all = bytes->Bytes();
  const PictureKind decoded = SniffPicture(all.first(std::min<std::size_t>(all.size(), 8)));
  file.bytes = std::move(bytes);
  if (decoded != PictureKind::Unknown) {
    file.kind = PictureFileKind::Decoded;
    file.baseName = std::filesystem::path(file.name).stem().string();
    return file;
  }
  // A TGA has no signature: its name says what it is, as it always has.
  file.kind = file.name.find(".tga") != std::string::npos ? PictureFileKind::Targa : PictureFileKind::Unknown;
  file.baseName = TgaBaseName(file.name);
  if (file.kind == PictureFileKind::Unknown) file.refusal = UnknownPictureText(file.name);
  return file;
}

PictureFile OpenPictureFile(const std::filesystem::path& path) {
  std::string error;
  errno = 0;
  std::shared_ptr<const FileBytes> bytes = FileBytes::Open(path, error);
  if (bytes != nullptr) return LookAtPicture(std::move(bytes));
  const int reason = errno;
  PictureFile file;
  file.name = path.string();
  file.baseName = TgaBaseName(file.name);
  file.kind = file.name.find(".tga") != std::string::npos ? PictureFileKind::Targa : PictureFileKind::Unknown;
  // A folder opens but does not read: it is no picture, as a file of no kind is not.
  if (file.kind == PictureFileKind::Unknown) {
    file.refusal = reason == EISDIR ? UnknownPictureText(file.name)
                                    : "Cannot read the picture " + file.name + ": " + std::strerror(reason);
  }
  return file;
}

namespace {

// Pixels are summed a slice of rows at a time (about this many bytes), and
// each slice run through the detector's passes while it is still in the cache.
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
                  const Examination& exam, const std::optional<bool>& preset) {
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

// Sums the rows a slice at a time until one holds a colour byte above the limit
// (the question waits until every pixel is in); returns the first row not summed
// (height + 1 when all are).
int SumSlices(TgaTables& t, Progress& progress, const Examination& exam) {
  const std::size_t W = static_cast<std::size_t>(t.tgaWidth);
  const int sliceRows = static_cast<int>(std::clamp<std::size_t>(kSliceBytes / (W * 4), 1, 1 << 15));
  for (int y = 1; y <= t.tgaHeight; y += sliceRows) {
    const int last = std::min(y + sliceRows - 1, t.tgaHeight);
    for (int r = y; r <= last; ++r) {
      if (SumRow(t.Pixel(1, r), W, t.intensitySum.data() + t.Entry(1, r), exam.Changes())) {
        if (exam.detector != nullptr) exam.detector->RowsReady(r - 1);
        return r;
      }
      progress.AddRow(t.tgaWidth);
    }
    if (exam.detector != nullptr) exam.detector->RowsReady(last);
  }
  return t.tgaHeight + 1;
}

// Reverses the order of the pixel rows in place.
void ReverseRows(TgaTables& t) {
  const std::size_t rowBytes = static_cast<std::size_t>(t.tgaWidth) * 4;
  for (int low = 1, high = t.tgaHeight; low < high; ++low, --high) {
    std::swap_ranges(t.Pixel(1, low), t.Pixel(1, low) + rowBytes, t.Pixel(1, high));
  }
}

// The result with `text` said and `status` set.
TgaLoadResult Said(TgaLoadResult result, TgaLoadResult::Status status, MessageWeight weight, std::string text) {
  Say(result.messages, weight, std::move(text));
  result.status = status;
  return result;
}

// The one road of every picture into the tables: the tga job's load when
// `folder` is given (the detector runs, its files go there), else the builder's
// read.
TgaLoadResult TakePicture(const PictureFile& file, TgaTables& tables, ProgressSink& sink,
                          const PictureReadOptions& options, OutputFolder* folder) {
  if (std::optional<TgaLoadResult> refused = Refusal(file)) return std::move(*refused);
  TgaLoadResult result;
  result.baseName = file.baseName;
  const std::span<const uint8_t> bytes = file.bytes->Bytes();
  const bool tga = file.kind == PictureFileKind::Targa;
  if (tga && options.showSizeWarning) {  // a TGA's size is warned of as its header is read, sound or not
    std::array<uint8_t, kTgaHeaderSize> header{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), header.size()), header.begin());
    const TgaHeader fields = ParseTgaHeader(header);
    SaySizeWarning(result.messages, fields.width, fields.height);
  }
  std::string error;
  std::unique_ptr<PictureDecoder> decoder = tga ? OpenTga(bytes, error) : OpenPicture(bytes, error);
  if (decoder == nullptr) {
    return Said(std::move(result), TgaLoadResult::Status::Invalid, MessageWeight::Error,
                tga ? std::string(kInvalidImage) : file.name + ": " + error);
  }
  const int width = decoder->Header().width, height = decoder->Header().height;
  if (options.refuse) {
    if (std::string refusal = options.refuse(width, height); !refusal.empty()) {
      return Said(std::move(result), TgaLoadResult::Status::Refused, MessageWeight::Warning, std::move(refusal));
    }
  }

  // The old image goes first, so two images are never held at once; the file's
  // bytes go as they are copied out.
  tables = TgaTables{};
  tables.tgaWidth = width;
  tables.tgaHeight = height;
  tables.tgaFrame = decoder->Frame();
  tables.tgaPixels.resize(tables.PixelCount() * 4);  // Decode writes every byte
  const FileBytes& held = *file.bytes;
  decoder->letGo = [&held](std::size_t at, std::size_t n) { held.LetGo(at, n); };
  if (error = decoder->Decode(tables.tgaPixels.data(), LinearEncoder(options.exposure)); !error.empty()) {
    tables = TgaTables{};
    return Said(std::move(result), TgaLoadResult::Status::Invalid, MessageWeight::Error, file.name + ": " + error);
  }
  if (!tga && options.showSizeWarning) SaySizeWarning(result.messages, width, height);
  result.topDown = decoder->Header().topDown;
  if (result.topDown && folder != nullptr) ReverseRows(tables);  // the tga job keeps the file's order
  tables.intensitySum.resize(tables.PixelCount());

  std::optional<StarDetector> detector;
  if (folder != nullptr && width >= kMinDetectSize && height >= kMinDetectSize) {
    detector.emplace(tables, sink, result.baseName, *folder, StarDetector::Options{false, true});
  }
  const Examination exam{detector ? &*detector : nullptr};
  Progress progress(sink);
  progress.Start(static_cast<int64_t>(tables.PixelCount()));
  const int unsummed = SumSlices(tables, progress, exam);
  SumAndFilter(tables, unsummed, result, options.askFilter, progress, exam, options.filter);
  result.status = TgaLoadResult::Status::Loaded;
  if (detector) result.outputs = detector->Finish();
  if (folder == nullptr) progress.Set(0);
  // The detector sizes the mask itself; an image it does not examine gets a clear one.
  if (!tables.contrastMask.Covers(width, height)) tables.contrastMask.SizeClear(width, height);
  return result;
}

}  // namespace

TgaLoadResult LoadSkyImage(const PictureFile& file, OutputFolder& folder, TgaTables& tables, ProgressSink& progress,
                           const FilterQuestion& askFilter, double exposure) {
  PictureReadOptions options;
  options.askFilter = askFilter;
  options.exposure = exposure;
  return TakePicture(file, tables, progress, options, &folder);
}

TgaLoadResult ReadSkyPicture(const PictureFile& file, TgaTables& tables, ProgressSink& progress,
                             const PictureReadOptions& options) {
  return TakePicture(file, tables, progress, options, nullptr);
}

TgaTables TablesOfPicture(const Picture& picture) {
  TgaTables t;
  t.tgaWidth = picture.width;
  t.tgaHeight = picture.height;
  t.tgaFrame.header = Tga32Header(picture.width, picture.height);
  t.tgaPixels.assign(picture.bgra.begin(), picture.bgra.begin() + static_cast<std::ptrdiff_t>(t.PixelCount() * 4));
  t.intensitySum.resize(t.PixelCount());
  for (std::size_t i = 0; i < t.PixelCount(); ++i) {
    const uint8_t* p = picture.bgra.data() + i * 4;
    t.intensitySum[i] = static_cast<int16_t>(p[0] + p[1] + p[2]);
  }
  t.contrastMask.SizeClear(t.tgaWidth, t.tgaHeight);
  return t;
}

Picture PictureOfTables(const TgaTables& tables) {
  return {tables.tgaWidth, tables.tgaHeight, std::vector<uint8_t>(tables.tgaPixels.begin(), tables.tgaPixels.end())};
}

}  // namespace sq
