// Pattern fills: lines at random thickness and spacing, a tone of dots, a
// checker. They replace pixels with the chosen colour.
#include <algorithm>
#include <new>
#include <vector>

#include "filters/render_common.h"

namespace qm::filters {

bool lines(const FilterArgs& a) {
  const FilterValues& v = a.values;
  const int t0 = std::clamp(v.numeric[0], 1, 100);
  const int t1 = std::max(std::clamp(v.numeric[1], 1, 100), t0);
  const int g0 = std::clamp(v.numeric[2], 1, 200);
  const int g1 = std::max(std::clamp(v.numeric[3], 1, 200), g0);
  const uint32_t e = uint32_t(g1 - g0 + 1), span = uint32_t(t1 - t0 + 1);
  const int offset = g0 == g1 ? g0 : 0;
  const Pixel colour = list_colour(a.env, v.list[0]);
  copy_source_rect(a);
  const Rect r = a.rect;
  // Positions run along one axis: rows for horizontal lines, columns for vertical.
  auto run = [&](int first, int last, auto fill) {
    int p = first + int(rand32() % e) + offset;
    while (p <= last) {
      const int t = std::min(t0 + int(rand32() % span), last - p + 1);
      fill(p, t);
      p += t + int(rand32() % e) + g0;
    }
  };
  if (v.check[0])
    run(r.y, r.bottom() - 1, [&](int y, int t) { a.dst.fill_rect(r.x, y, r.w, t, colour); });
  if (v.check[1])
    run(r.x, r.right() - 1, [&](int x, int t) { a.dst.fill_rect(x, r.y, t, r.h, colour); });
  return true;
}

bool tone(const FilterArgs& a) {
  const int s = std::clamp(a.values.numeric[0], 1, 100);
  const int spacing = std::clamp(a.values.numeric[1], 1, 100);
  const Pixel colour = list_colour(a.env, a.values.list[0]);
  const ByteMask mask = hard_disc_mask(s);
  const Rect r = a.rect;
  // Each mask row of the disc is one span of set cells.
  std::vector<int> lo(size_t(s), -1), hi(size_t(s), -1);
  for (int j = 0; j < s; ++j)
    for (int i = 0; i < s; ++i)
      if (mask.at(i, j)) {
        if (lo[size_t(j)] < 0) lo[size_t(j)] = i;
        hi[size_t(j)] = i;
      }
  std::vector<int> cover;
  try {
    cover.resize(size_t(r.w) + 1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  copy_source_rect(a);
  // Dot centres relative to the corner: rows `spacing` apart, dots 2 × spacing
  // apart, odd rows shifted left by `spacing`; the mask's origin is s / 2
  // before the centre. Every dot writes the same colour, so each image row
  // is the union of the spans of the dot rows over it, gathered by
  // difference counts: large dots at small spacing cost no more than small ones.
  const int half = s / 2, step = 2 * spacing;
  auto add = [&](int x0, int x1) {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, r.w - 1);
    if (x0 > x1) return;
    ++cover[size_t(x0)];
    --cover[size_t(x1) + 1];
  };
  for (int y = 0; y < r.h; ++y) {
    std::fill(cover.begin(), cover.end(), 0);
    const int n = y + half - s + 1;  // first dot row reaching down to y: ceil(n / spacing)
    const int first = std::max(0, n >= 0 ? (n + spacing - 1) / spacing : -(-n / spacing));
    for (int row = first; row <= (y + half) / spacing; ++row) {
      const int j = y - (row * spacing - half);
      if (lo[size_t(j)] < 0) continue;
      const int start = (row & 1) ? -spacing : 0;
      const int last = (r.w - 1 + half - start) / step;  // last dot with cx − s/2 < width
      if (hi[size_t(j)] - lo[size_t(j)] + 1 >= step) {
        add(start - half + lo[size_t(j)], start + step * last - half + hi[size_t(j)]);
        continue;
      }
      for (int k = 0; k <= last; ++k) add(start + step * k - half + lo[size_t(j)], start + step * k - half + hi[size_t(j)]);
    }
    Pixel* d = a.dst.row(r.y + y) + r.x;
    int depth = 0;
    for (int x = 0; x < r.w; ++x) {
      depth += cover[size_t(x)];
      if (depth > 0) d[x] = colour;
    }
  }
  return true;
}

bool checker(const FilterArgs& a) {
  const int cw = std::clamp(a.values.numeric[0], 2, 300);
  const int ch = a.values.check[0] ? cw : std::clamp(a.values.numeric[1], 2, 300);
  const Pixel colour = list_colour(a.env, a.values.list[0]);
  copy_source_rect(a);
  const Rect r = a.rect;
  for (int y = 0; y < r.h; ++y) {
    const int band = (y % (2 * ch)) / ch;
    Pixel* d = a.dst.row(r.y + y) + r.x;
    // (x mod 2cw) / cw by counting: cells of cw pixels, alternately 0 and 1.
    int cell = 0;
    for (int x0 = 0; x0 < r.w; x0 += cw, cell ^= 1)
      if (cell == band) std::fill(d + x0, d + std::min(x0 + cw, r.w), colour);
  }
  return true;
}

}  // namespace qm::filters
