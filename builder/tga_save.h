// The two image savers. Both write the tables' file buffer: the header as read,
// the image-ID field, every pixel in table order, the 17 footer bytes and one zero
// byte, replacing any older file of the name whole. Both set every pixel's alpha
// to 1 in the tables first.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "builder/star_detector.h"
#include "builder/tga_tables.h"

namespace sq {

// Halves blue, green and red of every pixel (255 becomes 127, 1 becomes 0), sets
// alpha to 1, and writes BASE_halftoned.tga into outputFolder. The halving stays
// in the tables, so a second save halves again.
OutputReport SaveHalftonedImage(TgaTables& tables, std::string_view baseName, const std::filesystem::path& outputFolder);

// Sets alpha to 1 and writes the image as it stands to BASE_filtered.tga.
OutputReport SaveFilteredImage(TgaTables& tables, std::string_view baseName, const std::filesystem::path& outputFolder);

// The same for a caller that knows more of the alpha bytes.
enum class Alpha {
  Unknown,
  AllOne,  // every pixel's alpha is 1 already: the pixels are written as they stand
};
OutputReport SaveFilteredImage(TgaTables& tables, std::string_view baseName, const std::filesystem::path& outputFolder,
                               Alpha alpha);

}  // namespace sq
