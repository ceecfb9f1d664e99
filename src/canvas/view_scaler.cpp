#include "canvas/view_scaler.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace qm {

namespace {

constexpr Pixel kOpaque = 0xFF000000u;

// Sums of up to kMaxCount pixels, one channel per 16-bit lane of a 64-bit
// word (blue, red, green from the bottom), so one addition per source pixel
// sums all three channels and a pixel takes two masks and one shift.
constexpr uint64_t kLaneMask = 0xFFFF;

constexpr uint64_t to_lanes(Pixel p) {
  return uint64_t(p & 0x00FF00FFu) | (uint64_t(p & 0x0000FF00u) << 24);
}

// Below 100 % a step covers at most 10 source pixels each way (10 % is
// exactly 10), so at most 100 pixels are averaged: 255 × 100 fits a lane.
constexpr int kMaxSpan = 10;
constexpr int kMaxCount = kMaxSpan * kMaxSpan;

// ceil(2^32 / n): (sum × r) >> 32 equals sum / n exactly for every sum and n
// here, since sum × (r × n − 2^32) < 25500 × 100 < 2^32.
constexpr std::array<uint64_t, kMaxCount + 1> make_reciprocals() {
  std::array<uint64_t, kMaxCount + 1> r{};
  for (int n = 1; n <= kMaxCount; ++n) r[n] = ((uint64_t{1} << 32) + uint64_t(n) - 1) / uint64_t(n);
  return r;
}
constexpr std::array<uint64_t, kMaxCount + 1> kReciprocal = make_reciprocals();

inline uint32_t mean(uint64_t sum, int count) {
  if (count <= kMaxCount) return uint32_t((sum * kReciprocal[count]) >> 32);
  return uint32_t(sum / uint64_t(count));
}

void fill_span(LayerImage& img, int x, int y, int w, Pixel value) {
  if (w <= 0) return;
  Pixel* out = img.row(y) + x;
  std::fill(out, out + w, value);
}

// Source index of window offset k (≥ 0) along one axis.
inline int source_of(int64_t step, int64_t k) { return int((step * k) >> kScaleStepBits); }

void scale_nearest(LayerImage& backing, const LayerImage& src, const ViewGeometry& g, Rect area) {
  const int64_t step = g.step();
  const int ox = g.origin_x(), oy = g.origin_y();
  // Column table once per call: no multiplication in the pixel loop.
  std::vector<int> cols(size_t(area.w));
  for (int i = 0; i < area.w; ++i) {
    const int c = source_of(step, area.x + i - ox);
    cols[size_t(i)] = g.mirrored ? g.image_w - 1 - c : c;
  }
  int prev_src_row = -1;
  for (int py = area.y; py < area.bottom(); ++py) {
    const int sy = source_of(step, py - oy);
    Pixel* out = backing.row(py) + area.x;
    if (sy == prev_src_row) {
      // Zoomed in, rows repeat: copy the row just made.
      std::memcpy(out, backing.row(py - 1) + area.x, size_t(area.w) * sizeof(Pixel));
      continue;
    }
    prev_src_row = sy;
    const Pixel* in = src.row(sy);
    if (g.scale == 100 && !g.mirrored) {
      // One source pixel per window pixel, in order: a straight copy.
      in += cols[0];
      for (int i = 0; i < area.w; ++i) out[i] = in[i] | kOpaque;
      continue;
    }
    const int* col = cols.data();
    for (int i = 0; i < area.w; ++i) out[i] = in[col[i]] | kOpaque;
  }
}

void scale_area_average(LayerImage& backing, const LayerImage& src, const ViewGeometry& g,
                        Rect area) {
  const int64_t step = g.step();
  const int ox = g.origin_x(), oy = g.origin_y();
  // Per window column: the first source column of its span (relative to the
  // summed range) and the span's width.
  std::vector<int> first(size_t(area.w)), width(size_t(area.w));
  int lo = g.image_w, hi = 0;
  for (int i = 0; i < area.w; ++i) {
    const int64_t k = area.x + i - ox;
    int a = source_of(step, k);
    int b = std::min(source_of(step, k + 1), g.image_w);
    if (g.mirrored) {
      const int ma = g.image_w - b;
      b = g.image_w - a;
      a = ma;
    }
    first[size_t(i)] = a;
    width[size_t(i)] = b - a;
    lo = std::min(lo, a);
    hi = std::max(hi, b);
  }
  for (int& a : first) a -= lo;
  std::vector<uint64_t> column_sums(size_t(hi - lo));

  for (int py = area.y; py < area.bottom(); ++py) {
    const int64_t k = py - oy;
    const int r0 = source_of(step, k);
    const int r1 = std::min(source_of(step, k + 1), g.image_h);
    std::fill(column_sums.begin(), column_sums.end(), 0);
    for (int sy = r0; sy < r1; ++sy) {
      const Pixel* in = src.row(sy) + lo;
      uint64_t* sum = column_sums.data();
      for (int c = 0; c < hi - lo; ++c) sum[c] += to_lanes(in[c]);
    }
    const int rows = r1 - r0;
    Pixel* out = backing.row(py) + area.x;
    for (int i = 0; i < area.w; ++i) {
      const uint64_t* s = column_sums.data() + first[size_t(i)];
      uint64_t total = 0;
      for (int c = 0; c < width[size_t(i)]; ++c) total += s[c];
      const int count = width[size_t(i)] * rows;
      const uint32_t b = mean(total & kLaneMask, count);
      const uint32_t r = mean((total >> 16) & kLaneMask, count);
      const uint32_t gch = mean((total >> 32) & kLaneMask, count);
      out[i] = kOpaque | (r << 16) | (gch << 8) | b;
    }
  }
}

}  // namespace

void scale_into_view(LayerImage& backing, const LayerImage& composite, const ViewGeometry& g,
                     Rect window, Pixel background) {
  if (backing.empty()) return;
  const Rect w = intersect(intersect(window, g.view_rect()), backing.bounds());
  if (w.empty()) return;
  const bool have_image = !composite.empty() && composite.width() == g.image_w &&
                          composite.height() == g.image_h;
  const Rect area = have_image ? intersect(g.image_area(), w) : Rect{};
  const Pixel bg = (background & 0xFFFFFF) | kOpaque;

  for (int py = w.y; py < w.bottom(); ++py) {
    if (area.empty() || py < area.y || py >= area.bottom()) {
      fill_span(backing, w.x, py, w.w, bg);
    } else {
      fill_span(backing, w.x, py, area.x - w.x, bg);
      fill_span(backing, area.right(), py, w.right() - area.right(), bg);
    }
  }
  if (area.empty()) return;
  if (g.scale >= 100)
    scale_nearest(backing, composite, g, area);
  else
    scale_area_average(backing, composite, g, area);
}

}  // namespace qm
