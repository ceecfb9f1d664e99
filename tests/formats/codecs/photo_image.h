#pragma once
// A deterministic photo-like picture for codec tests and benchmarks: smooth
// colour fields of a few low frequencies, hard-edged shapes, and fine noise
// like a camera's, all opaque.
#include <cmath>
#include <cstdint>

#include "core/layer_image.h"

namespace qm::test {

inline void fill_photo(LayerImage& image, uint32_t seed = 1) {
  const double s = double(seed);
  for (int y = 0; y < image.height(); ++y) {
    Pixel* row = image.row(y);
    for (int x = 0; x < image.width(); ++x) {
      const double fx = x, fy = y;
      double r = 120 + 55 * std::sin(fx * 0.011 + s) + 35 * std::cos(fy * 0.017 + 0.5 * s) + 20 * std::sin((fx + fy) * 0.05);
      double g = 110 + 60 * std::cos(fx * 0.008 - fy * 0.013 + s) + 30 * std::sin(fy * 0.031);
      double b = 100 + 70 * std::sin(fy * 0.009 + 2 * s) + 25 * std::cos(fx * 0.043 + fy * 0.007);
      // A few discs and bars with hard edges.
      const int cx = (x >> 7), cy = (y >> 7);
      const int dx = (x & 127) - 64, dy = (y & 127) - 64;
      if (((cx * 7 + cy * 3 + int(seed)) % 5) == 0 && dx * dx + dy * dy < 40 * 40) {
        r = 230 - 0.3 * dx;
        g = 60 + 0.5 * dy;
        b = 40;
      } else if (((cx + cy * 5 + int(seed)) % 7) == 0 && (x & 31) < 6) {
        r = g = b = 20;
      }
      // Noise of about ±6 from a hash of the position.
      uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ seed * 83492791u;
      h ^= h >> 13;
      h *= 0x5bd1e995u;
      h ^= h >> 15;
      const int n0 = int(h & 15) - 8, n1 = int((h >> 4) & 15) - 8, n2 = int((h >> 8) & 15) - 8;
      const auto clamp8 = [](double v) { return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v); };
      row[x] = make_pixel(255, clamp8(r + n0 * 0.75), clamp8(g + n1 * 0.75), clamp8(b + n2 * 0.75));
    }
  }
}

}  // namespace qm::test
