#include "filters/filter_helpers.h"

#include <algorithm>

#include "filters/filter_algorithm.h"
#include "filters/filter_bands.h"

namespace qm::filters {

int luma(Pixel p) { return (77 * red_of(p) + 150 * green_of(p) + 29 * blue_of(p)) >> 8; }

bool bilinear_alpha_sample(const LayerImage& src, int64_t x, int64_t y, SampleEdge edge,
                           Pixel* out) {
  const int w = src.width(), h = src.height();
  const int64_t wx = int64_t{w} << 8, hy = int64_t{h} << 8;
  const bool outside = x < 0 || y < 0 || x >= wx || y >= hy;
  if (outside) {
    if (edge == SampleEdge::kNone) return false;
    if (edge == SampleEdge::kWrap) {
      if (x < 0) x += wx; else if (x >= wx) x -= wx;
      if (y < 0) y += hy; else if (y >= hy) y -= hy;
    }
    // A coordinate still outside moves onto the nearest pixel; one inside
    // keeps its fraction.
    if (x < 0 || x >= wx) x = std::clamp<int64_t>(x, 0, wx - 256);
    if (y < 0 || y >= hy) y = std::clamp<int64_t>(y, 0, hy - 256);
  }
  *out = bilinear_alpha_at(src, int(x >> 8), int(y >> 8), unsigned(x & 255), unsigned(y & 255));
  return true;
}

Pixel average_output(const AlphaSums& sums, int64_t samples) {
  if (sums.a == 0 || samples <= 0) return kTransparent;
  const int64_t a = sums.a / samples;
  if (a == 0) return kTransparent;
  return make_pixel(uint32_t(a), uint32_t(sums.ar / sums.a), uint32_t(sums.ag / sums.a),
                    uint32_t(sums.ab / sums.a));
}

namespace {

uint32_t clamp_channel(int64_t v) { return uint32_t(std::clamp<int64_t>(v, 0, 255)); }

// One output pixel from its nine neighbours (row-major). Colours are weighted
// by alpha; where the neighbours' alphas differ, each one's missing alpha (up
// to the mean) is filled with the neighbourhood's alpha-weighted mean colour,
// so transparent neighbours add nothing and a flat area stays flat. With equal
// alphas this is exactly S_c / A / D + O.
Pixel convolve_pixel(const Pixel t[9], const int k[9], int divisor, int offset) {
  int64_t sa = 0;
  bool uniform = true;
  for (int i = 0; i < 9; ++i) {
    sa += alpha_of(t[i]);
    uniform = uniform && alpha_of(t[i]) == alpha_of(t[0]);
  }
  const int64_t a = sa / 9;
  if (a == 0) return kTransparent;
  uint32_t c[3];
  if (uniform) {
    // S_c / A = Σ k·c exactly.
    for (int ch = 0; ch < 3; ++ch) {
      int64_t s = 0;
      for (int i = 0; i < 9; ++i) s += int64_t{k[i]} * ((t[i] >> (8 * ch)) & 255);
      c[ch] = clamp_channel(s / divisor + offset);
    }
  } else {
    int64_t kd = 0;  // Σ k·(A − Aᵢ)
    for (int i = 0; i < 9; ++i) kd += int64_t{k[i]} * (a - alpha_of(t[i]));
    for (int ch = 0; ch < 3; ++ch) {
      int64_t s = 0, sac = 0;
      for (int i = 0; i < 9; ++i) {
        const int64_t ac = int64_t{alpha_of(t[i])} * ((t[i] >> (8 * ch)) & 255);
        s += k[i] * ac;
        sac += ac;
      }
      // (S_c + (ΣA·c / ΣA)·kd) / A, as one division.
      const int64_t v = (s * sa + sac * kd) / (sa * a);
      c[ch] = clamp_channel(v / divisor + offset);
    }
  }
  return make_pixel(uint32_t(a), c[2], c[1], c[0]);
}

}  // namespace

void convolve_3x3(const LayerImage& src, LayerImage& dst, Rect rect, const int kernel[9],
                  int divisor, int offset, ProgressSink* progress) {
  if (divisor == 0) divisor = 1;
  const int w = src.width(), h = src.height();
  const int bands = row_band_count(rect.h, 64);
  for_row_bands(rect.y, rect.bottom(), bands, progress, [&](int, int y0, int y1, ProgressSink* p) {
    for (int y = y0; y < y1; ++y) {
      const Pixel* rows[3] = {src.row(std::max(y - 1, 0)), src.row(y), src.row(std::min(y + 1, h - 1))};
      Pixel* out = dst.row(y);
      int x = rect.x;
      const int inner_end = std::min(rect.right(), w - 1);
      // Inner columns: no clamping, vectorised where available.
      if (x == 0) {
        Pixel t[9];
        for (int r = 0; r < 3; ++r) {
          t[r * 3] = rows[r][0];
          t[r * 3 + 1] = rows[r][0];
          t[r * 3 + 2] = rows[r][std::min(1, w - 1)];
        }
        out[0] = convolve_pixel(t, kernel, divisor, offset);
        x = 1;
      }
      x = detail::convolve_row_inner(rows, out, x, inner_end, kernel, divisor, offset);
      for (; x < rect.right(); ++x) {
        Pixel t[9];
        for (int r = 0; r < 3; ++r)
          for (int d = -1; d <= 1; ++d) t[r * 3 + d + 1] = rows[r][std::clamp(x + d, 0, w - 1)];
        out[x] = convolve_pixel(t, kernel, divisor, offset);
      }
      progress_step(p);
    }
  });
}

namespace detail {

int convolve_row_inner(const Pixel* const rows[3], Pixel* out, int x, int end, const int k[9],
                       int divisor, int offset) {
  for (; x < end; ++x) {
    const Pixel t[9] = {rows[0][x - 1], rows[0][x], rows[0][x + 1],
                        rows[1][x - 1], rows[1][x], rows[1][x + 1],
                        rows[2][x - 1], rows[2][x], rows[2][x + 1]};
    out[x] = convolve_pixel(t, k, divisor, offset);
  }
  return x;
}

}  // namespace detail

}  // namespace qm::filters
