#pragma once
// What the layer stack and the painting engine tell the undo history. Each
// call happens at the point the history needs it (before pixels or a layer are
// overwritten, after a layer is added or moved) and returns false when the
// step could not be stored: the change is still made, but the history then
// holds nothing from before it, and the caller tells the user.
#include <cstdint>
#include <vector>

#include "core/layer_image.h"
#include "core/rect.h"

namespace qm {

class Document;

// Quarter turns of the whole canvas.
enum class RotateDirection : uint8_t { Clockwise = 0, CounterClockwise = 1 };

// The part the painting engine calls; every rectangle is in canvas pixels and
// is cut to the canvas.
class PixelRecorder {
 public:
  virtual ~PixelRecorder() = default;
  // The rectangle of the current layer, about to be painted over.
  virtual bool record_rect(const Document&, Rect) { return true; }
  // The rectangle as `source` holds it (the backup, after a stroke has
  // already changed the current layer); `source` is canvas-sized.
  virtual bool record_rect_from(const Document&, const LayerImage& /*source*/, Rect) {
    return true;
  }
  // The whole current layer, about to change.
  virtual bool record_layer(const Document&) { return true; }
};

class UndoRecorder : public PixelRecorder {
 public:
  // The canvas was re-initialised: earlier steps no longer apply.
  virtual void reset(const Document&) {}
  // Every layer is about to change (or the canvas size with them).
  virtual bool record_all_layers(const Document&) { return true; }
  // Every layer is about to be flipped or turned.
  virtual bool record_flip(const Document&, bool /*vertical*/) { return true; }
  virtual bool record_rotate(const Document&, RotateDirection) { return true; }
  // The current layer was just added (or duplicated); `previous_current` is
  // the current index before, counted without the new layer.
  virtual bool record_layer_added(const Document&, int /*previous_current*/) { return true; }
  // The current layer is about to be deleted.
  virtual bool record_layer_deleted(const Document&) { return true; }
  // The current layer just moved one step down or up.
  virtual bool record_layer_moved(const Document&, bool /*down*/) { return true; }
  // The current layer just moved from index `from` to index `to`.
  virtual bool record_layer_moved_to(const Document&, int /*from*/, int /*to*/) { return true; }
  // The listed layers (indices in ascending order, so top first) are about
  // to be replaced by one: the lowest of them.
  virtual bool record_merge(const Document&, const std::vector<int>& /*indices*/) { return true; }
  // The visibility of any layer is about to change (show all, hide all, show
  // only one).
  virtual bool record_visibility(const Document&) { return true; }
};

// Records nothing; the document uses it until an undo history is attached.
inline UndoRecorder& null_undo_recorder() {
  static UndoRecorder recorder;
  return recorder;
}

}  // namespace qm
