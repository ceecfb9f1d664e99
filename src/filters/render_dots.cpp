// Random Dots (brush dabs on a grid, each drawn by chance) and Noise.
#include <algorithm>

#include "core/colour.h"
#include "filters/render_common.h"

namespace qm::filters {

bool random_dots(const FilterArgs& a) {
  const int s = std::clamp(a.values.numeric[0], 1, 100);
  const uint32_t amount = uint32_t(std::clamp(a.values.numeric[1], 1, 512));
  const int g = std::clamp(a.values.numeric[2], 1, 200);
  const ByteMask mask = a.values.list[0] == 1 ? soft_disc_mask(s, 128) : hard_disc_mask(s);
  const int mode = a.values.list[1];
  const Rect r = a.rect;
  const LayerImage& src = a.src.empty() ? a.dst : a.src;
  // The dots overlap: drawn into a copy, so dst and src may be one image.
  LayerImage work;
  if (!work.create(r.w, r.h)) return false;
  work.blit_from(0, 0, r.w, r.h, src, r.x, r.y);
  const int x_end = g + s / 2 + r.w, y_end = g + s / 2 + r.h;
  progress_range(a.progress, y_end / g);
  for (int y = 0; y < y_end; y += g) {
    for (int x = 0; x < x_end; x += g) {
      if ((rand32() & 511) >= amount) continue;
      uint32_t colour = a.env.drawing_colour & 0xFFFFFF;
      if (mode == 1) colour = (rand32() & 255) * 0x010101u;
      else if (mode == 2) colour = hsv_to_rgb(int(rand32() % 360), 255, 255);
      const int ox = x - s / 2, oy = y - s / 2;
      for (int j = std::max(0, -oy); j < s && oy + j < r.h; ++j) {
        Pixel* d = work.row(oy + j);
        for (int i = std::max(0, -ox); i < s && ox + i < r.w; ++i)
          d[ox + i] = blend_colour(d[ox + i], colour, mask.at(i, j));
      }
    }
    progress_step(a.progress);
  }
  a.dst.blit_from(r.x, r.y, r.w, r.h, work, 0, 0);
  return true;
}

bool noise(const FilterArgs& a) {
  const int amount = std::clamp(a.values.numeric[0], 1, 512);
  const uint32_t span = uint32_t(2 * amount + 1);
  const bool colour_noise = a.values.check[0] != 0;
  auto offset = [&] { return int(rand32() % span) - amount; };
  auto add = [](int c, int h) { return uint32_t(std::clamp(c + h, 0, 255)); };
  const Rect r = a.rect;
  const LayerImage& src = a.src.empty() ? a.dst : a.src;
  progress_range(a.progress, r.h);
  for (int y = r.y; y < r.bottom(); ++y) {
    const Pixel* s = src.row(y) + r.x;
    Pixel* d = a.dst.row(y) + r.x;
    for (int x = 0; x < r.w; ++x) {
      const Pixel p = s[x];
      if (alpha_of(p) == 0) {
        d[x] = p;
        continue;
      }
      if (colour_noise) {
        const int hb = offset(), hg = offset(), hr = offset();
        d[x] = make_pixel(alpha_of(p), add(red_of(p), hr), add(green_of(p), hg), add(blue_of(p), hb));
      } else {
        const int h = offset();
        d[x] = make_pixel(alpha_of(p), add(red_of(p), h), add(green_of(p), h), add(blue_of(p), h));
      }
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
