// Median-cut colour reduction: GIF export and the Colour Reduction filter.
#include <algorithm>
#include <memory>
#include <new>

#include "formats/colour_quantiser.h"
#include "formats/gif_codec.h"

namespace qm {
namespace {

// 64 × 64 × 32 cells: red and green keep 6 bits, blue 5.
constexpr int kCells = 64 * 64 * 32;
inline uint32_t cell_of(Pixel p) {
  return uint32_t(red_of(p) >> 2) << 11 | uint32_t(green_of(p) >> 2) << 5 | uint32_t(blue_of(p) >> 3);
}

struct CellStats {
  uint32_t count = 0;
  // Sums of the low bits each cell drops (at most 7 × 2^28 for the largest raster).
  uint32_t low_r = 0, low_g = 0, low_b = 0;
};

struct CellColour {
  uint32_t cell;
  uint32_t count;
  int c[3];  // R, G, B
};

class MedianCut {
 public:
  MedianCut(std::vector<CellColour>& cells, uint8_t* cell_to_entry, int depth)
      : cells_(cells), map_(cell_to_entry), depth_(depth) {}

  void split(size_t begin, size_t end, int depth) {
    // An empty part (every cell fell on one side of the mean) makes no entry.
    if (begin == end) return;
    uint64_t total = 0, sum[3] = {0, 0, 0};
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
      const CellColour& cc = cells_[i];
      total += cc.count;
      for (int k = 0; k < 3; ++k) {
        sum[k] += uint64_t(cc.c[k]) * cc.count;
        lo[k] = std::min(lo[k], cc.c[k]);
        hi[k] = std::max(hi[k], cc.c[k]);
      }
    }
    if (total == 0) return;  // cannot happen with non-empty cells; no division by zero either way
    int mean[3];
    for (int k = 0; k < 3; ++k) mean[k] = int(sum[k] / total);
    if (depth >= depth_) {
      const uint8_t entry = uint8_t(palette.size());
      palette.push_back(uint32_t(mean[0]) << 16 | uint32_t(mean[1]) << 8 | uint32_t(mean[2]));
      for (size_t i = begin; i < end; ++i) map_[cells_[i].cell] = entry;
      return;
    }
    const double er = hi[0] - lo[0], eg = hi[1] - lo[1], eb = hi[2] - lo[2];
    int ch;
    if (1.2 * er >= 1.4 * eg && 1.2 * er >= eb) ch = 0;
    else if (1.4 * eg >= eb) ch = 1;
    else ch = 2;
    const int m = mean[ch];
    const auto mid = std::partition(cells_.begin() + ptrdiff_t(begin), cells_.begin() + ptrdiff_t(end),
                                    [&](const CellColour& cc) { return cc.c[ch] <= m; });
    const size_t split_at = size_t(mid - cells_.begin());
    split(begin, split_at, depth + 1);
    split(split_at, end, depth + 1);
  }

  std::vector<uint32_t> palette;

 private:
  std::vector<CellColour>& cells_;
  uint8_t* map_;
  int depth_;
};

}  // namespace

bool reduce_colours_to(LayerImage& image, int depth, bool opaque_only, ProgressSink* progress,
                       std::vector<uint32_t>* palette_out) {
  if (progress) progress->set_range(3);
  if (image.empty()) return true;
  depth = std::clamp(depth, 1, 8);
  // Fixed-size tables: the cost does not depend on how many colours there are.
  std::unique_ptr<CellStats[]> stats(new (std::nothrow) CellStats[kCells]());
  std::unique_ptr<uint8_t[]> cell_to_entry(new (std::nothrow) uint8_t[kCells]());
  if (!stats || !cell_to_entry) return false;
  Pixel* px = image.pixels();
  const size_t n = image.pixel_count();
  auto counts = [&](Pixel p) { return !opaque_only || alpha_of(p) != 0; };
  for (size_t i = 0; i < n; ++i) {
    const Pixel p = px[i];
    if (!counts(p)) continue;
    CellStats& s = stats[cell_of(p)];
    ++s.count;
    s.low_r += red_of(p) & 3;
    s.low_g += green_of(p) & 3;
    s.low_b += blue_of(p) & 7;
  }
  if (progress) progress->step();
  std::vector<CellColour> cells;
  try {
    size_t used = 0;
    for (uint32_t c = 0; c < uint32_t(kCells); ++c) used += stats[c].count != 0;
    cells.reserve(used);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (uint32_t c = 0; c < uint32_t(kCells); ++c) {
    const CellStats& s = stats[c];
    if (s.count == 0) continue;
    // The cell's base plus the mean of what its pixels dropped.
    cells.push_back({c, s.count,
                     {int((c >> 11) << 2) + int(s.low_r / s.count), int(((c >> 5) & 63) << 2) + int(s.low_g / s.count),
                      int((c & 31) << 3) + int(s.low_b / s.count)}});
  }
  // No counted pixel (a fully transparent layer): nothing to map.
  MedianCut cut(cells, cell_to_entry.get(), depth);
  cut.split(0, cells.size(), 0);
  if (progress) progress->step();

  if (!cut.palette.empty())
    for (size_t i = 0; i < n; ++i) {
      if (!counts(px[i])) continue;
      const uint32_t rgb = cut.palette[cell_to_entry[cell_of(px[i])]];
      px[i] = (px[i] & 0xFF000000) | rgb;
    }
  if (progress) progress->step();
  if (palette_out) *palette_out = std::move(cut.palette);
  return true;
}

std::vector<uint32_t> reduce_colours(LayerImage& image) {
  std::vector<uint32_t> palette;
  reduce_colours_to(image, 8, false, nullptr, &palette);
  return palette;
}

}  // namespace qm
