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

// left_alone over row[x … end): transparent pixels with colour bits are
// rare, so four pixels are checked at a time and only those are written.
void clear_hidden_colour(Pixel* row, int x, int end) {
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128(), transparent = _mm_set1_epi32(int(kTransparent));
  for (; x + 4 <= end; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    const __m128i clear_alpha = _mm_cmpeq_epi32(_mm_srli_epi32(v, 24), zero);
    const __m128i already = _mm_cmpeq_epi32(v, transparent);
    if (_mm_movemask_epi8(_mm_andnot_si128(already, clear_alpha)) == 0) continue;
    for (int i = x; i < x + 4; ++i) row[i] = left_alone(row[i]);
  }
#endif
  for (; x < end; ++x) row[x] = left_alone(row[x]);
}

// Full density over the layer's alpha: the region becomes one value.
void fill_constant(LayerImage& layer, const RegionMap& map, Rect r, Pixel value) {
  for (int y = r.y; y < r.bottom(); ++y) {
    const uint8_t* m = map.inside.data() + size_t(y) * size_t(map.width);
    Pixel* row = layer.row(y);
    int x = r.x;
    while (x < r.right()) {
      const int run = next_run_edge<true>(m, x, r.right());
      clear_hidden_colour(row, x, run);
      if (run == r.right()) break;
      x = next_run_edge<false>(m, run, r.right());
      std::fill(row + run, row + x, value);
    }
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
