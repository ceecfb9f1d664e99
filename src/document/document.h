#pragma once
// The open image: canvas size, the layer stack, the current layer and the
// canvas-sized work rasters.
//
// Indices count from the top: index 0 is the topmost layer, count − 1 the
// bottom one. Compositing walks from the bottom up.
#include <memory>
#include <string>
#include <vector>

#include "core/layer_image.h"
#include "core/rect.h"
#include "document/layer.h"
#include "document/undo_recorder.h"

namespace qm {

inline constexpr int kMaxLayers = 100;

// What a recorded edit did; true when the document changed.
struct EditResult {
  bool done = false;
  // The change was made, but its undo step could not be stored: the history
  // now starts after it, and the caller tells the user.
  bool undo_lost = false;
  // Not done because memory was short; the document is as it was.
  bool out_of_memory = false;
  explicit operator bool() const { return done; }
};

// How the display composite shows transparency.
struct DisplayBackground {
  bool checker = false;
  Pixel checker0 = 0xD8D8D8;
  Pixel checker1 = 0xF8F8F8;
};

class Document {
 public:
  Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  // Takes the other document's image and its undo recorder; `other` is left
  // empty (no canvas, no layers, no recorder).
  Document(Document&& other) noexcept;
  // Takes the other document's image (a loaded file replacing the open one)
  // but keeps this document's recorder, which forgets its steps: they were
  // steps of the image that is gone.
  Document& operator=(Document&& other) noexcept;

  // Sets the canvas size (1 … 4500 each), re-creates the work rasters and
  // frees every layer; with `with_layer` creates one named layer. Returns
  // false (document left empty) when the size is refused or memory is short.
  bool new_canvas(int width, int height, bool with_layer);

  int width() const { return width_; }
  int height() const { return height_; }
  Rect bounds() const { return {0, 0, width_, height_}; }
  int layer_count() const { return int(layers_.size()); }
  int current_index() const { return current_index_; }
  Layer* current() { return layer_at(current_index_); }
  const Layer* current() const { return layer_at(current_index_); }
  Layer* layer_at(int index);
  const Layer* layer_at(int index) const;
  int index_of(const Layer* layer) const;  // −1 when not in the stack
  int name_counter() const { return name_counter_; }
  void set_name_counter(int value) { name_counter_ = value; }

  LayerImage& composite() { return composite_; }
  const LayerImage& composite() const { return composite_; }
  // Cleared on first use: a document that is only loaded, shown or
  // converted never touches their pages.
  // Whoever takes the stroke buffer here may paint anywhere in it.
  LayerImage& stroke_buffer() {
    stroke_buffer_used_ = bounds();
    return cleared(stroke_buffer_, stroke_buffer_cleared_);
  }
  LayerImage& backup() { return cleared(backup_, backup_cleared_); }
  // The stroke buffer all transparent for a new stroke: only what was painted
  // since the last clear is cleared again. The stroke reports what it paints
  // with note_stroke_buffer_use.
  LayerImage& clear_stroke_buffer();
  void note_stroke_buffer_use(Rect r);
  // The backup as a copy of `image` (the current layer); false when it cannot
  // be had.
  bool copy_to_backup(const LayerImage& image);

  void set_undo_recorder(UndoRecorder* recorder) {
    recorder_ = recorder ? recorder : &null_undo_recorder();
  }
  UndoRecorder& undo_recorder() const { return *recorder_; }
  // What the painting engine records its changes with.
  PixelRecorder& pixel_recorder() const { return *recorder_; }

  // --- layer stack ------------------------------------------------------
  // A cleared canvas-sized layer appended at the top; none at kMaxLayers or
  // when memory is short. With `with_name` it takes the next default name.
  Layer* create_layer(bool with_name);
  // The same holding `image` as it is (a loaded picture); none when it is
  // not canvas-sized.
  Layer* adopt_layer(LayerImage image, bool with_name);
  // A new layer directly above the current one, which it becomes; with `copy`
  // a duplicate of the current layer. Records the step when asked.
  EditResult add_layer(bool copy, bool record);
  // Refused when only one layer exists.
  EditResult delete_current(bool record);
  // Merges the current layer into the one below; not done when there is none.
  EditResult merge_down();
  // Merges every visible layer into the lowest visible one (onto white with
  // blend modes, or Normal keeping alpha); not done when fewer than two are
  // visible.
  EditResult merge_visible(bool keep_alpha);
  // A new layer above the topmost visible one holding all visible layers.
  EditResult merge_visible_to_new();
  EditResult move_up(bool record);
  EditResult move_down(bool record);
  // Moves the current layer to `index` (≤ 0 top, ≥ count bottom).
  EditResult move_to(int index, bool record);
  void select(int index);

  // --- whole canvas -----------------------------------------------------
  // Mirrors every layer left to right, or top to bottom.
  EditResult flip_all(bool vertical, bool record);
  // Turns every layer a quarter turn; width and height swap. Not done (and
  // nothing changed) when memory is short.
  EditResult rotate_all(RotateDirection direction, bool record);

  // Direct stack edits for loaders and the undo history (no recording, no
  // recompositing).
  bool insert_layer(int index, std::unique_ptr<Layer> layer);
  std::unique_ptr<Layer> remove_layer(int index);
  // Moves the layer at `from` so that it ends at index `to`, and selects it.
  bool move_layer(int from, int to);
  // Gives every layer a new raster (`rasters` top first, one per layer, all
  // width × height, 1 … 4500 each) and re-creates the work rasters at that
  // size. False, with nothing changed, on a mismatch or when memory is short.
  bool replace_all_rasters(int width, int height, std::vector<LayerImage> rasters);

  // --- attributes -------------------------------------------------------
  void toggle_visible(int index);
  void toggle_fill_reference(int index);
  void set_mask_mode(int value);
  void set_blend_mode(int value);
  void set_opacity_percent(int percent, bool refresh = true);
  // The same for any layer of the stack (the layer panel edits rows that are
  // not current).
  void set_opacity_percent_at(int index, int percent, bool refresh = true);
  // Stored cut to the name field on a character boundary.
  void set_layer_name(int index, const std::string& name);
  // 0 shows every layer, 1 hides every layer, 2 shows only the current one.
  // False (and nothing recorded) when every layer already was that way.
  EditResult set_visibility_all(int mode, bool record = false);

  // --- compositing ------------------------------------------------------
  void set_display_background(const DisplayBackground& bg) { background_ = bg; }
  const DisplayBackground& display_background() const { return background_; }
  // Rebuilds `composite` over r from the visible layers and marks r dirty.
  void composite_rect(Rect r);
  // The same without the dirty mark: the only state shared, so threads may
  // rebuild disjoint rectangles at once.
  void composite_pixels(Rect r);
  void composite_all() { composite_rect(bounds()); }
  // The rectangle recomposited since the last call (for the view to show).
  Rect take_dirty();
  // Marks r as recomposited by someone else (the canvas's stroke cache).
  void note_composited(Rect r) { mark_dirty(intersect(r, bounds())); }
  // The visible layers flattened onto opaque white, or onto transparency with
  // alpha-aware merging when `keep_alpha`. `out` is (re)created at canvas size.
  bool flatten(LayerImage& out, bool keep_alpha) const;

 private:
  struct WorkRasters {
    LayerImage composite, stroke_buffer, backup;
  };
  // New work rasters, built before anything is replaced so a refusal leaves
  // the open image alone.
  static bool make_work_rasters(int width, int height, WorkRasters& out);
  void install_rasters(int width, int height, std::vector<LayerImage>& rasters, WorkRasters& work);
  void take_image(Document& other);
  std::unique_ptr<Layer> make_layer(bool with_name);
  std::vector<int> visible_indices() const;  // top first
  void clamp_current();
  void mark_dirty(Rect r);
  static LayerImage& cleared(LayerImage& image, bool& done) {
    if (!done) {
      image.fill(kTransparent);
      done = true;
    }
    return image;
  }

  int width_ = 0;
  int height_ = 0;
  // Top first: layers_[0] is index 0.
  std::vector<std::unique_ptr<Layer>> layers_;
  int current_index_ = 0;
  int name_counter_ = 0;
  LayerImage composite_;
  LayerImage stroke_buffer_;
  LayerImage backup_;
  bool stroke_buffer_cleared_ = true;
  bool backup_cleared_ = true;
  Rect stroke_buffer_used_;  // where the cleared stroke buffer may hold paint
  DisplayBackground background_;
  Rect dirty_;
  UndoRecorder* recorder_;
};

}  // namespace qm
