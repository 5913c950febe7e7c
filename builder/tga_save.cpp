#include "builder/tga_save.h"

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "hod/text_forms.h"

namespace sq {

namespace {

// The pixels are changed and written a slice of whole rows, about this many
// bytes, at a time, each slice going out while it is still in the cache.
constexpr std::size_t kSliceBytes = std::size_t{1} << 19;

std::string ImageName(std::string_view baseName, std::string_view suffix) {
  return SafeFileName(std::string(baseName) + std::string(suffix));
}

std::string_view Span(const uint8_t* bytes, std::size_t n) { return {reinterpret_cast<const char*>(bytes), n}; }

// The bytes a save writes in front of the pixels (the header and the image-ID
// field) and behind them (the footer and one zero byte).
std::string Head(const TgaFrame& frame) {
  std::string head(Span(frame.header.data(), frame.header.size()));
  return head.append(Span(frame.imageId.data(), frame.imageId.size()));
}
std::string Tail(const TgaFrame& frame) { return std::string(Span(frame.footer.data(), frame.footer.size())) + '\0'; }

// Writes the frame and the pixels to BASE + suffix, applying change(firstRow,
// lastRow) to each slice of rows on the way. Every row is changed even when the
// file cannot be written, so the tables never hold half a change.
template <class Change>
OutputReport WriteChanged(TgaTables& t, std::string_view baseName, std::string_view suffix, OutputFolder& folder,
                          Change change) {
  const std::string name = ImageName(baseName, suffix), head = Head(t.tgaFrame), tail = Tail(t.tgaFrame);
  const std::size_t pixelBytes = t.PixelCount() * 4;
  const std::string error =
      folder.ReplaceInParts(name, head.size() + pixelBytes + tail.size(), [&](const OutputFolder::PutPart& put) {
        put(0, head);
        if (pixelBytes > 0) {
          const std::size_t rowBytes = pixelBytes / static_cast<std::size_t>(t.tgaHeight);
          const int sliceRows = static_cast<int>(std::clamp<std::size_t>(kSliceBytes / rowBytes, 1, 1 << 15));
          for (int y = 1; y <= t.tgaHeight; y += sliceRows) {
            const int last = std::min(t.tgaHeight, y + sliceRows - 1);
            change(y, last);
            put(head.size() + t.Entry(1, y) * 4,
                Span(t.Pixel(1, y), static_cast<std::size_t>(last - y + 1) * rowBytes));
          }
        }
        put(head.size() + pixelBytes, tail);
      });
  OutputReport report;
  report.Add(folder.PathOf(name), error);
  return report;
}

// Applies word(w) to each pixel read as a 32-bit word with blue in the low byte
// and alpha in the high one, as the compiler can do for several pixels at once;
// byte(p) where words are stored the other way round.
template <class Word, class Byte>
void ForEachPixel(uint8_t* pixels, std::size_t count, Word word, Byte byte) {
  for (std::size_t i = 0; i < count; ++i) {
    uint8_t* p = pixels + i * 4;
    if constexpr (std::endian::native == std::endian::little) {
      uint32_t w;
      std::memcpy(&w, p, 4);
      w = word(w);
      std::memcpy(p, &w, 4);
    } else {
      byte(p);
    }
  }
}

}  // namespace

OutputReport SaveHalftonedImage(TgaTables& t, std::string_view baseName, OutputFolder& folder) {
  return WriteChanged(t, baseName, "_halftoned.tga", folder, [&t](int firstRow, int lastRow) {
    // Each colour byte halved (the bit shifted in from the byte above masked off), alpha 1.
    ForEachPixel(
        t.Pixel(1, firstRow), t.Entry(1, lastRow + 1) - t.Entry(1, firstRow),
        [](uint32_t w) { return ((w >> 1) & 0x007F7F7Fu) | 0x01000000u; },
        [](uint8_t* p) {
          p[kBlue] = static_cast<uint8_t>(p[kBlue] / 2);
          p[kGreen] = static_cast<uint8_t>(p[kGreen] / 2);
          p[kRed] = static_cast<uint8_t>(p[kRed] / 2);
          p[kAlpha] = 1;
        });
  });
}

OutputReport SaveFilteredImage(TgaTables& t, std::string_view baseName, OutputFolder& folder) {
  return WriteChanged(t, baseName, "_filtered.tga", folder,
                      [&t](int firstRow, int lastRow) { SetAlphaOne(t, firstRow, lastRow); });
}

void SetAlphaOne(TgaTables& t, int firstRow, int lastRow) {
  ForEachPixel(
      t.Pixel(1, firstRow), t.Entry(1, lastRow + 1) - t.Entry(1, firstRow),
      [](uint32_t w) { return (w & 0x00FFFFFFu) | 0x01000000u; }, [](uint8_t* p) { p[kAlpha] = 1; });
}

// The writing thread waits for final pixels and hands them to the folder as they come.
struct FilteredImageWriter::Shared {
  explicit Shared(std::string fileName) : name(std::move(fileName)) {}
  std::string name;
  std::string error;        // the folder's reason the file could not be written
  std::size_t written = 0;  // pixel bytes, by the thread (by Finish where there is none)
  std::mutex mutex;
  std::condition_variable more;
  std::size_t ready = 0;   // pixel bytes that are final
  bool finished = false;   // no more will come
  bool abandoned = false;  // stop writing: the file is dropped
};

namespace {

// Thrown out of the folder's write when the writer is dropped: the folder then
// leaves no file.
struct Abandoned {};

}  // namespace

FilteredImageWriter::FilteredImageWriter(const TgaTables& t, std::string_view baseName, OutputFolder& folder)
    : head_(Head(t.tgaFrame)),
      tail_(Tail(t.tgaFrame)),
      pixels_(t.tgaPixels.data()),
      pixelBytes_(t.PixelCount() * 4),
      rowBytes_(static_cast<std::size_t>(t.tgaWidth) * 4),
      folder_(folder),
      shared_(std::make_unique<Shared>(ImageName(baseName, "_filtered.tga"))) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // No thread to be had: Finish writes the whole file itself.
  }
}

FilteredImageWriter::~FilteredImageWriter() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->finished = shared_->abandoned = true;
  }
  shared_->more.notify_one();
  thread_.join();
}

void FilteredImageWriter::PutFinalPixels(const OutputFolder::PutPart& put) {
  for (;;) {
    std::size_t upTo;
    {
      std::unique_lock<std::mutex> lock(shared_->mutex);
      shared_->more.wait(lock, [&] { return shared_->ready > shared_->written || shared_->finished; });
      if (shared_->abandoned) throw Abandoned{};
      upTo = shared_->ready;
      if (upTo == shared_->written) return;
    }
    put(head_.size() + shared_->written, Span(pixels_ + shared_->written, upTo - shared_->written));
    shared_->written = upTo;
  }
}

void FilteredImageWriter::Run() {
  try {
    shared_->error = folder_.ReplaceInParts(shared_->name, head_.size() + pixelBytes_ + tail_.size(),
                                            [this](const OutputFolder::PutPart& put) {
                                              put(0, head_);
                                              PutFinalPixels(put);
                                              put(head_.size() + pixelBytes_, tail_);
                                            });
  } catch (const Abandoned&) {
    // Dropped before Finish: no file.
  }
}

void FilteredImageWriter::RowsFinal(int lastRow) {
  const std::size_t ready = static_cast<std::size_t>(lastRow) * rowBytes_;
  if (ready < handedOver_ + kHandOverBytes) return;  // the thread is woken for larger pieces only
  handedOver_ = ready;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->ready = ready;
  }
  shared_->more.notify_one();
}

OutputReport FilteredImageWriter::Finish() {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->ready = pixelBytes_;
    shared_->finished = true;
  }
  if (thread_.joinable()) {
    shared_->more.notify_one();
    thread_.join();
  } else {
    Run();  // everything is final: the whole file at once
  }
  OutputReport report;
  report.Add(folder_.PathOf(shared_->name), shared_->error);
  return report;
}

}  // namespace sq
