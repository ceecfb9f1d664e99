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
// the same image). Needs a full-size temporary image; false, with dst
// untouched, when it cannot be had. Progress: one step per row of either pass.
bool gaussian_blur(const LayerImage& src, LayerImage& dst, Rect rect, int strength,
                   ProgressSink* progress);

}  // namespace qm::filters
