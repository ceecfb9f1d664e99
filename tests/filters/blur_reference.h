#pragma once
// Plain per-pixel versions of the neighbourhood filters, written straight
// from their definitions (tap by tap, no running sums, no threads), and the
// random test images they are compared on.
#include <algorithm>
#include <cmath>
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

// Blur: the (2r + 1)² box, tap by tap.
inline Pixel box(const LayerImage& src, int x, int y, int r) {
  AlphaSums sums;
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx) sums.add(at(src, x + dx, y + dy));
  return average_output(sums, int64_t{2 * r + 1} * (2 * r + 1));
}

// The clamped bilinear alpha sample, every product divided by 255 (floor).
inline Pixel sample(const LayerImage& src, int64_t x, int64_t y) {
  // Only a position outside the image is moved (onto its nearest pixel);
  // one inside the last column or row keeps its fraction.
  if (x < 0 || x >= int64_t{src.width()} << 8) x = std::clamp<int64_t>(x, 0, int64_t{src.width() - 1} << 8);
  if (y < 0 || y >= int64_t{src.height()} << 8) y = std::clamp<int64_t>(y, 0, int64_t{src.height() - 1} << 8);
  const int x0 = int(x >> 8), y0 = int(y >> 8);
  const int64_t fx = x & 255, fy = y & 255;
  const Pixel q[4] = {at(src, x0, y0), at(src, x0 + 1, y0), at(src, x0, y0 + 1), at(src, x0 + 1, y0 + 1)};
  auto mix = [&](const int64_t v[4]) {
    return (255 - fy) * (v[0] * (255 - fx) / 255 + v[1] * fx / 255) / 255 +
           fy * (v[2] * (255 - fx) / 255 + v[3] * fx / 255) / 255;
  };
  int64_t a[4];
  for (int i = 0; i < 4; ++i) a[i] = alpha_of(q[i]);
  const int64_t alpha = mix(a);
  if (alpha == 0) return kTransparent;
  Pixel out = Pixel(alpha) << 24;
  for (int ch = 0; ch < 3; ++ch) {
    int64_t v[4];
    for (int i = 0; i < 4; ++i) v[i] = a[i] * channel(q[i], ch);
    out |= Pixel(std::min<int64_t>(mix(v) / alpha, 255)) << (8 * ch);
  }
  return out;
}

inline Pixel motion(const LayerImage& src, int x, int y, int n, int angle) {
  const double theta = (angle + 180) * 0.017453292519943295;
  AlphaSums sums;
  for (int d = 0; d <= n; ++d)
    sums.add(sample(src, int64_t{x} * 256 + int64_t(std::trunc(d * std::cos(theta) * 256)),
                    int64_t{y} * 256 + int64_t(std::trunc(d * std::sin(theta) * 256))));
  return average_output(sums, n + 1);
}

inline Pixel radial(const LayerImage& src, int x, int y, int cx, int cy, int k) {
  const double dist = std::sqrt(double((x - cx) * (x - cx) + (y - cy) * (y - cy)));
  const int64_t r = int64_t(std::ceil(dist));
  const int64_t n = int64_t(std::trunc(double(r * k) * 0.01));
  if (n == 0) return src.row(y)[x];
  const double theta = std::atan2(double(y - cy), double(x - cx));
  const int64_t cq = int64_t(std::trunc(std::cos(theta) * 1024));
  const int64_t sq = int64_t(std::trunc(std::sin(theta) * 1024));
  AlphaSums sums;
  for (int64_t rho = r - n; rho <= r; ++rho)
    sums.add(sample(src, int64_t{cx} * 256 + ((rho * cq) >> 2), int64_t{cy} * 256 + ((rho * sq) >> 2)));
  return average_output(sums, n + 1);
}

// Lens Blur over the disc, with the table f^i in fixed point (1.0 = 2^20)
// and each channel the largest i with f^i · ΣA ≤ E.
inline Pixel lens(const LayerImage& src, int x, int y, int r, int h) {
  int64_t table[256];
  const double f = h * 0.001 + 1.01;
  for (int i = 0; i < 256; ++i) table[i] = std::llround(std::pow(f, i) * 1048576.0);
  int64_t e[3] = {}, sa = 0, n = 0;
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx) {
      if (dx * dx + dy * dy > r * r) continue;
      const Pixel p = at(src, x + dx, y + dy);
      for (int ch = 0; ch < 3; ++ch) e[ch] += alpha_of(p) * table[channel(p, ch)];
      sa += alpha_of(p);
      ++n;
    }
  const int64_t a = sa / n;
  if (a == 0) return kTransparent;
  Pixel out = Pixel(a) << 24;
  for (int ch = 0; ch < 3; ++ch) {
    int v = 0;
    while (v < 255 && table[v + 1] * sa <= e[ch]) ++v;
    out |= Pixel(v) << (8 * ch);
  }
  return out;
}

inline Pixel sobel(const LayerImage& src, int x, int y) {
  const Pixel c = src.row(y)[x];
  if (alpha_of(c) == 0) return kTransparent;
  static const int kx[9] = {-1, 0, 1, -2, 0, 2, -1, 0, 1};
  static const int ky[9] = {-1, -2, -1, 0, 0, 0, 1, 2, 1};
  Pixel out = c & 0xFF000000u;
  for (int ch = 0; ch < 3; ++ch) {
    int gx = 0, gy = 0;
    for (int i = 0; i < 9; ++i) {
      const int v = channel(at(src, x + i % 3 - 1, y + i / 3 - 1), ch);
      gx += kx[i] * v;
      gy += ky[i] * v;
    }
    out |= Pixel(std::clamp(int(std::sqrt(double(gx * gx + gy * gy))), 0, 255)) << (8 * ch);
  }
  return out;
}

// Median with the full selection sort of the n² window.
inline Pixel median(const LayerImage& src, int x, int y, int n, int mode, bool transparent_only) {
  const Pixel self = src.row(y)[x];
  if (transparent_only && alpha_of(self) != 0) return self;
  Pixel px[49];
  int key[49];
  const int count = n * n;
  for (int i = 0; i < count; ++i) {
    px[i] = at(src, x + i % n - n / 2, y + i / n - n / 2);
    key[i] = (mode == 2 && alpha_of(px[i]) == 0) ? 0 : luma(px[i]);
  }
  for (int m = 0; m < count; ++m) {
    int best = m;
    for (int i = m + 1; i < count; ++i)
      if (key[i] > key[best]) best = i;
    std::swap(key[m], key[best]);
    std::swap(px[m], px[best]);
  }
  const Pixel pick = px[mode == 0 ? count - 1 : mode == 1 ? count / 2 : 0];
  return alpha_of(pick) == 0 ? self : pick;
}

}  // namespace qm::filters::ref
