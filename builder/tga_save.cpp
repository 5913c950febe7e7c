#include "builder/tga_save.h"

#include "hod/modCommon.h"

namespace sq {

namespace {

OutputReport Write(const TgaTables& t, std::string_view baseName, std::string_view suffix,
                   const std::filesystem::path& outputFolder) {
  const std::filesystem::path path = outputFolder / SafeFileName(std::string(baseName) + std::string(suffix));
  OutputReport report;
  report.Add(path, WriteFileAtomic(path, TgaFileBytes(t)));
  return report;
}

}  // namespace

std::string TgaFileBytes(const TgaTables& t) {
  std::string bytes;
  bytes.reserve(kTgaHeaderSize + t.tgaImageId.size() + t.tgaPixels.size() + kTgaFooterSize + 1);
  auto append = [&bytes](const auto& block) {
    bytes.append(reinterpret_cast<const char*>(block.data()), block.size());
  };
  append(t.tgaHeader);
  append(t.tgaImageId);
  append(t.tgaPixels);
  append(t.tgaFooter);
  bytes.push_back('\0');
  return bytes;
}

OutputReport SaveHalftonedImage(TgaTables& t, std::string_view baseName, const std::filesystem::path& outputFolder) {
  uint8_t* p = t.tgaPixels.data();
  for (std::size_t i = 0, n = t.tgaPixels.size() / 4; i < n; ++i, p += 4) {
    p[kBlue] = static_cast<uint8_t>(p[kBlue] / 2);
    p[kGreen] = static_cast<uint8_t>(p[kGreen] / 2);
    p[kRed] = static_cast<uint8_t>(p[kRed] / 2);
    p[kAlpha] = 1;
  }
  return Write(t, baseName, "_halftoned.tga", outputFolder);
}

OutputReport SaveFilteredImage(TgaTables& t, std::string_view baseName, const std::filesystem::path& outputFolder) {
  for (std::size_t i = kAlpha; i < t.tgaPixels.size(); i += 4) t.tgaPixels[i] = 1;
  return Write(t, baseName, "_filtered.tga", outputFolder);
}

}  // namespace sq
