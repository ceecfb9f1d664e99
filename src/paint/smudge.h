#pragma once
// The finger: pixels carried under the dot shape and mixed into each place it
// passes over, then replaced by what lies there now.
#include <vector>

#include "core/layer_image.h"
#include "core/rect.h"
#include "paint/dab_shapes.h"
#include "paint/paint_surface.h"

namespace qm {

class Smudge {
 public:
  // Takes up the pixels under the shape centred at (x, y) (at x − n/2, y − n/2),
  // clamped to the raster.
  void pick_up(const LayerImage& layer, const DotShape& shape, int x, int y);
  // Mixes the carried pixels into the surface's raster at (x, y) with density
  // 0 … 255, then carries what lies there now. Returns the pixels it may
  // have changed (cut to the writable area).
  Rect stamp(const PaintSurface& surface, const DotShape& shape, int x, int y, int density);
  // A stamp at (x, y) known to miss the writable area (as stamp() would find).
  void pass_outside(int x, int y) {
    pending_ = true;
    pending_x_ = x;
    pending_y_ = y;
  }

 private:
  std::vector<Pixel> carried_;  // n × n, row-major
  // Off the canvas nothing is mixed and the pick-up would only read border
  // pixels that cannot change meanwhile: it waits until the next stamp that
  // reaches the canvas.
  bool pending_ = false;
  int pending_x_ = 0, pending_y_ = 0;
};

// One pixel mixed with a carried one; the alpha is kept when `keep_alpha`.
Pixel smudge_pixel(Pixel pixel, Pixel carried, int density, bool keep_alpha);

}  // namespace qm
