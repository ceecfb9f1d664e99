// Median (minimum, median or maximum by luma) over a 3 × 3, 5 × 5 or 7 × 7
// window. Which of several equal keys wins is decided by the selection sort
// that defines the filter, so the sort is carried out on the keys, stopping
// once the wanted position is final.
#include <algorithm>
#include <new>
#include <vector>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {

int median_pick(uint8_t* keys, uint8_t* index, int count, int position) {
  // Positions 0 … position are final after position + 1 rounds; the last
  // position is final after count − 1 rounds.
  const int rounds = std::min(position + 1, count - 1);
  for (int m = 0; m < rounds; ++m) {
    int best = m;
    for (int i = m + 1; i < count; ++i) best = keys[i] > keys[best] ? i : best;
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
  // Keys of every row the window reaches, per band: a ring of n rows of the
  // rectangle's columns widened by the window and clamped.
  const int bands = row_band_count(rect.h, 32);
  const size_t stride = size_t(rect.w + 2 * half);
  std::vector<std::vector<uint8_t>> rings(static_cast<size_t>(bands));
  try {
    for (auto& ring : rings) ring.resize(stride * size_t(n));
  } catch (const std::bad_alloc&) {
    return false;
  }
  progress_range(args.progress, rect.h);
  for_row_bands(rect.y, rect.bottom(), bands, args.progress, [&](int band, int y0, int y1,
                                                                 ProgressSink* p) {
    uint8_t* ring = rings[size_t(band)].data();
    auto slot = [&](int t) { return ring + size_t((t % n + n) % n) * stride; };
    auto fill = [&](int t) {
      const Pixel* in = src->row(std::clamp(t, 0, h - 1));
      uint8_t* k = slot(t);
      for (size_t i = 0; i < stride; ++i) {
        const Pixel q = in[std::clamp(rect.x - half + int(i), 0, w - 1)];
        k[i] = (mode == 2 && alpha_of(q) == 0) ? 0 : uint8_t(luma(q));
      }
    };
    for (int t = y0 - half; t < y0 + half; ++t) fill(t);
    for (int y = y0; y < y1; ++y) {
      fill(y + half);
      const Pixel* in = src->row(y);
      Pixel* out = args.dst.row(y);
      for (int x = rect.x; x < rect.right(); ++x) {
        if (transparent_only && alpha_of(in[x]) != 0) {
          out[x] = in[x];
          continue;
        }
        uint8_t keys[49], index[49];
        const int j = x - rect.x;
        for (int dy = 0; dy < n; ++dy) {
          const uint8_t* k = slot(y - half + dy) + j;
          for (int dx = 0; dx < n; ++dx) {
            keys[dy * n + dx] = k[dx];
            index[dy * n + dx] = uint8_t(dy * n + dx);
          }
        }
        const int pick = median_pick(keys, index, count, position);
        const Pixel q = src->row(std::clamp(y - half + pick / n, 0, h - 1))
                            [std::clamp(x - half + pick % n, 0, w - 1)];
        out[x] = alpha_of(q) == 0 ? in[x] : q;
      }
      progress_step(p);
    }
  });
  return true;
}

}  // namespace qm::filters
