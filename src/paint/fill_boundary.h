#pragma once
// The fill's automatic boundary judgement: a region of transparent pixels
// also takes in the semi-transparent pixels that border it, so that the fill
// reaches under anti-aliased outlines; and the combine of that mode.
#include "core/layer_image.h"
#include "core/rect.h"
#include "paint/flood_fill.h"

namespace qm {

// Marks (value 2 in `map`) the runs of semi-transparent reference pixels
// (alpha 1 … 254) that start right beside a region pixel: a horizontal pass
// along each row, then a vertical pass along each column, both judged on the
// region alone. Returns `region` grown by the pixels taken.
Rect take_boundary_fringe(const LayerImage& reference, RegionMap& map, Rect region);

// The automatic mode's combine over r: where the stroke pixel is not
// transparent the layer takes it (keeping its own alpha under mask mode 3),
// elsewhere the backup stays.
void combine_fill_automatic(LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                            int mask_mode);

// The fill's "stroke over backup" combine over r: the same pixels as
// combine_stroke, with the opaque stroke pixels a fill is made of taken
// straight (over them the formula gives the stroke pixel; a test checks
// every backup alpha).
void combine_fill_over(LayerImage& layer, const LayerImage& stroke, const LayerImage& backup, Rect r,
                       int mask_mode);

}  // namespace qm
