#pragma once
// The rectangle selection: none, a frame, or a floating image. A floating
// image is drawn into the layer it came from at every move; the base image
// (the layer as it was, with the lifted place cleared for a cut) restores
// what it covered, so the layer is only really changed, and the change
// recorded as one undo step, when the image is put down.
#include <cstdint>
#include <optional>

#include "core/layer_image.h"
#include "core/rect.h"
#include "document/document.h"
#include "document/selection_area.h"
#include "paint/point.h"

namespace qm {

class Selection final : public SelectionArea {
 public:
  enum class Mode : uint8_t { kNone, kFrame, kFloating };

  Mode mode() const { return mode_; }
  bool has_frame() const { return mode_ != Mode::kNone; }
  bool floating() const { return mode_ == Mode::kFloating; }
  // x, y, width, height; while floating it follows the image and may reach
  // past the canvas.
  Rect frame() const { return frame_; }
  std::optional<Rect> selection_rect() const override;
  // What the Select commands work on: the frame cut to the canvas, or the
  // whole canvas without one.
  Rect area(const Document& doc) const;

  // Makes the frame from two inclusive corners in any order, cut to the
  // canvas. A single pixel, or nothing left inside, leaves no selection.
  // Ignored (false) while floating.
  bool set(const Document& doc, int left, int top, int right, int bottom);
  bool set_rect(const Document& doc, Rect r) { return set(doc, r.x, r.y, r.right() - 1, r.bottom() - 1); }
  // A frame goes; a floating image stays.
  void clear();
  // Everything goes without touching the document (the image it was made on
  // is gone).
  void reset();

  // --- floating ---------------------------------------------------------------
  // Lifts the framed pixels of the current layer. A cut (`copy` false)
  // clears their place to transparent white.
  bool lift(Document& doc, bool copy);
  // `image` floats with its top-left corner at (x, y) over the current layer.
  bool float_image(Document& doc, LayerImage image, int x, int y, bool composite);
  IntPoint offset() const { return offset_; }
  Rect origin() const { return origin_; }
  const LayerImage& floating_image() const { return floating_; }
  // Moves the floating image to origin + offset; returns the canvas area
  // whose layer pixels changed (old and new places), to recomposite.
  Rect move_to(Document& doc, IntPoint offset, bool composite);

  struct PutDown {
    bool done = false;
    bool undo_lost = false;
    Rect changed;  // to recomposite
  };
  // Puts the floating image down and records one undo step that gives the
  // layer back as it was before the lift. With `keep_frame` a frame stays
  // where the image lies (cut to the canvas), else the selection ends.
  PutDown put_down(Document& doc, bool composite, bool keep_frame);

  // After the canvas changed size or the document was replaced: the frame is
  // cut to the new canvas; a floating image that no longer fits its layer is
  // dropped.
  void fit_to(const Document& doc);

 private:
  Layer* floating_layer(Document& doc);
  Rect current_rect() const { return {origin_.x + offset_.x, origin_.y + offset_.y, origin_.w, origin_.h}; }
  void draw(LayerImage& layer, bool composite) const;

  Mode mode_ = Mode::kNone;
  Rect frame_;
  // Floating state.
  LayerImage floating_, base_;
  const Layer* layer_ = nullptr;  // the layer it floats over
  Rect origin_;
  IntPoint offset_;
  bool cut_ = false;
};

}  // namespace qm
