#pragma once
// The fill written straight into the layer. When no pixel can be protected
// and no texture applies, each layer pixel of the region's box ends as a
// function of its own old value and its map byte alone, so the stroke buffer
// and the backup the general path goes through are not needed: one pass over
// the box gives the same bits as writing the buffer and combining it.
#include "core/layer_image.h"
#include "core/rect.h"
#include "paint/flood_fill.h"

namespace qm {

struct InPlaceFill {
  uint32_t colour = 0;  // 0x00RRGGBB
  int density = 255;    // 0 … 255
  bool erase = false;
  bool automatic = false;  // map bytes 2 are the taken fringe
  int mask_mode = 0;       // 3 keeps each pixel's alpha (erasing then changes nothing)
};

// Writes the fill of `map`'s region into `layer` over r (inside the layer).
void fill_in_place(LayerImage& layer, const RegionMap& map, Rect r, const InPlaceFill& fill);

}  // namespace qm
