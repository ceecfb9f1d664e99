// Pattern fills: lines at random thickness and spacing, a tone of dots, a
// checker. They replace pixels with the chosen colour.
#include <algorithm>

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
  copy_source_rect(a);
  const Rect r = a.rect;
  // Dot centres relative to the corner: rows `spacing` apart, dots 2 × spacing
  // apart, odd rows shifted left by `spacing`.
  for (int row = 0;; ++row) {
    const int oy = row * spacing - s / 2;
    if (oy >= r.h) break;
    for (int cx = (row & 1) ? -spacing : 0; cx - s / 2 < r.w; cx += 2 * spacing) {
      const int ox = cx - s / 2;
      for (int j = std::max(0, -oy); j < s && oy + j < r.h; ++j) {
        Pixel* d = a.dst.row(r.y + oy + j) + r.x;
        for (int i = std::max(0, -ox); i < s && ox + i < r.w; ++i)
          if (mask.at(i, j)) d[ox + i] = colour;
      }
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
    for (int x = 0; x < r.w; ++x)
      if ((x % (2 * cw)) / cw == band) d[x] = colour;
  }
  return true;
}

}  // namespace qm::filters
