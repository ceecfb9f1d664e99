#include "paint/smoothing.h"

#include <algorithm>

namespace qm {

void SmoothingRing::add(const StrokeSample& sample, bool merge) {
  if (merge && count_ > 0) {
    StrokeSample& last = ring_[size_t(head_)];
    if (last.x == sample.x && last.y == sample.y) {
      last.pressure = sample.pressure;
      return;
    }
  }
  head_ = (head_ + 1) % kCapacity;
  ring_[size_t(head_)] = sample;
  count_ = std::min(count_ + 1, kCapacity);
}

StrokeSample SmoothingRing::smoothed(int smoothing) const {
  const int n = std::min(std::clamp(smoothing, 0, kCapacity - 1) + 1, count_);
  if (n <= 1) return count_ ? newest() : StrokeSample{};
  double x = 0, y = 0, p = 0, total = 0;
  for (int i = 0; i < n; ++i) {  // oldest first
    const StrokeSample& s = ring_[size_t((head_ - (n - 1) + i + kCapacity) % kCapacity)];
    const double w = i + 1;
    x += s.x * w;
    y += s.y * w;
    p += s.pressure * w;
    total += w;
  }
  return {x / total, y / total, p / total};
}

const std::array<std::array<double, 4>, kCurveSteps>& curve_weights() {
  static const auto weights = [] {
    std::array<std::array<double, 4>, kCurveSteps> w{};
    for (int k = 0; k < kCurveSteps; ++k) {
      const double t = 0.05 * (k + 1);
      const double t2 = t * t, t3 = t2 * t;
      w[size_t(k)] = {(1 - t) * (1 - t) * (1 - t) / 6, (3 * t3 - 6 * t2 + 4) / 6,
                      (-3 * t3 + 3 * t2 + 3 * t + 1) / 6, t3 / 6};
    }
    return w;
  }();
  return weights;
}

void CurveHistory::push(const StrokeSample& sample) {
  points_[0] = points_[1];
  points_[1] = points_[2];
  points_[2] = points_[3];
  points_[3] = sample;
}

StrokeSample CurveHistory::point(int step) const {
  const auto& w = curve_weights()[size_t(std::clamp(step, 0, kCurveSteps - 1))];
  StrokeSample out{0, 0, 0};
  for (size_t i = 0; i < 4; ++i) {
    out.x += w[i] * points_[i].x;
    out.y += w[i] * points_[i].y;
    out.pressure += w[i] * points_[i].pressure;
  }
  return out;
}

}  // namespace qm
