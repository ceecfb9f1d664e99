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

bool TextPreview::usable(Document& doc) const {
  const Layer* layer = doc.current();
  return layer_ && layer == layer_ && layer->image.width() == doc.backup().width() &&
         layer->image.height() == doc.backup().height();
}

Rect TextPreview::restore(Document& doc) {
  const Rect r = shown_;
  shown_ = {};
  if (r.empty()) return r;
  doc.current()->image.blit_from(r.x, r.y, r.w, r.h, doc.backup(), r.x, r.y);
  doc.composite_rect(r);
  return r;
}

Rect TextPreview::draw(Document& doc, const TextJob& job) {
  if (!job.glyphs || job.text.empty()) return {};
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
  if (!usable(doc)) return {};
  const Rect old = restore(doc);
  shown_ = draw(doc, job);
  return unite(old, shown_);
}

Rect TextPreview::hide(Document& doc) { return usable(doc) ? restore(doc) : Rect{}; }

TextCommit TextPreview::commit(Document& doc, const TextJob& job) {
  TextCommit result;
  if (!usable(doc)) {
    layer_ = nullptr;
    return result;
  }
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
