#pragma once
// Ctrl + an arrow key: the current layer's pixels move one pixel, as one
// undo step of the whole layer. What leaves the canvas is lost; what comes
// free is transparent.
#include "core/rect.h"

namespace qm {

class Document;

// Moves the current layer's pixels by (dx, dy) (each −1, 0 or 1) after
// recording the layer. The changed rectangle (the whole canvas); empty when
// there is no layer. `undo_lost` tells that the step could not be stored.
Rect nudge_current_layer(Document& doc, int dx, int dy, bool* undo_lost = nullptr);

}  // namespace qm
