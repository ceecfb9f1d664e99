#include "paint/figure.h"

#include <algorithm>
#include <cmath>

#include "paint/combine.h"

namespace qm {

bool start_figure_engine(Document& doc, const BrushSettings& settings, BrushEngine& engine) {
  const Layer* layer = doc.current();
  if (!layer || layer->image.empty()) return false;
  const BrushState state = make_brush_state(settings, layer->mask_mode);
  engine.start(state);
  engine.set_into_layer(figure_into_layer(state));
  engine.set_interval(figure_interval(state));
  return true;
}

Rect box_around(const PointF* points, size_t count, int margin, Rect bounds) {
  if (count == 0) return {};
  double x0 = points[0].x, y0 = points[0].y, x1 = x0, y1 = y0;
  for (size_t i = 1; i < count; ++i) {
    x0 = std::min(x0, points[i].x);
    y0 = std::min(y0, points[i].y);
    x1 = std::max(x1, points[i].x);
    y1 = std::max(y1, points[i].y);
  }
  // Points are clamped to ±2^20 pixels, so these stay in int.
  const int left = int(std::floor(x0)) - margin, top = int(std::floor(y0)) - margin;
  const int right = int(std::floor(x1)) + margin + 1, bottom = int(std::floor(y1)) + margin + 1;
  return intersect({left, top, right - left, bottom - top}, bounds);
}

FigureResult paint_figure(Document& doc, BrushEngine& engine, Rect area, bool recomposite,
                          const std::function<void(BrushEngine&)>& draw) {
  FigureResult result;
  Layer* layer = doc.current();
  if (!layer) return result;
  LayerImage& image = layer->image;
  area = intersect(area, image.bounds());
  if (area.empty()) return result;
  const BrushState& state = engine.state();
  if (state.into_layer) {
    LayerImage& backup = doc.backup();
    if (backup.width() != image.width() || backup.height() != image.height()) return result;
    backup.blit_from(area.x, area.y, area.w, area.h, image, area.x, area.y);
    engine.set_target(&image, &backup, area);
    draw(engine);
    result.undo_lost = !doc.pixel_recorder().record_rect_from(doc, backup, area);
  } else {
    LayerImage& buffer = doc.stroke_buffer();
    if (buffer.width() != image.width() || buffer.height() != image.height()) return result;
    result.undo_lost = !doc.pixel_recorder().record_rect(doc, area);
    buffer.fill_rect(area.x, area.y, area.w, area.h, kTransparent);
    engine.set_target(&buffer, &image, area);
    draw(engine);
    combine_for(state.erasing, image, buffer, image, area, state.masks.mask_mode);
  }
  engine.take_touched();
  if (recomposite) doc.composite_rect(area);
  result.changed = area;
  return result;
}

}  // namespace qm
