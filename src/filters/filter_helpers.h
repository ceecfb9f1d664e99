#pragma once
// Pixel helpers shared by the neighbourhood filters (blur, sharpen, edges)
// and the distortion filters. Alpha weighting throughout: colour sums weight
// each sample by its alpha, so transparent pixels (which hold white) add no
// colour.
#include <cstdint>

#include "core/layer_image.h"
#include "core/rect.h"
#include "formats/progress_sink.h"

namespace qm::filters {

// Luma of a pixel: (77·R + 150·G + 29·B) >> 8.
int luma(Pixel p);

// How a sample position outside the image is treated.
enum class SampleEdge : int {
  kNone = 0,   // no sample
  kClamp = 1,  // clamped to the nearest pixel
  kWrap = 2,   // moved by the image size once, then clamped
};

// Bilinear alpha sample at (x, y) in 1/256 pixels. False when `edge` is kNone
// and the position lies outside; else *out holds the sample (transparent
// white when its alpha is 0).
bool bilinear_alpha_sample(const LayerImage& src, int64_t x, int64_t y, SampleEdge edge,
                           Pixel* out);

// The bilinear alpha mix at pixel (x0, y0), which must lie inside the image,
// with fractions fx, fy in 0 … 255; a neighbour beyond the last column or
// row repeats the edge. Inline: the sampling filters call it per tap.
inline Pixel bilinear_alpha_at(const LayerImage& src, int x0, int y0, unsigned fx, unsigned fy) {
  const int x1 = x0 + 1 < src.width() ? x0 + 1 : x0;
  const Pixel* r0 = src.row(y0);
  const Pixel* r1 = y0 + 1 < src.height() ? src.row(y0 + 1) : r0;
  const Pixel p00 = r0[x0], p10 = r0[x1], p01 = r1[x0], p11 = r1[x1];
  const unsigned gx = 255 - fx, gy = 255 - fy;
  if ((p00 & p10 & p01 & p11) >> 24 == 255) {
    // All opaque: every c·255·w / 255 is exact and the mean alpha is 255, so
    // only the divisions by the constant 255 remain.
    Pixel out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const unsigned top = ((p00 >> shift) & 255) * gx + ((p10 >> shift) & 255) * fx;
      const unsigned bottom = ((p01 >> shift) & 255) * gx + ((p11 >> shift) & 255) * fx;
      out |= Pixel((gy * top / 255 + fy * bottom / 255) / 255) << shift;
    }
    return out;
  }
  const unsigned a00 = alpha_of(p00), a10 = alpha_of(p10), a01 = alpha_of(p01), a11 = alpha_of(p11);
  const unsigned a = gy * (a00 * gx / 255 + a10 * fx / 255) / 255 +
                     fy * (a01 * gx / 255 + a11 * fx / 255) / 255;
  if (a == 0) return kTransparent;
  Pixel out = Pixel(a) << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const unsigned c00 = a00 * ((p00 >> shift) & 255), c10 = a10 * ((p10 >> shift) & 255);
    const unsigned c01 = a01 * ((p01 >> shift) & 255), c11 = a11 * ((p11 >> shift) & 255);
    const unsigned c = gy * (c00 * gx / 255 + c10 * fx / 255) / 255 +
                       fy * (c01 * gx / 255 + c11 * fx / 255) / 255;
    const unsigned v = c / a;
    out |= Pixel(v < 255 ? v : 255) << shift;
  }
  return out;
}

// Sums of N alpha-weighted samples and the average output rule: transparent
// white when ΣA = 0 or ΣA / N = 0, else the weighted means.
struct AlphaSums {
  int64_t ab = 0, ag = 0, ar = 0, a = 0;
  void add(Pixel p) {
    const int64_t alpha = alpha_of(p);
    ab += alpha * blue_of(p);
    ag += alpha * green_of(p);
    ar += alpha * red_of(p);
    a += alpha;
  }
};
Pixel average_output(const AlphaSums& sums, int64_t samples);

// The alpha-weighted 3 × 3 convolution (kernel row-major from the top-left
// neighbour, divisor, offset), edges replicated, over `rect` of dst from src
// (dst and src must differ). One progress step per row.
void convolve_3x3(const LayerImage& src, LayerImage& dst, Rect rect, const int kernel[9],
                  int divisor, int offset, ProgressSink* progress);

// Gaussian Blur of `strength` (1 … 30) over `rect` of dst from src (they may be
// the same image). Needs a temporary image of the rectangle's columns and the
// rows the first pass covers; false, with dst untouched, when it cannot be
// had. Progress: sets the range to the rows of both passes, one step per row.
bool gaussian_blur(const LayerImage& src, LayerImage& dst, Rect rect, int strength,
                   ProgressSink* progress);

// The Gaussian Blur's staircase weights w(0 … 3s) in fixed point (1.0 =
// kGaussianOne): exp(−⌊i² / (2s²)⌋) rounded to an integer, so that sums are
// exact and a flat area stays flat.
inline constexpr int64_t kGaussianOne = 65536;
inline constexpr int64_t kGaussianLevels[5] = {65536, 24109, 8869, 3263, 1200};
inline int64_t gaussian_weight(int i, int strength) {
  const int64_t level = int64_t{i} * i / (2 * int64_t{strength} * strength);
  return kGaussianLevels[level < 4 ? level : 4];
}

namespace detail {
// The 3 × 3 convolution of columns [x, end) of one row, whose neighbours
// x − 1 and x + 1 all lie inside; returns where it stopped.
int convolve_row_inner(const Pixel* const rows[3], Pixel* out, int x, int end, const int k[9],
                       int divisor, int offset);
}  // namespace detail

}  // namespace qm::filters
