// Halftone: each channel is screened through a round-dot threshold matrix of
// side N = d × m turned by the channel's angle and anchored at the image
// origin, then smoothed with a tent of side 2·(m / 2) + 1.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "filters/distort_common.h"
#include "filters/distort_filters.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

constexpr double kDegree = 0.017453292519943295;

// Thresholds rank × 255 / N², rank by key 1 − (u² + v²) ascending; cell
// (column i, row j) at j × N + i. Equal keys keep that index order.
std::vector<int> threshold_matrix(int n) {
  const size_t count = size_t(n) * size_t(n);
  std::vector<double> key(count);
  for (int j = 0; j < n; ++j) {
    const double v = (double(j) / (n - 1) - 0.5) * 2;
    for (int i = 0; i < n; ++i) {
      const double u = (double(i) / (n - 1) - 0.5) * 2;
      key[size_t(j) * n + i] = std::clamp(1 - (u * u + v * v), -1.0, 1.0);
    }
  }
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int p, int q) { return key[p] < key[q]; });
  std::vector<int> threshold(count);
  for (size_t rank = 0; rank < count; ++rank) threshold[order[rank]] = int(int64_t(rank) * 255 / int64_t(count));
  return threshold;
}

// Whether round() of a value might differ between two computations that
// agree to far better than this: only near a half.
// (floor by conversion: the library call would dominate the loop.)
inline bool near_half(double v) {
  const int64_t t = int64_t(v);
  const double f = v - double(v < double(t) ? t - 1 : t);
  return std::fabs(f - 0.5) < 1e-6;
}

// Rounding halves away from zero for values not within a hair of a half
// (adding 0.5 could carry 0.49999999999999994 over).
inline int64_t round_half_away(double v) {
  return v >= 0 ? int64_t(v + 0.5) : -int64_t(0.5 - v);
}

struct Screen {
  double angle, cos_a, sin_a;
};

}  // namespace

bool halftone(const FilterArgs& a) {
  // Out-of-range values are held to the dialog's ranges: the matrix has N² cells.
  const int d = std::clamp(a.values.numeric[0], 2, 30), m = std::clamp(a.values.numeric[1], 1, 15);
  const bool grey = a.values.check[0] != 0, all45 = a.values.check[1] != 0;
  const int n = std::max(2, d * m);
  const int e = m / 2;
  const int64_t norm = int64_t(e + 1) * (e + 1) * (e + 1) * (e + 1);
  const std::vector<int> threshold = threshold_matrix(n);

  const int side = 2 * e + 1;
  std::vector<int> weight(size_t(side) * side);
  for (int dy = -e; dy <= e; ++dy)
    for (int dx = -e; dx <= e; ++dx)
      weight[size_t(dy + e) * side + (dx + e)] = (e - std::abs(dx) + 1) * (e - std::abs(dy) + 1) * 255;

  // Channel order B, G, R; greyscale screens the luma at the R angle.
  const int degrees[3] = {all45 ? 45 : a.values.numeric[4], all45 ? 45 : a.values.numeric[3],
                          all45 ? 45 : a.values.numeric[2]};
  Screen screens[3];
  for (int c = 0; c < 3; ++c) {
    const double angle = degrees[c] * kDegree;
    screens[c] = {angle, std::cos(angle), std::sin(angle)};
  }

  // The matrix padded by e wrapped cells on every side, so the tent around
  // any cell (u, v) reads it without remainders.
  const int pn = n + 2 * e;
  std::vector<int> padded(size_t(pn) * size_t(pn));
  for (int j = 0; j < pn; ++j)
    for (int i = 0; i < pn; ++i)
      padded[size_t(j) * pn + i] = threshold[size_t(wrap_index(j - e, n)) * n + size_t(wrap_index(i - e, n))];

  // S / M for one channel value at screen cell (u, v), counted tap by tap.
  auto count_taps = [&](int u, int v, int value) {
    int64_t s = 0;
    const int* w = weight.data();
    const int* row = padded.data() + size_t(v) * pn + u;
    for (int dy = 0; dy < side; ++dy, row += pn)
      for (int k = 0; k < side; ++k, ++w)
        s += *w & -int(row[k] < value);  // no branch: the comparisons are random
    return int(std::min<int64_t>(s / norm, 255));
  };

  // For matrices up to 256 × 256 every (cell, value) result is tabulated:
  // per cell, each tap adds its weight to all values above its threshold.
  std::vector<uint8_t> table;
  if (int64_t{n} * n <= 65536) {
    table.resize(size_t(n) * n * 256);
    std::vector<int64_t> step(257);
    for (int v = 0; v < n; ++v)
      for (int u = 0; u < n; ++u) {
        std::fill(step.begin(), step.end(), 0);
        const int* w = weight.data();
        const int* row = padded.data() + size_t(v) * pn + u;
        for (int dy = 0; dy < side; ++dy, row += pn)
          for (int k = 0; k < side; ++k, ++w) step[size_t(std::min(row[k] + 1, 256))] += *w;
        uint8_t* out = table.data() + (size_t(v) * n + u) * 256;
        int64_t s = 0;
        for (int value = 0; value < 256; ++value) {
          s += step[size_t(value)];
          out[value] = uint8_t(std::min<int64_t>(s / norm, 255));
        }
      }
  }
  auto screen_value = [&](int u, int v, int value) {
    return table.empty() ? count_taps(u, v, value) : int(table[(size_t(v) * n + u) * 256 + size_t(value)]);
  };

  // U mod N without a division: a quotient estimate, then one correction.
  const double inv_n = 1.0 / n;
  auto reduce = [n, inv_n](int64_t value) {
    int64_t rem = value - int64_t(double(value) * inv_n) * n;
    if (rem < 0) rem += n;
    if (rem >= n) rem -= n;
    return int(rem);
  };

  const Rect r = a.rect;
  progress_range(a.progress, r.h);
  for (int y = r.y; y < r.bottom(); ++y) {
    const Pixel* in = a.src.row(y);
    Pixel* out = a.dst.row(y);
    const double yy = double(int64_t{m} * y);
    for (int x = r.x; x < r.right(); ++x) {
      const Pixel p = in[x];
      if (alpha_of(p) == 0) {
        out[x] = kTransparent;
        continue;
      }
      const double xx = double(int64_t{m} * x);
      // The rotated position is r·cos(φ + angle), r·sin(φ + angle); the
      // same value from the rotation matrix decides the rounding except
      // within a hair of a half, where the polar form is evaluated.
      bool polar_done = false;
      double radius = 0, phi = 0;
      auto cell = [&](const Screen& sc, int* u, int* v) {
        const double fu = xx * sc.cos_a - yy * sc.sin_a;
        const double fv = xx * sc.sin_a + yy * sc.cos_a;
        if (!near_half(fu) && !near_half(fv)) {
          *u = reduce(round_half_away(fu));
          *v = reduce(round_half_away(fv));
          return;
        }
        if (!polar_done) {
          radius = std::sqrt(xx * xx + yy * yy);
          phi = std::atan2(yy, xx);
          polar_done = true;
        }
        *u = wrap_index(std::llround(radius * std::cos(phi + sc.angle)), n);
        *v = wrap_index(std::llround(radius * std::sin(phi + sc.angle)), n);
      };
      int u, v;
      if (grey) {
        cell(screens[2], &u, &v);
        const uint32_t g = uint32_t(screen_value(u, v, luma(p)));
        out[x] = make_pixel(alpha_of(p), g, g, g);
      } else {
        cell(screens[0], &u, &v);
        const uint32_t b = uint32_t(screen_value(u, v, blue_of(p)));
        cell(screens[1], &u, &v);
        const uint32_t g = uint32_t(screen_value(u, v, green_of(p)));
        cell(screens[2], &u, &v);
        const uint32_t rr = uint32_t(screen_value(u, v, red_of(p)));
        out[x] = make_pixel(alpha_of(p), rr, g, b);
      }
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
