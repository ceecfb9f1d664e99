#include "paint/gradient.h"

#include <vector>

#include "paint/write_modes.h"

namespace qm {

GradientColours gradient_colours(const GradientRequest& request, const BrushSettings& settings) {
  GradientColours c;
  const int kind = request.option_word & kGradientKindMask;
  c.kind = kind < kGradientKindCount ? GradientKind(kind) : GradientKind::ForegroundToBackground;
  c.foreground = settings.colour & 0xFFFFFF;
  c.background = request.background & 0xFFFFFF;
  c.density = settings.density;
  c.posterise_bits = (request.option_word >> kGradientToneShift) & 0xF;
  c.reverse = (request.option_word & kGradientReverse) != 0;
  return c;
}

GradientGeometry gradient_geometry(const GradientRequest& request) {
  GradientGeometry g;
  g.shape = gradient_shape_for_draw_type(request.draw_type);
  g.a = request.a;
  g.b = request.b;
  g.limit = request.limit;
  const int kind = request.option_word & kGradientKindMask;
  g.repeat = request.repeat || kind == int(GradientKind::Rainbow);
  return g;
}

GradientResult draw_gradient(Document& doc, const BrushSettings& settings, const GradientRequest& request,
                             const StrokeOptions& stroke_options) {
  GradientResult result;
  Layer* layer = doc.current();
  const GradientGeometry geometry = gradient_geometry(request);
  if (!layer || layer->image.empty() || !gradient_draws(geometry)) return result;
  result.recorded = doc.pixel_recorder().record_layer(doc);
  result.drawn = true;

  const GradientTable table = make_gradient_table(gradient_colours(request, settings));
  const BrushState state = make_brush_state(settings, layer->mask_mode);
  LayerImage& image = layer->image;
  PaintSurface surface;
  surface.raster = &image;
  // Each pixel is written once and judged before it is written, so the layer
  // itself serves as the mask reference.
  surface.reference = &image;
  surface.clip = image.bounds();
  surface.masks = state.masks;
  surface.texture = state.texture;
  surface.write_mode = kWriteBlendAlphaLock;

  const int w = image.width();
  std::vector<int> index(static_cast<size_t>(w) + 1);
  std::vector<uint8_t> alpha(static_cast<size_t>(w));
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < w; ++x) {
      const int i = gradient_index(geometry, x, y);
      index[size_t(x)] = i;
      alpha[size_t(x)] = i == kGradientSkip ? 0 : alpha_of(table[size_t(i)]);
    }
    index[size_t(w)] = kGradientSkip - 1;  // ends the last run
    // Runs of one index share a colour: one span write each.
    for (int x = 0; x < w;) {
      int end = x + 1;
      while (index[size_t(end)] == index[size_t(x)]) ++end;
      if (index[size_t(x)] != kGradientSkip)
        write_span(surface, x, y, end - x, alpha.data() + x, table[size_t(index[size_t(x)])] & 0xFFFFFF);
      x = end;
    }
  }
  if (stroke_options.recomposite) doc.composite_rect(doc.bounds());
  return result;
}

}  // namespace qm
