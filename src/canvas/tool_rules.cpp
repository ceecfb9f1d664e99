#include "canvas/tool_rules.h"

#include <algorithm>

namespace qm {

BrushSettings brush_settings_for(const DrawingState& state, int tool, TextureView texture) {
  tool = std::clamp(tool, 0, kToolCount - 1);
  BrushSettings s;
  s.tool = PaintTool(tool);
  s.size = state.brush_size[size_t(tool)];
  s.density = state.brush_alpha[size_t(tool)];
  const int* word = tool_option_word(state.options, tool);
  s.option_word = word ? *word : 0;
  s.colour = state.current_colour_value() & 0xFFFFFF;
  s.colour_mask_type = state.colour_mask_type;
  s.colour_mask_count = state.colour_mask_count;
  for (size_t i = 0; i < s.colour_mask.size() && i < state.mask_colours.size(); ++i)
    s.colour_mask[i] = state.mask_colours[i];
  if (state.texture_on) s.texture = texture;
  return s;
}

void select_tool(DrawingStateModel& model, int tool) {
  if (tool < 0 || tool >= kToolCount) return;
  const int old = model.tool();
  if (old < kToolFill && !is_eraser_tool(old) && old != tool)
    model.edit(0, [&](Settings& s) { s.env.erase_bk_tool = old; });
  model.set_tool(tool);
}

void toggle_eraser(DrawingStateModel& model) {
  if (is_eraser_tool(model.tool()))
    select_tool(model, std::clamp(model.env().erase_bk_tool, 0, kToolCount - 1));
  else
    select_tool(model, kToolDotEraser + std::clamp(model.env().def_erase, 0, 2));
}

bool apply_key_action(DrawingStateModel& model, const KeyAction& action) {
  const int tool = model.tool();
  const int size = model.state().brush_size[size_t(tool)];
  switch (action.kind) {
    case KeyActionKind::kSelectTool: select_tool(model, action.value); return true;
    case KeyActionKind::kSetDrawType: model.set_draw_type(tool, action.value); return true;
    case KeyActionKind::kEraserToggle: toggle_eraser(model); return true;
    case KeyActionKind::kSwapColours: model.swap_colours(); return true;
    case KeyActionKind::kBrushSizeUp: model.set_brush_size(tool, size + 1); return true;
    case KeyActionKind::kBrushSizeDown: model.set_brush_size(tool, size - 1); return true;
    case KeyActionKind::kBrushSizeOne: model.set_brush_size(tool, 1); return true;
    case KeyActionKind::kTextureToggle:
      model.edit(kChangedTexture, [](Settings& s) { s.draw.texture_on = s.draw.texture_on ? 0 : 1; });
      return true;
    case KeyActionKind::kWaterAmount:
      model.edit(kChangedOptions, [&](Settings& s) {
        s.draw.options.water = with_water_amount(s.draw.options.water, std::clamp(action.value, 0, 3));
      });
      return true;
    default:
      return false;
  }
}

}  // namespace qm
