// Row kernels of the builder's whole-image sweeps (the load's sums, the contrast
// pass, the templates' brightness tests), a row of pixels at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sq {

// What SumRow changes in the pixels on its way.
enum RowChanges : unsigned {
  kKeepPixels = 0,
  kClampColours = 1,  // colour bytes above 127 become 127
  kAlphaOne = 2,      // alpha becomes 1
};

// Writes blue + green + red of `count` pixels (4 bytes each, blue first) to
// `sums`, after applying `changes` (RowChanges) to the pixels in place.
// Returns whether a colour byte above 127 was met, before any clamping.
bool SumRow(uint8_t* pixels, std::size_t count, int16_t* sums, unsigned changes);

// The marks of one row as bits: bit i % 64 of bits[i / 64] is set where each
// of blue, green and red of pixel i of `row` differs by more than `limit`
// from the highest or the lowest value of the 3 x 3 window around it (the
// rows `above` and `below`, the columns that exist). Writes all
// (count + 63) / 64 words.
void ContrastRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, std::size_t count, uint8_t limit,
                 uint64_t* bits);

// For i = first .. first + 63: bit i - first set where sums[i] is greater
// than sums[i + side] (side -1 or 1), the row of `count` entries wrapping
// around (the first entry's left neighbour is the last). Entries from count
// on give clear bits.
uint64_t BrighterBits(const int16_t* sums, std::size_t count, std::size_t first, int side);

}  // namespace sq
