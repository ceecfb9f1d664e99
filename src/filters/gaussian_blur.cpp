// Gaussian Blur in time independent of the strength. The staircase weights
// take at most five values, so the weighted sum over 2R + 1 taps is a sum of
// at most five nested box sums, each scaled by the step between two weights:
// Σ w(|i|)·v(i) = Σ_k (W_k − W_k+1) · Σ_{|i| ≤ b_k} v(i), where b_k is the
// last tap of weight level ≤ k. Integer sums are exact, so this equals the
// tap-by-tap sum bit for bit. Divisions of sums below 2^53 by divisors whose
// product with the quotient stays below 2^53 are done in double, exactly.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "filters/filter_algorithm.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

struct Boxes {
  int count = 0;
  int radius[5] = {};
  int64_t step[5] = {};  // weight added by this box
};

Boxes staircase(int s) {
  const int r = 3 * s;
  Boxes boxes;
  for (int level = 0; level < 5; ++level) {
    int last = -1;
    for (int i = 0; i <= r; ++i)
      if (int64_t{i} * i / (2 * int64_t{s} * s) <= level) last = i;
    if (level == 4) last = r;
    if (last < 0) continue;
    const int64_t step = kGaussianLevels[level] - (level < 4 ? kGaussianLevels[level + 1] : 0);
    if (boxes.count > 0 && boxes.radius[boxes.count - 1] == last) {
      boxes.step[boxes.count - 1] += step;
    } else {
      boxes.radius[boxes.count] = last;
      boxes.step[boxes.count] = step;
      ++boxes.count;
    }
  }
  return boxes;
}

inline uint32_t quotient(int64_t num, int64_t den) {
  return uint32_t(int64_t(double(num) / double(den)));
}

// One pass's output from the box sums (A, A·B, A·G, A·R per box).
inline Pixel pass_output(const Boxes& boxes, const uint32_t (*sums)[4], int taps) {
  const uint32_t sa = sums[boxes.count - 1][0];
  if (sa == 0) return kTransparent;
  const uint32_t a = sa / uint32_t(taps);
  if (a == 0) return kTransparent;
  int64_t sw = 0, sb = 0, sg = 0, sr = 0;
  for (int k = 0; k < boxes.count; ++k) {
    sw += boxes.step[k] * sums[k][0];
    sb += boxes.step[k] * sums[k][1];
    sg += boxes.step[k] * sums[k][2];
    sr += boxes.step[k] * sums[k][3];
  }
  return make_pixel(a, quotient(sr, sw), quotient(sg, sw), quotient(sb, sw));
}


// Horizontal pass of rows [y0, y1) into tmp (row y − tmp_y), over the
// rectangle's columns, with prefix sums along the edge-extended row.
void horizontal_rows(const LayerImage& src, LayerImage& tmp, int tmp_y, Rect rect,
                     const Boxes& boxes, int r, std::vector<uint32_t>& prefix, int y0, int y1,
                     ProgressSink* progress) {
  const int w = src.width();
  const int len = rect.w + 2 * r;
  const int taps = 2 * r + 1;
  for (int y = y0; y < y1; ++y) {
    const Pixel* in = src.row(y);
    uint32_t* p = prefix.data();
    std::memset(p, 0, 4 * sizeof(uint32_t));
    for (int t = 0; t < len; ++t) {
      const int sx = std::clamp(rect.x - r + t, 0, w - 1);
      const Pixel px = in[sx];
      const uint32_t a = alpha_of(px);
      uint32_t* q = p + 4 * (t + 1);
      q[0] = q[-4] + a;
      q[1] = q[-3] + a * blue_of(px);
      q[2] = q[-2] + a * green_of(px);
      q[3] = q[-1] + a * red_of(px);
    }
    Pixel* out = tmp.row(y - tmp_y);
    for (int j = 0; j < rect.w; ++j) {
      uint32_t sums[5][4];
      for (int k = 0; k < boxes.count; ++k) {
        const uint32_t* hi = p + 4 * (j + r + boxes.radius[k] + 1);
        const uint32_t* lo = p + 4 * (j + r - boxes.radius[k]);
        for (int c = 0; c < 4; ++c) sums[k][c] = hi[c] - lo[c];
      }
      out[j] = pass_output(boxes, sums, taps);
    }
    progress_step(progress);
  }
}

// Vertical pass of output rows [y0, y1) from tmp into dst. The rows in the
// window are kept premultiplied (A, A·B, A·G, A·R as 16-bit values) in a
// ring, and each box's column sums move down by adding the row that enters
// and subtracting the one that leaves.
struct VerticalScratch {
  std::vector<uint16_t> ring;   // (2R + 2) rows × rect.w × 4
  std::vector<uint32_t> sums;   // boxes × rect.w × 4
  std::vector<int> held;
};

void vertical_rows(const LayerImage& tmp, int tmp_y, int image_h, LayerImage& dst, Rect rect,
                   const Boxes& boxes, int r, VerticalScratch& scratch, int y0, int y1,
                   ProgressSink* progress) {
  const size_t n = size_t(rect.w) * 4;
  const int ring_rows = 2 * r + 2;
  const int taps = 2 * r + 1;
  // Which image row each slot holds; the rows in use span at most 2R + 2.
  std::vector<int>& held = scratch.held;
  std::fill(held.begin(), held.end(), -1);
  auto row_of = [&](int t) -> const uint16_t* {
    const int y = std::clamp(t, 0, image_h - 1);
    uint16_t* slot = scratch.ring.data() + size_t(y % ring_rows) * n;
    if (held[size_t(y % ring_rows)] != y) {
      held[size_t(y % ring_rows)] = y;
      const Pixel* in = tmp.row(y - tmp_y);
      for (int j = 0; j < rect.w; ++j) {
        const Pixel p = in[j];
        const uint32_t a = alpha_of(p);
        slot[4 * j] = uint16_t(a);
        slot[4 * j + 1] = uint16_t(a * blue_of(p));
        slot[4 * j + 2] = uint16_t(a * green_of(p));
        slot[4 * j + 3] = uint16_t(a * red_of(p));
      }
    }
    return slot;
  };
  uint32_t* sums = scratch.sums.data();
  std::fill(scratch.sums.begin(), scratch.sums.end(), 0u);
  for (int t = y0 - r; t <= y0 + r; ++t) {
    const uint16_t* in = row_of(t);
    for (int k = 0; k < boxes.count; ++k) {
      if (t < y0 - boxes.radius[k] || t > y0 + boxes.radius[k]) continue;
      uint32_t* s = sums + size_t(k) * n;
      for (size_t i = 0; i < n; ++i) s[i] += in[i];
    }
  }
  for (int y = y0;; ++y) {
    Pixel* out = dst.row(y) + rect.x;
    for (int j = 0; j < rect.w; ++j) {
      uint32_t box[5][4];
      for (int k = 0; k < boxes.count; ++k)
        for (int ch = 0; ch < 4; ++ch) box[k][ch] = sums[size_t(k) * n + 4 * size_t(j) + ch];
      out[j] = pass_output(boxes, box, taps);
    }
    progress_step(progress);
    if (y + 1 >= y1) break;
    for (int k = 0; k < boxes.count; ++k) {
      const uint16_t* enter = row_of(y + 1 + boxes.radius[k]);
      const uint16_t* leave = row_of(y - boxes.radius[k]);
      if (enter == leave) continue;
      uint32_t* s = sums + size_t(k) * n;
      for (size_t i = 0; i < n; ++i) s[i] = s[i] + enter[i] - leave[i];
    }
  }
}

}  // namespace

bool gaussian_blur(const LayerImage& src, LayerImage& dst, Rect rect, int strength,
                   ProgressSink* progress) {
  rect = intersect(rect, src.bounds());
  if (rect.empty()) return true;
  const int s = std::clamp(strength, 1, 30);
  const int r = 3 * s;
  const Boxes boxes = staircase(s);
  const int h = src.height();
  const int ty0 = std::max(0, rect.y - r), ty1 = std::min(h, rect.bottom() + r);

  LayerImage tmp;
  const int64_t tmp_bytes = int64_t{rect.w} * (ty1 - ty0) * 4;
  if (!temporary_allowed(tmp_bytes) || !tmp.create(rect.w, ty1 - ty0)) return false;
  const int bands1 = row_band_count(ty1 - ty0, 32);
  const int bands2 = row_band_count(rect.h, 32);
  std::vector<std::vector<uint32_t>> scratch1;
  std::vector<VerticalScratch> scratch2(static_cast<size_t>(bands2));
  try {
    for (int b = 0; b < bands1; ++b) scratch1.emplace_back(size_t(rect.w + 2 * r + 1) * 4);
    for (VerticalScratch& v : scratch2) {
      v.ring.resize(size_t(2 * r + 2) * size_t(rect.w) * 4);
      v.sums.resize(size_t(rect.w) * 4 * size_t(boxes.count));
      v.held.resize(size_t(2 * r + 2));
    }
  } catch (const std::bad_alloc&) {
    return false;
  }

  progress_range(progress, int64_t{ty1 - ty0} + rect.h);
  for_row_bands(ty0, ty1, bands1, progress, [&](int band, int y0, int y1, ProgressSink* p) {
    horizontal_rows(src, tmp, ty0, rect, boxes, r, scratch1[band], y0, y1, p);
  });
  for_row_bands(rect.y, rect.bottom(), bands2, progress,
                [&](int band, int y0, int y1, ProgressSink* p) {
                  vertical_rows(tmp, ty0, h, dst, rect, boxes, r, scratch2[size_t(band)], y0, y1, p);
                });
  return true;
}

}  // namespace qm::filters
