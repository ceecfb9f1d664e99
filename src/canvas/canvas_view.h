#pragma once
// The canvas view: zoom, scroll and mirror state over the open Document, and
// the screen-sized backing buffer it is drawn into. Qt-free; the widget shows
// the buffer and calls these operations.
//
// Every operation that changes what is on screen redraws the backing buffer
// and returns the window rectangle to repaint (empty when nothing changed).
#include <cstdint>

#include "canvas/view_mapping.h"
#include "canvas/view_settings.h"
#include "core/layer_image.h"

namespace qm {

class Document;

class CanvasView {
 public:
  explicit CanvasView(Document& document) : document_(&document) {}

  // The view now shows `document` (the old one must not be used again).
  void set_document(Document& document) { document_ = &document; }
  Document& document() const { return *document_; }

  // The buffer, made once at the largest screen size so resizing never
  // reallocates it. Until it exists every redraw does nothing.
  bool create_backing(int width, int height);
  const LayerImage& backing() const { return backing_; }

  const ViewSettings& settings() const { return settings_; }
  // New settings: the view flags and colours take effect at once (recompose
  // and redraw all); the scale and scroll stay.
  Rect set_settings(const ViewSettings& settings);

  const ViewGeometry& geometry() const { return geometry_; }
  int scale() const { return geometry_.scale; }

  // --- document and window ----------------------------------------------
  // After a new, opened or resized Document: geometry at the current scale,
  // image centred, everything recomposed and redrawn.
  Rect document_changed();
  // First placement of the window: takes the size and centres the image.
  Rect place(int client_w, int client_h);
  // A later change of the window size: keeps the image point at the centre.
  Rect resize(int client_w, int client_h);

  // --- zoom and scroll ----------------------------------------------------
  Rect set_scale(int percent);
  Rect zoom_in() { return zoom(true); }
  Rect zoom_out() { return zoom(false); }
  // kZoomPresets[index]; an index outside the list changes nothing.
  Rect zoom_to_preset(int index);
  Rect set_scroll(int scroll_x, int scroll_y);
  Rect scroll_by(int dx, int dy);
  Rect scroll_to_image_point(double x, double y);

  // --- view flags ---------------------------------------------------------
  // Keeps the image point at the centre while the view turns over.
  Rect toggle_mirror();
  Rect toggle_checker();
  Rect toggle_grid();
  // Only the flag: the window itself goes full screen in the program.
  void set_full_screen(bool on);

  // --- drawing ------------------------------------------------------------
  // Rebuilds the whole display composite of the Document.
  void recompose_all();
  // Rescales the whole view into the buffer; returns the view rectangle.
  Rect redraw_all();
  // Rescales one window rectangle (cut to the view); returns what was drawn.
  Rect redraw(Rect window);
  // After an edit of image rectangle r: recomposes r, rescales its window
  // rectangle and returns that rectangle (empty when none of it is seen).
  Rect update_rect(Rect r);
  // The image pixels the view shows (at its scale), with a margin: a
  // recomposite of only this part of an edit already looks right.
  Rect visible_image_rect() const;
  // Shows what the Document recomposed by itself since the last time
  // (layer operations recomposite without the view): rescale only.
  Rect present_dirty();

  // --- coordinates --------------------------------------------------------
  Point window_to_image(int px, int py) const { return qm::window_to_image(geometry_, px, py); }
  PointF window_to_image_fractional(double px, double py) const {
    return qm::window_to_image_fractional(geometry_, px, py);
  }
  Point image_to_window(int ix, int iy) const { return qm::image_to_window(geometry_, ix, iy); }
  Point window_delta_to_image(int dx, int dy) const {
    return qm::window_delta_to_image(geometry_, dx, dy);
  }

 private:
  Rect zoom(bool in);
  void apply_background();
  void sync_image_size();
  void scale_view_bands(Rect window);

  // Below this many source pixels one thread scales faster than two.
  static constexpr int64_t kParallelSourcePixels = int64_t{1} << 21;

  Document* document_;
  int client_w_ = 0, client_h_ = 0;  // as the window reports it, uncapped
  ViewSettings settings_;
  ViewGeometry geometry_;
  LayerImage backing_;
};

}  // namespace qm
