// Motion Blur and Radial Blur: averages of bilinear alpha samples along a
// line (clamped at the edges), with the average output rule.
#include <algorithm>
#include <cmath>
#include <vector>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

// A clamped sample at a fixed-point position, added to the sums.
inline void add_sample(const LayerImage& src, int64_t x, int64_t y, AlphaSums& sums) {
  const int64_t wx = int64_t{src.width() - 1} << 8, hy = int64_t{src.height() - 1} << 8;
  if (x < 0 || x > wx || y < 0 || y > hy) {
    Pixel p;
    bilinear_alpha_sample(src, x, y, SampleEdge::kClamp, &p);
    sums.add(p);
    return;
  }
  sums.add(bilinear_alpha_at(src, int(x >> 8), int(y >> 8), unsigned(x & 255), unsigned(y & 255)));
}

}  // namespace

bool motion_blur(const FilterArgs& args) {
  const int n = numeric_value(args, 0, 1, 30);
  const int angle = numeric_value(args, 1, -180, 180);
  LayerImage holder;
  const LayerImage* src = separate_source(args, &holder);
  if (!src) return false;
  const double theta = (angle + 180) * 0.017453292519943295;
  int64_t dx[31], dy[31];
  for (int d = 0; d <= n; ++d) {
    dx[d] = int64_t(std::trunc(d * std::cos(theta) * 256));
    dy[d] = int64_t(std::trunc(d * std::sin(theta) * 256));
  }
  const Rect rect = args.rect;
  progress_range(args.progress, rect.h);
  for_row_bands(rect.y, rect.bottom(), row_band_count(rect.h, 16), args.progress,
                [&](int, int y0, int y1, ProgressSink* p) {
                  for (int y = y0; y < y1; ++y) {
                    Pixel* out = args.dst.row(y);
                    for (int x = rect.x; x < rect.right(); ++x) {
                      AlphaSums sums;
                      for (int d = 0; d <= n; ++d)
                        add_sample(*src, int64_t{x} * 256 + dx[d], int64_t{y} * 256 + dy[d], sums);
                      out[x] = average_output(sums, n + 1);
                    }
                    progress_step(p);
                  }
                });
  return true;
}

bool radial_blur(const FilterArgs& args) {
  LayerImage holder;
  const LayerImage* src = separate_source(args, &holder);
  if (!src) return false;
  const int cx = numeric_value(args, 0, 0, src->width() - 1);
  const int cy = numeric_value(args, 1, 0, src->height() - 1);
  const int k = numeric_value(args, 2, 3, 50);
  const Rect rect = args.rect;
  progress_range(args.progress, rect.h);
  for_row_bands(rect.y, rect.bottom(), row_band_count(rect.h, 16), args.progress,
                [&](int, int y0, int y1, ProgressSink* p) {
                  for (int y = y0; y < y1; ++y) {
                    Pixel* out = args.dst.row(y);
                    const int64_t ey = y - cy;
                    for (int x = rect.x; x < rect.right(); ++x) {
                      const int64_t ex = x - cx;
                      const int64_t r = int64_t(std::ceil(std::sqrt(double(ex * ex + ey * ey))));
                      const int64_t n = int64_t(std::trunc(double(r * k) * 0.01));
                      if (n == 0) {
                        out[x] = src->row(y)[x];
                        continue;
                      }
                      const double theta = std::atan2(double(ey), double(ex));
                      const int64_t cq = int64_t(std::trunc(std::cos(theta) * 1024));
                      const int64_t sq = int64_t(std::trunc(std::sin(theta) * 1024));
                      AlphaSums sums;
                      for (int64_t rho = r - n; rho <= r; ++rho)
                        add_sample(*src, int64_t{cx} * 256 + ((rho * cq) >> 2),
                                   int64_t{cy} * 256 + ((rho * sq) >> 2), sums);
                      out[x] = average_output(sums, n + 1);
                    }
                    progress_step(p);
                  }
                });
  return true;
}

}  // namespace qm::filters
