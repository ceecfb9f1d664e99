#pragma once
// Plain per-pixel versions of the neighbourhood filters, written straight
// from their definitions (tap by tap, no running sums, no threads), and the
// random test images they are compared on.
#include <algorithm>
#include <cstdint>
#include <random>

#include "core/layer_image.h"
#include "filters/filter_helpers.h"

namespace qm::filters::ref {

// Random pixels with opaque, transparent and partly transparent patches;
// transparent pixels hold white, as in a layer.
inline LayerImage random_image(int w, int h, uint32_t seed) {
  LayerImage img;
  img.create(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t v = rng();
      uint32_t a = 255;
      const int zone = ((x / 5) + (y / 4)) % 4;
      if (zone == 1) a = 0;
      if (zone == 2) a = v >> 24;
      const Pixel p = a == 0 ? kTransparent : make_pixel(a, v & 255, (v >> 8) & 255, (v >> 16) & 255);
      img.row(y)[x] = p;
    }
  return img;
}

inline LayerImage copy_of(const LayerImage& src) {
  LayerImage out;
  out.create(src.width(), src.height());
  out.copy_from(src);
  return out;
}

inline Pixel at(const LayerImage& img, int x, int y) { return img.get_pixel_clamped(x, y); }

inline int channel(Pixel p, int ch) { return (p >> (8 * ch)) & 255; }

// The 3 × 3 convolution of one pixel: S_c / A / D + O with colours weighted
// by alpha, a neighbour's missing alpha (against the mean A) filled with the
// alpha-weighted mean colour.
inline Pixel convolve(const LayerImage& src, int x, int y, const int k[9], int d, int o) {
  int64_t sa = 0;
  for (int i = 0; i < 9; ++i) sa += alpha_of(at(src, x + i % 3 - 1, y + i / 3 - 1));
  const int64_t a = sa / 9;
  if (a == 0) return kTransparent;
  Pixel out = Pixel(a) << 24;
  for (int ch = 0; ch < 3; ++ch) {
    int64_t s = 0, sac = 0, fill = 0;
    for (int i = 0; i < 9; ++i) {
      const Pixel p = at(src, x + i % 3 - 1, y + i / 3 - 1);
      s += k[i] * int64_t{alpha_of(p)} * channel(p, ch);
      sac += int64_t{alpha_of(p)} * channel(p, ch);
      fill += k[i] * (a - alpha_of(p));
    }
    const int64_t v = (s * sa + sac * fill) / (sa * a);
    out |= Pixel(std::clamp<int64_t>(v / d + o, 0, 255)) << (8 * ch);
  }
  return out;
}

// One pass of the Gaussian Blur at (x, y) along (dx, dy), taps clamped.
inline Pixel gaussian_pass(const LayerImage& src, int x, int y, int dx, int dy, int s) {
  const int r = 3 * s;
  int64_t sw = 0, sa = 0, sc[3] = {};
  for (int i = -r; i <= r; ++i) {
    const Pixel p = at(src, x + i * dx, y + i * dy);
    const int64_t w = gaussian_weight(std::abs(i), s) * alpha_of(p);
    sw += w;
    sa += alpha_of(p);
    for (int ch = 0; ch < 3; ++ch) sc[ch] += w * channel(p, ch);
  }
  if (sa == 0 || sw == 0) return kTransparent;
  const int64_t a = sa / (2 * r + 1);
  if (a == 0) return kTransparent;
  return make_pixel(uint32_t(a), uint32_t(sc[2] / sw), uint32_t(sc[1] / sw), uint32_t(sc[0] / sw));
}

// Both passes; the temporary holds the rows the second pass can reach.
inline void gaussian(const LayerImage& src, LayerImage& dst, Rect rect, int s) {
  LayerImage tmp = copy_of(src);
  const int r = 3 * s;
  for (int y = std::max(0, rect.y - r); y < std::min(src.height(), rect.bottom() + r); ++y)
    for (int x = rect.x; x < rect.right(); ++x) tmp.row(y)[x] = gaussian_pass(src, x, y, 1, 0, s);
  for (int y = rect.y; y < rect.bottom(); ++y)
    for (int x = rect.x; x < rect.right(); ++x) dst.row(y)[x] = gaussian_pass(tmp, x, y, 0, 1, s);
}

}  // namespace qm::filters::ref
