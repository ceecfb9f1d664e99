#pragma once
// Small pixel accessors shared by the distortion filters' inner loops.
#include <algorithm>

#include "core/layer_image.h"

namespace qm::filters {

// The source pixel at (x, y) clamped into the image.
inline Pixel clamped_pixel(const LayerImage& img, int x, int y) {
  x = std::clamp(x, 0, img.width() - 1);
  y = std::clamp(y, 0, img.height() - 1);
  return img.row(y)[x];
}

// The value of a "描画色" / "黒" / "白" list: 0xRRGGBB.
inline uint32_t chosen_colour(int index, uint32_t drawing_colour) {
  if (index == 1) return 0x000000;
  if (index == 2) return 0xFFFFFF;
  return drawing_colour & 0xFFFFFF;
}

// Non-negative remainder of v by n (n > 0).
inline int wrap_index(int64_t v, int n) {
  const int64_t r = v % n;
  return int(r < 0 ? r + n : r);
}

}  // namespace qm::filters
