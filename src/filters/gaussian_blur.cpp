// Gaussian Blur in time independent of the strength. The staircase weights
// take at most five values, so the weighted sum over 2R + 1 taps is a sum of
// at most five nested box sums, each scaled by the step between two weights:
// Σ w(|i|)·v(i) = Σ_k (W_k − W_k+1) · Σ_{|i| ≤ b_k} v(i), where b_k is the
// last tap of weight level ≤ k. Integer sums are exact, so this equals the
// tap-by-tap sum bit for bit. Divisions of sums below 2^53 by divisors whose
// product with the quotient stays below 2^53 are done in double, exactly
// (the largest weighted sum is 65536 · 181 · 255 · 255 < 2^40).
#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "filters/filter_algorithm.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

struct Boxes {
  int count = 0;
  int radius[5] = {};
  int64_t step[5] = {};  // weight added by this box
  // ⌊ΣA / taps⌋ = (ΣA × taps_inverse) >> 32, exact since ΣA × taps < 2^32.
  uint64_t taps_inverse = 0;
};

Boxes staircase(int s) {
  const int r = 3 * s;
  Boxes boxes;
  for (int level = 0; level < 5; ++level) {
    int last = -1;
    for (int i = 0; i <= r; ++i)
      if (int64_t{i} * i / (2 * int64_t{s} * s) <= level) last = i;
    if (level == 4) last = r;
    if (last < 0) continue;
    const int64_t step = kGaussianLevels[level] - (level < 4 ? kGaussianLevels[level + 1] : 0);
    if (boxes.count > 0 && boxes.radius[boxes.count - 1] == last) {
      boxes.step[boxes.count - 1] += step;
    } else {
      boxes.radius[boxes.count] = last;
      boxes.step[boxes.count] = step;
      ++boxes.count;
    }
  }
  return boxes;
}

struct VerticalScratch {
  std::vector<uint16_t> ring;   // (2R + 2) rows × rect.w × 4
  std::vector<uint32_t> sums;   // boxes × rect.w × 4
  std::vector<int> held;
};

// The quotient by one reciprocal: n · (1 / w) truncated is within one of
// ⌊n / w⌋, and the products q · w (below 2^53) tell which.
inline __m128d exact_quotient(__m128d n, __m128d w, __m128d inverse) {
  const __m128d q = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_mul_pd(n, inverse)));
  const __m128d qw = _mm_mul_pd(q, w);
  const __m128d one = _mm_set1_pd(1);
  const __m128d over = _mm_and_pd(_mm_cmpgt_pd(qw, n), one);
  const __m128d under = _mm_and_pd(_mm_cmple_pd(_mm_add_pd(qw, w), n), one);
  return _mm_add_pd(_mm_sub_pd(q, over), under);
}

// (A, A·B, A·G, A·R) of a pixel as 32-bit lanes; each product is below 2^16,
// so the 16-bit multiply keeps it whole.
inline __m128i premultiplied(Pixel px) {
  const __m128i wide = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(px)), _mm_setzero_si128());  // B G R A
  const __m128i argb = _mm_shufflelo_epi16(wide, _MM_SHUFFLE(2, 1, 0, 3));                   // A B G R
  const __m128i alpha = _mm_shufflelo_epi16(wide, _MM_SHUFFLE(3, 3, 3, 3));
  const __m128i factors = _mm_insert_epi16(alpha, 1, 0);                                      // 1 A A A
  return _mm_unpacklo_epi16(_mm_mullo_epi16(argb, factors), _mm_setzero_si128());
}

namespace sse2 {
// One pass's output from the box sums (A, A·B, A·G, A·R per box). The
// weighted sums are formed in double (SSE2, two channels per register):
// every product and partial sum is an integer below 2^53, so they are exact,
// and the truncated quotients equal the integer divisions.
inline Pixel pass_output(const Boxes& boxes, const uint32_t (*sums)[4]) {
  const uint32_t sa = sums[boxes.count - 1][0];
  if (sa == 0) return kTransparent;
  const uint32_t a = uint32_t((uint64_t{sa} * boxes.taps_inverse) >> 32);
  if (a == 0) return kTransparent;
  __m128d lo = _mm_setzero_pd(), hi = _mm_setzero_pd();  // (W, W·B), (W·G, W·R)
  for (int k = 0; k < boxes.count; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums[k]));
    const __m128d step = _mm_set1_pd(double(boxes.step[k]));
    lo = _mm_add_pd(lo, _mm_mul_pd(step, _mm_cvtepi32_pd(v)));
    hi = _mm_add_pd(hi, _mm_mul_pd(step, _mm_cvtepi32_pd(_mm_shuffle_epi32(v, 0xEE))));
  }
  const __m128d sw = _mm_unpacklo_pd(lo, lo);
  const __m128d inverse = _mm_set1_pd(1 / _mm_cvtsd_f64(lo));
  const __m128i qlo = _mm_cvttpd_epi32(exact_quotient(lo, sw, inverse));
  const __m128i qhi = _mm_cvttpd_epi32(exact_quotient(hi, sw, inverse));
  const uint32_t b = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(qlo, 1)));
  const uint32_t g = uint32_t(_mm_cvtsi128_si32(qhi));
  const uint32_t r = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(qhi, 1)));
  return make_pixel(a, r, g, b);
}

#include "filters/gaussian_passes.inc"
}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
// A pass's output from its weighted sums (W, W·B, W·G, W·R) and ΣA.
inline Pixel output_of(__m256d acc, uint32_t sa, const Boxes& boxes) {
  if (sa == 0) return kTransparent;
  const uint32_t a = uint32_t((uint64_t{sa} * boxes.taps_inverse) >> 32);
  if (a == 0) return kTransparent;
  const __m256d sw = _mm256_permute4x64_pd(acc, 0);
  // As exact_quotient(), four lanes at once.
  const __m256d inverse = _mm256_set1_pd(1 / _mm256_cvtsd_f64(acc));
  const __m256d est = _mm256_round_pd(_mm256_mul_pd(acc, inverse), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  const __m256d qw = _mm256_mul_pd(est, sw);
  const __m256d one = _mm256_set1_pd(1);
  const __m256d over = _mm256_and_pd(_mm256_cmp_pd(qw, acc, _CMP_GT_OQ), one);
  const __m256d under = _mm256_and_pd(_mm256_cmp_pd(_mm256_add_pd(qw, sw), acc, _CMP_LE_OQ), one);
  const __m128i q = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_sub_pd(est, over), under));
  // Lanes (1, B, G, R), each at most 255: their low bytes make the pixel.
  const __m128i bgr = _mm_shuffle_epi8(q, _mm_setr_epi8(4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
  return Pixel(_mm_cvtsi128_si32(bgr)) | a << 24;
}

// The same as the SSE2 form with four channels per register.
inline Pixel pass_output(const Boxes& boxes, const uint32_t (*sums)[4]) {
  __m256d acc = _mm256_setzero_pd();  // W, W·B, W·G, W·R
  for (int k = 0; k < boxes.count; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums[k]));
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_set1_pd(double(boxes.step[k])),
                                           _mm256_cvtepi32_pd(v)));
  }
  return output_of(acc, sums[boxes.count - 1][0], boxes);
}

// Horizontal pass of rows [y0, y1) into tmp (row y − tmp_y). The weighted
// sums move along the row: each box adds the value entering it and takes
// away the one leaving, scaled by its step. Every partial sum is an integer
// below 2^53, so the doubles hold them exactly and the result equals the
// box-by-box sums.
void horizontal_rows(const LayerImage& src, LayerImage& tmp, int tmp_y, Rect rect,
                     const Boxes& boxes, int r, std::vector<uint32_t>& scratch, int y0, int y1,
                     ProgressSink* progress) {
  const int w = src.width();
  const int len = rect.w + 2 * r;
  __m256d steps[5];
  for (int k = 0; k < boxes.count; ++k) steps[k] = _mm256_set1_pd(double(boxes.step[k]));
  uint32_t* v = scratch.data();  // (A, A·B, A·G, A·R) of the edge-extended row
  auto at = [v](int t) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 4 * t)); };
  for (int y = y0; y < y1; ++y) {
    const Pixel* in = src.row(y);
    for (int t = 0; t < len; ++t)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(v + 4 * t),
                       premultiplied(in[std::clamp(rect.x - r + t, 0, w - 1)]));
    // Output j's taps are v[j … j + 2R].
    __m256d acc = _mm256_setzero_pd();
    for (int k = 0; k < boxes.count; ++k) {
      __m128i box = _mm_setzero_si128();
      for (int t = r - boxes.radius[k]; t <= r + boxes.radius[k]; ++t) box = _mm_add_epi32(box, at(t));
      acc = _mm256_add_pd(acc, _mm256_mul_pd(steps[k], _mm256_cvtepi32_pd(box)));
    }
    uint32_t sa = 0;
    for (int t = 0; t <= 2 * r; ++t) sa += v[4 * t];
    Pixel* out = tmp.row(y - tmp_y);
    for (int j = 0;; ++j) {
      out[j] = output_of(acc, sa, boxes);
      if (j + 1 == rect.w) break;
      sa += v[4 * (j + 1 + 2 * r)] - v[4 * j];
      __m256d change = _mm256_setzero_pd();
      for (int k = 0; k < boxes.count; ++k) {
        const __m128i d = _mm_sub_epi32(at(j + 1 + r + boxes.radius[k]), at(j + r - boxes.radius[k]));
        change = _mm256_add_pd(change, _mm256_mul_pd(steps[k], _mm256_cvtepi32_pd(d)));
      }
      acc = _mm256_add_pd(acc, change);
    }
    progress_step(progress);
  }
}

#define QM_GAUSSIAN_OWN_HORIZONTAL 1
#include "filters/gaussian_passes.inc"
#undef QM_GAUSSIAN_OWN_HORIZONTAL
}  // namespace avx2
#pragma GCC pop_options

bool use_avx2() { return filter_avx2(); }
}  // namespace

bool gaussian_blur(const LayerImage& src, LayerImage& dst, Rect rect, int strength,
                   ProgressSink* progress) {
  rect = intersect(rect, src.bounds());
  if (rect.empty()) return true;
  const int s = std::clamp(strength, 1, 30);
  const int r = 3 * s;
  Boxes boxes = staircase(s);
  boxes.taps_inverse = (uint64_t{1} << 32) / uint64_t(2 * r + 1) + 1;
  const int h = src.height();
  const int ty0 = std::max(0, rect.y - r), ty1 = std::min(h, rect.bottom() + r);

  LayerImage tmp;
  const int64_t tmp_bytes = int64_t{rect.w} * (ty1 - ty0) * 4;
  if (!temporary_allowed(tmp_bytes) || !tmp.create(rect.w, ty1 - ty0)) return false;
  const int bands1 = row_band_count(ty1 - ty0, 32);
  const int bands2 = row_band_count(rect.h, 32);
  std::vector<std::vector<uint32_t>> scratch1;
  std::vector<VerticalScratch> scratch2(static_cast<size_t>(bands2));
  try {
    for (int b = 0; b < bands1; ++b) scratch1.emplace_back(size_t(rect.w + 2 * r + 1) * 4);
    for (VerticalScratch& v : scratch2) {
      v.ring.resize(size_t(2 * r + 2) * size_t(rect.w) * 4);
      v.sums.resize(size_t(rect.w) * 4 * size_t(boxes.count));
      v.held.resize(size_t(2 * r + 2));
    }
  } catch (const std::bad_alloc&) {
    return false;
  }

  progress_range(progress, int64_t{ty1 - ty0} + rect.h);
  for_row_bands(ty0, ty1, bands1, progress, [&](int band, int y0, int y1, ProgressSink* p) {
    if (use_avx2())
      avx2::horizontal_rows(src, tmp, ty0, rect, boxes, r, scratch1[size_t(band)], y0, y1, p);
    else
      sse2::horizontal_rows(src, tmp, ty0, rect, boxes, r, scratch1[size_t(band)], y0, y1, p);
  });
  for_row_bands(rect.y, rect.bottom(), bands2, progress,
                [&](int band, int y0, int y1, ProgressSink* p) {
                  VerticalScratch& v = scratch2[size_t(band)];
                  if (use_avx2())
                    avx2::vertical_rows(tmp, ty0, h, dst, rect, boxes, r, v, y0, y1, p);
                  else
                    sse2::vertical_rows(tmp, ty0, h, dst, rect, boxes, r, v, y0, y1, p);
                });
  return true;
}

}  // namespace qm::filters
