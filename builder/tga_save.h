// The two image savers. Both write the tables' frame and pixels: the header as
// read, the image-ID field, every pixel in table order, the 17 footer bytes and
// one zero byte, replacing any older file of the name whole in the output folder. Both
// set every pixel's alpha to 1 in the tables first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "builder/output_report.h"
#include "builder/tga_tables.h"
#include "output/output_folder.h"

namespace sq {

// Halves blue, green and red of every pixel (255 becomes 127, 1 becomes 0), sets
// alpha to 1, and writes BASE_halftoned.tga into `folder`. The halving stays
// in the tables, so a second save halves again.
OutputReport SaveHalftonedImage(TgaTables& tables, std::string_view baseName, OutputFolder& folder);

// Sets alpha to 1 and writes the image as it stands to BASE_filtered.tga.
OutputReport SaveFilteredImage(TgaTables& tables, std::string_view baseName, OutputFolder& folder);

// Sets the alpha of rows firstRow .. lastRow to 1.
void SetAlphaOne(TgaTables& tables, int firstRow, int lastRow);

// BASE_filtered.tga written while the detector still works, by a thread of its
// own: the detector hands over the rows as they become final (alpha 1
// included), and the file is complete and in its place, like every save's,
// after Finish. A writer dropped before Finish leaves no file. The folder is
// written from that thread until Finish.
class FilteredImageWriter {
 public:
  FilteredImageWriter(const TgaTables& tables, std::string_view baseName, OutputFolder& folder);
  ~FilteredImageWriter();
  FilteredImageWriter(const FilteredImageWriter&) = delete;
  FilteredImageWriter& operator=(const FilteredImageWriter&) = delete;

  // Rows 1 .. lastRow of the tables' pixels will not change again.
  void RowsFinal(int lastRow);
  // Writes the rest (every row is final now, and the bytes behind the pixels)
  // and puts the file in place.
  OutputReport Finish();

 private:
  struct Shared;
  void Run();
  // Hands the final pixels to the folder as they come; throws Abandoned when the writer is dropped.
  void PutFinalPixels(const OutputFolder::PutPart& put);

  static constexpr std::size_t kHandOverBytes = std::size_t{1} << 21;
  const std::string head_, tail_;  // the header and image-ID field; the footer and one zero byte
  const uint8_t* pixels_;
  std::size_t pixelBytes_, rowBytes_;
  std::size_t handedOver_ = 0;
  OutputFolder& folder_;
  std::unique_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace sq
