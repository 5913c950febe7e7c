// Every version of the builder's row kernels this processor runs, against the
// definitions written out pixel by pixel here, on rows whose lengths end inside
// and at the edge of each vector width.
#include "builder/image_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "builder/mark_table.h"

namespace {

const std::vector<std::size_t> kCounts = {1, 2, 3, 4, 5, 15, 16, 17, 31, 32, 33, 63, 64, 65, 66, 127, 128, 129, 200};

bool Bit(const std::vector<uint64_t>& bits, std::size_t i) { return (bits[i / 64] >> (i % 64)) & 1; }

TEST(ImageKernels, TheBestVersionIsOneOfThoseAvailable) {
  const auto all = sq::AvailableImageKernels();
  ASSERT_FALSE(all.empty());
  EXPECT_STREQ(all.front()->name, "plain");
  EXPECT_EQ(&sq::BestImageKernels(), all.back());
}

TEST(ImageKernels, ContrastMarksPixelsThatStandOutInEveryColour) {
  std::mt19937 random(7);
  for (const sq::ImageKernels* k : sq::AvailableImageKernels()) {
    for (const uint8_t limit : {0, 16, 17, 60, 254, 255}) {
      for (const std::size_t n : kCounts) {
        SCOPED_TRACE(std::string(k->name) + " limit " + std::to_string(limit) + " count " + std::to_string(n));
        // Grey rows with differences around the limit, some 0 and 255 bytes.
        std::vector<uint8_t> rows(3 * n * 4);
        for (uint8_t& b : rows) {
          const int spread = limit + 3;
          const int v = 128 + static_cast<int>(random() % (2 * spread + 1)) - spread;
          b = random() % 16 == 0 ? static_cast<uint8_t>(random() % 2 * 255)
                                 : static_cast<uint8_t>(std::clamp(v, 0, 255));
        }
        const uint8_t* above = rows.data();
        const uint8_t* row = above + n * 4;
        const uint8_t* below = row + n * 4;
        std::vector<uint64_t> bits((n + 63) / 64, ~uint64_t{0});
        k->contrastRow(above, row, below, n, limit, bits.data());
        for (std::size_t i = 0; i < n; ++i) {
          bool all = true;
          for (std::size_t c = 0; c < 3; ++c) {
            bool differs = false;
            for (const uint8_t* r : {above, row, below}) {
              for (std::size_t j = i == 0 ? 0 : i - 1; j <= i + 1 && j < n; ++j) {
                differs = differs || std::abs(int(row[i * 4 + c]) - int(r[j * 4 + c])) > limit;
              }
            }
            all = all && differs;
          }
          ASSERT_EQ(Bit(bits, i), all) << "pixel " << i;
        }
        for (std::size_t i = n; i < bits.size() * 64; ++i) ASSERT_FALSE(Bit(bits, i)) << "past the row, " << i;
      }
    }
  }
}

TEST(ImageKernels, SumsAfterTheChangesAndTellOfBytesAbove127) {
  std::mt19937 random(11);
  for (const sq::ImageKernels* k : sq::AvailableImageKernels()) {
    for (const unsigned changes : {0u, 1u, 2u, 3u}) {
      for (const std::size_t n : kCounts) {
        for (const bool high : {false, true}) {
          SCOPED_TRACE(std::string(k->name) + " changes " + std::to_string(changes) + " count " + std::to_string(n));
          std::vector<uint8_t> pixels(n * 4);
          for (uint8_t& b : pixels) b = static_cast<uint8_t>(random() % 128);
          for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = static_cast<uint8_t>(random());  // alpha
          if (high) pixels[(random() % n) * 4 + random() % 3] = static_cast<uint8_t>(128 + random() % 128);
          std::vector<uint8_t> expected = pixels;
          for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t c = 0; c < 3 && (changes & sq::kClampColours); ++c) {
              expected[i * 4 + c] = std::min<uint8_t>(expected[i * 4 + c], 127);
            }
            if (changes & sq::kAlphaOne) expected[i * 4 + 3] = 1;
          }
          std::vector<int16_t> sums(n, -1);
          EXPECT_EQ(k->sumRow(pixels.data(), n, sums.data(), changes), high);
          EXPECT_EQ(pixels, expected);
          for (std::size_t i = 0; i < n; ++i) {
            ASSERT_EQ(sums[i], expected[i * 4] + expected[i * 4 + 1] + expected[i * 4 + 2]) << "pixel " << i;
          }
        }
      }
    }
  }
}

TEST(ImageKernels, BrighterThanTheNeighbourOnEitherSideRoundTheRow) {
  std::mt19937 random(13);
  for (const sq::ImageKernels* k : sq::AvailableImageKernels()) {
    for (const std::size_t n : kCounts) {
      std::vector<int16_t> sums(n);
      for (int16_t& s : sums) s = static_cast<int16_t>(random() % 4 * 255);  // many equal neighbours
      for (const std::size_t first : {std::size_t{0}, std::size_t{1}, std::size_t{2}, n / 2, n - 1, n, n + 5}) {
        for (const int side : {-1, 1}) {
          SCOPED_TRACE(std::string(k->name) + " count " + std::to_string(n) + " first " + std::to_string(first));
          const uint64_t bits = k->brighterBits(sums.data(), n, first, side);
          for (std::size_t j = 0; j < 64; ++j) {
            const std::size_t i = first + j;
            const std::size_t other = side < 0 ? (i + n - 1) % n : (i + 1) % n;  // round the row
            const bool expected = i < n && sums[i] > sums[other];
            ASSERT_EQ((bits >> j) & 1, expected ? 1u : 0u) << "entry " << i << " side " << side;
          }
        }
      }
    }
  }
}

TEST(MarkTable, WindowsAndWordsReadTheMarksAsSet) {
  std::mt19937 random(17);
  for (const int width : {1, 63, 64, 65, 130, 300}) {
    SCOPED_TRACE(width);
    sq::MarkTable marks;
    marks.SizeClear(width, 3);
    std::vector<std::vector<bool>> expected(3, std::vector<bool>(static_cast<std::size_t>(width) + 1));
    for (int k = 0; k < width / 7 + 1; ++k) {
      const int x = 1 + static_cast<int>(random() % static_cast<unsigned>(width)),
                y = 1 + static_cast<int>(random() % 3);
      marks.Set(x, y);
      expected[static_cast<std::size_t>(y - 1)][static_cast<std::size_t>(x)] = true;
    }
    marks.Clear(1, 2);
    expected[1][1] = false;
    auto markedAt = [&](int x, int y) {
      return x >= 1 && x <= width && expected[static_cast<std::size_t>(y - 1)][static_cast<std::size_t>(x)];
    };
    for (int y = 1; y <= 3; ++y) {
      std::vector<std::size_t> visited;
      marks.ForEachWord(y, true, [&](std::size_t w) { visited.push_back(w); });
      for (std::size_t w = 0; w < marks.WordsPerRow(); ++w) {
        const uint64_t windows[] = {marks.Window<-2>(y, w), marks.Window<-1>(y, w), marks.Window<0>(y, w),
                                    marks.Window<1>(y, w),  marks.Window<2>(y, w),  marks.WindowAt(y, w, 5)};
        const int shifts[] = {-2, -1, 0, 1, 2, 5};
        for (int s = 0; s < 6; ++s) {
          for (int j = 0; j < 64; ++j) {
            const int x = static_cast<int>(w) * 64 + j + 1;
            ASSERT_EQ((windows[s] >> j) & 1, markedAt(x + shifts[s], y) ? 1u : 0u)
                << "column " << x << " shift " << shifts[s];
          }
        }
        // Every word that holds a mark, or follows one that does, is visited.
        const bool needed = marks.Window<0>(y, w) != 0 || (w > 0 && marks.Window<0>(y, w - 1) != 0);
        if (needed) {
          EXPECT_NE(std::find(visited.begin(), visited.end(), w), visited.end()) << "word " << w;
        }
      }
    }
  }
  EXPECT_EQ(sq::MarkTable::Columns(1, 60, 70), (uint64_t{1} << 6) - 1);  // columns 65 .. 70
  EXPECT_EQ(sq::MarkTable::Columns(0, 64, 64), uint64_t{1} << 63);
  EXPECT_EQ(sq::MarkTable::Columns(2, 1, 100), 0u);
}

}  // namespace
