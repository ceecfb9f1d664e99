#include "paint/text_preview.h"

#include "paint/write_modes.h"

namespace qm {

bool TextPreview::begin(Document& doc) {
  layer_ = nullptr;
  shown_ = {};
  Layer* layer = doc.current();
  if (!layer || layer->image.empty() || !doc.backup().copy_from(layer->image)) return false;
  layer_ = layer;
  return true;
}

Layer* TextPreview::target(Document& doc) const {
  if (!layer_) return nullptr;
  const int index = doc.index_of(layer_);
  Layer* layer = index >= 0 ? doc.layer_at(index) : nullptr;
  if (!layer || layer->image.width() != doc.backup().width() || layer->image.height() != doc.backup().height())
    return nullptr;
  return layer;
}

Rect TextPreview::restore(Document& doc) {
  const Rect r = shown_;
  shown_ = {};
  Layer* layer = target(doc);
  if (r.empty() || !layer) return {};
  layer->image.blit_from(r.x, r.y, r.w, r.h, doc.backup(), r.x, r.y);
  doc.composite_rect(r);
  return r;
}

Rect TextPreview::draw(Document& doc, const TextJob& job) {
  // Only on the current layer: the undo step records the current one.
  if (!job.glyphs || job.text.empty() || !target(doc) || target(doc) != doc.current()) return {};
  Layer& layer = *doc.current();
  const BrushState state = make_brush_state(job.paint, layer.mask_mode);
  PaintSurface surface;
  surface.raster = &layer.image;
  surface.reference = &doc.backup();  // the layer as it was: glyphs may overlap
  surface.clip = layer.image.bounds();
  surface.masks = state.masks;
  surface.texture = state.texture;
  surface.write_mode = kWriteBlendAlphaLock;
  const Rect r = intersect(draw_text(*job.glyphs, job.text, job.at, job.layout, surface, job.paint.colour & 0xFFFFFF,
                                     job.paint.density),
                           doc.bounds());
  if (!r.empty()) doc.composite_rect(r);
  return r;
}

Rect TextPreview::show(Document& doc, const TextJob& job) {
  const Rect old = restore(doc);
  shown_ = draw(doc, job);
  return unite(old, shown_);
}

Rect TextPreview::hide(Document& doc) { return restore(doc); }

TextCommit TextPreview::commit(Document& doc, const TextJob& job) {
  TextCommit result;
  const Rect old = restore(doc);
  const Rect r = draw(doc, job);
  if (!r.empty()) {
    result.recorded = doc.pixel_recorder().record_rect_from(doc, doc.backup(), r);
    result.undo_lost = !result.recorded;
  }
  result.changed = unite(old, r);
  layer_ = nullptr;
  return result;
}

Rect TextPreview::cancel(Document& doc) {
  const Rect r = hide(doc);
  layer_ = nullptr;
  return r;
}

}  // namespace qm
