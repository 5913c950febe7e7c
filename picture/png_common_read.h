// The PNG files most pictures come as, decoded without libpng: not interlaced,
// 8 or 16 bits a sample, grey, grey and alpha, RGB or RGBA, no tRNS. The joined
// IDAT data is inflated in one call (libdeflate) and each row unfiltered and
// turned into blue, green, red, alpha as it goes, the same bytes libpng gives.
//
// It is strict on purpose: a file with anything unusual about it (another form,
// a chunk CRC that does not match, an unknown critical chunk, a chunk after the
// image data but IEND, bytes after IEND, image data that does not inflate to
// exactly its rows, a filter type past 4) is declined, and libpng decodes it as
// ever, with its own messages and refusals.
#pragma once

#include <cstdint>
#include <span>

namespace sq {

// Decodes the PNG in `file`, whose header has been read and checked as
// width x height, into `bgra` (width x height x 4 bytes, the bottom row first).
// Returns false when the file is not one of the forms above or not sound in
// every respect; `bgra` may then hold anything.
bool DecodeCommonPng(std::span<const uint8_t> file, int width, int height, uint8_t* bgra);

}  // namespace sq
