#include "paint/flood_fill.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qm {
namespace {

// The two region tests, one pixel at a time and four at a time (a 4-bit
// mask of the pixels in the region).
struct SameValueTest {
  Pixel seed;
  bool operator()(Pixel p) const { return p == seed; }
#ifdef __SSE2__
  int four(const Pixel* p) const {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(v, _mm_set1_epi32(int(seed)))));
  }
#endif
};
struct OpaqueTest {
  bool operator()(Pixel p) const { return alpha_of(p) != 0; }
#ifdef __SSE2__
  int four(const Pixel* p) const {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i a = _mm_srli_epi32(v, 24);
    return 15 & ~_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, _mm_setzero_si128())));
  }
#endif
};

// The first x in [x, end) whose pixel is (kIn) or is not (!kIn) in the region,
// or end.
template <bool kIn, class Test>
inline int next_edge(const Pixel* row, int x, int end, const Test& in_region) {
  // Most runs and gaps are short: a few pixels one by one first.
  for (const int stop = std::min(end, x + 4); x < stop; ++x)
    if (in_region(row[x]) == kIn) return x;
#ifdef __SSE2__
  for (; x + 4 <= end; x += 4) {
    const int hit = kIn ? in_region.four(row + x) : 15 & ~in_region.four(row + x);
    if (hit) return x + __builtin_ctz(unsigned(hit));
  }
#endif
  for (; x < end; ++x)
    if (in_region(row[x]) == kIn) return x;
  return end;
}

// A run of row y waiting to be looked at: its pixels x0 … x1 (inclusive) lie
// in the region and are already marked. It was found from row y − dir over
// the parent run px0 … px1, whose pixels need no second look.
struct Pending {
  int x0, x1, y, dir, px0, px1;
};

template <class Test>
Rect fill_with(const LayerImage& ref, IntPoint seed, Test in_region, RegionMap& map, const SpanSink& sink) {
  const int w = ref.width(), h = ref.height();
  uint8_t* const mark = map.inside.data();
  std::vector<Pending> pending;
  pending.reserve(1024);
  int min_x = w, min_y = h, max_x = -1, max_y = -1;

  // Every run is taken whole: it spans all region pixels between two
  // non-region ones (or the raster's edges). So a region pixel is visited
  // exactly when the first pixel of its run is, and runs grow and are
  // skipped on the pixel test alone; the map is read once per run.

  // Extends the run through (x, y) to both sides, marks it, reports it and
  // queues it; returns its right end.
  auto take_run = [&](int x, int y, int dir, int px0, int px1) __attribute__((always_inline)) -> int {
    const Pixel* row = ref.row(y);
    uint8_t* m = mark + size_t(y) * size_t(w);
    int left = x;
    while (left > 0 && in_region(row[left - 1])) --left;
    const int right = next_edge<false>(row, x + 1, w, in_region) - 1;
    std::fill(m + left, m + right + 1, uint8_t{1});
    // The next rows this run leads to are new cache lines in both rasters:
    // start loading them while the rest of this row is scanned.
    for (const int next : {y + dir, y + 2 * dir})
      if (next >= 0 && next < h) {
        __builtin_prefetch(ref.row(next) + left);
        __builtin_prefetch(mark + size_t(next) * size_t(w) + size_t(left));
      }
    if (sink) sink(left, y, right - left + 1);
    min_x = std::min(min_x, left);
    max_x = std::max(max_x, right);
    min_y = std::min(min_y, y);
    max_y = std::max(max_y, y);
    pending.push_back({left, right, y, dir, px0, px1});
    return right;
  };

  // Every unvisited region run of row y touching x0 … x1, found from the
  // run p0 … p1 going `dir`.
  auto scan_row = [&](int x0, int x1, int y, int dir, int p0, int p1) {
    if (y < 0 || y >= h || x0 > x1) return;
    const Pixel* row = ref.row(y);
    const uint8_t* m = mark + size_t(y) * size_t(w);
    for (int x = next_edge<true>(row, x0, x1 + 1, in_region); x <= x1;) {
      // Past the run (taken now or skipped as taken before) and the
      // non-region pixel that ends it.
      x = m[x] ? next_edge<false>(row, x + 1, x1 + 1, in_region) : take_run(x, y, dir, p0, p1) + 1;
      x = next_edge<true>(row, x + 1, x1 + 1, in_region);
    }
  };

  // The seed's run looks both ways: an empty parent range.
  take_run(seed.x, seed.y, 1, 1, 0);
  while (!pending.empty()) {
    const Pending p = pending.back();
    pending.pop_back();
    scan_row(p.x0, p.x1, p.y + p.dir, p.dir, p.x0, p.x1);
    // Back towards the parent: only where this run reaches past it.
    if (p.px0 > p.px1) {
      scan_row(p.x0, p.x1, p.y - p.dir, -p.dir, p.x0, p.x1);
    } else {
      scan_row(p.x0, std::min(p.x1, p.px0 - 1), p.y - p.dir, -p.dir, p.x0, p.x1);
      scan_row(std::max(p.x0, p.px1 + 1), p.x1, p.y - p.dir, -p.dir, p.x0, p.x1);
    }
  }
  return {min_x, min_y, max_x - min_x + 1, max_y - min_y + 1};
}

}  // namespace

Rect flood_fill(const LayerImage& reference, IntPoint seed, RegionTest test, RegionMap& map,
                const SpanSink& sink) {
  if (map.width != reference.width() || map.height != reference.height() ||
      map.inside.size() != reference.pixel_count()) {
    map.width = reference.width();
    map.height = reference.height();
    map.inside.assign(reference.pixel_count(), 0);
  } else {
    // Only the last fill's box holds marks: on a large canvas a small
    // region then costs no full-map clear.
    const Rect r = intersect(map.marked, reference.bounds());
    for (int y = r.y; y < r.bottom(); ++y)
      std::memset(map.inside.data() + size_t(y) * size_t(map.width) + size_t(r.x), 0, size_t(r.w));
  }
  map.marked = {};
  if (reference.empty() || seed.x < 0 || seed.y < 0 || seed.x >= reference.width() ||
      seed.y >= reference.height())
    return {};
  const Pixel seed_value = reference.row(seed.y)[seed.x];
  if (test == RegionTest::Opaque) {
    if (alpha_of(seed_value) == 0) return {};
    return map.marked = fill_with(reference, seed, OpaqueTest{}, map, sink);
  }
  return map.marked = fill_with(reference, seed, SameValueTest{seed_value}, map, sink);
}

}  // namespace qm
