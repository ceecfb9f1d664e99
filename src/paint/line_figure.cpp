#include "paint/line_figure.h"

#include "paint/combine.h"
#include "paint/figure.h"
#include "paint/shapes.h"

namespace qm {

bool LineFigure::begin(Document& doc, const BrushSettings& settings, LineFigureKind kind, PointF first,
                       StrokeOptions options) {
  doc_ = nullptr;
  Layer* layer = doc.current();
  if (!layer || layer->image.empty() || !sanitise_point(first)) return false;
  if (!start_figure_engine(doc, settings, engine_)) return false;
  // The backup keeps the layer as it was, for the figure's one undo step.
  if (!doc.backup().copy_from(layer->image)) return false;
  if (doc.stroke_buffer().width() != layer->image.width() ||
      doc.stroke_buffer().height() != layer->image.height())
    return false;
  doc_ = &doc;
  options_ = options;
  kind_ = kind;
  first_ = last_ = first;
  lines_ = 0;
  dirty_ = {};
  undo_lost_ = false;
  return true;
}

Rect LineFigure::add(PointF p) {
  if (!active() || !sanitise_point(p)) return {};
  Document& doc = *doc_;
  LayerImage& image = doc.current()->image;
  const PointF from = kind_ == LineFigureKind::Polyline ? last_ : first_;
  const Rect area = line_area(engine_, from, p, doc.bounds());
  // A polyline's later lines skip the point they share with the one before.
  const bool continuing = kind_ == LineFigureKind::Polyline && lines_ > 0;
  ++lines_;
  last_ = p;
  if (area.empty()) return {};
  const BrushState& state = engine_.state();
  if (state.into_layer) {
    engine_.set_target(&image, &doc.backup(), area);
    engine_.begin_figure(from);
    line_with(engine_, from, p, continuing);
  } else {
    // Each line is combined over the layer as it now is, as a lone straight line would be.
    LayerImage& buffer = doc.stroke_buffer();
    buffer.fill_rect(area.x, area.y, area.w, area.h, kTransparent);
    engine_.set_target(&buffer, &image, area);
    engine_.begin_figure(from);
    line_with(engine_, from, p, continuing);
    combine_for(state.erasing, image, buffer, image, area, state.masks.mask_mode);
  }
  engine_.take_touched();
  if (options_.recomposite) doc.composite_rect(area);
  dirty_ = unite(dirty_, area);
  return area;
}

Rect LineFigure::end() {
  if (!active()) return {};
  Document& doc = *doc_;
  doc_ = nullptr;
  if (!dirty_.empty()) undo_lost_ = !doc.pixel_recorder().record_rect_from(doc, doc.backup(), dirty_);
  return dirty_;
}

Rect draw_concentrated_lines(Document& doc, const BrushSettings& settings, PointF centre,
                             const std::vector<PointF>& ends, StrokeOptions options) {
  LineFigure figure;
  if (!figure.begin(doc, settings, LineFigureKind::Concentrated, centre, options)) return {};
  for (const PointF& p : ends) figure.add(p);
  return figure.end();
}

}  // namespace qm
