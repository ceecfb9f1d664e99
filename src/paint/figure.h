#pragma once
// Where a shape (line, rectangle, ellipse, curve) is painted and how its undo
// step is taken. Tools that paint the layer directly copy the affected
// rectangle into the backup (the masks read it), paint the layer and record
// the rectangle from the backup afterwards. The others record the rectangle
// first, paint into the cleared stroke buffer and combine it over the layer
// (the layer serving as its own backup). Either way nothing outside the
// affected rectangle changes.
#include <functional>

#include "core/rect.h"
#include "document/document.h"
#include "paint/brush_engine.h"
#include "paint/brush_settings.h"

namespace qm {

struct FigureResult {
  Rect changed;           // the affected rectangle (empty: nothing done)
  bool undo_lost = false;
};

// Prepares the engine for a figure of `settings` on the current layer (the
// figures' dab spacing); false without a current layer.
bool start_figure_engine(Document& doc, const BrushSettings& settings, BrushEngine& engine);

// Paints one figure whose dabs all lie inside `area` (cut to the canvas),
// recording one undo step, and recomposites the area when asked.
FigureResult paint_figure(Document& doc, BrushEngine& engine, Rect area, bool recomposite,
                          const std::function<void(BrushEngine&)>& draw);

// A rectangle holding the points' bounding box widened by `margin`, cut to
// `bounds`.
Rect box_around(const PointF* points, size_t count, int margin, Rect bounds);

}  // namespace qm
