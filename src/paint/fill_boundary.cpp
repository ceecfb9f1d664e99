#include "paint/fill_boundary.h"

#include <algorithm>

#include "paint/combine.h"

namespace qm {
namespace {

constexpr uint8_t kRegion = 1, kFringe = 2;

bool semi_transparent(Pixel p) { return alpha_of(p) != 0 && alpha_of(p) != 255; }

}  // namespace

Rect take_boundary_fringe(const LayerImage& ref, RegionMap& map, Rect region) {
  if (region.empty()) return region;
  const int w = map.width, h = map.height;
  uint8_t* m = map.inside.data();
  int min_x = region.x, min_y = region.y, max_x = region.right() - 1, max_y = region.bottom() - 1;
  auto grow = [&](int x, int y) {
    min_x = std::min(min_x, x);
    max_x = std::max(max_x, x);
    min_y = std::min(min_y, y);
    max_y = std::max(max_y, y);
  };
  // Horizontal pass: from each end of each region run outwards.
  for (int y = region.y; y < region.bottom(); ++y) {
    uint8_t* mr = m + size_t(y) * size_t(w);
    const Pixel* row = ref.row(y);
    for (int x = region.x; x < region.right(); ++x) {
      if (mr[x] != kRegion) continue;
      for (int l = x - 1; l >= 0 && mr[l] == 0 && semi_transparent(row[l]); --l) {
        mr[l] = kFringe;
        grow(l, y);
      }
      int r = x;
      while (r + 1 < w && mr[r + 1] == kRegion) ++r;
      for (int k = r + 1; k < w && mr[k] == 0 && semi_transparent(row[k]); ++k) {
        mr[k] = kFringe;
        grow(k, y);
      }
      x = r;
    }
  }
  // Vertical pass: the same along each column, from region pixels only.
  for (int x = region.x; x < region.right(); ++x) {
    for (int y = region.y; y < region.bottom(); ++y) {
      if (m[size_t(y) * size_t(w) + size_t(x)] != kRegion) continue;
      for (int u = y - 1; u >= 0; --u) {
        uint8_t& c = m[size_t(u) * size_t(w) + size_t(x)];
        if (c == kRegion || !semi_transparent(ref.row(u)[x])) break;
        if (c == 0) {
          c = kFringe;
          grow(x, u);
        }
      }
      int b = y;
      while (b + 1 < h && m[size_t(b + 1) * size_t(w) + size_t(x)] == kRegion) ++b;
      for (int d = b + 1; d < h; ++d) {
        uint8_t& c = m[size_t(d) * size_t(w) + size_t(x)];
        if (c == kRegion || !semi_transparent(ref.row(d)[x])) break;
        if (c == 0) {
          c = kFringe;
          grow(x, d);
        }
      }
      y = b;
    }
  }
  map.marked = Rect{min_x, min_y, max_x - min_x + 1, max_y - min_y + 1};
  return map.marked;
}

void combine_fill_automatic(LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                            int mask_mode) {
  if (stroke.width() != layer.width() || stroke.height() != layer.height() ||
      backup.width() != layer.width() || backup.height() != layer.height())
    return;
  r = intersect(r, layer.bounds());
  const bool keep_alpha = mask_mode == 3;
  for (int y = r.y; y < r.bottom(); ++y) {
    Pixel* dst = layer.row(y);
    const Pixel* s = stroke.row(y);
    const Pixel* b = backup.row(y);
    for (int x = r.x; x < r.right(); ++x) {
      if (alpha_of(s[x]) == 0)
        dst[x] = b[x];
      else
        dst[x] = keep_alpha ? (s[x] & 0xFFFFFF) | (b[x] & 0xFF000000) : s[x];
    }
  }
}

void combine_fill_over(LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                       int mask_mode) {
  if (stroke.width() != layer.width() || stroke.height() != layer.height() ||
      backup.width() != layer.width() || backup.height() != layer.height())
    return;
  r = intersect(r, layer.bounds());
  const bool keep_alpha = mask_mode == 3;
  for (int y = r.y; y < r.bottom(); ++y) {
    Pixel* dst = layer.row(y);
    const Pixel* s = stroke.row(y);
    const Pixel* b = backup.row(y);
    for (int x = r.x; x < r.right(); ++x)
      dst[x] = alpha_of(s[x]) == 255 && !keep_alpha ? s[x] : combine_over(s[x], b[x], keep_alpha);
  }
}

}  // namespace qm
