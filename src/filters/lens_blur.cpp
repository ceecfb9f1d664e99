// Lens Blur: an exponential mean over a disc. The table f^i is kept in fixed
// point (exact integer sums), and each channel is the largest i whose f^i
// does not exceed E / ΣA, which is trunc(ln(E / ΣA) / ln f) without the
// rounding of the logarithm, so a flat area stays flat. The disc is a stack
// of row spans, each summed from prefix sums of its edge-extended row.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {

void lens_table(int highlight, int64_t table[256]) {
  const double f = highlight * 0.001 + 1.01;
  for (int i = 0; i < 256; ++i) table[i] = std::llround(std::pow(f, i) * double(kLensOne));
}

int lens_channel(const int64_t table[256], int64_t e, int64_t sa) {
  // Largest i with table[i] ≤ ⌊E / ΣA⌋, i.e. table[i] · ΣA ≤ E (the table
  // rises; table[255] · ΣA < 2^52), found by halving without a division.
  // E is at least table[0] · ΣA, so i = 0 holds to begin with.
  int i = 0;
  for (int step = 128; step != 0; step >>= 1)
    if (table[i + step] * sa <= e) i += step;
  return i;
}

namespace {

// The same answer walked to from `near` (the neighbour's channel, which in
// smooth areas is the answer or one step off).
inline int lens_channel_near(const int64_t table[256], int64_t e, int64_t sa, int near) {
  int i = near;
  while (i < 255 && table[i + 1] * sa <= e) ++i;
  while (i > 0 && table[i] * sa > e) --i;
  return i;
}

struct Prefix {
  int64_t a, b, g, r;
};

void prefix_row(const Pixel* in, int w, Rect rect, int radius, const int64_t table[256],
                Prefix* out) {
  out[0] = {};
  const int len = rect.w + 2 * radius;
  for (int t = 0; t < len; ++t) {
    const Pixel p = in[std::clamp(rect.x - radius + t, 0, w - 1)];
    const int64_t a = alpha_of(p);
    out[t + 1] = {out[t].a + a, out[t].b + a * table[blue_of(p)], out[t].g + a * table[green_of(p)],
                  out[t].r + a * table[red_of(p)]};
  }
}

}  // namespace

bool lens_blur(const FilterArgs& args) {
  const int radius = numeric_value(args, 0, 1, 14);
  const int highlight = numeric_value(args, 1, 0, 30);
  LayerImage holder;
  const LayerImage* src = separate_source(args, &holder);
  if (!src) return false;
  int64_t table[256];
  lens_table(highlight, table);
  // Half-width of the disc's row at each dy, and the number of cells.
  int half[29];
  int64_t cells = 0;
  for (int dy = -radius; dy <= radius; ++dy) {
    int hw = 0;
    while ((hw + 1) * (hw + 1) + dy * dy <= radius * radius) ++hw;
    half[dy + radius] = hw;
    cells += 2 * hw + 1;
  }
  const Rect rect = args.rect;
  const int size = 2 * radius + 1;
  const size_t stride = size_t(rect.w + 2 * radius + 1);
  const int bands = row_band_count(rect.h, 32);
  std::vector<std::vector<Prefix>> rings(static_cast<size_t>(bands));
  try {
    for (auto& ring : rings) ring.resize(stride * size_t(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  const int w = src->width(), h = src->height();
  progress_range(args.progress, rect.h);
  for_row_bands(rect.y, rect.bottom(), bands, args.progress, [&](int band, int y0, int y1,
                                                                 ProgressSink* p) {
    Prefix* ring = rings[size_t(band)].data();
    auto slot = [&](int t) { return ring + size_t((t % size + size) % size) * stride; };
    for (int t = y0 - radius; t < y0 + radius; ++t)
      prefix_row(src->row(std::clamp(t, 0, h - 1)), w, rect, radius, table, slot(t));
    for (int y = y0; y < y1; ++y) {
      prefix_row(src->row(std::clamp(y + radius, 0, h - 1)), w, rect, radius, table,
                 slot(y + radius));
      Pixel* out = args.dst.row(y) + rect.x;
      const Prefix* rows[29];
      for (int dy = -radius; dy <= radius; ++dy) rows[dy + radius] = slot(y + dy);
      int near_r = 128, near_g = 128, near_b = 128;
      for (int j = 0; j < rect.w; ++j) {
        Prefix s{};
        for (int dy = -radius; dy <= radius; ++dy) {
          const Prefix* row = rows[dy + radius];
          const int hw = half[dy + radius];
          const Prefix& hi = row[j + radius + hw + 1];
          const Prefix& lo = row[j + radius - hw];
          s.a += hi.a - lo.a;
          s.b += hi.b - lo.b;
          s.g += hi.g - lo.g;
          s.r += hi.r - lo.r;
        }
        const int64_t a = s.a / cells;
        if (a == 0) {
          out[j] = kTransparent;
          continue;
        }
        near_r = lens_channel_near(table, s.r, s.a, near_r);
        near_g = lens_channel_near(table, s.g, s.a, near_g);
        near_b = lens_channel_near(table, s.b, s.a, near_b);
        out[j] = make_pixel(uint32_t(a), uint32_t(near_r), uint32_t(near_g), uint32_t(near_b));
      }
      progress_step(p);
    }
  });
  return true;
}

}  // namespace qm::filters
