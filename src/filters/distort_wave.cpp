// Wave: rows move vertically by a sine of x and columns horizontally by a sine
// of y, sampled bilinearly (wrapping or clamping at the edges).
#include <cmath>
#include <vector>

#include "filters/distort_filters.h"
#include "filters/filter_helpers.h"

namespace qm::filters {

bool wave(const FilterArgs& a) {
  const int k = a.values.numeric[0], h = a.values.numeric[1];
  const int direction = a.values.list[0];  // 0 both, 1 horizontal waves only, 2 vertical only
  const SampleEdge edge = a.values.check[0] ? SampleEdge::kWrap : SampleEdge::kClamp;
  const Rect r = a.rect;
  constexpr double kDegree = 0.017453292519943295;
  // The offset of a column depends on x alone and that of a row on y alone.
  std::vector<double> dy_of_x(size_t(r.w), 0.0), dx_of_y(size_t(r.h), 0.0);
  if (direction != 2)
    for (int i = 0; i < r.w; ++i) dy_of_x[size_t(i)] = h * std::sin(double(int64_t{r.x + i} * k) * kDegree);
  if (direction != 1)
    for (int j = 0; j < r.h; ++j) dx_of_y[size_t(j)] = h * std::sin(double(int64_t{r.y + j} * k) * kDegree);

  progress_range(a.progress, r.h);
  for (int j = 0; j < r.h; ++j) {
    const int y = r.y + j;
    Pixel* out = a.dst.row(y);
    for (int i = 0; i < r.w; ++i) {
      const int x = r.x + i;
      const double sx = direction != 1 ? x + dx_of_y[size_t(j)] : double(x);
      const double sy = direction != 2 ? y + dy_of_x[size_t(i)] : double(y);
      Pixel p = kTransparent;
      bilinear_alpha_sample(a.src, int64_t(sx * 256), int64_t(sy * 256), edge, &p);
      out[x] = p;
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace qm::filters
