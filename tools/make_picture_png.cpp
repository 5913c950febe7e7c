// Writes a sky picture (a 32-bit uncompressed TGA) as a PNG for the README,
// upright whichever way its rows are stored, with its levels doubled as the
// preview and the game show a halftoned picture, scaled to WIDTH pixels across.
// Usage: make_picture_png IN.tga OUT.png [WIDTH]   (default: the picture's own width)
#include <QImage>
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "picture/tga_header.h"
#include "tools/tool_args.h"

namespace {

// The picture upright, or a null image when the file is not a 32-bit true-colour TGA.
QImage ReadPicture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  if (file.size() < sq::kTgaHeaderSize) return {};
  const sq::TgaHeader h =
      sq::ParseTgaHeader(std::span<const uint8_t, sq::kTgaHeaderSize>(file.data(), sq::kTgaHeaderSize));
  const std::size_t start = sq::kTgaHeaderSize + h.idLength + h.ColourMapBytes();
  const std::size_t bytes = std::size_t{h.width} * h.height * 4;
  if (h.imageType != sq::kTgaTrueColour || h.pixelDepth != 32 || h.width == 0 || h.height == 0 ||
      file.size() < start + bytes) {
    return {};
  }
  QImage image(h.width, h.height, QImage::Format_RGB32);
  for (int row = 0; row < h.height; ++row) {
    // Rows are stored bottom first unless the descriptor says top first.
    const int y = h.TopRowFirst() ? row : h.height - 1 - row;
    const uint8_t* p = file.data() + start + std::size_t(row) * h.width * 4;
    for (int x = 0; x < h.width; ++x, p += 4) {
      auto doubled = [](uint8_t level) { return std::min(255, 2 * level); };
      image.setPixel(x, y, qRgb(doubled(p[2]), doubled(p[1]), doubled(p[0])));
    }
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = sqtools::ToolArguments(argc, argv,
                                           "Usage: make_picture_png IN.tga OUT.png [WIDTH]\n"
                                           "Writes a 32-bit TGA picture as a PNG, upright, its levels doubled as the\n"
                                           "preview shows them, WIDTH pixels across (16..4096, default its own).\n",
                                           2, 3);
  QImage picture = ReadPicture(args[0]);
  if (picture.isNull()) {
    std::fprintf(stderr, "make_picture_png: %s is not a 32-bit uncompressed TGA picture\n", args[0].c_str());
    return 2;
  }
  if (args.size() == 3) {
    long width = 0;
    if (!sqtools::ParseWhole(args[2], 16, 4096, width)) {
      std::fprintf(stderr, "make_picture_png: WIDTH must be a whole number of pixels, 16 to 4096\n");
      return 2;
    }
    picture = picture.scaledToWidth(static_cast<int>(width), Qt::SmoothTransformation);
  }
  // Through a temporary name, so no half-written picture is left behind.
  const std::filesystem::path out = args[1], temporary = args[1] + ".part";
  if (!picture.save(QString::fromStdString(temporary.string()), "PNG")) {
    std::fprintf(stderr, "make_picture_png: cannot write %s\n", temporary.string().c_str());
    return 1;
  }
  std::error_code ec;
  std::filesystem::rename(temporary, out, ec);
  if (ec) {
    std::fprintf(stderr, "make_picture_png: cannot write %s: %s\n", out.string().c_str(), ec.message().c_str());
    return 1;
  }
  return 0;
}
