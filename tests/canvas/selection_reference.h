#pragma once
// Plain per-pixel versions of the Select menu's block operations, written
// from their definitions (where each destination pixel comes from), to
// compare the commands with.
#include "core/layer_image.h"
#include "core/rect.h"

namespace qm::test {

// Returns a copy of `src`; `area` is the block, every pixel outside it kept.
inline LayerImage copy_of(const LayerImage& src) {
  LayerImage out;
  out.create(src.width(), src.height());
  out.copy_from(src);
  return out;
}

inline LayerImage reference_flip(const LayerImage& src, Rect a, bool vertical) {
  LayerImage out = copy_of(src);
  for (int y = 0; y < a.h; ++y)
    for (int x = 0; x < a.w; ++x) {
      const int sx = vertical ? x : a.w - 1 - x, sy = vertical ? a.h - 1 - y : y;
      *out.pixel_address(a.x + x, a.y + y) = src.get_pixel(a.x + sx, a.y + sy);
    }
  return out;
}

// The block cleared, then turned a quarter about its centre and laid back.
inline LayerImage reference_rotate_90(const LayerImage& src, Rect a, bool clockwise) {
  LayerImage out = copy_of(src);
  out.fill_rect(a.x, a.y, a.w, a.h, kTransparent);
  const int nx = a.x + a.w / 2 - a.h / 2, ny = a.y + a.h / 2 - a.w / 2;
  // New block: a.h wide, a.w high. Clockwise, new (u, v) holds old (v, h − 1 − u).
  for (int v = 0; v < a.w; ++v)
    for (int u = 0; u < a.h; ++u) {
      const int ox = clockwise ? v : a.w - 1 - v;
      const int oy = clockwise ? a.h - 1 - u : u;
      if (Pixel* p = out.pixel_address(nx + u, ny + v)) *p = src.get_pixel(a.x + ox, a.y + oy);
    }
  return out;
}

// Pixel (x, y) of `region` takes the block's pixel at the same place modulo
// the block's size, counted from the block's corner.
inline LayerImage reference_pattern(const LayerImage& src, Rect a, Rect region) {
  LayerImage out = copy_of(src);
  for (int y = region.y; y < region.bottom(); ++y)
    for (int x = region.x; x < region.right(); ++x) {
      const int dx = ((x - a.x) % a.w + a.w) % a.w, dy = ((y - a.y) % a.h + a.h) % a.h;
      *out.pixel_address(x, y) = src.get_pixel(a.x + dx, a.y + dy);
    }
  return out;
}

}  // namespace qm::test
