#pragma once
// Laying a floating image over the layer at every pointer move (paste as
// composite) without three floating-point divisions per pixel: the same
// pixels as LayerImage::blend_from, bit for bit.
#include "core/layer_image.h"

namespace qm {

// dst.blend_from(dst_x, dst_y, src, 0, 0, src.width(), src.height()).
void blend_floating(LayerImage& dst, int dst_x, int dst_y, const LayerImage& src);

}  // namespace qm
