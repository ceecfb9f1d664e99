#pragma once
// Freehand input shaping: the smoothing ring (a weighted mean of the newest
// samples) and the curve history (a uniform cubic B-spline through the last
// four smoothed points).
#include <array>
#include <cstddef>

namespace qm {

struct StrokeSample {
  double x = 0, y = 0;     // canvas pixels
  double pressure = 1.0;   // 0 … 1
};

class SmoothingRing {
 public:
  static constexpr int kCapacity = 64;

  void clear() { count_ = 0; }
  // With `merge`, a sample at exactly the newest one's position only
  // replaces its pressure.
  void add(const StrokeSample& sample, bool merge);
  int count() const { return count_; }
  const StrokeSample& newest() const { return ring_[size_t(head_)]; }
  // The mean of the newest smoothing + 1 samples with weights 1, 2, …,
  // smoothing + 1 from the oldest to the newest (fewer when fewer are held).
  StrokeSample smoothed(int smoothing) const;

 private:
  std::array<StrokeSample, kCapacity> ring_{};
  int head_ = kCapacity - 1;  // index of the newest sample
  int count_ = 0;
};

inline constexpr int kCurveSteps = 20;

// Uniform cubic B-spline weights w0 … w3 for t = 0.05, 0.10, …, 1.00.
const std::array<std::array<double, 4>, kCurveSteps>& curve_weights();

class CurveHistory {
 public:
  void fill(const StrokeSample& sample) { points_.fill(sample); }
  // Appends a point; the oldest drops out.
  void push(const StrokeSample& sample);
  // The curve point of step 0 … 19 (t = 0.05 × (step + 1)).
  StrokeSample point(int step) const;

 private:
  std::array<StrokeSample, 4> points_{};  // oldest first
};

}  // namespace qm
