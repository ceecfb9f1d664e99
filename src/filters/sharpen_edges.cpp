// Sharpen, Unsharp Mask, Sobel, Laplacian and Emboss.
#include <algorithm>
#include <cmath>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

bool run_convolution(const FilterArgs& args, const int kernel[9], int divisor, int offset) {
  LayerImage holder;
  const LayerImage* src = separate_source(args, &holder);
  if (!src) return false;
  progress_range(args.progress, args.rect.h);
  convolve_3x3(*src, args.dst, args.rect, kernel, divisor, offset, args.progress);
  return true;
}

inline uint32_t unsharp_channel(int s, int b, int m) {
  return uint32_t(std::clamp(s + m * (s - b) / 100, 0, 255));
}

}  // namespace

bool sharpen(const FilterArgs& args) {
  const int s = numeric_value(args, 0, 1, 20);
  int kernel[9];
  std::fill_n(kernel, 9, -s);
  kernel[4] = 8 * s + 100;
  return run_convolution(args, kernel, 100, 0);
}

bool laplacian(const FilterArgs& args) {
  static const int kernel[9] = {-1, -1, -1, -1, 8, -1, -1, -1, -1};
  return run_convolution(args, kernel, 1, 255);
}

bool emboss(const FilterArgs& args) {
  const int s = numeric_value(args, 0, 1, 16);
  const int v = args.values.check[0] ? s : -s;
  const bool colour = args.values.check[1] != 0;
  int kernel[9] = {};
  switch (std::clamp(args.values.list[0], 0, 2)) {
    case 0:  // left and right
      kernel[3] = v;
      kernel[5] = -v;
      break;
    case 1:  // top and bottom
      kernel[1] = v;
      kernel[7] = -v;
      break;
    default:  // diagonal
      kernel[0] = v;
      kernel[1] = v;
      kernel[7] = -v;
      kernel[8] = -v;
      break;
  }
  kernel[4] = colour ? 1 : 0;
  if (!run_convolution(args, kernel, 1, colour ? 0 : 128)) return false;
  if (!colour) {
    for (int y = args.rect.y; y < args.rect.bottom(); ++y) {
      Pixel* row = args.dst.row(y);
      for (int x = args.rect.x; x < args.rect.right(); ++x) {
        const Pixel p = row[x];
        if (alpha_of(p) == 0) continue;
        const uint32_t g = uint32_t(luma(p));
        row[x] = make_pixel(alpha_of(p), g, g, g);
      }
    }
  }
  return true;
}

bool unsharp_mask(const FilterArgs& args) {
  const int s = numeric_value(args, 0, 1, 20);
  const int m = numeric_value(args, 1, 1, 300);
  const Rect rect = args.rect;
  // The blur goes into dst, so an in-place run keeps the rectangle's source.
  LayerImage kept;
  const LayerImage* src = &args.src;
  int ox = 0, oy = 0;
  if (&args.src == &args.dst) {
    if (!temporary_allowed(int64_t{rect.w} * rect.h * 4) || !kept.create(rect.w, rect.h))
      return false;
    kept.blit_from(0, 0, rect.w, rect.h, args.src, rect.x, rect.y);
    src = &kept;
    ox = rect.x;
    oy = rect.y;
  }
  if (!gaussian_blur(args.src, args.dst, rect, s, args.progress)) return false;
  for (int y = rect.y; y < rect.bottom(); ++y) {
    const Pixel* in = src->row(y - oy) - ox;
    Pixel* out = args.dst.row(y);
    for (int x = rect.x; x < rect.right(); ++x) {
      const Pixel p = in[x], b = out[x];
      out[x] = alpha_of(p) == 0
                   ? kTransparent
                   : make_pixel(alpha_of(p), unsharp_channel(red_of(p), red_of(b), m),
                                unsharp_channel(green_of(p), green_of(b), m),
                                unsharp_channel(blue_of(p), blue_of(b), m));
    }
  }
  return true;
}

bool sobel(const FilterArgs& args) {
  LayerImage holder;
  const LayerImage* src = separate_source(args, &holder);
  if (!src) return false;
  const Rect rect = args.rect;
  const int w = src->width(), h = src->height();
  progress_range(args.progress, rect.h);
  for_row_bands(rect.y, rect.bottom(), row_band_count(rect.h, 64), args.progress,
                [&](int, int y0, int y1, ProgressSink* p) {
                  for (int y = y0; y < y1; ++y) {
                    const Pixel* r0 = src->row(std::max(y - 1, 0));
                    const Pixel* r1 = src->row(y);
                    const Pixel* r2 = src->row(std::min(y + 1, h - 1));
                    Pixel* out = args.dst.row(y);
                    for (int x = rect.x; x < rect.right(); ++x) {
                      if (alpha_of(r1[x]) == 0) {
                        out[x] = kTransparent;
                        continue;
                      }
                      const int xl = std::max(x - 1, 0), xr = std::min(x + 1, w - 1);
                      Pixel res = r1[x] & 0xFF000000u;
                      for (int sh = 0; sh < 24; sh += 8) {
                        auto c = [sh](Pixel q) { return int((q >> sh) & 255); };
                        const int gy = -c(r0[xl]) - 2 * c(r0[x]) - c(r0[xr]) + c(r2[xl]) +
                                       2 * c(r2[x]) + c(r2[xr]);
                        const int gx = -c(r0[xl]) + c(r0[xr]) - 2 * c(r1[xl]) + 2 * c(r1[xr]) -
                                       c(r2[xl]) + c(r2[xr]);
                        const int m2 = gx * gx + gy * gy;
                        const int v = m2 >= 255 * 255 ? 255 : int(std::sqrt(double(m2)));
                        res |= Pixel(v) << sh;
                      }
                      out[x] = res;
                    }
                    progress_step(p);
                  }
                });
  return true;
}

}  // namespace qm::filters
