#include "canvas/selection.h"

#include <algorithm>
#include <utility>

#include "canvas/floating_blend.h"
#include "paint/brush_engine.h"

namespace qm {

std::optional<Rect> Selection::selection_rect() const {
  if (mode_ == Mode::kNone) return std::nullopt;
  return frame_;
}

Rect Selection::area(const Document& doc) const {
  if (mode_ == Mode::kNone) return doc.bounds();
  return intersect(frame_, doc.bounds());
}

bool Selection::set(const Document& doc, int left, int top, int right, int bottom) {
  if (mode_ == Mode::kFloating) return false;
  mode_ = Mode::kNone;
  frame_ = {};
  // Corners may come in any order (the coordinates dialog takes x1 > x2).
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left == right && top == bottom) return false;
  const Rect r = intersect({left, top, int(int64_t{right} - left + 1), int(int64_t{bottom} - top + 1)},
                           doc.bounds());
  if (r.empty() || (r.w == 1 && r.h == 1)) return false;
  frame_ = r;
  mode_ = Mode::kFrame;
  return true;
}

void Selection::clear() {
  if (mode_ != Mode::kFrame) return;
  mode_ = Mode::kNone;
  frame_ = {};
}

void Selection::reset() {
  mode_ = Mode::kNone;
  frame_ = {};
  floating_.destroy();
  base_.destroy();
  layer_ = nullptr;
  offset_ = {};
  cut_ = false;
}

Layer* Selection::floating_layer(Document& doc) {
  const int index = doc.index_of(layer_);
  return index < 0 ? nullptr : doc.layer_at(index);
}

void Selection::draw(LayerImage& layer, bool composite) const {
  const Rect r = current_rect();
  if (composite)
    blend_floating(layer, r.x, r.y, floating_);
  else
    layer.blit_from(r.x, r.y, r.w, r.h, floating_, 0, 0);
}

bool Selection::lift(Document& doc, bool copy) {
  Layer* layer = doc.current();
  if (mode_ != Mode::kFrame || !layer) return false;
  const Rect r = intersect(frame_, doc.bounds());
  if (r.empty() || !base_.create(doc.width(), doc.height()) || !floating_.create(r.w, r.h)) {
    base_.destroy();
    floating_.destroy();
    return false;
  }
  base_.copy_from(layer->image);
  floating_.blit_from(0, 0, r.w, r.h, layer->image, r.x, r.y);
  if (!copy) base_.fill_rect(r.x, r.y, r.w, r.h, kTransparent);
  layer_ = layer;
  origin_ = frame_ = r;
  offset_ = {};
  cut_ = !copy;
  mode_ = Mode::kFloating;
  return true;
}

bool Selection::float_image(Document& doc, LayerImage image, int x, int y, bool composite) {
  Layer* layer = doc.current();
  if (mode_ == Mode::kFloating || !layer || image.empty()) return false;
  if (!base_.create(doc.width(), doc.height())) return false;
  base_.copy_from(layer->image);
  floating_ = std::move(image);
  layer_ = layer;
  origin_ = frame_ = {x, y, floating_.width(), floating_.height()};
  offset_ = {};
  cut_ = false;
  mode_ = Mode::kFloating;
  draw(layer->image, composite);
  return true;
}

Rect Selection::move_to(Document& doc, IntPoint offset, bool composite) {
  Layer* layer = floating() ? floating_layer(doc) : nullptr;
  if (!layer) return {};
  const Rect old = intersect(current_rect(), doc.bounds());
  // Whatever the last drawing covered comes back from the base first.
  layer->image.blit_from(old.x, old.y, old.w, old.h, base_, old.x, old.y);
  offset_ = offset;
  frame_ = current_rect();
  draw(layer->image, composite);
  return unite(old, intersect(frame_, doc.bounds()));
}

Selection::PutDown Selection::put_down(Document& doc, bool composite, bool keep_frame) {
  PutDown out;
  if (!floating()) return out;
  Layer* layer = floating_layer(doc);
  if (!layer) {
    reset();
    return out;
  }
  const Rect canvas = doc.bounds();
  const Rect now = intersect(current_rect(), canvas);
  layer->image.blit_from(now.x, now.y, now.w, now.h, base_, now.x, now.y);
  draw(layer->image, composite);
  // The step is recorded from the layer as it was before the lift: a cut's
  // pixels go back to their place in the base first, so undo restores them
  // there as well as under the image's new place.
  Rect recorded = now;
  if (cut_) {
    base_.blit_from(origin_.x, origin_.y, origin_.w, origin_.h, floating_, 0, 0);
    recorded = unite(now, intersect(origin_, canvas));
  }
  const int current = doc.current_index();
  const int index = doc.index_of(layer);
  doc.select(index);  // the recorder records the current layer
  if (!recorded.empty()) out.undo_lost = !doc.pixel_recorder().record_rect_from(doc, base_, recorded);
  doc.select(current);
  out.done = true;
  out.changed = recorded;
  const Rect kept = now;
  reset();
  if (keep_frame) set_rect(doc, kept);
  return out;
}

void Selection::fit_to(const Document& doc) {
  if (floating()) {
    if (doc.index_of(layer_) < 0 || base_.width() != doc.width() || base_.height() != doc.height()) reset();
    return;
  }
  if (mode_ == Mode::kFrame) set_rect(doc, frame_);
}

}  // namespace qm
