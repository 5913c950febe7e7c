#include "builder/tga_save.h"

#include "hod/modCommon.h"

namespace sq {

namespace {

OutputReport Write(const TgaTables& t, std::string_view baseName, std::string_view suffix,
                   const std::filesystem::path& outputFolder) {
  const std::filesystem::path path = outputFolder / SafeFileName(std::string(baseName) + std::string(suffix));
  OutputReport report;
  const std::span<const uint8_t> bytes = t.tgaFile;
  report.Add(path, WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
  return report;
}

}  // namespace

OutputReport SaveHalftonedImage(TgaTables& t, std::string_view baseName, const std::filesystem::path& outputFolder) {
  uint8_t* p = t.PixelData();
  for (std::size_t i = 0, n = t.PixelCount(); i < n; ++i, p += 4) {
    p[kBlue] = static_cast<uint8_t>(p[kBlue] / 2);
    p[kGreen] = static_cast<uint8_t>(p[kGreen] / 2);
    p[kRed] = static_cast<uint8_t>(p[kRed] / 2);
    p[kAlpha] = 1;
  }
  return Write(t, baseName, "_halftoned.tga", outputFolder);
}

OutputReport SaveFilteredImage(TgaTables& t, std::string_view baseName, const std::filesystem::path& outputFolder) {
  uint8_t* p = t.PixelData();
  for (std::size_t i = 0, n = t.PixelCount(); i < n; ++i) p[i * 4 + kAlpha] = 1;
  return Write(t, baseName, "_filtered.tga", outputFolder);
}

}  // namespace sq
