// Glow: the highlights above a threshold are blurred and screened back over
// the source.
#include <algorithm>

#include "filters/distort_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {

bool glow(const FilterArgs& a) {
  const int threshold = std::clamp(a.values.numeric[0], 1, 255);
  const int blur = std::clamp(a.values.numeric[1], 1, 30);
  const int64_t apply = std::clamp(a.values.numeric[2], 0, 256);
  const Rect r = a.rect;
  const LayerImage& src = a.src;

  uint8_t table[256];
  for (int i = 0; i < 256; ++i) table[i] = uint8_t((std::max(i, 255 - threshold) + threshold - 255) * 255 / threshold);

  // The highlights go into a temporary image rather than the destination,
  // so a failed allocation (here or in the blur) leaves the destination as
  // it was. The blur reads 3·blur pixels around the rectangle (those come
  // from the destination unmapped) and clamps at the image's edges; the
  // temporary holds just that area, whose edges are the image's wherever
  // the blur can reach them.
  const int reach = 3 * blur;
  const Rect around = intersect({r.x - reach, r.y - reach, r.w + 2 * reach, r.h + 2 * reach}, src.bounds());
  LayerImage work;
  if (!temporary_allowed(int64_t{around.w} * around.h * 4) || !work.create(around.w, around.h)) return false;
  work.blit_from(0, 0, around.w, around.h, a.dst, around.x, around.y);
  const int ox = around.x, oy = around.y;
  for (int y = r.y; y < r.bottom(); ++y) {
    const Pixel* in = src.row(y);
    Pixel* out = work.row(y - oy);
    for (int x = r.x; x < r.right(); ++x) {
      const Pixel p = in[x];
      out[x - ox] = alpha_of(p) == 0 ? p
                                : make_pixel(alpha_of(p), table[red_of(p)], table[green_of(p)], table[blue_of(p)]);
    }
  }
  if (!gaussian_blur(work, work, {r.x - ox, r.y - oy, r.w, r.h}, blur, a.progress)) return false;

  for (int y = r.y; y < r.bottom(); ++y) {
    const Pixel* in = src.row(y);
    const Pixel* glow_row = work.row(y - oy);
    Pixel* out = a.dst.row(y);
    for (int x = r.x; x < r.right(); ++x) {
      const Pixel p = in[x];
      if (alpha_of(p) == 0) {
        out[x] = p;
        continue;
      }
      const Pixel g = glow_row[x - ox];
      const int64_t e = (apply * alpha_of(g)) >> 8;
      auto ch = [&](int s, int gc) { return uint32_t(std::min<int64_t>(255, s + (gc - gc * s / 255) * e / 255)); };
      out[x] = make_pixel(alpha_of(p), ch(red_of(p), red_of(g)), ch(green_of(p), green_of(g)), ch(blue_of(p), blue_of(g)));
    }
  }
  return true;
}

}  // namespace qm::filters
