// Outer and Inner Outline (a brush stamped along the edge of the opaque
// parts of a reference layer) and Frame Line (rings inside the rectangle).
#include <algorithm>
#include <new>
#include <vector>

#include "document/document.h"
#include "filters/render_common.h"

namespace qm::filters {
namespace {

// The reference layer's image: the chosen layer, or the current one.
const LayerImage& reference_image(const FilterArgs& a) {
  if (a.env.document) {
    const Layer* layer = a.env.document->layer_at(a.values.list[1]);
    if (layer && layer->image.width() == a.dst.width() && layer->image.height() == a.dst.height())
      return layer->image;
  }
  return a.dst;
}

bool outline(const FilterArgs& a, bool outer) {
  const int s = std::clamp(a.values.numeric[0], 1, 100);
  const ByteMask mask = a.values.list[0] == 1 ? soft_disc_mask(s, 32) : hard_disc_mask(s);
  const Rect r = a.rect;
  // Which pixels are opaque, taken before drawing: when the reference is the
  // layer being drawn on, the stamps must not change the outline's course.
  std::vector<uint8_t> opaque;
  try {
    opaque.resize(size_t(r.w) * size_t(r.h));
  } catch (const std::bad_alloc&) {
    return false;
  }
  const LayerImage& ref = reference_image(a);
  for (int y = 0; y < r.h; ++y) {
    const Pixel* p = ref.row(r.y + y) + r.x;
    for (int x = 0; x < r.w; ++x) opaque[size_t(y) * size_t(r.w) + size_t(x)] = alpha_of(p[x]) != 0;
  }
  // Outside the rectangle counts as transparent for the outer outline and as
  // opaque for the inner one.
  const bool outside = !outer;
  auto op = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= r.w || y >= r.h) return outside;
    return opaque[size_t(y) * size_t(r.w) + size_t(x)] != 0;
  };
  const bool target = !outer;  // pixels the outline starts from and is drawn on
  const uint32_t colour = a.env.drawing_colour & 0xFFFFFF;
  progress_range(a.progress, r.h);
  for (int y = 0; y < r.h; ++y) {
    for (int x = 0; x < r.w; ++x) {
      if (op(x, y) != target) continue;
      if (op(x - 1, y) == target && op(x + 1, y) == target && op(x, y - 1) == target && op(x, y + 1) == target)
        continue;
      const int ox = x - s / 2, oy = y - s / 2;
      for (int j = std::max(0, -oy); j < s && oy + j < r.h; ++j) {
        Pixel* d = a.dst.row(r.y + oy + j) + r.x;
        for (int i = std::max(0, -ox); i < s && ox + i < r.w; ++i) {
          const uint8_t m = mask.at(i, j);
          if (m && op(ox + i, oy + j) == target) d[ox + i] = blend_colour(d[ox + i], colour, m);
        }
      }
    }
    progress_step(a.progress);
  }
  return true;
}

}  // namespace

bool outer_outline(const FilterArgs& a) { return outline(a, true); }
bool inner_outline(const FilterArgs& a) { return outline(a, false); }

bool frame_line(const FilterArgs& a) {
  const int n = std::clamp(a.values.numeric[0], 1, 100);
  const uint32_t alpha = uint32_t(std::clamp(a.env.brush_alpha, 0, 255));
  const uint32_t colour = a.env.drawing_colour & 0xFFFFFF;
  copy_source_rect(a);
  auto put = [&](int x, int y) {
    Pixel* p = a.dst.pixel_address(x, y);
    if (p) *p = blend_colour(*p, colour, alpha);
  };
  const Rect r = a.rect;
  for (int i = 0; i < n; ++i) {
    const int x0 = r.x + i, y0 = r.y + i, w = r.w - 2 * i, h = r.h - 2 * i;
    if (w <= 0 || h <= 0) break;
    for (int x = x0; x < x0 + w; ++x) put(x, y0);
    if (h != 1)
      for (int x = x0; x < x0 + w; ++x) put(x, y0 + h - 1);
    for (int y = y0 + 1; y < y0 + h - 1; ++y) {
      put(x0, y);
      if (w != 1) put(x0 + w - 1, y);
    }
    if (w < 3 || h - 2 <= 0) break;
  }
  return true;
}

}  // namespace qm::filters
