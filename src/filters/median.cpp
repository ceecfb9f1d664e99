// Median (minimum, median or maximum by luma) over a 3 × 3, 5 × 5 or 7 × 7
// window. Which of several equal keys wins is decided by the selection sort
// that defines the filter, so the sort is carried out on the keys, 16 or 32
// windows at once (median_select.inc), stopping once the wanted position is
// final. median_pick() is the same sort for one window.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

namespace sse2 {
constexpr int kLanes = 16;
#include "filters/median_select.inc"
}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
constexpr int kLanes = 32;
#include "filters/median_select.inc"
}  // namespace avx2
#pragma GCC pop_options

// Window rows of keys and pixels, widened by the window and padded for the
// 32-byte reads.
struct Ring {
  std::vector<uint8_t> keys;
  std::vector<Pixel> pixels;
  std::vector<uint8_t> selected;
};

}  // namespace

int median_pick(uint8_t* keys, uint8_t* index, int count, int position) {
  // Positions 0 … position are final after position + 1 rounds; the last
  // position is final after count − 1 rounds.
  const int rounds = std::min(position + 1, count - 1);
  for (int m = 0; m < rounds; ++m) {
    int best = m;
    unsigned best_key = keys[m];
    for (int i = m + 1; i < count; ++i) {
      const bool larger = keys[i] > best_key;
      best = larger ? i : best;
      best_key = larger ? keys[i] : best_key;
    }
    std::swap(keys[m], keys[best]);
    std::swap(index[m], index[best]);
  }
  return index[position];
}

bool median(const FilterArgs& args) {
  const int n = 3 + 2 * std::clamp(args.values.list[0], 0, 2);
  const int mode = std::clamp(args.values.list[1], 0, 2);  // minimum, median, maximum
  const bool transparent_only = args.values.check[0] != 0;
  LayerImage holder;
  const LayerImage* src = separate_source(args, &holder);
  if (!src) return false;
  const Rect rect = args.rect;
  const int w = src->width(), h = src->height(), half = n / 2, count = n * n;
  const int position = mode == 0 ? count - 1 : mode == 1 ? count / 2 : 0;
  const int bands = row_band_count(rect.h, 32);
  const size_t stride = size_t(rect.w + 2 * half + 32);
  std::vector<Ring> rings(static_cast<size_t>(bands));
  try {
    for (Ring& ring : rings) {
      ring.keys.assign(stride * size_t(n), 0);
      ring.pixels.resize(stride * size_t(n));
      ring.selected.resize(stride);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  const bool avx2 = filter_avx2();
  progress_range(args.progress, rect.h);
  for_row_bands(rect.y, rect.bottom(), bands, args.progress, [&](int band, int y0, int y1,
                                                                 ProgressSink* p) {
    Ring& ring = rings[size_t(band)];
    auto slot = [&](int t) { return size_t((t % n + n) % n) * stride; };
    auto fill = [&](int t) {
      const Pixel* in = src->row(std::clamp(t, 0, h - 1));
      uint8_t* k = ring.keys.data() + slot(t);
      Pixel* px = ring.pixels.data() + slot(t);
      for (size_t i = 0; i < size_t(rect.w + 2 * half); ++i) {
        const Pixel q = in[std::clamp(rect.x - half + int(i), 0, w - 1)];
        px[i] = q;
        k[i] = (mode == 2 && alpha_of(q) == 0) ? 0 : uint8_t(luma(q));
      }
    };
    for (int t = y0 - half; t < y0 + half; ++t) fill(t);
    for (int y = y0; y < y1; ++y) {
      fill(y + half);
      const Pixel* in = src->row(y);
      Pixel* out = args.dst.row(y);
      const uint8_t* key_rows[7];
      const Pixel* pixel_rows[7];
      for (int dy = 0; dy < n; ++dy) {
        key_rows[dy] = ring.keys.data() + slot(y - half + dy);
        pixel_rows[dy] = ring.pixels.data() + slot(y - half + dy);
      }
      uint8_t* selected = ring.selected.data();
      if (avx2) avx2::select_indices(key_rows, n, position, rect.w, selected);
      else sse2::select_indices(key_rows, n, position, rect.w, selected);
      for (int j = 0; j < rect.w; ++j) {
        const int x = rect.x + j;
        if (transparent_only && alpha_of(in[x]) != 0) {
          out[x] = in[x];
          continue;
        }
        const int pick = selected[j];
        const Pixel q = pixel_rows[pick / n][j + pick % n];
        out[x] = alpha_of(q) == 0 ? in[x] : q;
      }
      progress_step(p);
    }
  });
  return true;
}

}  // namespace qm::filters
