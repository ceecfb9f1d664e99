#include "paint/smudge.h"

#include <algorithm>

namespace qm {

Pixel smudge_pixel(Pixel pixel, Pixel carried, int density, bool keep_alpha) {
  const double a = alpha_of(pixel) / 255.0, e = alpha_of(carried) / 255.0, f = density / 255.0;
  const double g = a + (e - a) * f;
  const uint32_t alpha = uint32_t(g * 255 + 0.5);
  Pixel out = kTransparent;  // a zero alpha gives white
  if (alpha != 0) {
    auto channel = [&](uint32_t c, uint32_t p) {
      return std::min<uint32_t>(255, uint32_t((e * f * c + a * (1 - f) * p) / g + 0.5));
    };
    out = make_pixel(alpha, channel(red_of(carried), red_of(pixel)),
                     channel(green_of(carried), green_of(pixel)), channel(blue_of(carried), blue_of(pixel)));
  }
  if (keep_alpha) out = (out & 0xFFFFFF) | (pixel & 0xFF000000);
  return out;
}

void Smudge::pick_up(const LayerImage& layer, const DotShape& shape, int x, int y) {
  pending_ = false;
  const int n = shape.size;
  carried_.assign(size_t(n) * size_t(n), kTransparent);
  if (layer.empty()) return;
  const int x0 = x - n / 2, y0 = y - n / 2;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i)
      if (shape.at(i, j)) carried_[size_t(j) * size_t(n) + size_t(i)] = layer.get_pixel_clamped(x0 + i, y0 + j);
}

Rect Smudge::stamp(const PaintSurface& surface, const DotShape& shape, int x, int y, int density) {
  const int n = shape.size;
  if (!surface.raster || carried_.size() != size_t(n) * size_t(n)) return {};
  LayerImage& layer = *surface.raster;
  const LayerImage& ref = surface.reference ? *surface.reference : layer;
  const MaskRules& masks = surface.masks;
  const int x0 = x - n / 2, y0 = y - n / 2;
  const Rect area = intersect({x0, y0, n, n}, surface.writable());
  if (area.empty()) {
    pass_outside(x, y);
    return {};
  }
  if (pending_) pick_up(layer, shape, pending_x_, pending_y_);
  for (int py = area.y; py < area.bottom(); ++py)
    for (int px = area.x; px < area.right(); ++px) {
      const size_t i = size_t(py - y0) * size_t(n) + size_t(px - x0);
      if (!shape.bits[i]) continue;
      if (masks.can_protect() && is_protected(masks, ref.get_pixel(px, py))) continue;
      const Pixel e = carried_[i];
      if (masks.mask_mode == 1 && alpha_of(e) == 0) continue;
      if (masks.colour_mask_type == 1 && masks.lists(e)) continue;
      Pixel& p = *layer.pixel_address(px, py);
      p = smudge_pixel(p, e, density, masks.keeps_alpha());
    }
  pick_up(layer, shape, x, y);
  return area;
}

}  // namespace qm
