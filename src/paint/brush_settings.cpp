#include "paint/brush_settings.h"

#include <algorithm>

#include "paint/dab_shapes.h"

namespace qm {
namespace {

// Watercolour mixing rates by water amount 0 … 3.
constexpr double kPickUp[4] = {0.5, 0.6, 0.8, 0.9};
constexpr double kReturnRate[4] = {0.2, 0.15, 0.06, 0.03};

}  // namespace

BrushState make_brush_state(const BrushSettings& settings, int layer_mask_mode) {
  const PaintTool tool = is_brush_tool(settings.tool) ? settings.tool : PaintTool::Pen;
  const ToolTableEntry& entry = tool_entry(tool);
  const int word = settings.option_word;

  BrushState s;
  s.tool = tool;
  s.shape = entry.shape;
  s.write_mode = entry.write_mode < 0 ? kWriteReplace : entry.write_mode;
  s.interval = entry.interval;
  s.into_layer = entry.into_layer;
  s.erasing = entry.erasing;
  s.max_size = std::clamp(settings.size, 1, kMaxBrushSize);
  s.max_density = std::clamp(settings.density, 0, 255);
  s.min_size = s.max_size;
  s.min_density = s.max_density;
  s.colour = settings.colour & 0xFFFFFF;

  switch (entry.option_kind) {
    case OptionWordKind::Pen:
      s.min_size = (word & kPenPressureSize) ? 0 : s.max_size;
      s.min_density = (word & kPenPressureDensity) ? 0 : s.max_density;
      break;
    case OptionWordKind::Minimums:
    case OptionWordKind::Water: {
      // The blur's minimums are fixed at 100 %: pressure changes nothing.
      const int w = tool == PaintTool::Blur ? kBlurOptionWord : word;
      s.min_size = option_min_size_percent(w) * s.max_size / 100;
      s.min_density = option_min_density_percent(w) * s.max_density / 100;
      break;
    }
    default:
      break;
  }

  switch (tool) {
    case PaintTool::Pencil:
      s.dot_tool = true;
      s.dot_shape = DotShapeKind(std::min(word & kPencilShapeMask, kDotShapeCount - 1));
      s.dot_size = std::min(s.max_size, kMaxDotSize);
      if (word & kPencilBlend) s.write_mode = kWriteBlend;
      break;
    case PaintTool::ThinLine:
      s.dot_tool = true;
      s.dot_shape = DotShapeKind::Square;
      s.dot_size = 1;
      break;
    case PaintTool::DotEraser:
    case PaintTool::Finger:
      s.dot_tool = true;
      s.dot_shape = DotShapeKind::Circle;
      s.dot_size = std::min(s.max_size, kMaxDotSize);
      s.smudge = tool == PaintTool::Finger;
      break;
    case PaintTool::Pen:
      s.shape = (word & kPenSoftTip) ? DabShapeKind::SoftDisc : DabShapeKind::HardDisc;
      s.coverage_alpha = word & kPenAntiAlias;
      s.curve = word & kPenCurve;
      break;
    case PaintTool::Watercolour: {
      s.watercolour = true;
      const int amount = std::min(option_water_amount(word), 3);
      s.pick_up = kPickUp[amount];
      s.return_rate = kReturnRate[amount];
      break;
    }
    case PaintTool::Blur:
      // Denser blurs place their dabs closer: the strength comes from the spacing.
      s.interval = (255 - s.max_density) / 255.0 + 0.01;
      break;
    default:
      break;
  }
  // Smoothing averages up to 63 earlier samples (the ring holds 64).
  s.smoothing = tool == PaintTool::Pen ? std::min(word & kPenSmoothingMask, 63) : 1;

  s.masks.mask_mode = std::clamp(layer_mask_mode, 0, 3);
  s.masks.colour_mask_type = std::clamp(settings.colour_mask_type, 0, 2);
  s.masks.colour_mask_count = std::clamp(settings.colour_mask_count, 0, kMaxColourMasks);
  for (size_t i = 0; i < s.masks.colour_mask.size(); ++i)
    s.masks.colour_mask[i] = settings.colour_mask[i] & 0xFFFFFF;
  if (settings.texture.bytes && settings.texture.width > 0 && settings.texture.height > 0)
    s.texture = settings.texture;
  return s;
}

// Only the effect tools paint figures onto the layer itself; the watercolour
// paints its strokes there but its figures through the stroke buffer.
bool figure_into_layer(const BrushState& state) {
  return state.tool >= PaintTool::Blur && state.tool <= PaintTool::Burn;
}

double figure_interval(const BrushState& state) { return figure_into_layer(state) ? 0.2 : 0.15; }

}  // namespace qm
