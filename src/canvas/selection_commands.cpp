#include "canvas/selection_commands.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "document/compositing.h"
#include "document/resize_layers.h"
#include "paint/brush_engine.h"

namespace qm {

namespace {

// The current layer and its area, or nothing to work on.
Layer* target(Document& doc, const Selection& selection, Rect& area) {
  if (selection.floating()) return nullptr;
  area = selection.area(doc);
  if (area.empty()) return nullptr;
  return doc.current();
}

bool record(Document& doc, Rect r, SelectionEdit& out) {
  out.undo_lost = !doc.pixel_recorder().record_rect(doc, r);
  out.changed = r;
  out.done = true;
  return true;
}

bool is_whole(const Document& doc, Rect area) { return area == doc.bounds(); }

// Positive remainder: tiles repeat in both directions from the area.
int wrap(int v, int n) {
  const int m = v % n;
  return m < 0 ? m + n : m;
}

}  // namespace

bool select_all(const Document& doc, Selection& selection) {
  if (selection.floating() || doc.width() <= 0) return false;
  return selection.set(doc, 0, 0, doc.width() - 1, doc.height() - 1);
}

bool copy_selection(const Document& doc, const Selection& selection, LayerImage& buffer) {
  return selection_image(doc, selection, buffer, false);
}

SelectionEdit cut_selection(Document& doc, const Selection& selection, LayerImage& buffer) {
  SelectionEdit out;
  Rect a;
  Layer* layer = target(doc, selection, a);
  if (!layer || !copy_selection(doc, selection, buffer)) return out;
  record(doc, a, out);
  layer->image.fill_rect(a.x, a.y, a.w, a.h, kTransparent);
  return out;
}

IntPoint paste_position(const Document& doc, int w, int h, IntPoint centre) {
  int x = centre.x - w / 2, y = centre.y - h / 2;
  if (w <= doc.width()) x = std::clamp(x, 0, doc.width() - w);
  if (h <= doc.height()) y = std::clamp(y, 0, doc.height() - h);
  return {x, y};
}

bool fit_to_canvas(LayerImage& picture, const Document& doc) {
  if (picture.empty() || doc.width() <= 0) return false;
  if (picture.width() <= doc.width() && picture.height() <= doc.height()) return true;
  LayerImage cut;
  const int w = std::min(picture.width(), doc.width()), h = std::min(picture.height(), doc.height());
  if (!cut.create(w, h)) return false;
  cut.blit_from(0, 0, w, h, picture, 0, 0);
  picture = std::move(cut);
  return true;
}

SelectionEdit fill_selection(Document& doc, const Selection& selection, Pixel pixel) {
  SelectionEdit out;
  Rect a;
  Layer* layer = target(doc, selection, a);
  if (!layer) return out;
  record(doc, a, out);
  layer->image.fill_rect(a.x, a.y, a.w, a.h, pixel);
  return out;
}

SelectionEdit flip_selection(Document& doc, const Selection& selection, bool vertical) {
  SelectionEdit out;
  Rect a;
  Layer* layer = target(doc, selection, a);
  if (!layer) return out;
  record(doc, a, out);
  LayerImage& img = layer->image;
  if (vertical) {
    for (int top = a.y, bottom = a.bottom() - 1; top < bottom; ++top, --bottom)
      std::swap_ranges(img.row(top) + a.x, img.row(top) + a.right(), img.row(bottom) + a.x);
  } else {
    for (int y = a.y; y < a.bottom(); ++y) std::reverse(img.row(y) + a.x, img.row(y) + a.right());
  }
  return out;
}

SelectionEdit rotate_selection_90(Document& doc, Selection& selection, bool clockwise) {
  SelectionEdit out;
  Rect a;
  Layer* layer = target(doc, selection, a);
  if (!layer) return out;
  LayerImage turned;
  if (!turned.create(a.h, a.w)) {
    out.out_of_memory = true;
    return out;
  }
  LayerImage& img = layer->image;
  for (int y = 0; y < a.h; ++y) {
    const Pixel* in = img.row(a.y + y) + a.x;
    for (int x = 0; x < a.w; ++x) {
      if (clockwise)
        turned.row(x)[a.h - 1 - y] = in[x];
      else
        turned.row(a.w - 1 - x)[y] = in[x];
    }
  }
  // The block keeps the area's centre.
  const Rect turned_at{a.x + a.w / 2 - a.h / 2, a.y + a.h / 2 - a.w / 2, a.h, a.w};
  const Rect placed = intersect(turned_at, doc.bounds());
  // The old area outside the new one is cleared, so both are in the step.
  record(doc, unite(a, placed), out);
  img.fill_rect(a.x, a.y, a.w, a.h, kTransparent);
  img.blit_from(turned_at.x, turned_at.y, turned_at.w, turned_at.h, turned, 0, 0);
  if (selection.has_frame()) selection.set_rect(doc, placed);
  return out;
}

SelectionEdit rotate_selection(Document& doc, Selection& selection, double angle, bool smooth) {
  SelectionEdit out;
  Rect a;
  Layer* layer = target(doc, selection, a);
  if (!layer || angle == 0) return out;
  const Rect touched = intersect(unite(a, rotated_bounds(a.x, a.y, a.w, a.h, angle)), doc.bounds());
  // The step must hold the pixels from before, yet the rotation may fail
  // for memory: it runs first, and the old pixels go back for the recording.
  LayerImage before, rotated;
  if (!before.create(touched.w, touched.h) || !rotated.create(touched.w, touched.h)) {
    out.out_of_memory = true;
    return out;
  }
  LayerImage& img = layer->image;
  before.blit_from(0, 0, touched.w, touched.h, img, touched.x, touched.y);
  if (!rotate_area(img, a.x, a.y, a.w, a.h, angle, smooth, touched)) {
    out.out_of_memory = true;
    return out;
  }
  rotated.blit_from(0, 0, touched.w, touched.h, img, touched.x, touched.y);
  img.blit_from(touched.x, touched.y, touched.w, touched.h, before, 0, 0);
  record(doc, touched, out);
  img.blit_from(touched.x, touched.y, touched.w, touched.h, rotated, 0, 0);
  if (selection.has_frame()) selection.set_rect(doc, touched);
  return out;
}

SelectionEdit trim_to_selection(Document& doc, Selection& selection) {
  SelectionEdit out;
  Rect a;
  if (!target(doc, selection, a) || is_whole(doc, a)) return out;
  std::vector<LayerImage> rasters(size_t(doc.layer_count()));
  for (int i = 0; i < doc.layer_count(); ++i) {
    if (!rasters[size_t(i)].create_canvas(a.w, a.h)) {
      out.out_of_memory = true;
      return out;
    }
    rasters[size_t(i)].blit_from(0, 0, a.w, a.h, doc.layer_at(i)->image, a.x, a.y);
  }
  const ResizeLayersResult r = install_layer_rasters(doc, a.w, a.h, std::move(rasters), true);
  if (!r.done) {
    out.out_of_memory = r.out_of_memory;
    return out;
  }
  selection.reset();
  out.done = true;
  out.undo_lost = r.undo_lost;
  out.canvas_resized = true;
  out.changed = doc.bounds();
  return out;
}

SelectionEdit scale_selection(Document& doc, Selection& selection, int new_w, int new_h,
                              ResampleMethod method) {
  SelectionEdit out;
  Rect a;
  Layer* layer = target(doc, selection, a);
  if (!layer || new_w < 1 || new_h < 1 || new_w > kMaxCanvasSide || new_h > kMaxCanvasSide) return out;
  const Rect touched = intersect({a.x, a.y, std::max(a.w, new_w), std::max(a.h, new_h)}, doc.bounds());
  // Tried on a copy of the touched part first, so a shortage records nothing.
  LayerImage trial;
  if (!trial.create(touched.w, touched.h)) {
    out.out_of_memory = true;
    return out;
  }
  trial.blit_from(0, 0, touched.w, touched.h, layer->image, touched.x, touched.y);
  if (!scale_area(trial, a.x - touched.x, a.y - touched.y, a.w, a.h, new_w, new_h, method)) {
    out.out_of_memory = true;
    return out;
  }
  record(doc, touched, out);
  layer->image.blit_from(touched.x, touched.y, touched.w, touched.h, trial, 0, 0);
  if (selection.has_frame()) selection.set_rect(doc, {a.x, a.y, new_w, new_h});
  return out;
}

SelectionEdit make_pattern(Document& doc, const Selection& selection, PatternSpread spread) {
  SelectionEdit out;
  Rect a;
  Layer* layer = target(doc, selection, a);
  if (!layer || is_whole(doc, a)) return out;
  Rect region = doc.bounds();
  if (spread == PatternSpread::kRows) region = {0, a.y, doc.width(), a.h};
  if (spread == PatternSpread::kColumns) region = {a.x, 0, a.w, doc.height()};
  LayerImage tile;
  if (!tile.create(a.w, a.h)) {
    out.out_of_memory = true;
    return out;
  }
  LayerImage& img = layer->image;
  tile.blit_from(0, 0, a.w, a.h, img, a.x, a.y);
  record(doc, region, out);
  for (int y = region.y; y < region.bottom(); ++y) {
    const Pixel* in = tile.row(wrap(y - a.y, a.h));
    Pixel* row = img.row(y);
    for (int x = region.x; x < region.right(); ++x) row[x] = in[wrap(x - a.x, a.w)];
  }
  return out;
}

bool selection_image(const Document& doc, const Selection& selection, LayerImage& out,
                     bool over_white) {
  const Layer* layer = doc.current();
  if (!layer || selection.floating()) return false;
  const Rect a = selection.area(doc);
  if (a.empty()) return false;
  LayerImage cut;
  if (!cut.create(a.w, a.h)) return false;
  cut.blit_from(0, 0, a.w, a.h, layer->image, a.x, a.y);
  if (over_white) {
    LayerImage flat;
    if (!flat.create(a.w, a.h)) return false;
    flat.fill(kOpaqueWhite);
    flatten_layer(flat, cut, kFullOpacity, 0);
    cut = std::move(flat);
  }
  out = std::move(cut);
  return true;
}

}  // namespace qm
