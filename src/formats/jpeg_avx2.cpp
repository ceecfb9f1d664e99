#include "formats/jpeg_avx2.h"

#include "core/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>


#pragma GCC push_options
#pragma GCC target("avx2")

namespace qm::jpeg_avx2 {
namespace {

using F8 = __m256;
inline F8 add(F8 a, F8 b) { return _mm256_add_ps(a, b); }
inline F8 sub(F8 a, F8 b) { return _mm256_sub_ps(a, b); }
inline F8 mul(F8 a, float k) { return _mm256_mul_ps(a, _mm256_set1_ps(k)); }
inline F8 mul(float k, F8 a) { return _mm256_mul_ps(_mm256_set1_ps(k), a); }

// The Arai–Agui–Nakajima 8-point forward DCT lane-wise across d[0] … d[7],
// operation for operation as the 4-lane one.
inline void aan_forward(F8* d) {
  const F8 tmp0 = add(d[0], d[7]), tmp7 = sub(d[0], d[7]);
  const F8 tmp1 = add(d[1], d[6]), tmp6 = sub(d[1], d[6]);
  const F8 tmp2 = add(d[2], d[5]), tmp5 = sub(d[2], d[5]);
  const F8 tmp3 = add(d[3], d[4]), tmp4 = sub(d[3], d[4]);

  F8 tmp10 = add(tmp0, tmp3), tmp13 = sub(tmp0, tmp3);
  F8 tmp11 = add(tmp1, tmp2), tmp12 = sub(tmp1, tmp2);
  d[0] = add(tmp10, tmp11);
  d[4] = sub(tmp10, tmp11);
  const F8 z1 = mul(add(tmp12, tmp13), 0.707106781f);
  d[2] = add(tmp13, z1);
  d[6] = sub(tmp13, z1);

  tmp10 = add(tmp4, tmp5);
  tmp11 = add(tmp5, tmp6);
  tmp12 = add(tmp6, tmp7);
  const F8 z5 = mul(sub(tmp10, tmp12), 0.382683433f);
  const F8 z2 = add(mul(0.541196100f, tmp10), z5);
  const F8 z4 = add(mul(1.306562965f, tmp12), z5);
  const F8 z3 = mul(tmp11, 0.707106781f);
  const F8 z11 = add(tmp7, z3), z13 = sub(tmp7, z3);
  d[5] = add(z13, z2);
  d[3] = sub(z13, z2);
  d[1] = add(z11, z4);
  d[7] = sub(z11, z4);
}

inline void transpose8(F8* r) {
  const F8 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
  const F8 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
  const F8 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
  const F8 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
  const F8 u0 = _mm256_shuffle_ps(t0, t2, 0x44), u1 = _mm256_shuffle_ps(t0, t2, 0xEE);
  const F8 u2 = _mm256_shuffle_ps(t1, t3, 0x44), u3 = _mm256_shuffle_ps(t1, t3, 0xEE);
  const F8 u4 = _mm256_shuffle_ps(t4, t6, 0x44), u5 = _mm256_shuffle_ps(t4, t6, 0xEE);
  const F8 u6 = _mm256_shuffle_ps(t5, t7, 0x44), u7 = _mm256_shuffle_ps(t5, t7, 0xEE);
  r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
  r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
  r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
  r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
  r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
  r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
  r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
  r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

}  // namespace

namespace {

void transform_rows(F8* r, const float* reciprocals, int16_t* natural_out) {
  // Rows first (transposed, the lane-wise transform runs along each row),
  // then columns.
  transpose8(r);
  aan_forward(r);
  transpose8(r);
  aan_forward(r);
  __m256i q[8];
  for (int i = 0; i < 8; ++i) {
    // Rounded half up: floor(x + 0.5), the floor from truncation corrected
    // for negative values.
    const __m256 x = _mm256_add_ps(_mm256_mul_ps(r[i], _mm256_loadu_ps(reciprocals + 8 * i)), _mm256_set1_ps(0.5f));
    const __m256i t = _mm256_cvttps_epi32(x);
    q[i] = _mm256_add_epi32(t, _mm256_castps_si256(_mm256_cmp_ps(_mm256_cvtepi32_ps(t), x, _CMP_GT_OQ)));
  }
  // The pack interleaves the 128-bit halves of two rows; the permute puts
  // each row back together.
  for (int i = 0; i < 8; i += 2) {
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(q[i], q[i + 1]), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(natural_out + 8 * i), packed);
  }
}

}  // namespace

void transform_block_natural(const float* samples, const float* reciprocals, int16_t* natural_out) {
  F8 r[8];
  for (int i = 0; i < 8; ++i) r[i] = _mm256_loadu_ps(samples + 8 * i);
  transform_rows(r, reciprocals, natural_out);
}

void transform_samples_natural(const int16_t* samples, size_t stride, const float* reciprocals,
                               int16_t* natural_out) {
  F8 r[8];
  for (int i = 0; i < 8; ++i, samples += stride)
    r[i] = _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(samples))));
  transform_rows(r, reciprocals, natural_out);
}

int ycc_row(const Pixel* px, int n, int16_t* y, int16_t* cb, int16_t* cr) {
  // Sixteen pixels at a time in 16-bit lanes, exactly as the 8-lane code:
  // every sum and product stays within 16 bits.
  const __m256i byte_mask = _mm256_set1_epi32(0xFF);
  const __m256i k128 = _mm256_set1_epi16(128);
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    // The conversion waits on memory otherwise: the picture is read once,
    // and asking 2 KiB ahead keeps its rows arriving in time.
    _mm_prefetch(reinterpret_cast<const char*>(px + x + 512), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(px + x + 512 + 8), _MM_HINT_T0);
    const __m256i p0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + x));
    const __m256i p1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + x + 8));
    // Pixels are 0xAARRGGBB. The in-lane pack leaves pixels in the order
    // 0–3, 8–11, 4–7, 12–15; the permute at the store undoes it.
    const __m256i b = _mm256_packs_epi32(_mm256_and_si256(p0, byte_mask), _mm256_and_si256(p1, byte_mask));
    const __m256i g = _mm256_packs_epi32(_mm256_and_si256(_mm256_srli_epi32(p0, 8), byte_mask),
                                         _mm256_and_si256(_mm256_srli_epi32(p1, 8), byte_mask));
    const __m256i r = _mm256_packs_epi32(_mm256_and_si256(_mm256_srli_epi32(p0, 16), byte_mask),
                                         _mm256_and_si256(_mm256_srli_epi32(p1, 16), byte_mask));
    const __m256i ysum = _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(r, _mm256_set1_epi16(77)),
                                                           _mm256_mullo_epi16(g, _mm256_set1_epi16(150))),
                                          _mm256_mullo_epi16(b, _mm256_set1_epi16(29)));
    const __m256i yv = _mm256_sub_epi16(_mm256_srli_epi16(ysum, 8), k128);
    const __m256i cbv = _mm256_srai_epi16(
        _mm256_add_epi16(_mm256_sub_epi16(_mm256_mullo_epi16(r, _mm256_set1_epi16(-43)),
                                          _mm256_mullo_epi16(g, _mm256_set1_epi16(85))),
                         _mm256_slli_epi16(b, 7)),
        8);
    const __m256i crv = _mm256_srai_epi16(
        _mm256_sub_epi16(_mm256_sub_epi16(_mm256_slli_epi16(r, 7), _mm256_mullo_epi16(g, _mm256_set1_epi16(107))),
                         _mm256_mullo_epi16(b, _mm256_set1_epi16(21))),
        8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + x), _mm256_permute4x64_epi64(yv, 0xD8));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(cb + x), _mm256_permute4x64_epi64(cbv, 0xD8));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(cr + x), _mm256_permute4x64_epi64(crv, 0xD8));
  }
  return x;
}

}  // namespace qm::jpeg_avx2

#pragma GCC pop_options

#else

namespace qm::jpeg_avx2 {
void transform_block_natural(const float*, const float*, int16_t*) {}
void transform_samples_natural(const int16_t*, size_t, const float*, int16_t*) {}
int ycc_row(const Pixel*, int, int16_t*, int16_t*, int16_t*) { return 0; }
}  // namespace qm::jpeg_avx2

#endif

namespace qm::jpeg_avx2 {
// Asked outside the AVX2 region above, so the check itself runs anywhere.
bool available() { return cpu_has_avx2(); }
}  // namespace qm::jpeg_avx2
