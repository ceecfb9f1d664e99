// Blur: the (2r + 1)² box with the average output rule, in time independent
// of r. Horizontal box sums of each needed row are kept in a ring of 2r + 1
// rows and summed down the columns with a running sum; every sum is an exact
// integer, so the result equals the tap-by-tap box bit for bit.
#include <algorithm>
#include <new>
#include <vector>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

// Sums of A, A·B, A·G, A·R over the 2r + 1 clamped columns around each of
// the rectangle's columns.
void row_box_sums(const Pixel* in, int w, Rect rect, int r, uint32_t* out) {
  uint32_t s[4] = {};
  auto add = [&](Pixel p, uint32_t sign) {
    const uint32_t a = alpha_of(p);
    s[0] += sign * a;
    s[1] += sign * a * blue_of(p);
    s[2] += sign * a * green_of(p);
    s[3] += sign * a * red_of(p);
  };
  for (int i = -r; i <= r; ++i) add(in[std::clamp(rect.x + i, 0, w - 1)], 1);
  for (int j = 0; j < rect.w; ++j) {
    std::copy(s, s + 4, out + 4 * j);
    add(in[std::clamp(rect.x + j + r + 1, 0, w - 1)], 1);
    add(in[std::clamp(rect.x + j - r, 0, w - 1)], uint32_t(-1));
  }
}

struct BandScratch {
  std::vector<uint32_t> ring;  // (2r + 1) rows × rect.w × 4
  std::vector<uint32_t> column;
};

void blur_rows(const LayerImage& src, LayerImage& dst, Rect rect, int r, BandScratch& scratch,
               int y0, int y1, ProgressSink* progress) {
  const int w = src.width(), h = src.height();
  const int size = 2 * r + 1;
  const uint32_t n = uint32_t(size * size);
  const size_t stride = size_t(rect.w) * 4;
  uint32_t* col = scratch.column.data();
  std::fill(scratch.column.begin(), scratch.column.end(), 0u);
  auto slot = [&](int t) { return scratch.ring.data() + size_t((t % size + size) % size) * stride; };
  for (int t = y0 - r; t <= y0 + r; ++t) {
    uint32_t* s = slot(t);
    row_box_sums(src.row(std::clamp(t, 0, h - 1)), w, rect, r, s);
    for (size_t i = 0; i < stride; ++i) col[i] += s[i];
  }
  for (int y = y0;; ++y) {
    Pixel* out = dst.row(y) + rect.x;
    for (int j = 0; j < rect.w; ++j) {
      const uint32_t* c = col + 4 * j;
      const uint32_t a = c[0] / n;
      out[j] = (c[0] == 0 || a == 0) ? kTransparent
                                     : make_pixel(a, c[3] / c[0], c[2] / c[0], c[1] / c[0]);
    }
    progress_step(progress);
    if (y + 1 >= y1) break;
    // Row y − r leaves the window and row y + r + 1 takes its slot.
    uint32_t* s = slot(y - r);
    for (size_t i = 0; i < stride; ++i) col[i] -= s[i];
    row_box_sums(src.row(std::clamp(y + r + 1, 0, h - 1)), w, rect, r, s);
    for (size_t i = 0; i < stride; ++i) col[i] += s[i];
  }
}

}  // namespace

bool box_blur(const FilterArgs& args) {
  const int r = numeric_value(args, 0, 1, 16);
  const Rect rect = args.rect;
  LayerImage holder;
  const LayerImage* src = separate_source(args, &holder);
  if (!src) return false;
  const int bands = row_band_count(rect.h, 32);
  std::vector<BandScratch> scratch(static_cast<size_t>(bands));
  try {
    for (BandScratch& s : scratch) {
      s.ring.resize(size_t(2 * r + 1) * size_t(rect.w) * 4);
      s.column.resize(size_t(rect.w) * 4);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  progress_range(args.progress, rect.h);
  for_row_bands(rect.y, rect.bottom(), bands, args.progress,
                [&](int band, int y0, int y1, ProgressSink* p) {
                  blur_rows(*src, args.dst, rect, r, scratch[size_t(band)], y0, y1, p);
                });
  return true;
}

}  // namespace qm::filters
