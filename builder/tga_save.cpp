#include "builder/tga_save.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <system_error>

#include "hod/modCommon.h"

namespace sq {

namespace {

// The pixels are changed and written a slice of whole rows, about this many
// bytes, at a time, each slice going out while it is still in the cache.
constexpr std::size_t kSliceBytes = std::size_t{1} << 19;

// Writes the file buffer to BASE + suffix the way WriteFileAtomic does (a
// temporary file beside it, renamed over it once complete, so a failed write
// never leaves half a file nor destroys the old one), applying
// change(firstRow, lastRow) to each slice of rows on the way. Every row is
// changed even when the file cannot be written, so the tables never hold half a
// change.
template <class Change>
OutputReport WriteChanged(TgaTables& t, std::string_view baseName, std::string_view suffix,
                          const std::filesystem::path& outputFolder, Change change) {
  const std::filesystem::path path = outputFolder / SafeFileName(std::string(baseName) + std::string(suffix));
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string tempName = ".";
  tempName += path.filename().string();
  tempName += ".tmp";
  tempName += std::to_string(::getpid());
  const std::filesystem::path temp = folder / tempName;

  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  const bool created = static_cast<bool>(out);
  auto write = [&](const uint8_t* from, std::size_t n) {
    if (created) out.write(reinterpret_cast<const char*>(from), static_cast<std::streamsize>(n));
  };
  uint8_t* pixels = t.PixelData();
  const std::size_t pixelBytes = t.PixelCount() * 4;
  write(t.tgaFile.data(), static_cast<std::size_t>(pixels - t.tgaFile.data()));
  if (pixelBytes > 0) {
    const std::size_t rowBytes = pixelBytes / static_cast<std::size_t>(t.tgaHeight);
    const int sliceRows = static_cast<int>(std::clamp<std::size_t>(kSliceBytes / rowBytes, 1, 1 << 15));
    for (int y = 1; y <= t.tgaHeight; y += sliceRows) {
      const int last = std::min(t.tgaHeight, y + sliceRows - 1);
      change(y, last);
      write(t.Pixel(1, y), static_cast<std::size_t>(last - y + 1) * rowBytes);
    }
  }
  const uint8_t* tail = pixels + pixelBytes;
  write(tail, static_cast<std::size_t>(t.tgaFile.data() + t.tgaFile.size() - tail));

  OutputReport report;
  if (!created) {
    report.Add(path, "cannot create " + path.string());
    return report;
  }
  out.flush();
  if (!out) {
    out.close();
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    report.Add(path, "cannot write " + path.string());
    return report;
  }
  out.close();
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    report.Add(path, "cannot write " + path.string() + ": " + ec.message());
    return report;
  }
  report.Add(path, "");
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

OutputReport SaveHalftonedImage(TgaTables& t, std::string_view baseName, const std::filesystem::path& outputFolder) {
  return WriteChanged(t, baseName, "_halftoned.tga", outputFolder, [&t](int firstRow, int lastRow) {
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

OutputReport SaveFilteredImage(TgaTables& t, std::string_view baseName, const std::filesystem::path& outputFolder,
                               Alpha alpha) {
  return WriteChanged(t, baseName, "_filtered.tga", outputFolder, [&](int firstRow, int lastRow) {
    if (alpha == Alpha::AllOne) return;
    ForEachPixel(
        t.Pixel(1, firstRow), t.Entry(1, lastRow + 1) - t.Entry(1, firstRow),
        [](uint32_t w) { return (w & 0x00FFFFFFu) | 0x01000000u; }, [](uint8_t* p) { p[kAlpha] = 1; });
  });
}

OutputReport SaveFilteredImage(TgaTables& t, std::string_view baseName, const std::filesystem::path& outputFolder) {
  return SaveFilteredImage(t, baseName, outputFolder, Alpha::Unknown);
}

}  // namespace sq
