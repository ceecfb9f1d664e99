// The lookup tables of the colour filters and the Levels histogram.
#include <algorithm>
#include <cmath>

#include "filters/colour_filters.h"

namespace qm::filters {

ByteTable contrast_table(int contrast) {
  ByteTable t{};
  const double c = contrast * 0.01;
  for (int i = 0; i < 256; ++i) t[i] = uint8_t(std::clamp(int(i + c * (i - 127.5)), 0, 255));
  return t;
}

ByteTable gamma_table(int gamma_hundredths) {
  ByteTable t{};
  const double exponent = 1 / (gamma_hundredths * 0.01);
  // The constant for 1/255 is a hair short: truncating alone would turn 33
  // into 32 at gamma 1.00. The nudge only moves results lying within 1e-9
  // below a whole number.
  for (int i = 0; i < 256; ++i)
    t[i] = uint8_t(std::clamp(int(std::pow(i * 0.00392156862745098, exponent) * 255 + 1e-9), 0, 255));
  return t;
}

ByteTable levels_table(int in_min, int in_mid, int in_max, int out_min, int out_max) {
  ByteTable t{};
  for (int i = 0; i < 256; ++i) t[i] = uint8_t(i);
  // Handles dragged onto or past each other: nothing to stretch, and a middle
  // handle at or beyond in_max would give an infinite or negative exponent.
  if (in_min >= in_max) return t;
  in_mid = std::min(in_mid, in_max - 1);
  const double d = in_max - in_min;
  const double m = 1 / (2 - 2 * (in_mid - in_min) / d);
  for (int i = 0; i < 256; ++i) {
    const int o = std::clamp(i, in_min, in_max);
    const double r = std::pow((o - in_min) / d, m);
    const int u = std::clamp(int(d * r) + in_min, in_min, in_max);
    t[i] = uint8_t((u - in_min) * (out_max - out_min) / (in_max - in_min) + out_min);
  }
  return t;
}

ByteTable posterise_table(int levels) {
  ByteTable t{};
  const int n = std::clamp(levels, 2, 256);
  // Integers throughout, so every entry up to 255 is written and the top
  // level is 255.
  for (int k = 0; k < n; ++k) {
    const int from = 256 * k / n, to = 256 * (k + 1) / n;
    const uint8_t value = uint8_t(255 * k / (n - 1));
    for (int i = from; i < to; ++i) t[i] = value;
  }
  return t;
}

std::array<uint64_t, 256> luma_histogram(const LayerImage& image) {
  std::array<uint64_t, 256> bins{};
  const Pixel* p = image.pixels();
  const size_t n = image.empty() ? 0 : image.pixel_count();
  for (size_t i = 0; i < n; ++i) ++bins[colour_luma(red_of(p[i]), green_of(p[i]), blue_of(p[i]))];
  return bins;
}

int histogram_bar(uint64_t count, int panel_height, uint64_t pixels) {
  const int64_t h = panel_height - 9;
  if (h <= 0) return 0;
  const uint64_t e = pixels < uint64_t(std::max(panel_height - 8, 0)) ? uint64_t(h) : pixels / 32;
  // 64-bit product: one colour over a 4500 × 4500 canvas counts 20,250,000.
  const uint64_t len = uint64_t(h) * count / std::max<uint64_t>(e, 1);
  return int(std::min<uint64_t>(len, uint64_t(h)));
}

FilterValues levels_defaults() {
  FilterValues v;
  v.numeric = {0, 128, 255, 0, 255};
  return v;
}

}  // namespace qm::filters
