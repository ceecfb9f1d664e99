#pragma once
// The drawing-state side of the tools: what a press copies into the engine's
// parameter record, how tools are switched (the eraser remembers the tool it
// replaced), and the bound keys that act on the drawing state.
#include "core/dib_image.h"
#include "paint/brush_settings.h"
#include "state/drawing_state_model.h"
#include "state/key_bindings.h"

namespace qm {

constexpr bool is_eraser_tool(int tool) { return tool >= kToolDotEraser && tool <= kToolBrushEraser; }

// The engine's parameter record for `tool` at a press: its size, density and
// option word, the current colour, the colour mask and `texture` (empty when
// textures are off).
BrushSettings brush_settings_for(const DrawingState& state, int tool, TextureView texture);

// Makes `tool` current. The old tool is remembered (EraseBkTool) when it is a
// painting tool below 15 and not an eraser, so the eraser can return to it.
void select_tool(DrawingStateModel& model, int tool);
// From an eraser back to the remembered tool; from any other tool to the
// eraser DefErase chooses.
void toggle_eraser(DrawingStateModel& model);

// Performs a bound key's action on the drawing state (tools, draw types,
// colours, brush size, texture, water amount); false for other actions.
bool apply_key_action(DrawingStateModel& model, const KeyAction& action);

}  // namespace qm
