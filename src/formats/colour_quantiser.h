#pragma once
// The median-cut quantiser shared by the GIF writer and the Colour Reduction
// filter: a 64 × 64 × 32 histogram cut into at most 2^depth boxes.
#include <cstdint>
#include <vector>

#include "core/layer_image.h"
#include "formats/progress_sink.h"

namespace qm {

// Reduces `image` in place to at most 2^depth colours (depth 1 … 8). With
// `opaque_only` pixels of alpha 0 neither count nor change. Alpha is kept.
// Progress: 3 steps (histogram, palette, mapping). False, with the image
// untouched, when the tables cannot be allocated. The palette (0xRRGGBB, in
// the order the boxes were cut) goes to `palette` when given.
bool reduce_colours_to(LayerImage& image, int depth, bool opaque_only, ProgressSink* progress,
                       std::vector<uint32_t>* palette = nullptr);

}  // namespace qm
