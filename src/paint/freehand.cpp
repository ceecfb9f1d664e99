#include "paint/freehand.h"

#include "paint/combine.h"

namespace qm {

bool FreehandStroke::begin(Document& doc, const BrushSettings& settings, PointF p, double pressure,
                           StrokeOptions options) {
  doc_ = nullptr;
  Layer* layer = doc.current();
  if (!layer || layer->image.empty() || !sanitise_point(p)) return false;
  pressure = sanitise_pressure(pressure);
  if (!doc.copy_to_backup(layer->image)) return false;
  const BrushState state = make_brush_state(settings, layer->mask_mode);
  LayerImage* target = &layer->image;
  buffer_ = nullptr;
  if (!state.into_layer) {
    LayerImage& buffer = doc.clear_stroke_buffer();
    if (buffer.width() != layer->image.width() || buffer.height() != layer->image.height()) return false;
    buffer_ = target = &buffer;
  }
  doc_ = &doc;
  options_ = options;
  undo_lost_ = false;
  engine_.start(state);
  engine_.set_target(target, &doc.backup(), doc.bounds());

  // The history starts full of the first sample, so the mean starts there.
  const StrokeSample first{p.x, p.y, pressure};
  ring_.clear();
  ring_.add(first, false);
  for (int i = 0; i < state.smoothing; ++i) ring_.add(first, false);
  curve_.fill(first);
  last_ = {p, pressure};
  last_pixel_ = pixel_of(p);
  carried_ = 0;
  if (state.watercolour) engine_.start_mixing(p);
  if (state.smudge) engine_.pick_up(last_pixel_);

  // The first dab: the pixel-line tools stamp the press point; for the
  // others it is a segment of length 0, which places nothing.
  if (state.dot_tool)
    engine_.dot_line(last_pixel_, last_pixel_, false);
  else
    carried_ = engine_.segment(last_, last_, carried_);
  const int reach = state.largest_size() / 2 + 2;
  dirty_ = intersect({last_pixel_.x - reach, last_pixel_.y - reach, 2 * reach + 1, 2 * reach + 1},
                     doc.bounds());
  dirty_ = unite(dirty_, finish_step());
  return true;
}

Rect FreehandStroke::move(PointF p, double pressure) {
  if (!active() || !sanitise_point(p)) return {};
  ring_.add({p.x, p.y, sanitise_pressure(pressure)}, true);
  return draw_step();
}

Rect FreehandStroke::draw_step() {
  const BrushState& state = engine_.state();
  const StrokeSample s = ring_.smoothed(state.smoothing);
  if (state.dot_tool) {
    const IntPoint to = pixel_of({s.x, s.y});
    engine_.dot_line(last_pixel_, to, true);
    last_pixel_ = to;
  } else if (state.curve) {
    curve_.push(s);
    for (int k = 0; k < kCurveSteps; ++k) {
      const StrokeSample c = curve_.point(k);
      const SegmentEnd next{{c.x, c.y}, c.pressure};
      carried_ = engine_.segment(last_, next, carried_);
      last_ = next;
    }
  } else {
    const SegmentEnd next{{s.x, s.y}, s.pressure};
    carried_ = engine_.segment(last_, next, carried_);
    last_ = next;
  }
  const Rect r = finish_step();
  dirty_ = unite(dirty_, r);
  return r;
}

// Combines what the last step wrote into the layer and shows what it touched.
Rect FreehandStroke::finish_step() {
  const Rect r = engine_.take_touched();
  const BrushState& state = engine_.state();
  // Only what the dabs wrote changes the combined result: the rest of the
  // rectangle holds what the last combine left there.
  if (buffer_) {
    doc_->note_stroke_buffer_use(r);
    if (!engine_.written().empty())
      combine_written(state.erasing, doc_->current()->image, *buffer_, doc_->backup(), engine_.written(),
                      state.masks.mask_mode);
  }
  engine_.clear_written();
  if (r.empty()) return r;
  if (options_.recomposite) doc_->composite_rect(r);
  return r;
}

Rect FreehandStroke::end(PointF p, double pressure) {
  if (active() && sanitise_point(p)) ring_.add({p.x, p.y, sanitise_pressure(pressure)}, true);
  return end();
}

Rect FreehandStroke::end() {
  if (!active()) return {};
  Rect changed;
  // Each repeat of the newest sample pulls the mean one step closer to it.
  for (int i = 0; i <= engine_.state().smoothing; ++i) {
    ring_.add(ring_.newest(), false);
    changed = unite(changed, draw_step());
  }
  Document& doc = *doc_;
  doc_ = nullptr;
  dirty_ = intersect(dirty_, doc.bounds());
  if (!dirty_.empty())
    undo_lost_ = !doc.pixel_recorder().record_rect_from(doc, doc.backup(), dirty_);
  return changed;
}

}  // namespace qm
