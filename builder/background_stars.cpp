#include "builder/background_stars.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "builder/background_mesh.h"
#include "builder/star_detector.h"
#include "hod/byte_reader.h"

namespace sq {

namespace {

// The side of a star's core: 2 x 2 for the ring stars and the spots.
int CoreSide(std::size_t list) { return list == kSingleStars ? 1 : 2; }

// The contrast pass and the three template passes, colours left alone, into
// fresh star lists.
void RunPasses(TgaTables& t, float contrastBase, Progress& progress) {
  for (StarList& entry : t.starTable) entry = StarList{};
  ContrastPass(t, progress, contrastBase);
  RingTemplatePass(t, progress, StarErase::MarksOnly);
  SingleTemplatePass(t, progress, StarErase::MarksOnly);
  CoreTemplatePass(t, progress, StarErase::MarksOnly);
}

class StarRemover {
 public:
  explicit StarRemover(TgaTables& t) : t_(t), W(t.tgaWidth), H(t.tgaHeight) {}

  // Measures the star with its core of side s at (x, y) and paints its block
  // (the core and a pixel around it) in the mean colour of the ring of pixels
  // around the block. Columns wrap; rows outside the picture are left out.
  BuildStar Remove(int x, int y, int s) {
    BuildStar star;
    star.x = x;
    star.y = y;
    std::array<int64_t, 3> core{}, ring{};
    int64_t ringCount = 0;
    for (int r = y - 2; r <= y + s + 1; ++r) {
      if (r < 1 || r > H) continue;
      for (int c = x - 2; c <= x + s + 1; ++c) {
        const uint8_t* p = t_.Pixel(Col(c), r);
        const bool inCore = r >= y && r < y + s && c >= x && c < x + s;
        const bool inBlock = r >= y - 1 && r <= y + s && c >= x - 1 && c <= x + s;
        for (std::size_t ch = 0; ch < 3; ++ch) {
          if (inCore) core[ch] += p[ch];
          if (!inBlock) ring[ch] += p[ch];
        }
        if (!inBlock) ++ringCount;
      }
    }
    const int64_t coreCount = static_cast<int64_t>(s) * s;
    std::array<uint8_t, 3> sky{};
    int coreIntensity = 0, skyIntensity = 0;
    for (std::size_t ch = 0; ch < 3; ++ch) {
      star.colour[ch] = static_cast<uint8_t>((core[ch] + coreCount / 2) / coreCount);
      sky[ch] = ringCount > 0 ? static_cast<uint8_t>((ring[ch] + ringCount / 2) / ringCount) : star.colour[ch];
      skyIntensity += sky[ch];
    }
    coreIntensity = static_cast<int>((core[0] + core[1] + core[2] + coreCount / 2) / coreCount);
    star.strength = coreIntensity - skyIntensity;
    for (int r = std::max(y - 1, 1); r <= std::min(y + s, H); ++r) {
      for (int c = x - 1; c <= x + s; ++c) {
        uint8_t* p = t_.Pixel(Col(c), r);
        p[kBlue] = sky[0];
        p[kGreen] = sky[1];
        p[kRed] = sky[2];
        t_.intensitySum[t_.Entry(Col(c), r)] = static_cast<int16_t>(skyIntensity);
      }
    }
    return star;
  }

 private:
  int Col(int x) const { return ((x - 1) % W + W) % W + 1; }

  TgaTables& t_;
  const int W, H;
};

// Takes every star of the detector's lists out of the picture, appending them to `lists`.
void TakeOutFound(TgaTables& t, BuildStarLists& lists) {
  StarRemover remover(t);
  for (std::size_t e = 0; e < lists.size(); ++e) {
    for (const StarPoint& point : t.starTable[e].points) {
      lists[e].push_back(remover.Remove(static_cast<int>(point.x), static_cast<int>(point.y), CoreSide(e)));
    }
  }
}

// The positions in `stars` of the at most `limit` strongest, in list order.
std::vector<std::size_t> Strongest(const std::vector<BuildStar>& stars, const std::vector<std::size_t>& of,
                                   std::size_t limit) {
  std::vector<std::size_t> kept = of;
  if (kept.size() <= limit) return kept;
  std::stable_sort(kept.begin(), kept.end(),
                   [&](std::size_t a, std::size_t b) { return stars[a].strength > stars[b].strength; });
  kept.resize(limit);
  std::sort(kept.begin(), kept.end());
  return kept;
}

float Channel(uint8_t byte, double full) { return static_cast<float>(byte / full); }

}  // namespace

BuildStarLists FindAndRemoveStars(TgaTables& t, StarAmount amount, Progress& progress) {
  BuildStarLists lists;
  RunPasses(t, kContrastBase, progress);
  TakeOutFound(t, lists);
  if (amount == StarAmount::More) {
    RunPasses(t, kMoreStarsContrastBase, progress);
    TakeOutFound(t, lists);
  }
  if (amount == StarAmount::Less) {
    for (std::vector<BuildStar>& list : lists) {
      std::erase_if(list, [](const BuildStar& s) { return s.strength < kLessStarsStrength; });
    }
  }
  return lists;
}

StarRecords MakeStarRecords(const BuildStarLists& stars, int W, int H, const StarPlacement& place) {
  StarRecords out;
  auto at = [&](const BuildStar& s, double u, double v) { return place ? place(s, u, v) : PicturePoint{u, v}; };
  const double pixelArc = 2.0 * std::numbers::pi * kSkyRadius / W;
  const char* const names[2] = {"B02.tga", "B03.tga"};
  const std::size_t mapLists[2] = {kRingStars, kCoreSpots};
  for (std::size_t m = 0; m < 2; ++m) {
    const std::vector<BuildStar>& list = stars[mapLists[m]];
    std::vector<std::size_t> all(list.size());
    std::iota(all.begin(), all.end(), std::size_t{0});
    const std::vector<std::size_t> kept = Strongest(list, all, kMaxStarMapRecords);
    StarMapChunk& chunk = out.starMaps[m];
    std::vector<StarMapRecord>& records = chunk.records.Owned();
    records.reserve(kept.size());
    for (std::size_t i : kept) {
      const BuildStar& s = list[i];
      // The middle of the 2 x 2 core: the corner its four pixels share.
      const PicturePoint centre = at(s, s.x, s.y);
      const SkyPosition p = SkyPoint(centre.u, centre.v, W, H);
      const double size = 2.0 * pixelArc * (1.0 + std::clamp(s.strength, 0, 381) / 381.0);
      records.push_back(StarMapRecord{static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z),
                                      static_cast<float>(size), Channel(s.colour[2], 255), Channel(s.colour[1], 255),
                                      Channel(s.colour[0], 255), 1.0f});
    }
    chunk.recordCount = static_cast<int32_t>(records.size());
    chunk.header = ChunkHeader{"FORM", ByteSwap32(32 * static_cast<uint32_t>(chunk.recordCount) + 19), "BGSG"};
    chunk.nameLength = 7;
    chunk.textureName = names[m];
    out.droppedStarMapRecords[m] = static_cast<int64_t>(list.size() - kept.size());
    if (out.droppedStarMapRecords[m] > 0) {
      out.notes.push_back("Star map \"" + std::string(names[m]) + "\" holds at most " +
                          std::to_string(kMaxStarMapRecords) + " stars: the " +
                          std::to_string(out.droppedStarMapRecords[m]) + " faintest of " + std::to_string(list.size()) +
                          " were left out.");
    }
  }

  // Point stars go to the chunk of their longitude's sector.
  const std::vector<BuildStar>& singles = stars[kSingleStars];
  std::vector<PicturePoint> centres;  // a pixel's centre
  centres.reserve(singles.size());
  std::array<std::vector<std::size_t>, kMeshSectors> bySector;
  for (std::size_t i = 0; i < singles.size(); ++i) {
    centres.push_back(at(singles[i], singles[i].x - 0.5, singles[i].y - 0.5));
    // floor(16 u / W): for u = x - 1/2 as exact as in whole numbers.
    const double sector = std::floor(kMeshSectors * centres.back().u / W);
    bySector[static_cast<std::size_t>(std::clamp(sector, 0.0, kMeshSectors - 1.0))].push_back(i);
  }
  for (std::size_t k = 0; k < bySector.size(); ++k) {
    const std::vector<std::size_t> kept = Strongest(singles, bySector[k], kMaxChunkPointStars);
    PointStarChunk& chunk = out.pointStars[k];
    std::vector<PointStarRecord>& records = chunk.stars.Owned();
    records.reserve(kept.size());
    for (std::size_t i : kept) {
      const BuildStar& s = singles[i];
      const SkyPosition p = SkyPoint(centres[i].u, centres[i].v, W, H);
      records.push_back(PointStarRecord{static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z),
                                        Channel(s.colour[2], 510), Channel(s.colour[1], 510), Channel(s.colour[0], 510),
                                        1.0f});
    }
    chunk.starCount = static_cast<int32_t>(records.size());
    chunk.header = ChunkHeader{"NRML", ByteSwap32(28 * static_cast<uint32_t>(chunk.starCount) + 12), "STRF"};
    chunk.starVersion = {0x00, 0x00, 0x03, 0xE8};  // 1000, big-endian, as the writer stores it
    out.droppedPointStars[k] = static_cast<int64_t>(bySector[k].size() - kept.size());
    if (out.droppedPointStars[k] > 0) {
      out.notes.push_back("Point-star chunk " + std::to_string(k + 1) + " holds at most " +
                          std::to_string(kMaxChunkPointStars) + " stars: the " +
                          std::to_string(out.droppedPointStars[k]) + " faintest of " +
                          std::to_string(bySector[k].size()) + " were left out.");
    }
  }
  return out;
}

}  // namespace sq
