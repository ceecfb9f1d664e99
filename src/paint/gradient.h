#pragma once
// The gradient tool: one drag from A to B paints the gradient over the whole
// current layer through pixel-write mode 2 (masks, texture and the alpha lock
// apply), after recording the whole layer for undo.
#include "document/document.h"
#include "paint/brush_settings.h"
#include "paint/gradient_geometry.h"
#include "paint/gradient_table.h"

namespace qm {

struct GradientRequest {
  IntPoint a, b;            // drag start and end, canvas pixels
  int option_word = 0;      // [ToolEnv] Grad
  int draw_type = 0;        // the gradient tool's DrawType
  uint32_t background = 0xFFFFFF;  // the background colour, 0x00RRGGBB
  bool limit = false;       // Shift at the drag end
  bool repeat = false;      // Alt
};

// The colours and geometry a request stands for (settings.colour is the
// foreground, settings.density the tool's BrushAlpha). The rainbow always repeats.
GradientColours gradient_colours(const GradientRequest& request, const BrushSettings& settings);
GradientGeometry gradient_geometry(const GradientRequest& request);

struct GradientResult {
  bool drawn = false;    // false: the geometry draws nothing (or no layer)
  bool recorded = true;  // the undo step could be stored
};

GradientResult draw_gradient(Document& doc, const BrushSettings& settings, const GradientRequest& request,
                             const StrokeOptions& stroke_options = {});

}  // namespace qm
