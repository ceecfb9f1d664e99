#pragma once
// Plain per-pixel references of the colour adjustment and render filters,
// written straight from the formulas: no tables, no precomputed rows. Each
// takes the source pixel (or the images) and returns what the filter must
// give. Random draws come from a generator the test seeds like the shared one.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "core/colour.h"
#include "core/layer_image.h"

namespace qm::ref {

inline int R(Pixel p) { return red_of(p); }
inline int G(Pixel p) { return green_of(p); }
inline int B(Pixel p) { return blue_of(p); }
inline int clamp255(int v) { return std::clamp(v, 0, 255); }
inline Pixel rgb(Pixel p, int r, int g, int b) { return make_pixel(alpha_of(p), uint32_t(r), uint32_t(g), uint32_t(b)); }
inline int luma(Pixel p) { return (77 * R(p) + 150 * G(p) + 29 * B(p)) >> 8; }

inline Pixel brightness_contrast(Pixel p, int bright, int contrast) {
  auto t = [&](int i) { return std::clamp(int(i + (contrast * 0.01) * (i - 127.5)), 0, 255); };
  const int b = t(B(p)), g = t(G(p)), r = t(R(p));
  const int y = ((29 * b + 77 * r + 150 * g) >> 8) + bright;
  const int cr = ((128 * r - 21 * b - 107 * g) >> 8) + 128;
  const int cb = ((128 * b - 43 * r - 85 * g) >> 8) + 128;
  return rgb(p, clamp255(y + ((359 * cr - 45952) >> 8)), clamp255(y - ((183 * cr + 88 * cb - 34688) >> 8)),
             clamp255(y + ((454 * cb - 58112) >> 8)));
}

inline int gamma(int i, int g) {
  // Truncated after a 1e-9 nudge, so gamma 1.00 is the identity.
  return std::clamp(int(std::pow(i * 0.00392156862745098, 1 / (g * 0.01)) * 255 + 1e-9), 0, 255);
}

// With the sound handling of handles on or past each other: identity when
// in_min ≥ in_max, in_mid at most in_max − 1.
inline int levels(int i, int in_min, int in_mid, int in_max, int out_min, int out_max) {
  if (in_min >= in_max) return i;
  in_mid = std::min(in_mid, in_max - 1);
  const double d = in_max - in_min;
  const double m = 1 / (2 - 2 * (in_mid - in_min) / d);
  const int o = std::clamp(i, in_min, in_max);
  const int u = std::clamp(int(d * std::pow((o - in_min) / d, m)) + in_min, in_min, in_max);
  return (u - in_min) * (out_max - out_min) / (in_max - in_min) + out_min;
}

// Level k covers 256k / n … 256(k + 1) / n − 1 and maps to 255k / (n − 1).
inline int posterise(int i, int n) {
  for (int k = 0; k < n; ++k)
    if (i < 256 * (k + 1) / n) return 255 * k / (n - 1);
  return 255;
}

inline Pixel hsv_adjust(Pixel p, int dh, int ds, int dv) {
  const Hsv c = rgb_to_hsv(p & 0xFFFFFF);
  int h = c.h + dh;
  if (h < 0) h += 360;
  if (h >= 360) h -= 360;
  return (p & 0xFF000000) | hsv_to_rgb(h, clamp255(c.s + ds), clamp255(c.v + dv));
}

inline Pixel sepia(Pixel p) {
  const int s = 77 * R(p) + 150 * G(p) + 29 * B(p), y = s >> 8;
  return rgb(p, s < 57856 ? y + 30 : 255, y, s >= 3840 ? y - 15 : 0);
}

inline Pixel tint(Pixel p, uint32_t f, uint32_t k) {
  const int y = luma(p);
  auto c = [&](int shift) {
    const int fc = int(f >> shift & 255), kc = int(k >> shift & 255);
    return fc + (kc - fc) * y / 255;
  };
  return rgb(p, c(16), c(8), c(0));
}

// The painting engine's "over", in doubles.
inline Pixel over(Pixel d, uint32_t colour, int a) {
  if (a == 0) return d;
  if (a == 255) return 0xFF000000u | (colour & 0xFFFFFF);
  const double e = a / 255.0, f = alpha_of(d) / 255.0, m = e + f - e * f;
  auto ch = [&](int c, int dc) { return int((e * c + f * (1 - e) * dc) / m + 0.5); };
  return make_pixel(uint32_t(m * 255 + 0.5), uint32_t(ch(int(colour >> 16 & 255), R(d))),
                    uint32_t(ch(int(colour >> 8 & 255), G(d))), uint32_t(ch(int(colour & 255), B(d))));
}

// The disc masks, side × side, row-major.
inline std::vector<int> hard_disc(int s) {
  // Midpoint circle of radius (s − 1) / 2, filled; even sides mirror the
  // lower-right half one pixel further.
  std::vector<int> m(size_t(s * s), 0);
  const int r = (s - 1) / 2, extra = (s - 1) % 2;
  std::vector<int> ext(size_t(r) + 1, 0);
  for (int x = r, y = 0, d = 1 - r; x >= y;) {
    ext[size_t(y)] = std::max(ext[size_t(y)], x);
    ext[size_t(x)] = std::max(ext[size_t(x)], y);
    ++y;
    if (d < 0) d += 2 * y + 1;
    else { --x; d += 2 * (y - x) + 1; }
  }
  for (int v = 0; v <= r; ++v)
    for (int i = r - ext[size_t(v)]; i <= r + extra + ext[size_t(v)]; ++i) {
      m[size_t((r - v) * s + i)] = 255;
      m[size_t((r + extra + v) * s + i)] = 255;
    }
  return m;
}
inline std::vector<int> soft_disc(int s, int peak) {
  if (s <= 2) return hard_disc(s);
  std::vector<int> m(size_t(s * s), 0);
  const double c = s / 2.0 - 0.5;
  for (int j = 0; j < s; ++j)
    for (int i = 0; i < s; ++i) {
      const double d = std::sqrt((i - c) * (i - c) + (j - c) * (j - c));
      if (d < c) m[size_t(j * s + i)] = peak - int(d * peak / c);
    }
  return m;
}

// Clouds over a w × h rectangle; `src` holds the rectangle's pixels (row-major)
// and receives the result.
inline void clouds(std::vector<Pixel>& px, int w, int h, double q, double pers, double k, uint32_t c0,
                   uint32_t c1, bool difference, std::mt19937& rng) {
  std::vector<int> raw(size_t(w * h)), g(size_t(w * h));
  for (int& v : raw) v = int((2 * ((rng() & 0xFFFF) / 65535.0) - 1) * 1048576);
  auto at = [&](int x, int y) {
    if (x < 0) x = w > 1 ? 1 : 0;
    if (x >= w) x = w > 1 ? w - 2 : 0;
    if (y < 0) y = h > 1 ? 1 : 0;
    if (y >= h) y = h > 1 ? h - 2 : 0;
    return raw[size_t(y * w + x)];
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      g[size_t(y * w + x)] = (at(x - 1, y - 1) + at(x + 1, y - 1) + at(x - 1, y + 1) + at(x + 1, y + 1)) / 16 +
                             (at(x, y - 1) + at(x, y + 1) + at(x - 1, y) + at(x + 1, y)) / 8 + at(x, y) / 4;
  auto cosine = [](int m) { return int((1 - std::cos(m * 0.01227184630308513)) * 0.5 * 256); };
  auto noise = [&](double u, double v) {
    const int ix = int(u * 256), iy = int(v * 256);
    const int fx = cosine(ix & 255), fy = cosine(iy & 255);
    const int x0 = (ix >> 8) % w, x1 = (x0 + 1) % w, y0 = (iy >> 8) % h, y1 = (y0 + 1) % h;
    auto cell = [&](int x, int y) { return g[size_t(y * w + x)]; };
    const int top = (cell(x0, y0) * (256 - fx) + cell(x1, y0) * fx) >> 8;
    const int bottom = (cell(x0, y1) * (256 - fx) + cell(x1, y1) * fx) >> 8;
    return ((top * (256 - fy) + bottom * fy) >> 8) * std::pow(2.0, -20);
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double sum = 0, f = q, a = pers;
      for (int i = 0; i < 8; ++i) {
        sum += noise(x * f, y * f) * a;
        f *= 2;
        a *= pers;
      }
      const int L = std::clamp(int(k * sum) + 128, 0, 256);
      Pixel& p = px[size_t(y * w + x)];
      auto mix = [&](int s) {
        const int a0 = int(c0 >> s & 255), a1 = int(c1 >> s & 255);
        return a0 + ((L * (a1 - a0)) >> 8);
      };
      if (!difference) p = make_pixel(255, uint32_t(mix(16)), uint32_t(mix(8)), uint32_t(mix(0)));
      else if (alpha_of(p)) {
        const int l = std::min(L, 255);
        p = rgb(p, std::abs(R(p) - l), std::abs(G(p) - l), std::abs(B(p) - l));
      }
    }
}

// The drawing filters over a whole image `img` (already holding the source),
// rectangle `r`, colours as opaque pixels.
inline void lines(LayerImage& img, Rect r, int t0, int t1, int g0, int g1, bool horizontal, bool vertical,
                  Pixel colour, std::mt19937& rng) {
  if (t1 < t0) t1 = t0;
  if (g1 < g0) g1 = g0;
  const uint32_t e = uint32_t(g1 - g0 + 1);
  const int o = g0 == g1 ? g0 : 0;
  if (horizontal)
    for (int y = r.y + int(rng() % e) + o; y <= r.bottom() - 1;) {
      int t = t0 + int(rng() % uint32_t(t1 - t0 + 1));
      if (y + t - 1 > r.bottom() - 1) t = r.bottom() - y;
      for (int yy = y; yy < y + t; ++yy)
        for (int x = r.x; x < r.right(); ++x) *img.pixel_address(x, yy) = colour;
      y += t + int(rng() % e) + g0;
    }
  if (vertical)
    for (int x = r.x + int(rng() % e) + o; x <= r.right() - 1;) {
      int t = t0 + int(rng() % uint32_t(t1 - t0 + 1));
      if (x + t - 1 > r.right() - 1) t = r.right() - x;
      for (int xx = x; xx < x + t; ++xx)
        for (int y = r.y; y < r.bottom(); ++y) *img.pixel_address(xx, y) = colour;
      x += t + int(rng() % e) + g0;
    }
}

// Tone: is (x, y) of the rectangle (relative) covered by a dot?
inline bool tone_covers(int x, int y, int s, int a, const std::vector<int>& mask) {
  for (int row = 0; row * a - s / 2 <= y; ++row)
    for (int cx = (row % 2) ? -a : 0; cx - s / 2 <= x; cx += 2 * a) {
      const int i = x - (cx - s / 2), j = y - (row * a - s / 2);
      if (i >= 0 && j >= 0 && i < s && j < s && mask[size_t(j * s + i)]) return true;
    }
  return false;
}

// Outline from the opacity of `ref` (snapshot) onto `img`.
inline void outline(LayerImage& img, const LayerImage& ref, Rect r, const std::vector<int>& mask, int s, bool outer,
                    uint32_t colour) {
  auto opaque = [&](int x, int y) {
    if (!r.contains(x, y)) return !outer;
    return alpha_of(ref.get_pixel(x, y)) != 0;
  };
  const bool on = !outer;
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) {
      if (opaque(x, y) != on) continue;
      if (opaque(x - 1, y) == on && opaque(x + 1, y) == on && opaque(x, y - 1) == on && opaque(x, y + 1) == on)
        continue;
      for (int j = 0; j < s; ++j)
        for (int i = 0; i < s; ++i) {
          const int px = x - s / 2 + i, py = y - s / 2 + j;
          if (r.contains(px, py) && opaque(px, py) == on)
            *img.pixel_address(px, py) = over(img.get_pixel(px, py), colour, mask[size_t(j * s + i)]);
        }
    }
}

inline void frame_line(LayerImage& img, Rect r, int n, uint32_t colour, int alpha) {
  auto put = [&](int x, int y) { *img.pixel_address(x, y) = over(img.get_pixel(x, y), colour, alpha); };
  for (int i = 0; i < n; ++i) {
    const int w = r.w - 2 * i, h = r.h - 2 * i, x0 = r.x + i, y0 = r.y + i;
    for (int x = 0; x < w; ++x) put(x0 + x, y0);
    if (h != 1)
      for (int x = 0; x < w; ++x) put(x0 + x, y0 + h - 1);
    for (int y = 1; y < h - 1; ++y) {
      put(x0, y0 + y);
      if (w != 1) put(x0 + w - 1, y0 + y);
    }
    if (w < 3 || h - 2 <= 0) break;
  }
}

inline void random_dots(LayerImage& img, Rect r, int s, int m, int g, const std::vector<int>& mask, int mode,
                        uint32_t drawing, std::mt19937& rng) {
  for (int y = 0; y < g + s / 2 + r.h; y += g)
    for (int x = 0; x < g + s / 2 + r.w; x += g) {
      if (int(rng() & 511) >= m) continue;
      uint32_t colour = drawing;
      if (mode == 1) {
        const uint32_t grey = rng() & 255;
        colour = grey << 16 | grey << 8 | grey;
      } else if (mode == 2) {
        colour = hsv_to_rgb(int(rng() % 360), 255, 255);
      }
      for (int j = 0; j < s; ++j)
        for (int i = 0; i < s; ++i) {
          const int px = r.x + x - s / 2 + i, py = r.y + y - s / 2 + j;
          if (r.contains(px, py)) *img.pixel_address(px, py) = over(img.get_pixel(px, py), colour, mask[size_t(j * s + i)]);
        }
    }
}

inline Pixel noise(Pixel p, int a, bool colour, std::mt19937& rng) {
  if (!alpha_of(p)) return p;
  auto h = [&] { return int(rng() % uint32_t(2 * a + 1)) - a; };
  if (!colour) {
    const int d = h();
    return rgb(p, clamp255(R(p) + d), clamp255(G(p) + d), clamp255(B(p) + d));
  }
  const int db = h(), dg = h(), dr = h();
  return rgb(p, clamp255(R(p) + dr), clamp255(G(p) + dg), clamp255(B(p) + db));
}

}  // namespace qm::ref
