#include "paint/watercolour.h"

#include <algorithm>
#include <cmath>

#include "core/pixel.h"

namespace qm {
namespace {

void split(uint32_t colour, double out[3]) {
  out[0] = red_of(colour);
  out[1] = green_of(colour);
  out[2] = blue_of(colour);
}

}  // namespace

bool sample_under_dab(const LayerImage& layer, double x, double y, double radius, int mask_mode,
                      uint32_t& colour) {
  if (layer.empty()) return false;
  const double r2 = radius * radius;
  const Rect box = intersect({int(std::floor(x - radius - 0.5)), int(std::floor(y - radius - 0.5)),
                              int(std::ceil(2 * radius)) + 2, int(std::ceil(2 * radius)) + 2},
                             layer.bounds());
  uint64_t sum_a = 0, sum_r = 0, sum_g = 0, sum_b = 0, n = 0;
  const bool skip_clear = mask_mode == 1 || mask_mode == 3;
  for (int py = box.y; py < box.bottom(); ++py) {
    const double dy = py + 0.5 - y;
    const Pixel* row = layer.row(py);
    for (int px = box.x; px < box.right(); ++px) {
      const double dx = px + 0.5 - x;
      if (dx * dx + dy * dy > r2) continue;
      const Pixel p = row[px];
      const uint32_t a = alpha_of(p);
      if (skip_clear && a == 0) continue;
      sum_a += a;
      sum_r += uint64_t{red_of(p)} * a;
      sum_g += uint64_t{green_of(p)} * a;
      sum_b += uint64_t{blue_of(p)} * a;
      ++n;
    }
  }
  if (n == 0) return false;
  const uint64_t h = (sum_a + n / 2) / n;  // the rounded mean alpha
  auto over_white = [&](uint64_t sum_c) {
    const uint64_t c = sum_a ? sum_c / sum_a : 0;
    return uint32_t((c * h + 65025 - 255 * h + 127) / 255);
  };
  colour = (over_white(sum_r) << 16) | (over_white(sum_g) << 8) | over_white(sum_b);
  return true;
}

void WatercolourMix::start(const LayerImage& layer, double x, double y, int max_size, uint32_t colour,
                           double pick_up, double return_rate, int mask_mode) {
  split(colour, brush_);
  pick_up_ = pick_up;
  return_rate_ = return_rate;
  mask_mode_ = mask_mode;
  uint32_t under = 0;
  double s[3];
  if (sample_under_dab(layer, x, y, std::max(1.0, max_size / 2.0), mask_mode, under)) {
    split(under, s);
    for (int i = 0; i < 3; ++i) mix_[i] = brush_[i] + (s[i] - brush_[i]) * 0.6;
  } else {
    for (int i = 0; i < 3; ++i) mix_[i] = brush_[i];
  }
}

uint32_t WatercolourMix::next(const LayerImage& layer, double x, double y, double size) {
  uint32_t under = 0;
  if (sample_under_dab(layer, x, y, std::max(1.0, size / 2), mask_mode_, under)) {
    double s[3];
    split(under, s);
    for (int i = 0; i < 3; ++i) mix_[i] += (s[i] - mix_[i]) * pick_up_;
  }
  uint32_t out = 0;
  for (int i = 0; i < 3; ++i) {
    mix_[i] += (brush_[i] - mix_[i]) * return_rate_;
    out = (out << 8) | uint32_t(std::min(255.0, std::trunc(mix_[i] + 0.5)));
  }
  return out;
}

}  // namespace qm
