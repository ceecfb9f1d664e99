#include "canvas/colour_pick.h"

#include <algorithm>

#include "canvas/tool_rules.h"
#include "document/compositing.h"

namespace qm {

std::optional<Pixel> pick_pixel(const Document& doc, IntPoint at, bool current_layer_only) {
  if (!doc.bounds().contains(at.x, at.y)) return std::nullopt;
  if (current_layer_only) {
    const Layer* layer = doc.current();
    if (!layer || layer->image.empty()) return std::nullopt;
    return layer->image.get_pixel(at.x, at.y);
  }
  LayerImage dst, src;
  if (!dst.create(1, 1) || !src.create(1, 1)) return std::nullopt;
  dst.pixels()[0] = kTransparent;
  bool any = false;
  for (int i = doc.layer_count() - 1; i >= 0; --i) {
    const Layer& layer = *doc.layer_at(i);
    if (!layer.visible() || layer.image.empty()) continue;
    src.pixels()[0] = layer.image.get_pixel(at.x, at.y);
    if (alpha_of(src.pixels()[0]) != 0 && layer.opacity > 0) any = true;
    composite_display(dst, src, layer.opacity, layer.blend_mode, {0, 0, 1, 1});
  }
  if (!any) return kTransparent;
  return (dst.pixels()[0] & 0xFFFFFF) | 0xFF000000u;
}

void apply_pick(DrawingStateModel& model, Pixel pixel, const HeldKeys& keys) {
  const uint32_t rgb = pixel & 0xFFFFFF;
  const bool transparent = alpha_of(pixel) == 0;
  if (keys.alt) {
    model.edit(kChangedMask, [&](Settings& s) {
      DrawingState& d = s.draw;
      const int n = std::clamp(d.colour_mask_count, 1, kMaxMaskColours);
      for (int i = 0; i < n; ++i)
        if (d.mask_colours[size_t(i)] == rgb) return;
      if (n < kMaxMaskColours) {
        d.mask_colours[size_t(n)] = rgb;
        d.colour_mask_count = n + 1;
      }
    });
    return;
  }
  if (keys.shift) {
    model.edit(kChangedMask, [&](Settings& s) { s.draw.mask_colours[0] = rgb; });
    return;
  }
  if (transparent && (model.env().opt_flag & kOptTransparentPickErases)) {
    if (!is_eraser_tool(model.tool())) select_tool(model, kToolDotEraser + std::clamp(model.env().def_erase, 0, 2));
    return;
  }
  model.set_current_colour_value(transparent ? 0xFFFFFF : rgb);
  if (is_eraser_tool(model.tool())) select_tool(model, std::clamp(model.env().erase_bk_tool, 0, kToolCount - 1));
}

namespace {

uint32_t between(uint32_t a, uint32_t b, int num, int den) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
    out |= uint32_t(ca + (cb - ca) * num / den) << shift;
  }
  return out;
}

}  // namespace

void BlendPick::click(DrawingStateModel& model, uint32_t rgb, bool shift, int64_t time_ms) {
  rgb &= 0xFFFFFF;
  if (!has_first_ || time_ms - first_time_ >= kWindowMs || time_ms < first_time_) {
    has_first_ = true;
    first_ = rgb;
    first_time_ = time_ms;
    return;
  }
  has_first_ = false;
  if (!shift) {
    model.set_current_colour_value(between(first_, rgb, 1, 2));
    return;
  }
  model.set_colour(0, between(first_, rgb, 1, 3));
  model.set_colour(1, between(first_, rgb, 2, 3));
}

}  // namespace qm
