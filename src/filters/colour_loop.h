#pragma once
// The one loop of the colour filters: every pixel of the rectangle with
// alpha ≠ 0 goes through `f`, the others are copied as they are. One progress
// step per row.
#include <cstdint>

#include "filters/colour_filters.h"

namespace qm::filters {

template <class F>
void map_opaque_pixels(const FilterArgs& a, F f) {
  // A runner without a backup passes an empty source: work in place.
  const LayerImage& src = a.src.empty() ? a.dst : a.src;
  progress_range(a.progress, a.rect.h);
  for (int y = a.rect.y; y < a.rect.bottom(); ++y) {
    const Pixel* s = src.row(y) + a.rect.x;
    Pixel* d = a.dst.row(y) + a.rect.x;
    for (int i = 0; i < a.rect.w; ++i) {
      const Pixel p = s[i];
      d[i] = alpha_of(p) ? f(p) : p;
    }
    progress_step(a.progress);
  }
}

// B, G and R through one table, as three pre-shifted lookups.
struct ShiftedTable {
  uint32_t r[256], g[256], b[256];
  ShiftedTable(const ByteTable& t) : ShiftedTable(t, t, t) {}
  ShiftedTable(const ByteTable& tr, const ByteTable& tg, const ByteTable& tb) {
    for (int i = 0; i < 256; ++i) {
      r[i] = uint32_t(tr[i]) << 16;
      g[i] = uint32_t(tg[i]) << 8;
      b[i] = tb[i];
    }
  }
  uint32_t operator()(Pixel p) const {
    return (p & 0xFF000000u) | r[red_of(p)] | g[green_of(p)] | b[blue_of(p)];
  }
};

// For the costly per-pixel conversions: painted layers hold long runs of
// one colour, so the last result is reused while the pixel repeats.
template <class F>
void map_opaque_pixels_reusing(const FilterArgs& a, F f) {
  Pixel last_in = 0xFF000000u, last_out = f(last_in);
  map_opaque_pixels(a, [&](Pixel p) {
    if (p != last_in) {
      last_in = p;
      last_out = f(p);
    }
    return last_out;
  });
}

inline void map_through_table(const FilterArgs& a, const ByteTable& t) {
  const ShiftedTable table(t);
  map_opaque_pixels(a, [&](Pixel p) { return table(p); });
}

}  // namespace qm::filters
