#include "paint/over_rows.h"

#include "core/cpu_features.h"
#include "paint/channel_vector.h"
#include "paint/combine.h"
#include "paint/write_modes.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(QM_NO_SIMD)
#define QM_OVER_ROWS_X86 1
#include <immintrin.h>
#endif

namespace qm {
namespace {

void blend_row_scalar(Pixel* dst, const uint8_t* alpha, int n, uint32_t colour) {
  for (int i = 0; i < n; ++i)
    if (alpha[i]) dst[i] = blend_over(dst[i], colour, alpha[i]);
}

void combine_row_scalar(Pixel* dst, const Pixel* stroke, const Pixel* backup, int n, bool keep_alpha) {
  for (int i = 0; i < n; ++i) dst[i] = combine_over(stroke[i], backup[i], keep_alpha);
}

#ifdef QM_OVER_ROWS_X86
#define QM_AVX2 __attribute__((target("avx2")))

// One byte channel of four pixels as doubles.
QM_AVX2 inline __m256d channel4(__m128i p, int shift) {
  return _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(p, shift), _mm_set1_epi32(0xFF)));
}

// trunc(v) of four lanes in 0 … 255.5, placed at `shift`.
QM_AVX2 inline __m128i byte4(__m256d v, int shift) { return _mm_slli_epi32(_mm256_cvttpd_epi32(v), shift); }

// (x · a + y · b) / d + 0.5, in that order, for one channel.
QM_AVX2 inline __m128i mix4(__m256d x, __m256d a, __m256d y, __m256d b, __m256d d, int shift) {
  const __m256d sum = _mm256_add_pd(_mm256_mul_pd(x, a), _mm256_mul_pd(y, b));
  return byte4(_mm256_add_pd(_mm256_div_pd(sum, d), _mm256_set1_pd(0.5)), shift);
}

// unit[i] for four indices (the masked form: GCC warns about the plain one's
// unset source).
QM_AVX2 inline __m256d gather4(const double* unit, __m128i i) {
  return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), unit, i, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)), 8);
}

// Lanes of `mask` from b, the others from a.
QM_AVX2 inline __m128i pick(__m128i a, __m128i b, __m128i mask) { return _mm_blendv_epi8(a, b, mask); }

// The pixels i … i + 3 of a row of n, or its last 1 … 3 (the other lanes
// read as 0 and are not written). Rows of dabs are short, so the tails are
// many and go through the vector code too.
QM_AVX2 inline __m128i tail_lanes(int left) {
  return _mm_cmpgt_epi32(_mm_set1_epi32(left), _mm_setr_epi32(0, 1, 2, 3));
}
QM_AVX2 inline __m128i load4(const Pixel* p, int left) {
  if (left >= 4) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return _mm_maskload_epi32(reinterpret_cast<const int*>(p), tail_lanes(left));
}
QM_AVX2 inline void store4(Pixel* p, int left, __m128i v) {
  if (left >= 4) return _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
  _mm_maskstore_epi32(reinterpret_cast<int*>(p), tail_lanes(left), v);
}

// A table of the alpha a formula gives for every pair of alphas, at
// [first × 256 + second]; three bytes of padding let a 32-bit gather read
// any entry.
using AlphaTable = std::array<uint8_t, 65536 + 3>;
template <class Formula>
AlphaTable alpha_table(Formula alpha) {
  AlphaTable t{};
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t b = 0; b < 256; ++b) t[a * 256 + b] = uint8_t(alpha(a, b));
  return t;
}

// Dab alpha over pixel alpha, from the blend formula itself.
const uint8_t* blend_alpha_table() {
  static const AlphaTable table =
      alpha_table([](uint32_t a, uint32_t d) { return alpha_of(blend_over_plain(d << 24, 0, a)); });
  return table.data();
}

QM_AVX2 void blend_row_avx2(Pixel* dst, const uint8_t* alpha, int n, uint32_t colour) {
  const uint8_t* alpha_table = blend_alpha_table();
  const double* unit = unit_fractions().data();
  const __m128i colour4 = _mm_set1_epi32(int(colour & 0xFFFFFF));
  const __m256d cb = _mm256_set1_pd(blue_of(colour)), cg = _mm256_set1_pd(green_of(colour));
  const __m256d cr = _mm256_set1_pd(red_of(colour));
  const __m256d one = _mm256_set1_pd(1), full = _mm256_set1_pd(255), rounding = _mm256_set1_pd(0.5);
  const __m256d square = _mm256_set1_pd(65025.0);
  const __m128i zero = _mm_setzero_si128(), opaque = _mm_set1_epi32(255);
  for (int i = 0; i < n; i += 4) {
    const int left = n - i;
    uint32_t a_bytes = 0;
    if (left >= 4)
      __builtin_memcpy(&a_bytes, alpha + i, 4);
    else
      for (int k = 0; k < left; ++k) a_bytes |= uint32_t(alpha[i + k]) << (8 * k);
    if (a_bytes == 0) continue;
    const __m128i a = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(a_bytes)));
    const __m128i d = load4(dst + i, left);
    const __m128i da = _mm_srli_epi32(d, 24);
    // The shortcuts: a = 255 paints the colour; over nothing the dab itself.
    const __m128i plain = _mm_or_si128(colour4, _mm_slli_epi32(a, 24));
    const __m128i a_full = _mm_cmpeq_epi32(a, opaque), d_empty = _mm_cmpeq_epi32(da, zero);
    const __m128i easy = _mm_or_si128(a_full, d_empty);
    __m128i out = plain;
    if (_mm_movemask_epi8(easy) != 0xFFFF) {
      // A pixel already of the colour keeps it: the weights sum to the new
      // alpha, and the formula's rounding never reaches half a level (a test
      // checks every case). Inside a stroke that is nearly every pixel, and
      // its alpha comes from the table.
      const __m128i same = _mm_cmpeq_epi32(_mm_and_si128(d, _mm_set1_epi32(0xFFFFFF)), colour4);
      __m128i formula;
      if (_mm_movemask_epi8(_mm_or_si128(easy, same)) == 0xFFFF) {
        const __m128i at = _mm_or_si128(_mm_slli_epi32(a, 8), da);
        const __m128i looked_up = _mm_i32gather_epi32(reinterpret_cast<const int*>(alpha_table), at, 1);
        formula = _mm_or_si128(_mm_slli_epi32(looked_up, 24), colour4);
      } else {
        const __m256d sa = gather4(unit, a), dv = gather4(unit, da);
        const __m256d product = _mm256_cvtepi32_pd(_mm_mullo_epi32(a, da));
        const __m256d out_a = _mm256_sub_pd(_mm256_add_pd(sa, dv), _mm256_div_pd(product, square));
        const __m128i alpha_out = byte4(_mm256_add_pd(_mm256_mul_pd(out_a, full), rounding), 24);
        const __m256d keep = _mm256_mul_pd(dv, _mm256_sub_pd(one, sa));
        formula = _mm_or_si128(
            _mm_or_si128(alpha_out, mix4(sa, cr, keep, channel4(d, 16), out_a, 16)),
            _mm_or_si128(mix4(sa, cg, keep, channel4(d, 8), out_a, 8), mix4(sa, cb, keep, channel4(d, 0), out_a, 0)));
      }
      out = pick(formula, plain, easy);
    }
    out = pick(out, d, _mm_cmpeq_epi32(a, zero));
    store4(dst + i, left, out);
  }
}

// Stroke alpha over backup alpha, from the combine formula itself.
const uint8_t* combine_alpha_table() {
  static const AlphaTable table =
      alpha_table([](uint32_t s, uint32_t b) { return alpha_of(combine_over_plain(s << 24, b << 24, false)); });
  return table.data();
}

QM_AVX2 void combine_row_avx2(Pixel* dst, const Pixel* stroke, const Pixel* backup, int n, bool keep_alpha) {
  const double* unit = unit_fractions().data();
  const uint8_t* alpha_table = combine_alpha_table();
  const __m256d one = _mm256_set1_pd(1), full = _mm256_set1_pd(255), rounding = _mm256_set1_pd(0.5);
  const __m128i zero = _mm_setzero_si128(), transparent = _mm_set1_epi32(int(kTransparent));
  const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
  for (int i = 0; i < n; i += 4) {
    const int left = n - i;
    const __m128i s = load4(stroke + i, left), b = load4(backup + i, left);
    const __m128i sa = _mm_srli_epi32(s, 24), ba = _mm_srli_epi32(b, 24);
    // No stroke: the backup, its transparent pixels as kTransparent.
    const __m128i s_empty = _mm_cmpeq_epi32(sa, zero);
    __m128i out = pick(b, transparent, _mm_cmpeq_epi32(ba, zero));
    // A whole stroke pixel (alpha 255), or any over a transparent backup, is
    // the result, its alpha replaced by the backup's under keep_alpha (a test
    // checks every case).
    const __m128i s_whole = _mm_or_si128(_mm_cmpeq_epi32(sa, _mm_set1_epi32(255)), _mm_cmpeq_epi32(ba, zero));
    const __m128i s_rgb = _mm_and_si128(s, rgb);
    const __m128i whole = keep_alpha ? _mm_or_si128(s_rgb, _mm_slli_epi32(ba, 24)) : s;
    const __m128i simple = _mm_or_si128(s_empty, s_whole);
    if (_mm_movemask_epi8(simple) == 0xFFFF) {
      out = pick(whole, out, s_empty);
      store4(dst + i, left, out);
      continue;
    }
    // A stroke over a backup of its own colour keeps the colour (as the
    // blend does; a test checks every case), and the alpha is looked up:
    // painting over one's own paint in one colour.
    const __m128i same = _mm_cmpeq_epi32(s_rgb, _mm_and_si128(b, rgb));
    __m128i formula;
    if (_mm_movemask_epi8(_mm_or_si128(simple, same)) == 0xFFFF) {
      const __m128i alpha_out =
          keep_alpha ? ba
                     : _mm_i32gather_epi32(reinterpret_cast<const int*>(alpha_table),
                                           _mm_or_si128(_mm_slli_epi32(sa, 8), ba), 1);
      formula = pick(_mm_or_si128(s_rgb, _mm_slli_epi32(alpha_out, 24)), whole, s_whole);
    } else {
      const __m256d h = gather4(unit, sa), l = gather4(unit, ba);
      const __m256d m = _mm256_sub_pd(_mm256_add_pd(h, l), _mm256_mul_pd(h, l));
      const __m256d below = _mm256_mul_pd(l, _mm256_sub_pd(one, h));
      const __m128i alpha_out =
          keep_alpha ? _mm_slli_epi32(ba, 24) : byte4(_mm256_add_pd(_mm256_mul_pd(m, full), rounding), 24);
      formula = _mm_or_si128(_mm_or_si128(alpha_out, mix4(below, channel4(b, 16), h, channel4(s, 16), m, 16)),
                             _mm_or_si128(mix4(below, channel4(b, 8), h, channel4(s, 8), m, 8),
                                          mix4(below, channel4(b, 0), h, channel4(s, 0), m, 0)));
    }
    out = pick(formula, out, s_empty);
    store4(dst + i, left, out);
  }
}

#endif

}  // namespace

void blend_over_row(Pixel* dst, const uint8_t* alpha, int n, uint32_t colour) {
#ifdef QM_OVER_ROWS_X86
  if (cpu_has_avx2()) return blend_row_avx2(dst, alpha, n, colour);
#endif
  blend_row_scalar(dst, alpha, n, colour);
}

void combine_over_row(Pixel* dst, const Pixel* stroke, const Pixel* backup, int n, bool keep_alpha) {
#ifdef QM_OVER_ROWS_X86
  if (cpu_has_avx2()) return combine_row_avx2(dst, stroke, backup, n, keep_alpha);
#endif
  combine_row_scalar(dst, stroke, backup, n, keep_alpha);
}

}  // namespace qm
