#include "paint/fill_in_place.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "paint/combine.h"
#include "paint/write_modes.h"

namespace qm {
namespace {

// Outside the region the stroke buffer is empty, and combining an empty
// stroke pixel keeps the layer pixel, except that a transparent one comes
// out as kTransparent whatever its colour bits.
inline Pixel left_alone(Pixel p) { return alpha_of(p) ? p : kTransparent; }

// Full density over the layer's alpha: region pixels become one value.
// Runs are short in a busy region, so 16 pixels go at a time without
// branching on them; blocks wholly outside the region are only read, as
// transparent pixels with colour bits are rare.
void fill_constant(LayerImage& layer, const RegionMap& map, Rect r, Pixel value) {
  for (int y = r.y; y < r.bottom(); ++y) {
    const uint8_t* m = map.inside.data() + size_t(y) * size_t(map.width);
    Pixel* row = layer.row(y);
    int x = r.x;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128(), transparent = _mm_set1_epi32(int(kTransparent));
    const __m128i fill = _mm_set1_epi32(int(value));
    for (; x + 16 <= r.right(); x += 16) {
      const __m128i outside = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m + x)), zero);
      const bool none_inside = _mm_movemask_epi8(outside) == 0xFFFF;
      const __m128i half[2] = {_mm_unpacklo_epi8(outside, outside), _mm_unpackhi_epi8(outside, outside)};
      for (int k = 0; k < 4; ++k) {
        __m128i* at = reinterpret_cast<__m128i*>(row + x + 4 * k);
        const __m128i p = _mm_loadu_si128(at);
        const __m128i clear = _mm_cmpeq_epi32(_mm_srli_epi32(p, 24), zero);
        if (none_inside && _mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi32(p, transparent), clear)) == 0)
          continue;
        const __m128i left = _mm_or_si128(_mm_andnot_si128(clear, p), _mm_and_si128(clear, transparent));
        const __m128i out_lane = k & 1 ? _mm_unpackhi_epi16(half[k / 2], half[k / 2])
                                       : _mm_unpacklo_epi16(half[k / 2], half[k / 2]);
        _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(out_lane, left), _mm_andnot_si128(out_lane, fill)));
      }
    }
#endif
    for (; x < r.right(); ++x) row[x] = m[x] ? value : left_alone(row[x]);
  }
}

// Every other case, pixel by pixel: `inside` gives a region pixel (map
// byte b ≠ 0) from its old value, `outside` the rest.
template <class Inside, class Outside>
void fill_each(LayerImage& layer, const RegionMap& map, Rect r, Inside inside, Outside outside) {
  for (int y = r.y; y < r.bottom(); ++y) {
    const uint8_t* m = map.inside.data() + size_t(y) * size_t(map.width);
    Pixel* row = layer.row(y);
    for (int x = r.x; x < r.right(); ++x) row[x] = m[x] ? inside(row[x], m[x]) : outside(row[x]);
  }
}

}  // namespace

void fill_in_place(LayerImage& layer, const RegionMap& map, Rect r, const InPlaceFill& fill) {
  const bool keep_alpha = fill.mask_mode == 3;
  const uint32_t d = uint32_t(std::clamp(fill.density, 0, 255));
  // The stroke-buffer pixel the region would hold (density 0 writes none).
  const Pixel stroke = d ? (d << 24) | (fill.colour & 0xFFFFFF) : kTransparent;
  if (fill.automatic) {
    // The fringe (byte 2) lies over the fill; where the stroke stayed empty
    // the layer keeps its pixel exactly.
    if (!d) return;
    fill_each(
        layer, map, r,
        [&](Pixel p, uint8_t b) {
          const Pixel s = b == 2 ? combine_over(p, stroke, false) : stroke;
          if (alpha_of(s) == 0) return p;
          return keep_alpha ? (s & 0xFFFFFF) | (p & 0xFF000000) : s;
        },
        [](Pixel p) { return p; });
  } else if (fill.erase) {
    if (keep_alpha) return;  // erasing never changes a layer whose alpha is kept
    fill_each(layer, map, r, [&](Pixel p, uint8_t) { return erase_pixel_by(p, d); }, left_alone);
  } else if (d == 255 && !keep_alpha) {
    fill_constant(layer, map, r, stroke);
  } else {
    fill_each(layer, map, r, [&](Pixel p, uint8_t) { return combine_over(stroke, p, keep_alpha); }, left_alone);
  }
}

}  // namespace qm
