// Motion Blur and Radial Blur's plain path: averages of bilinear alpha
// samples along a line (clamped at the edges), with the average output rule.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"
#include "filters/opaque_bilinear.h"
#include "filters/radial_ray.h"

namespace qm::filters {
namespace {

// Sums of clamped bilinear alpha samples. A sample whose four pixels are
// opaque and inside is mixed with SSE2 and its channels summed unweighted
// (its alpha is 255, added once at the end); the rest go through the scalar
// helper; the sums equal the scalar ones.
class SampleSums {
 public:
  explicit SampleSums(const LayerImage& src)
      : src_(src), last_x_(int64_t{src.width() - 1} << 8), last_y_(int64_t{src.height() - 1} << 8) {}

  void add(int64_t x, int64_t y) {
    if (x >= 0 && x < last_x_ && y >= 0 && y < last_y_) {
      const int x0 = int(x >> 8), y0 = int(y >> 8);
      const Pixel* r0 = src_.row(y0) + x0;
      const Pixel* r1 = src_.row(y0 + 1) + x0;
      if ((r0[0] & r0[1] & r1[0] & r1[1]) >> 24 == 255) {
        opaque_ = _mm_add_epi32(opaque_, opaque_bilinear(r0, r1, int(x & 255), int(y & 255)));
        ++opaque_count_;
        return;
      }
    }
    Pixel p;
    if (x >= 0 && x <= last_x_ && y >= 0 && y <= last_y_)
      p = bilinear_alpha_at(src_, int(x >> 8), int(y >> 8), unsigned(x & 255), unsigned(y & 255));
    else
      bilinear_alpha_sample(src_, x, y, SampleEdge::kClamp, &p);
    rest_.add(p);
  }

  Pixel output(int64_t samples) {
    alignas(16) int32_t c[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(c), opaque_);
    AlphaSums sums = rest_;
    sums.ab += 255 * int64_t{c[0]};
    sums.ag += 255 * int64_t{c[1]};
    sums.ar += 255 * int64_t{c[2]};
    sums.a += 255 * opaque_count_;
    return average_output(sums, samples);
  }

 private:
  const LayerImage& src_;
  const int64_t last_x_, last_y_;
  __m128i opaque_ = _mm_setzero_si128();
  int64_t opaque_count_ = 0;
  AlphaSums rest_;
};

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
                      SampleSums sums(*src);
                      for (int d = 0; d <= n; ++d)
                        sums.add(int64_t{x} * 256 + dx[d], int64_t{y} * 256 + dy[d]);
                      out[x] = sums.output(n + 1);
                    }
                    progress_step(p);
                  }
                });
  return true;
}

// Radial Blur sample by sample, for when the ray tables of radial_blur.cpp
// cannot be allocated.
void radial_blur_per_pixel(const FilterArgs& args, const LayerImage* src) {
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
                      const RadialRay ray = radial_ray(ex, ey, k);
                      const int64_t r = ray.r, n = ray.n;
                      if (n == 0) {
                        out[x] = src->row(y)[x];
                        continue;
                      }
                      int64_t cq, sq;
                      ray_direction(ex, ey, ray.distance, &cq, &sq);
                      SampleSums sums(*src);
                      for (int64_t rho = r - n; rho <= r; ++rho)
                        sums.add(int64_t{cx} * 256 + ((rho * cq) >> 2),
                                 int64_t{cy} * 256 + ((rho * sq) >> 2));
                      out[x] = sums.output(n + 1);
                    }
                    progress_step(p);
                  }
                });
}

}  // namespace qm::filters
