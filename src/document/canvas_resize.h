#pragma once
// Changing the canvas size without resampling: every layer keeps its pixels
// at an anchored place and the added area takes a fill colour. All or nothing.
#include <functional>

#include "core/pixel.h"
#include "document/document.h"
#include "document/resize_layers.h"

namespace qm {

// Index of the 3 × 3 anchor grid, top-left first, row by row: the horizontal
// anchor is index % 3 (left, centre, right), the vertical one index / 3 (top,
// middle, bottom).
struct CanvasAnchor {
  int index = 0;
  int horizontal() const { return index % 3; }
  int vertical() const { return index / 3; }
};

// The colour choices of the added area.
enum class CanvasFill : int { Transparent = 0, White = 1, DrawingColour = 2 };

// The pixel the added area gets; the drawing colour is made opaque.
Pixel canvas_fill_pixel(CanvasFill fill, Pixel drawing_colour);

// Where the old image's top-left corner lands on the new canvas along one
// axis: 0, half the difference (rounded toward zero) or the whole difference.
int canvas_anchor_offset(int old_size, int new_size, int anchor);

// Puts every layer on a width × height canvas (1 … 4500 each) at the anchor's
// offset, filling the rest with `fill`. The new rasters all exist before any
// layer is touched; should one be refused, nothing changes and
// `out_of_memory` is set. Records one all-layers step when asked, then
// recomposites. Not done, without a step, for an empty document, a refused
// size or the current size.
ResizeLayersResult resize_canvas(Document& doc, int width, int height, CanvasAnchor anchor,
                                 Pixel fill, bool record);

namespace detail {
// Test hook, as for resize_layers: false makes that layer's raster fail.
ResizeLayersResult resize_canvas(Document& doc, int width, int height, CanvasAnchor anchor,
                                 Pixel fill, bool record, const LayerAllocationProbe& probe);
}  // namespace detail

}  // namespace qm
