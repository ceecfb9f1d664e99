// The kernels of the separable methods and the per-pass weight tables.
//
// Each expression is evaluated in double precision in the order written here
// (powers as products of |t|, coefficients applied last); the tests' plain
// reference uses the same expressions.
#include <cmath>
#include <numbers>

#include "core/resample_internal.h"

namespace qm::detail {
namespace {

constexpr double kPi = std::numbers::pi;
// Below this distance the Lanczos quotient is 0 / 0; its limit is 1.
constexpr double kTiny = 0x1p-52;

double mitchell(double a) {
  const double a2 = a * a, a3 = a2 * a;
  if (a < 1) return (7.0 / 6.0) * a3 - 2.0 * a2 + 8.0 / 9.0;
  if (a < 2) return -(7.0 / 18.0) * a3 + 2.0 * a2 - (10.0 / 3.0) * a + 16.0 / 9.0;
  return 0;
}

double lagrange(double a) {
  if (a < 1) return (a - 2) * (a - 1) * (a + 1) / 2;
  if (a < 2) return -(a - 1) * (a - 2) * (a - 3) / 6;
  return 0;
}

double lanczos(double a, double lobes) {
  if (a < kTiny) return 1;
  if (a >= lobes) return 0;
  const double x = kPi * a;
  return std::sin(x) * std::sin(x / lobes) / (x * x / lobes);
}

// Table entries (outputs × taps) beyond which a pass is refused: only a huge
// reduction of a very long raster gets there, never a canvas.
constexpr int64_t kMaxTableEntries = int64_t{1} << 24;

}  // namespace

double resample_kernel(ResampleMethod method, double t) {
  const double a = std::fabs(t);
  switch (method) {
    case ResampleMethod::Mitchell: return mitchell(a);
    case ResampleMethod::Lagrange: return lagrange(a);
    case ResampleMethod::Lanczos2: return lanczos(a, 2);
    case ResampleMethod::Lanczos3: return lanczos(a, 3);
    default: return 0;
  }
}

bool build_table(ResampleMethod method, int old_size, int new_size, ResampleTable& out) {
  if (old_size <= 0 || new_size <= 0) return false;
  // Enlarging: six taps around the output's centre in source coordinates.
  // Reducing: the kernel stretched over the source, so the taps cover
  // 6 · old / new source pixels.
  const bool enlarge = old_size <= new_size;
  const int64_t taps =
      enlarge ? 6 : (int64_t{new_size} + 6 * int64_t{old_size} - 1) / new_size;
  const int64_t entries = taps * new_size;
  if (entries > kMaxTableEntries) return false;
  if (!out.index.allocate(size_t(entries)) || !out.weight.allocate(size_t(entries))) return false;
  out.outputs = new_size;
  out.taps = int(taps);

  const double old_d = old_size, new_d = new_size;
  for (int i = 0; i < new_size; ++i) {
    int32_t* index = out.index.data() + size_t(i) * size_t(taps);
    double* weight = out.weight.data() + size_t(i) * size_t(taps);
    int64_t first;
    if (enlarge) {
      const double centre = old_d * (i + 0.5) / new_d;
      first = int64_t(std::floor(centre - 2.5));
      for (int j = 0; j < taps; ++j)
        weight[j] = resample_kernel(method, double(first + j) + 0.5 - centre);
    } else {
      first = int64_t(std::floor(old_d * (i - 2.5) / new_d + 0.5));
      for (int j = 0; j < taps; ++j)
        weight[j] = resample_kernel(method, new_d * (double(first + j) + 0.5) / old_d - (i + 0.5));
    }
    double sum = 0;
    for (int j = 0; j < taps; ++j) sum += weight[j];
    for (int j = 0; j < taps; ++j) {
      weight[j] /= sum;
      const int64_t s = first + j;
      index[j] = int32_t(s < 0 ? 0 : s >= old_size ? old_size - 1 : s);
    }
  }
  return true;
}

}  // namespace qm::detail
