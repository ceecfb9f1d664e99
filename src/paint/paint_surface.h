#pragma once
// The narrow target every dab, stamp and span writes through: the raster it
// changes, the raster the masks are judged on, the clip, the masks, the
// texture and the pixel-write mode. Nothing outside `clip` (cut to the
// raster) is ever written, whatever the coordinates asked for.
#include "core/dib_image.h"
#include "core/layer_image.h"
#include "core/rect.h"
#include "paint/mask_test.h"

namespace qm {

struct PaintSurface {
  LayerImage* raster = nullptr;           // written
  const LayerImage* reference = nullptr;  // masks read it; the raster's size
  Rect clip;                              // writes stay inside (and inside the raster)
  MaskRules masks;
  TextureView texture{};                  // empty: none
  int write_mode = 0;

  // The clip cut to the raster.
  Rect writable() const { return raster ? intersect(clip, raster->bounds()) : Rect{}; }
};

}  // namespace qm
