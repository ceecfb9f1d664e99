#pragma once
// The bilinear alpha mix of four opaque neighbours with SSE2, for the
// sampling blurs. With every alpha 255 each channel is
// ⌊(⌊c·gy/255⌋ + ⌊c'·fy/255⌋) / 255⌋ of the row mixes; every product stays
// below 2^24, so the floor divisions by 255 are exact in float and the lanes
// equal bilinear_alpha_at() channel for channel.
#include <emmintrin.h>

#include "core/pixel.h"

namespace qm::filters {

// Lanes B, G, R, A (A = 255) of the mix of r0[0], r0[1], r1[0], r1[1], all
// opaque, at fractions fx, fy in 0 … 255.
inline __m128i opaque_bilinear(const Pixel* r0, const Pixel* r1, int fx, int fy) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wx = _mm_set_epi16(short(fx), short(fx), short(fx), short(fx), short(255 - fx),
                                   short(255 - fx), short(255 - fx), short(255 - fx));
  const __m128i m0 = _mm_mullo_epi16(
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0)), zero), wx);
  const __m128i m1 = _mm_mullo_epi16(
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r1)), zero), wx);
  const __m128i top = _mm_add_epi16(m0, _mm_srli_si128(m0, 8));  // c00·gx + c10·fx
  const __m128i bottom = _mm_add_epi16(m1, _mm_srli_si128(m1, 8));
  auto scaled = [&](__m128i v, int w) {  // ⌊v · w / 255⌋ per lane
    const __m128i wv = _mm_set1_epi16(short(w));
    const __m128i p = _mm_unpacklo_epi16(_mm_mullo_epi16(v, wv), _mm_mulhi_epu16(v, wv));
    return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(p), _mm_set1_ps(255.0f)));
  };
  const __m128i sum = _mm_add_epi32(scaled(top, 255 - fy), scaled(bottom, fy));
  return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(sum), _mm_set1_ps(255.0f)));
}

}  // namespace qm::filters
