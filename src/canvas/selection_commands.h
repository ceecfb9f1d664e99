#pragma once
// The Select menu's pixel work on the current layer, inside the selection
// area (the frame, or the whole canvas without one). Each edit records one
// undo step before it changes anything; the program recomposites `changed`.
// Every one refuses while a floating image exists.
#include "canvas/selection.h"
#include "core/layer_image.h"
#include "core/resample.h"
#include "document/document.h"

namespace qm {

struct SelectionEdit {
  bool done = false;
  bool undo_lost = false;       // done, but the step could not be stored
  bool out_of_memory = false;   // nothing changed
  bool canvas_resized = false;  // the view is to be reset
  Rect changed;                 // layer pixels that may have changed
  explicit operator bool() const { return done; }
};

// The frame becomes the whole canvas.
bool select_all(const Document& doc, Selection& selection);

// The area of the current layer into `buffer` (the copy buffer).
bool copy_selection(const Document& doc, const Selection& selection, LayerImage& buffer);
// Copy, then the area is cleared to transparent white.
SelectionEdit cut_selection(Document& doc, const Selection& selection, LayerImage& buffer);
// The top-left corner of a w × h paste centred on `centre`, moved inside the
// canvas on each axis where it fits.
IntPoint paste_position(const Document& doc, int w, int h, IntPoint centre);
// A picture from outside cut to at most the canvas size (its top-left part).
bool fit_to_canvas(LayerImage& picture, const Document& doc);

// The area set to `pixel` (a colour made opaque, or kTransparent to erase).
SelectionEdit fill_selection(Document& doc, const Selection& selection, Pixel pixel);
SelectionEdit flip_selection(Document& doc, const Selection& selection, bool vertical);
// A quarter turn about the area's centre; a frame follows the new block.
SelectionEdit rotate_selection_90(Document& doc, Selection& selection, bool clockwise);
// Any angle (degrees, clockwise on screen); a frame becomes the touched area.
SelectionEdit rotate_selection(Document& doc, Selection& selection, double angle, bool smooth);
// Every layer cropped to the area; nothing when the area is the whole canvas.
SelectionEdit trim_to_selection(Document& doc, Selection& selection);
// The area resampled to new_w × new_h at its top-left corner.
SelectionEdit scale_selection(Document& doc, Selection& selection, int new_w, int new_h,
                              ResampleMethod method);

enum class PatternSpread : int { kWhole = 0, kRows = 1, kColumns = 2 };
// The area's content repeated over the layer, over the area's rows or over
// its columns; nothing when the area is the whole canvas.
SelectionEdit make_pattern(Document& doc, const Selection& selection, PatternSpread spread);

// The area of the current layer as its own image; `over_white` composites
// it over opaque white (the 24-bit output).
bool selection_image(const Document& doc, const Selection& selection, LayerImage& out,
                     bool over_white);

}  // namespace qm
