// Vector display kernels for x86-64: SSE2 (always there) and AVX2 (chosen at
// run time). Each byte becomes a 16-bit lane, four lanes per pixel, exactly
// as the integer rules are written, so the results equal the scalar kernels.
//
// The lerp d + ((k × (t − d)) >> 8) uses a signed high multiply:
// mulhi(2(t − d), k << 7) = floor(256·k·(t − d) / 65536) = floor(k·(t − d) / 256),
// which is the arithmetic shift of the signed product. Both operands fit in
// 16 bits (|2(t − d)| ≤ 510, k << 7 ≤ 32640) and the result stays in 0 … 255.
#include "document/compositing_kernels.h"

#ifdef QM_COMPOSITING_X86
#include <immintrin.h>

namespace qm::detail {
namespace {

enum class Kind { Normal, Multiply, Table };

// T[d][s] for the four bytes of one pixel.
inline Pixel lookup_pixel(Pixel dp, Pixel sp, const uint8_t* t) {
  return Pixel(t[((dp & 0xFF) << 8) | (sp & 0xFF)]) |
         Pixel(t[(dp & 0xFF00) | ((sp >> 8) & 0xFF)]) << 8 |
         Pixel(t[((dp >> 8) & 0xFF00) | ((sp >> 16) & 0xFF)]) << 16 |
         Pixel(t[((dp >> 16) & 0xFF00) | (sp >> 24)]) << 24;
}

template <Kind K> DisplayRowFn scalar_of() {
  const DisplayKernels& k = scalar_kernels();
  return K == Kind::Normal ? k.normal : K == Kind::Multiply ? k.multiply : k.table;
}

// ---------------------------------------------------------------- SSE2 ----

inline __m128i lerp16_sse2(__m128i d, __m128i t, __m128i k7) {
  const __m128i diff = _mm_sub_epi16(t, d);
  return _mm_add_epi16(d, _mm_mulhi_epi16(_mm_add_epi16(diff, diff), k7));
}

// (s.A × opacity) with the low 7 bits cleared, i.e. k << 7, per 32-bit lane.
inline __m128i k7_sse2(__m128i s, __m128i opacity) {
  return _mm_and_si128(_mm_mullo_epi16(_mm_srli_epi32(s, 24), opacity),
                       _mm_set1_epi32(0xFF80));
}

inline bool all_zero_sse2(__m128i v) {
  return _mm_movemask_epi8(_mm_cmpeq_epi32(v, _mm_setzero_si128())) == 0xFFFF;
}

template <Kind K>
void lerp_row_sse2(Pixel* d, const Pixel* s, size_t n, int opacity, const uint8_t* table) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i op = _mm_set1_epi32(opacity);
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i k7 = k7_sse2(sv, op);
    if (all_zero_sse2(k7)) continue;
    k7 = _mm_or_si128(k7, _mm_slli_epi32(k7, 16));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i tv = sv;
    if constexpr (K == Kind::Table) {
      tv = _mm_setr_epi32(int(lookup_pixel(d[i], s[i], table)),
                          int(lookup_pixel(d[i + 1], s[i + 1], table)),
                          int(lookup_pixel(d[i + 2], s[i + 2], table)),
                          int(lookup_pixel(d[i + 3], s[i + 3], table)));
    }
    const __m128i dlo = _mm_unpacklo_epi8(dv, zero), dhi = _mm_unpackhi_epi8(dv, zero);
    __m128i tlo = _mm_unpacklo_epi8(tv, zero), thi = _mm_unpackhi_epi8(tv, zero);
    if constexpr (K == Kind::Multiply) {  // (s × d) >> 8; s × d ≤ 65025 fits unsigned
      tlo = _mm_srli_epi16(_mm_mullo_epi16(tlo, dlo), 8);
      thi = _mm_srli_epi16(_mm_mullo_epi16(thi, dhi), 8);
    }
    const __m128i lo = lerp16_sse2(dlo, tlo, _mm_unpacklo_epi32(k7, k7));
    const __m128i hi = lerp16_sse2(dhi, thi, _mm_unpackhi_epi32(k7, k7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
  }
  if (i < n) scalar_of<K>()(d + i, s + i, n - i, opacity, table);
}

// Add / Subtract: (s × k) >> 8 = mulhi_epu16(s, k << 8), then a saturating
// byte add or subtract.
template <bool Add>
void add_sub_row_sse2(Pixel* d, const Pixel* s, size_t n, int opacity, const uint8_t* table) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i op = _mm_set1_epi32(opacity);
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i k8 = k7_sse2(sv, op);
    if (all_zero_sse2(k8)) continue;
    k8 = _mm_slli_epi32(k8, 1);
    k8 = _mm_or_si128(k8, _mm_slli_epi32(k8, 16));
    const __m128i lo = _mm_mulhi_epu16(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi32(k8, k8));
    const __m128i hi = _mm_mulhi_epu16(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi32(k8, k8));
    const __m128i x = _mm_packus_epi16(lo, hi);
    __m128i* dp = reinterpret_cast<__m128i*>(d + i);
    const __m128i dv = _mm_loadu_si128(dp);
    _mm_storeu_si128(dp, Add ? _mm_adds_epu8(dv, x) : _mm_subs_epu8(dv, x));
  }
  if (i < n) {
    const DisplayKernels& sk = scalar_kernels();
    (Add ? sk.add : sk.subtract)(d + i, s + i, n - i, opacity, table);
  }
}

// ---------------------------------------------------------------- AVX2 ----
// Same steps on eight pixels; unpack and pack work within each 128-bit half,
// so the pixel order comes back unchanged.

#define QM_AVX2 __attribute__((target("avx2")))

QM_AVX2 inline __m256i lerp16_avx2(__m256i d, __m256i t, __m256i k7) {
  const __m256i diff = _mm256_sub_epi16(t, d);
  return _mm256_add_epi16(d, _mm256_mulhi_epi16(_mm256_add_epi16(diff, diff), k7));
}

QM_AVX2 inline __m256i k7_avx2(__m256i s, __m256i opacity) {
  return _mm256_and_si256(_mm256_mullo_epi16(_mm256_srli_epi32(s, 24), opacity),
                          _mm256_set1_epi32(0xFF80));
}

QM_AVX2 inline bool all_zero_avx2(__m256i v) {
  return _mm256_movemask_epi8(_mm256_cmpeq_epi32(v, _mm256_setzero_si256())) == -1;
}

template <Kind K>
QM_AVX2 void lerp_row_avx2(Pixel* d, const Pixel* s, size_t n, int opacity,
                           const uint8_t* table) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i op = _mm256_set1_epi32(opacity);
  const bool stream = n >= kStreamRun;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    if (stream) prefetch_ahead(d + i, s + i);
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    __m256i k7 = k7_avx2(sv, op);
    if (all_zero_avx2(k7)) continue;
    k7 = _mm256_or_si256(k7, _mm256_slli_epi32(k7, 16));
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    __m256i tv = sv;
    if constexpr (K == Kind::Table) {
      alignas(32) Pixel t[8];
      for (int j = 0; j < 8; ++j) t[j] = lookup_pixel(d[i + j], s[i + j], table);
      tv = _mm256_load_si256(reinterpret_cast<const __m256i*>(t));
    }
    const __m256i dlo = _mm256_unpacklo_epi8(dv, zero), dhi = _mm256_unpackhi_epi8(dv, zero);
    __m256i tlo = _mm256_unpacklo_epi8(tv, zero), thi = _mm256_unpackhi_epi8(tv, zero);
    if constexpr (K == Kind::Multiply) {
      tlo = _mm256_srli_epi16(_mm256_mullo_epi16(tlo, dlo), 8);
      thi = _mm256_srli_epi16(_mm256_mullo_epi16(thi, dhi), 8);
    }
    const __m256i lo = lerp16_avx2(dlo, tlo, _mm256_unpacklo_epi32(k7, k7));
    const __m256i hi = lerp16_avx2(dhi, thi, _mm256_unpackhi_epi32(k7, k7));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
  }
  if (i < n) lerp_row_sse2<K>(d + i, s + i, n - i, opacity, table);
}

template <bool Add>
QM_AVX2 void add_sub_row_avx2(Pixel* d, const Pixel* s, size_t n, int opacity,
                              const uint8_t* table) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i op = _mm256_set1_epi32(opacity);
  const bool stream = n >= kStreamRun;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    if (stream) prefetch_ahead(d + i, s + i);
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    __m256i k8 = k7_avx2(sv, op);
    if (all_zero_avx2(k8)) continue;
    k8 = _mm256_slli_epi32(k8, 1);
    k8 = _mm256_or_si256(k8, _mm256_slli_epi32(k8, 16));
    const __m256i lo =
        _mm256_mulhi_epu16(_mm256_unpacklo_epi8(sv, zero), _mm256_unpacklo_epi32(k8, k8));
    const __m256i hi =
        _mm256_mulhi_epu16(_mm256_unpackhi_epi8(sv, zero), _mm256_unpackhi_epi32(k8, k8));
    const __m256i x = _mm256_packus_epi16(lo, hi);
    __m256i* dp = reinterpret_cast<__m256i*>(d + i);
    const __m256i dv = _mm256_loadu_si256(dp);
    _mm256_storeu_si256(dp, Add ? _mm256_adds_epu8(dv, x) : _mm256_subs_epu8(dv, x));
  }
  if (i < n) add_sub_row_sse2<Add>(d + i, s + i, n - i, opacity, table);
}

}  // namespace

const DisplayKernels& sse2_kernels() {
  static constexpr DisplayKernels kKernels = {
      lerp_row_sse2<Kind::Normal>, lerp_row_sse2<Kind::Multiply>, add_sub_row_sse2<true>,
      add_sub_row_sse2<false>, lerp_row_sse2<Kind::Table>};
  return kKernels;
}

const DisplayKernels& avx2_kernels() {
  static constexpr DisplayKernels kKernels = {
      lerp_row_avx2<Kind::Normal>, lerp_row_avx2<Kind::Multiply>, add_sub_row_avx2<true>,
      add_sub_row_avx2<false>, lerp_row_avx2<Kind::Table>};
  return kKernels;
}

}  // namespace qm::detail

#endif  // QM_COMPOSITING_X86
