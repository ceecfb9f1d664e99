#pragma once
// Plain per-pixel statement of the alpha operations, one pixel at a time,
// for the tests of the algorithms, the runners and the command line.
#include <algorithm>
#include <cstdint>
#include <random>

#include "core/layer_image.h"

namespace qm::filters::test {

inline int ref_luma(Pixel p) {
  return (77 * int(red_of(p)) + 150 * int(green_of(p)) + 29 * int(blue_of(p))) >> 8;
}

inline Pixel ref_set_alpha(Pixel p, int n) {
  if (n == 0) return 0x00FFFFFF;
  return make_pixel(uint32_t(n), red_of(p), green_of(p), blue_of(p));
}

// Operate With Layer: `p` of the current layer, `q` of the other one.
inline Pixel ref_operate(Pixel p, Pixel q, int op) {
  const int a = alpha_of(p), b = alpha_of(q);
  const int n[8] = {b != 0 ? a : 0, b != 0 ? 0 : a, b, std::min(a + b, 255), std::max(a - b, 0),
                    (a * b + 127) / 255, ref_luma(q), 255 - ref_luma(q)};
  return ref_set_alpha(p, n[op]);
}

// Commands 41800 … 41803 (mode 0 … 3) with drawing colour f, other colour k.
inline Pixel ref_colour_op(Pixel p, int mode, uint32_t f, uint32_t k) {
  const bool opaque = alpha_of(p) != 0;
  const bool is_f = red_of(p) == ((f >> 16) & 255) && green_of(p) == ((f >> 8) & 255) &&
                    blue_of(p) == (f & 255);
  if (mode == 0) return opaque && is_f ? 0x00FFFFFF : p;
  if (mode == 1) return opaque && !is_f ? 0x00FFFFFF : p;
  if (mode == 2) return opaque ? p : make_pixel(255, (f >> 16) & 255, (f >> 8) & 255, f & 255);
  return opaque && is_f ? make_pixel(alpha_of(p), (k >> 16) & 255, (k >> 8) & 255, k & 255) : p;
}

// Commands 41810 … 41813 (mode 0 … 3).
inline Pixel ref_alpha_op(Pixel p, int mode) {
  const int a = alpha_of(p);
  if (mode == 0) return a ? ref_set_alpha(p, 255 - ref_luma(p)) : p;
  if (mode == 1) return a ? ref_set_alpha(p, ref_luma(p)) : p;
  if (mode == 2) return make_pixel(255, uint32_t(a), uint32_t(a), uint32_t(a));
  return make_pixel(255, red_of(p), green_of(p), blue_of(p));
}

// Random pixels with every interesting alpha and a few of colour `f`;
// transparent pixels hold white, as everywhere in the program.
inline void fill_random(LayerImage& img, uint32_t seed, uint32_t f) {
  std::mt19937 rng(seed);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const uint32_t r = rng();
      const uint32_t alpha = (r >> 24) % 4 == 0 ? 0 : (r >> 24) % 4 == 1 ? 255 : (r & 0xFF);
      Pixel p = (rng() % 5 == 0) ? (f & 0xFFFFFF) : (rng() & 0xFFFFFF);
      img.row(y)[x] = alpha == 0 ? 0x00FFFFFF : (alpha << 24 | p);
    }
}

}  // namespace qm::filters::test
