// Radial Blur by rays. Every pixel averages the samples of its ray direction
// (cq, sq) at the radii r − n … r, and many pixels share a direction, so the
// pixels are grouped by direction and each direction's samples are taken
// once, as prefix sums along the ray: a pixel's sums are the difference of
// two prefixes, the same integers as adding its samples one by one.
//
// Three passes: each pixel's ray, once, and its direction's bucket (row
// bands); a counting sort of the pixels by bucket; per bucket the prefix sums
// and the outputs (bands of buckets). The buckets are few (see ray_bucket), so
// a preview pays only for its own rectangle, and neighbouring buckets are
// neighbouring rays, whose pixels share cache lines.
#include <emmintrin.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <vector>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"
#include "filters/opaque_bilinear.h"
#include "filters/radial_ray.h"

namespace qm::filters {
namespace {

constexpr uint16_t kCopied = 0xFFFF;  // n = 0: the source pixel, already written
constexpr uint32_t kNoDirection = UINT32_MAX;
// Prefix sums are four 32-bit lanes; a ray up to this long keeps every
// difference of them below 2^31 (65025 × (n + 1) with n ≤ r / 2).
constexpr int64_t kLongestRay = 32768;

uint32_t pack_direction(int64_t cq, int64_t sq) { return uint32_t((cq + 1024) << 12 | (sq + 1024)); }

struct Bucket {
  uint32_t count = 0;
  uint32_t direction = kNoDirection;
  int32_t lo = INT32_MAX, hi = INT32_MIN;  // radii r − n and r of its pixels
};

// One sample's lanes ΣA·B, ΣA·G, ΣA·R, ΣA (clamped bilinear alpha sample).
__m128i sample_lanes(const LayerImage& src, int64_t last_x, int64_t last_y, int64_t x, int64_t y) {
  if (x >= 0 && x < last_x && y >= 0 && y < last_y) {
    const Pixel* r0 = src.row(int(y >> 8)) + (x >> 8);
    const Pixel* r1 = src.row(int(y >> 8) + 1) + (x >> 8);
    if ((r0[0] & r0[1] & r1[0] & r1[1]) >> 24 == 255) {
      const __m128i c = opaque_bilinear(r0, r1, int(x & 255), int(y & 255));
      const __m128i weighted = _mm_sub_epi32(_mm_slli_epi32(c, 8), c);  // 255·c
      const __m128i colour = _mm_setr_epi32(-1, -1, -1, 0);
      return _mm_or_si128(_mm_and_si128(colour, weighted), _mm_andnot_si128(colour, c));
    }
  }
  Pixel p;
  if (x >= 0 && x <= last_x && y >= 0 && y <= last_y)
    p = bilinear_alpha_at(src, int(x >> 8), int(y >> 8), unsigned(x & 255), unsigned(y & 255));
  else
    bilinear_alpha_sample(src, x, y, SampleEdge::kClamp, &p);
  const int a = alpha_of(p);
  return _mm_setr_epi32(a * blue_of(p), a * green_of(p), a * red_of(p), a);
}

// The average output rule on lanes below 2^31. Each quotient of two such
// integers is exact as the truncated double quotient.
Pixel average_of(__m128i sums, int64_t samples) {
  const int sa = _mm_cvtsi128_si32(_mm_shuffle_epi32(sums, 3));
  if (sa == 0) return kTransparent;
  const __m128d bg = _mm_cvtepi32_pd(sums);
  const __m128d ra = _mm_cvtepi32_pd(_mm_unpackhi_epi64(sums, sums));
  const __m128i qbg = _mm_cvttpd_epi32(_mm_div_pd(bg, _mm_set1_pd(double(sa))));
  const __m128i qra = _mm_cvttpd_epi32(_mm_div_pd(ra, _mm_setr_pd(double(sa), double(samples))));
  const __m128i q = _mm_unpacklo_epi64(qbg, qra);  // B, G, R, A, each 0 … 255
  if (_mm_cvtsi128_si32(_mm_shuffle_epi32(q, 3)) == 0) return kTransparent;
  return Pixel(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, q), q)));
}

struct Lanes {
  __m128i v;
};

struct Group {
  uint32_t begin, end;  // its pixels in the sorted order
  int32_t lo, hi;
  int64_t cq, sq;
};

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
  const int64_t longest = radial_ray(fx, fy, k).r + 2;
  const int bands = row_band_count(rect.h, 16);
  const int64_t bytes = pixels * 6 + int64_t{bands} * (kRayBuckets * int64_t{sizeof(Bucket) + 4} +
                                                       longest * int64_t{sizeof(Lanes)});
  std::vector<uint16_t> key_of_pixel;
  std::vector<uint32_t> order, next;
  std::vector<Bucket> band_buckets;
  std::vector<std::vector<Lanes>> prefixes(static_cast<size_t>(bands));
  try {
    if (rect.w > 65536 || rect.h > 65536 || longest > kLongestRay || !temporary_allowed(bytes))
      throw std::bad_alloc();
    key_of_pixel.resize(size_t(pixels));
    order.resize(size_t(pixels));
    next.resize(size_t(bands) * kRayBuckets);
    band_buckets.resize(size_t(bands) * kRayBuckets);
    for (auto& p : prefixes) p.resize(size_t(longest));
  } catch (const std::bad_alloc&) {
    radial_blur_per_pixel(args, src);
    return true;
  }
  progress_range(args.progress, rect.h);

  // Each pixel's ray and bucket; n = 0 copies the source. A bucket meeting a
  // second direction sends the rectangle to the plain path.
  std::vector<char> clash(size_t(bands), 0);
  for_row_bands(rect.y, rect.bottom(), bands, nullptr, [&](int band, int y0, int y1, ProgressSink*) {
    Bucket* buckets = band_buckets.data() + size_t(band) * kRayBuckets;
    for (int y = y0; y < y1; ++y) {
      uint16_t* key = key_of_pixel.data() + int64_t{y - rect.y} * rect.w;
      const int64_t ey = y - cy;
      for (int x = rect.x; x < rect.right(); ++x) {
        const int64_t ex = x - cx;
        const RadialRay ray = radial_ray(ex, ey, k);
        if (ray.n == 0) {
          args.dst.row(y)[x] = src->row(y)[x];
          key[x - rect.x] = kCopied;
          continue;
        }
        int64_t cq, sq;
        ray_direction(ex, ey, ray.distance, &cq, &sq);
        const int b = ray_bucket(cq, sq);
        Bucket& bucket = buckets[b];
        const uint32_t direction = pack_direction(cq, sq);
        if (bucket.direction != direction) {
          if (bucket.direction != kNoDirection) clash[size_t(band)] = 1;
          bucket.direction = direction;
        }
        ++bucket.count;
        bucket.lo = std::min(bucket.lo, int32_t(ray.r - ray.n));
        bucket.hi = std::max(bucket.hi, int32_t(ray.r));
        key[x - rect.x] = uint16_t(b);
      }
    }
  });

  // The groups in bucket order, and where each band's pixels of a bucket go.
  std::vector<Group> groups;
  uint32_t placed = 0;
  for (int b = 0; b < kRayBuckets; ++b) {
    Group g{placed, placed, INT32_MAX, INT32_MIN, 0, 0};
    uint32_t direction = kNoDirection;
    for (int band = 0; band < bands; ++band) {
      const Bucket& bucket = band_buckets[size_t(band) * kRayBuckets + size_t(b)];
      next[size_t(band) * kRayBuckets + size_t(b)] = g.end;
      if (bucket.count == 0) continue;
      if (direction != kNoDirection && direction != bucket.direction) clash[0] = 1;
      direction = bucket.direction;
      g.end += bucket.count;
      g.lo = std::min(g.lo, bucket.lo);
      g.hi = std::max(g.hi, bucket.hi);
    }
    if (g.end == g.begin) continue;
    g.cq = int64_t(direction >> 12) - 1024;
    g.sq = int64_t(direction & 4095) - 1024;
    groups.push_back(g);
    placed = g.end;
  }
  if (std::find(clash.begin(), clash.end(), 1) != clash.end()) {
    radial_blur_per_pixel(args, src);
    return true;
  }

  // Counting sort: each band places its pixels, (y << 16 | x) within the
  // rectangle, in scan order within each bucket.
  for_row_bands(rect.y, rect.bottom(), bands, nullptr, [&](int band, int y0, int y1, ProgressSink*) {
    uint32_t* slot = next.data() + size_t(band) * kRayBuckets;
    for (int y = y0; y < y1; ++y) {
      const uint16_t* key = key_of_pixel.data() + int64_t{y - rect.y} * rect.w;
      const uint32_t row = uint32_t(y - rect.y) << 16;
      for (int x = 0; x < rect.w; ++x)
        if (key[x] != kCopied) order[slot[key[x]]++] = row | uint32_t(x);
    }
  });

  const int64_t last_x = int64_t{src->width() - 1} << 8, last_y = int64_t{src->height() - 1} << 8;
  const int group_count = int(groups.size());
  const int group_bands = std::min(bands, row_band_count(group_count, 64));
  for_row_bands(0, group_count, group_bands, args.progress, [&](int band, int g0, int g1, ProgressSink* p) {
    Lanes* prefix = prefixes[size_t(band)].data();
    int64_t done = 0;
    for (int gi = g0; gi < g1; ++gi) {
      const Group& g = groups[size_t(gi)];
      // prefix[i] holds the samples at radii lo … lo + i − 1.
      __m128i sums = _mm_setzero_si128();
      prefix[0].v = sums;
      for (int64_t rho = g.lo; rho <= g.hi; ++rho) {
        sums = _mm_add_epi32(sums, sample_lanes(*src, last_x, last_y, int64_t{cx} * 256 + ((rho * g.cq) >> 2),
                                                int64_t{cy} * 256 + ((rho * g.sq) >> 2)));
        prefix[rho - g.lo + 1].v = sums;
      }
      for (uint32_t i = g.begin; i != g.end; ++i) {
        const int x = rect.x + int(order[i] & 0xFFFF), y = rect.y + int(order[i] >> 16);
        const RadialRay ray = radial_ray(x - cx, y - cy, k);
        const __m128i s = _mm_sub_epi32(prefix[ray.r + 1 - g.lo].v, prefix[ray.r - ray.n - g.lo].v);
        args.dst.row(y)[x] = average_of(s, ray.n + 1);
        if (++done % rect.w == 0) progress_step(p);
      }
    }
  });
  if (args.progress) args.progress->set_position(rect.h);
  return true;
}

}  // namespace qm::filters
