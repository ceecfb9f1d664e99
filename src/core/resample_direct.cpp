// Nearest neighbour and bilinear resizing: each output pixel straight from
// its source neighbours, with the per-column positions worked out once.
#include <algorithm>

#include "core/resample_internal.h"

namespace qm::detail {

// Target (x, y) takes source (x·W / w, y·H / h). With a single weight of 1 the
// alpha-weighted rule returns the pixel itself, except that alpha 0 is
// written as kTransparent.
bool resample_nearest(const LayerImage& src, LayerImage& dst) {
  const int64_t sw = src.width(), sh = src.height(), w = dst.width(), h = dst.height();
  ScratchArray<int32_t> column;
  if (!column.allocate(size_t(w))) return false;
  for (int64_t x = 0; x < w; ++x) column[size_t(x)] = int32_t(x * sw / w);
  for (int64_t y = 0; y < h; ++y) {
    const Pixel* in = src.row(int(y * sh / h));
    Pixel* out = dst.row(int(y));
    for (int64_t x = 0; x < w; ++x) {
      const Pixel p = in[column[size_t(x)]];
      out[x] = alpha_of(p) ? p : kTransparent;
    }
  }
  return true;
}

// sx = x·W / w (integer), fx = (W / w)·x − sx (floating point), likewise for y;
// the four neighbours, clamped at the right and bottom edges, are weighted
// (1 − fx)(1 − fy), fx(1 − fy), (1 − fx)fy, fx·fy in that order.
bool resample_bilinear(const LayerImage& src, LayerImage& dst) {
  const int64_t sw = src.width(), sh = src.height(), w = dst.width(), h = dst.height();
  const double step_x = double(sw) / double(w), step_y = double(sh) / double(h);
  struct Column {
    int32_t x0, x1;
    double fx;
  };
  ScratchArray<Column> columns;
  if (!columns.allocate(size_t(w))) return false;
  for (int64_t x = 0; x < w; ++x) {
    const int64_t sx = x * sw / w;
    columns[size_t(x)] = {int32_t(sx), int32_t(std::min(sx + 1, sw - 1)), step_x * double(x) - double(sx)};
  }
  for (int64_t y = 0; y < h; ++y) {
    const int64_t sy = y * sh / h;
    const double fy = step_y * double(y) - double(sy);
    const Pixel* top = src.row(int(sy));
    const Pixel* bottom = src.row(int(std::min(sy + 1, sh - 1)));
    Pixel* out = dst.row(int(y));
    for (int64_t x = 0; x < w; ++x) {
      const Column& c = columns[size_t(x)];
      const Pixel p[4] = {top[c.x0], top[c.x1], bottom[c.x0], bottom[c.x1]};
      const double wt[4] = {(1 - c.fx) * (1 - fy), c.fx * (1 - fy), (1 - c.fx) * fy, c.fx * fy};
      double sa = 0, sb = 0, sg = 0, sr = 0;
      for (int k = 0; k < 4; ++k) {
        const double wa = wt[k] * alpha_of(p[k]);
        sa += wa;
        sb += wa * blue_of(p[k]);
        sg += wa * green_of(p[k]);
        sr += wa * red_of(p[k]);
      }
      out[x] = weighted_pixel(sa, sb, sg, sr);
    }
  }
  return true;
}

}  // namespace qm::detail
