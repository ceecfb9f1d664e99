#pragma once
// Scales the display composite into the screen-sized backing buffer.
//
// Window pixel (px, py) inside the image area (ViewGeometry::image_area)
// shows the composite through the 18-bit fixed-point step s = (100 << 18) /
// scale, counted from the image origin: k = px - origin x.
//  - scale >= 100: nearest pixel, column (s × k) >> 18 (from the right edge
//    when mirrored), the same for rows;
//  - scale < 100: the integer mean of each colour channel over the columns
//    (s × k) >> 18 … (s × (k + 1)) >> 18 (exclusive) and the same rows.
// Everything else in the window rectangle takes the background colour. Every
// pixel written has 0xFF in its fourth byte (the buffer is shown as opaque).
#include "canvas/view_mapping.h"
#include "core/layer_image.h"

namespace qm {

// Redraws `window` (cut to the view and the buffer) of `backing` from
// `composite`, which must be image_w × image_h of `g` (else only background
// is drawn). `background` is 0xRRGGBB.
void scale_into_view(LayerImage& backing, const LayerImage& composite, const ViewGeometry& g,
                     Rect window, Pixel background);

}  // namespace qm
