// 3D Frame: lightens the top and left rings of the rectangle's border and
// darkens the bottom and right ones (the other way round when sunken), with
// an even or a fading amount per ring.
#include <algorithm>

#include "filters/distort_filters.h"

namespace qm::filters {
namespace {

// Adds c to B, G and R of n pixels from (x, y) stepping by (sx, sy); clamps,
// skips transparent pixels and positions outside the image.
void adjust_run(LayerImage& img, int x, int y, int sx, int sy, int n, int c) {
  for (int k = 0; k < n; ++k, x += sx, y += sy) {
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) continue;
    Pixel& p = img.row(y)[x];
    if (alpha_of(p) == 0) continue;
    auto ch = [&](int v) { return uint32_t(std::clamp(v + c, 0, 255)); };
    p = make_pixel(alpha_of(p), ch(red_of(p)), ch(green_of(p)), ch(blue_of(p)));
  }
}

}  // namespace

bool frame_3d(const FilterArgs& args) {
  const int n = std::max(1, args.values.numeric[0]);
  const bool sunken = args.values.check[0] != 0, smooth = args.values.check[1] != 0;
  const Rect r = args.rect;
  LayerImage& img = args.dst;
  if (&args.src != &img) img.blit_from(r.x, r.y, r.w, r.h, args.src, r.x, r.y);

  const int a = (smooth ? 135 : 83) * (sunken ? -1 : 1);
  for (int i = 0; i < n && 2 * i < r.h; ++i) {
    const int c = smooth ? a - (i * a) / n : a;
    adjust_run(img, r.x + i, r.y + i, 1, 0, r.w - 2 * i, c);
    adjust_run(img, r.x + i + 1, r.y + r.h - 1 - i, 1, 0, r.w - 2 * i - 2, -c);
  }
  const int b = (smooth ? 105 : 64) * (sunken ? -1 : 1);
  for (int l = 0; l < n && 2 * l < r.w; ++l) {
    const int d = smooth ? b - (l * b) / n : b;
    adjust_run(img, r.x + l, r.y + l + 1, 0, 1, r.h - 1 - 2 * l, d);
    adjust_run(img, r.x + r.w - 1 - l, r.y + l + 1, 0, 1, r.h - 1 - 2 * l, -d);
  }
  return true;
}

}  // namespace qm::filters
