// Radial Blur by rays. Every pixel averages the samples of its ray direction
// (cq, sq) at the radii r − n … r, and many pixels share a direction, so the
// pixels are grouped by direction and each direction's samples are taken
// once, as prefix sums along the ray: a pixel's sums are the difference of
// two prefixes, the same integers as adding its samples one by one.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

// cq and sq each lie in −1024 … 1024.
constexpr int64_t kSpan = 2049;
constexpr int64_t kDirections = kSpan * kSpan;

struct Ray {
  int64_t r, n;
};

Ray ray_of(int64_t ex, int64_t ey, int k) {
  const int64_t r = int64_t(std::ceil(std::sqrt(double(ex * ex + ey * ey))));
  return {r, int64_t(std::trunc(double(r * k) * 0.01))};
}

int64_t direction_of(int64_t ex, int64_t ey) {
  int64_t cq, sq;
  ray_direction(ex, ey, &cq, &sq);
  return (cq + 1024) * kSpan + (sq + 1024);
}

Pixel clamped_sample(const LayerImage& src, int64_t x, int64_t y) {
  if (x >= 0 && y >= 0 && x < int64_t{src.width()} << 8 && y < int64_t{src.height()} << 8)
    return bilinear_alpha_at(src, int(x >> 8), int(y >> 8), unsigned(x & 255), unsigned(y & 255));
  Pixel p;
  bilinear_alpha_sample(src, x, y, SampleEdge::kClamp, &p);
  return p;
}

}  // namespace

bool radial_blur(const FilterArgs& args) {
  LayerImage holder;
  const LayerImage* src = separate_source(args, &holder);
  if (!src) return false;
  const int cx = numeric_value(args, 0, 0, src->width() - 1);
  const int cy = numeric_value(args, 1, 0, src->height() - 1);
  const int k = numeric_value(args, 2, 3, 50);
  const Rect rect = args.rect;
  if (rect.w <= 0 || rect.h <= 0) return true;
  const int64_t pixels = int64_t{rect.w} * rect.h;
  // The longest ray: to the rectangle's farthest corner.
  const int64_t fx = std::max(std::abs(int64_t{rect.x} - cx), std::abs(int64_t{rect.right()} - 1 - cx));
  const int64_t fy = std::max(std::abs(int64_t{rect.y} - cy), std::abs(int64_t{rect.bottom()} - 1 - cy));
  const int64_t longest = ray_of(fx, fy, k).r + 2;
  const int bands = row_band_count(rect.h, 16);
  const int64_t bytes = (kDirections + 1) * 4 + pixels * 4 + int64_t{bands} * longest * int64_t{sizeof(AlphaSums)};
  std::vector<uint32_t> first, order;
  std::vector<std::vector<AlphaSums>> prefixes(static_cast<size_t>(bands));
  try {
    if (pixels >= (int64_t{1} << 32) || !temporary_allowed(bytes)) throw std::bad_alloc();
    first.assign(size_t(kDirections + 1), 0);
    order.resize(size_t(pixels));
    for (auto& p : prefixes) p.resize(size_t(longest));
  } catch (const std::bad_alloc&) {
    radial_blur_per_pixel(args, src);
    return true;
  }
  progress_range(args.progress, rect.h);
  // Pixels by direction, in scan order within each; n = 0 copies the source.
  for (int y = rect.y; y < rect.bottom(); ++y)
    for (int x = rect.x; x < rect.right(); ++x) {
      if (ray_of(x - cx, y - cy, k).n == 0) {
        args.dst.row(y)[x] = src->row(y)[x];
        continue;
      }
      ++first[size_t(direction_of(x - cx, y - cy) + 1)];
    }
  std::vector<uint32_t> directions;
  for (int64_t d = 0; d < kDirections; ++d) {
    if (first[size_t(d + 1)] != 0) directions.push_back(uint32_t(d));
    first[size_t(d + 1)] += first[size_t(d)];
  }
  {
    std::vector<uint32_t> next(first.begin(), first.end() - 1);
    for (int y = rect.y; y < rect.bottom(); ++y)
      for (int x = rect.x; x < rect.right(); ++x)
        if (ray_of(x - cx, y - cy, k).n != 0)
          order[next[size_t(direction_of(x - cx, y - cy))]++] =
              uint32_t(int64_t{y - rect.y} * rect.w + (x - rect.x));
  }
  const int groups = int(directions.size());
  const int group_bands = std::min(bands, row_band_count(groups, 64));
  for_row_bands(0, groups, group_bands, args.progress, [&](int band, int g0, int g1, ProgressSink* p) {
    AlphaSums* prefix = prefixes[size_t(band)].data();
    int64_t done = 0;
    for (int g = g0; g < g1; ++g) {
      const int64_t d = directions[size_t(g)];
      const int64_t cq = d / kSpan - 1024, sq = d % kSpan - 1024;
      const uint32_t* begin = order.data() + first[size_t(d)];
      const uint32_t* end = order.data() + first[size_t(d + 1)];
      int64_t lo = INT64_MAX, hi = 0;
      for (const uint32_t* i = begin; i != end; ++i) {
        const Ray ray = ray_of(rect.x + int64_t(*i % uint32_t(rect.w)) - cx,
                               rect.y + int64_t(*i / uint32_t(rect.w)) - cy, k);
        lo = std::min(lo, ray.r - ray.n);
        hi = std::max(hi, ray.r);
      }
      // prefix[i] holds the samples at radii lo … lo + i − 1.
      prefix[0] = AlphaSums{};
      for (int64_t rho = lo; rho <= hi; ++rho) {
        AlphaSums s = prefix[rho - lo];
        s.add(clamped_sample(*src, int64_t{cx} * 256 + ((rho * cq) >> 2),
                             int64_t{cy} * 256 + ((rho * sq) >> 2)));
        prefix[rho - lo + 1] = s;
      }
      for (const uint32_t* i = begin; i != end; ++i) {
        const int x = rect.x + int(*i % uint32_t(rect.w)), y = rect.y + int(*i / uint32_t(rect.w));
        const Ray ray = ray_of(x - cx, y - cy, k);
        const AlphaSums& top = prefix[ray.r + 1 - lo];
        const AlphaSums& bottom = prefix[ray.r - ray.n - lo];
        AlphaSums s;
        s.ab = top.ab - bottom.ab;
        s.ag = top.ag - bottom.ag;
        s.ar = top.ar - bottom.ar;
        s.a = top.a - bottom.a;
        args.dst.row(y)[x] = average_output(s, ray.n + 1);
        if (++done % rect.w == 0) progress_step(p);
      }
    }
  });
  if (args.progress) args.progress->set_position(rect.h);
  return true;
}

}  // namespace qm::filters
