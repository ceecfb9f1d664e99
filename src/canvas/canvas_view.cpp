#include "canvas/canvas_view.h"

#include <algorithm>
#include <cstdint>
#include <thread>

#include "canvas/view_grid.h"
#include "canvas/view_scaler.h"
#include "document/document.h"

namespace qm {

bool CanvasView::create_backing(int width, int height) {
  if (!backing_.create(width, height)) return false;
  set_view_size(geometry_, client_w_, client_h_, backing_.width(), backing_.height());
  clamp_scroll(geometry_);
  return true;
}

Rect CanvasView::set_settings(const ViewSettings& settings) {
  settings_ = settings;
  geometry_.mirrored = settings_.mirrored();
  clamp_scroll(geometry_);
  recompose_all();
  return redraw_all();
}

void CanvasView::sync_image_size() {
  geometry_.image_w = document_->width();
  geometry_.image_h = document_->height();
  geometry_.mirrored = settings_.mirrored();
}

Rect CanvasView::document_changed() {
  sync_image_size();
  set_view_size(geometry_, client_w_, client_h_, backing_.width(), backing_.height());
  centre_image(geometry_);
  recompose_all();
  return redraw_all();
}

Rect CanvasView::place(int client_w, int client_h) {
  client_w_ = client_w;
  client_h_ = client_h;
  sync_image_size();
  set_view_size(geometry_, client_w_, client_h_, backing_.width(), backing_.height());
  centre_image(geometry_);
  return redraw_all();
}

Rect CanvasView::resize(int client_w, int client_h) {
  const Point centre = centre_point(geometry_);
  client_w_ = client_w;
  client_h_ = client_h;
  set_view_size(geometry_, client_w_, client_h_, backing_.width(), backing_.height());
  restore_centre(geometry_, centre);
  return redraw_all();
}

Rect CanvasView::set_scale(int percent) {
  const Point centre = centre_point(geometry_);
  geometry_.scale = clamp_scale(percent);
  set_view_size(geometry_, client_w_, client_h_, backing_.width(), backing_.height());
  restore_centre(geometry_, centre);
  return redraw_all();
}

Rect CanvasView::zoom(bool in) {
  return set_scale(
      zoom_step(geometry_.scale, in, settings_.scale_down_step, settings_.scale_up_step));
}

Rect CanvasView::zoom_to_preset(int index) {
  if (index < 0 || index >= int(kZoomPresets.size())) return {};
  return set_scale(kZoomPresets[size_t(index)]);
}

Rect CanvasView::set_scroll(int scroll_x, int scroll_y) {
  geometry_.scroll_x = scroll_x;
  geometry_.scroll_y = scroll_y;
  clamp_scroll(geometry_);
  return redraw_all();
}

Rect CanvasView::scroll_by(int dx, int dy) {
  return set_scroll(int(std::clamp<int64_t>(int64_t{geometry_.scroll_x} + dx, 0, INT32_MAX)),
                    int(std::clamp<int64_t>(int64_t{geometry_.scroll_y} + dy, 0, INT32_MAX)));
}

Rect CanvasView::scroll_to_image_point(double x, double y) {
  qm::scroll_to_image_point(geometry_, x, y);
  return redraw_all();
}

Rect CanvasView::toggle_mirror() {
  // The centre in image coordinates before the turn, kept fractional so that
  // turning twice comes back to the same scroll.
  const PointF centre = qm::window_to_image_fractional(geometry_, geometry_.half_w,
                                                       geometry_.half_h);
  settings_.view_flags ^= kViewFlagMirror;
  geometry_.mirrored = settings_.mirrored();
  qm::scroll_to_image_point(geometry_, centre.x, centre.y);
  return redraw_all();
}

Rect CanvasView::toggle_checker() {
  settings_.view_flags ^= kViewFlagChecker;
  recompose_all();
  return redraw_all();
}

Rect CanvasView::toggle_grid() {
  settings_.view_flags ^= kViewFlagGrid;
  return redraw_all();
}

void CanvasView::set_full_screen(bool on) {
  settings_.view_flags = on ? (settings_.view_flags | kViewFlagFullScreen)
                            : (settings_.view_flags & ~kViewFlagFullScreen);
}

void CanvasView::apply_background() {
  document_->set_display_background(
      {settings_.checker(), settings_.checker1 & 0xFFFFFF, settings_.checker2 & 0xFFFFFF});
}

void CanvasView::recompose_all() {
  apply_background();
  document_->composite_all();
  // Shown by the redraw that follows; nothing is left to present.
  document_->take_dirty();
}

void CanvasView::scale_view_bands(Rect w) {
  // Zoomed out over a large image every window row averages many source
  // rows: then the rows are shared between two threads (each row is drawn
  // on its own, so the pixels are the same).
  const int64_t per_row = int64_t{w.w} * 100 / std::max(1, geometry_.scale);
  const int64_t source = per_row * w.h * 100 / std::max(1, geometry_.scale);
  const LayerImage& composite = document_->composite();
  const Pixel bg = settings_.canvas_background;
  if (source < kParallelSourcePixels || w.h < 2) {
    scale_into_view(backing_, composite, geometry_, w, bg);
    return;
  }
  const Rect top{w.x, w.y, w.w, w.h / 2};
  const Rect bottom{w.x, top.bottom(), w.w, w.h - top.h};
  std::thread other;
  try {
    other = std::thread([&] { scale_into_view(backing_, composite, geometry_, bottom, bg); });
  } catch (...) {
    scale_into_view(backing_, composite, geometry_, w, bg);  // no thread to be had
    return;
  }
  scale_into_view(backing_, composite, geometry_, top, bg);
  other.join();
}

Rect CanvasView::redraw_all() { return redraw(geometry_.view_rect()); }

Rect CanvasView::redraw(Rect window) {
  if (backing_.empty()) return {};
  sync_image_size();
  const Rect w = intersect(window, geometry_.view_rect());
  if (w.empty()) return {};
  scale_view_bands(w);
  draw_view_grids(backing_, geometry_, w, settings_);
  return w;
}

Rect CanvasView::visible_image_rect() const {
  const ViewGeometry& g = geometry_;
  if (g.view_w <= 0 || g.view_h <= 0 || g.image_w <= 0 || g.image_h <= 0) return {};
  const Point a = qm::window_to_image(g, 0, 0);
  const Point b = qm::window_to_image(g, g.view_w - 1, g.view_h - 1);
  // A window pixel averages up to 100 / scale source pixels each way, and
  // the maps truncate: a margin covers both.
  const int pad = 100 / std::max(1, g.scale) + 2;
  const int x0 = std::min(a.x, b.x) - pad, x1 = std::max(a.x, b.x) + pad + 1;
  const int y0 = std::min(a.y, b.y) - pad, y1 = std::max(a.y, b.y) + pad + 1;
  return intersect({x0, y0, x1 - x0, y1 - y0}, {0, 0, g.image_w, g.image_h});
}

Rect CanvasView::update_rect(Rect r) {
  apply_background();
  document_->composite_rect(r);
  return present_dirty();
}

Rect CanvasView::present_dirty() {
  // Includes anything the Document recomposed on its own since the last time.
  const Rect dirty = document_->take_dirty();
  return redraw(window_rect_of(geometry_, dirty));
}

}  // namespace qm
