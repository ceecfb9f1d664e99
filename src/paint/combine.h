#pragma once
// Combining a stroke buffer into the layer: the layer becomes the stroke laid
// over the backup (the layer as it was), or the backup with the stroke's alpha
// taken away (erasers). `layer` may be `backup` itself (shapes combine over
// the layer in place). All three rasters have the same size; `r` is cut to them.
#include "core/layer_image.h"
#include "core/rect.h"
#include "paint/row_spans.h"

namespace qm {

void combine_stroke(LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                    int mask_mode);
void combine_erase(LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                   int mask_mode);
// Either, as the brush says.
void combine_for(bool erasing, LayerImage& layer, const LayerImage& stroke, const LayerImage& backup,
                 Rect r, int mask_mode);

// Only the pixels of `written` (cut to the rasters). After a brush step this
// gives what combining its touched rectangle gives: the other pixels of that
// rectangle hold what they held after the last combine.
void combine_written(bool erasing, LayerImage& layer, const LayerImage& stroke, const LayerImage& backup,
                     const RowSpans& written, int mask_mode);

// One pixel of each, exposed for tests; `combine_over` takes the shortcut for
// an empty stroke pixel, `combine_over_plain` is the formula alone.
Pixel combine_over(Pixel stroke, Pixel backup, bool keep_alpha);
Pixel combine_over_plain(Pixel stroke, Pixel backup, bool keep_alpha);

}  // namespace qm
