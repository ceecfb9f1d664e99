#pragma once
// The window pixels the drag feedback covers (rubber bands, shapes, curve
// previews, the brush circle), each once, so the widget can invert them over
// the backing image in its paint pass.
#include <vector>

#include "canvas/input_types.h"
#include "canvas/view_mapping.h"

namespace qm {

// Sorted by row then column, no duplicates, cut to the view.
std::vector<Point> feedback_pixels(const Feedback& feedback, const ViewGeometry& g);

// Their bounding rectangle (empty for none).
Rect bounds_of(const std::vector<Point>& pixels);

}  // namespace qm
