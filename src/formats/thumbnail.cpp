#include "formats/thumbnail.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qm {

ThumbnailSize native_thumbnail_size(int width, int height) {
  if (width <= kThumbnailBox && height <= kThumbnailBox) return {width, height};
  // w × 90 / h rounded half up, in integers: floor((2 × w × 90 + h) / (2 × h)).
  const int64_t w90 = (int64_t{width} * 2 * kThumbnailBox + height) / (int64_t{height} * 2);
  if (w90 < kThumbnailBox) return {std::max<int>(1, int(w90)), kThumbnailBox};
  const int64_t h90 = (int64_t{height} * 2 * kThumbnailBox + width) / (int64_t{width} * 2);
  return {kThumbnailBox, std::max<int>(1, int(h90))};
}

namespace {

// The source span [first, last) that destination cell `d` of `dn` covers in
// `sn` source cells; at least one cell when enlarging.
struct Span {
  int first, last;
};
Span cover(int d, int dn, int sn) {
  const int first = int(int64_t{d} * sn / dn);
  int last = int(int64_t{d + 1} * sn / dn);
  if (last <= first) last = first + 1;
  return {first, std::min(last, sn)};
}

}  // namespace

void box_stretch(const LayerImage& src, LayerImage& dst) {
  const int sw = src.width(), sh = src.height(), dw = dst.width(), dh = dst.height();
  if (src.empty() || dst.empty()) return;
  std::vector<Span> xs(size_t(dw), Span{});
  for (int x = 0; x < dw; ++x) xs[size_t(x)] = cover(x, dw, sw);
  std::vector<uint64_t> sums(size_t(dw) * 3);
  for (int y = 0; y < dh; ++y) {
    const Span ys = cover(y, dh, sh);
    std::fill(sums.begin(), sums.end(), 0);
    for (int sy = ys.first; sy < ys.last; ++sy) {
      const Pixel* row = src.row(sy);
      for (int x = 0; x < dw; ++x) {
        uint64_t b = 0, g = 0, r = 0;
        for (int sx = xs[size_t(x)].first; sx < xs[size_t(x)].last; ++sx) {
          const Pixel p = row[sx];
          b += blue_of(p);
          g += green_of(p);
          r += red_of(p);
        }
        sums[size_t(x) * 3] += b;
        sums[size_t(x) * 3 + 1] += g;
        sums[size_t(x) * 3 + 2] += r;
      }
    }
    Pixel* out = dst.row(y);
    const uint64_t rows = uint64_t(ys.last - ys.first);
    for (int x = 0; x < dw; ++x) {
      const uint64_t n = rows * uint64_t(xs[size_t(x)].last - xs[size_t(x)].first);
      const uint64_t* s = &sums[size_t(x) * 3];
      out[x] = make_pixel(255, uint32_t((s[2] + n / 2) / n), uint32_t((s[1] + n / 2) / n),
                          uint32_t((s[0] + n / 2) / n));
    }
  }
}

}  // namespace qm
