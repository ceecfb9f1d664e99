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

#ifdef __SSE2__
// 4-bit mask of the unvisited pixels among m[0 … 3].
inline int unvisited_four(const uint8_t* m) {
  uint32_t word;
  std::memcpy(&word, m, 4);
  const __m128i v = _mm_cvtsi32_si128(int(word));
  // Bytes equal to 0 → 0xFF; widen to 32-bit lanes for the same mask layout.
  const __m128i z = _mm_cmpeq_epi8(v, _mm_setzero_si128());
  const __m128i w16 = _mm_unpacklo_epi8(z, z);
  return _mm_movemask_ps(_mm_castsi128_ps(_mm_unpacklo_epi16(w16, w16)));
}
#endif

// The first x in [x, end) that is unvisited and in the region, or end.
template <class Test>
inline int next_open(const Pixel* row, const uint8_t* m, int x, int end, const Test& in_region) {
  // Most runs and gaps are short: a few pixels one by one first.
  for (const int stop = std::min(end, x + 4); x < stop; ++x)
    if (!m[x] && in_region(row[x])) return x;
#ifdef __SSE2__
  for (; x + 4 <= end; x += 4) {
    const int open = unvisited_four(m + x) & in_region.four(row + x);
    if (open) return x + __builtin_ctz(unsigned(open));
  }
#endif
  for (; x < end; ++x)
    if (!m[x] && in_region(row[x])) return x;
  return end;
}

// The first x in [x, end) that is visited or outside the region, or end.
template <class Test>
inline int next_closed(const Pixel* row, const uint8_t* m, int x, int end, const Test& in_region) {
  // Most runs and gaps are short: a few pixels one by one first.
  for (const int stop = std::min(end, x + 4); x < stop; ++x)
    if (m[x] || !in_region(row[x])) return x;
#ifdef __SSE2__
  for (; x + 4 <= end; x += 4) {
    const int closed = 15 & ~(unvisited_four(m + x) & in_region.four(row + x));
    if (closed) return x + __builtin_ctz(unsigned(closed));
  }
#endif
  for (; x < end; ++x)
    if (m[x] || !in_region(row[x])) return x;
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

  // Extends the run through (x, y) to both sides over unvisited region
  // pixels, marks it, reports it and queues it; returns its right end.
  auto take_run = [&](int x, int y, int dir, int px0, int px1) __attribute__((always_inline)) -> int {
    const Pixel* row = ref.row(y);
    uint8_t* m = mark + size_t(y) * size_t(w);
    int left = x, right = x;
    while (left > 0 && !m[left - 1] && in_region(row[left - 1])) --left;
    right = next_closed(row, m, right + 1, w, in_region) - 1;
    std::fill(m + left, m + right + 1, uint8_t{1});
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
    for (int x = next_open(row, m, x0, x1 + 1, in_region); x <= x1;
         x = next_open(row, m, x + 1, x1 + 1, in_region))
      x = take_run(x, y, dir, p0, p1);
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
