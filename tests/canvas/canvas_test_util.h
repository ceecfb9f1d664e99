#pragma once
// Helpers of the canvas tests: plain per-pixel versions of the view's
// arithmetic, to compare the fast code with.
#include <algorithm>
#include <random>

#include "canvas/view_mapping.h"
#include "core/layer_image.h"

namespace qm::test {

inline LayerImage random_image(int w, int h, uint32_t seed) {
  LayerImage img;
  img.create(w, h);
  std::mt19937 rng(seed);
  for (size_t i = 0; i < img.pixel_count(); ++i) img.pixels()[i] = rng();
  return img;
}

// What the view shows at window pixel (px, py), one pixel at a time with
// plain division.
inline Pixel reference_view_pixel(const LayerImage& src, const ViewGeometry& g, int px, int py,
                                  Pixel background) {
  const int64_t kx = int64_t{px} - (g.half_w - g.scroll_x);
  const int64_t ky = int64_t{py} - (g.half_h - g.scroll_y);
  // A window pixel shows the image when its left and top edges, at
  // k × 100 / scale image pixels, lie inside the image.
  if (kx < 0 || ky < 0 || kx * 100 >= int64_t{g.image_w} * g.scale ||
      ky * 100 >= int64_t{g.image_h} * g.scale)
    return 0xFF000000 | background;
  const int64_t step = (int64_t{100} << 18) / g.scale;
  if (g.scale >= 100) {
    int col = int((step * kx) >> 18);
    if (g.mirrored) col = g.image_w - 1 - col;
    return src.get_pixel(col, int((step * ky) >> 18)) | 0xFF000000;
  }
  int x0 = int((step * kx) >> 18), x1 = std::min(int((step * (kx + 1)) >> 18), g.image_w);
  const int y0 = int((step * ky) >> 18), y1 = std::min(int((step * (ky + 1)) >> 18), g.image_h);
  if (g.mirrored) {
    const int m0 = g.image_w - x1;
    x1 = g.image_w - x0;
    x0 = m0;
  }
  uint32_t r = 0, gr = 0, b = 0, n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x, ++n) {
      const Pixel p = src.get_pixel(x, y);
      r += red_of(p);
      gr += green_of(p);
      b += blue_of(p);
    }
  return make_pixel(0xFF, r / n, gr / n, b / n);
}

}  // namespace qm::test
