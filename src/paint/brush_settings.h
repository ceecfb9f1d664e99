#pragma once
// What a stroke needs to know about the brush. BrushSettings is the plain
// record the program copies from its drawing state at the press (the fields
// mean what the settings file's keys mean); BrushState is what the engine
// derives from it for one stroke or figure.
#include <array>
#include <cstdint>

#include "core/dib_image.h"
#include "paint/mask_test.h"
#include "paint/tool_table.h"

namespace qm {

struct BrushSettings {
  PaintTool tool = PaintTool::Pen;
  int size = 1;           // BrushSize of the tool: diameter in pixels
  int density = 255;      // BrushAlpha of the tool: 0 … 255
  int option_word = 0;    // the tool's [ToolEnv] word (tool_entry().option_key);
                          // ignored by tools without one
  uint32_t colour = 0;    // the current drawing colour, 0x00RRGGBB
  int colour_mask_type = 0;   // ColMaskType
  int colour_mask_count = 1;  // ColMaskCnt
  std::array<uint32_t, kMaxColourMasks> colour_mask{};  // MaskCol
  TextureView texture{};  // the selected texture when textures are on, else empty
};

// How strokes and shapes treat the document besides the layer.
struct StrokeOptions {
  // Rebuild the document's composite over every changed rectangle (the
  // canvas shows it); off for work that only needs the layer.
  bool recomposite = true;
};

// Sizes are cut to this many pixels, so buffers of a dab stay bounded.
inline constexpr int kMaxBrushSize = 255;

struct BrushState {
  PaintTool tool = PaintTool::Pen;
  DabShapeKind shape = DabShapeKind::HardDisc;  // the pen's tip already resolved
  DotShapeKind dot_shape = DotShapeKind::Circle;
  int dot_size = 1;        // n of the dot shape (pixel-line tools)
  int max_size = 1, min_size = 1;
  int max_density = 255, min_density = 255;
  int smoothing = 1;       // earlier samples averaged (0 … 63)
  int write_mode = kWriteBlend;
  double interval = 0.1;   // dab spacing as a fraction of the size
  double pick_up = 0, return_rate = 0;  // watercolour mixing rates
  bool coverage_alpha = true;  // dab alpha follows the shape's coverage
  bool curve = false;          // curve interpolation
  bool watercolour = false;    // colour mixing
  bool dot_tool = false;       // integer pixel lines and dot stamps
  bool smudge = false;         // the finger
  bool into_layer = false;     // paints the layer directly
  bool erasing = false;        // combined into the layer by erasing
  uint32_t colour = 0;         // 0x00RRGGBB
  MaskRules masks;
  TextureView texture{};       // empty: none

  // The largest dab this brush can make (pressure may make the minimum the larger).
  int largest_size() const { return max_size > min_size ? max_size : min_size; }
};

// The state for a stroke of `settings` on a layer with `layer_mask_mode`.
// Out-of-range values are cut to their ranges; a texture without pixels is dropped.
BrushState make_brush_state(const BrushSettings& settings, int layer_mask_mode);

// Shapes (polyline, curves, outlines …): the effect tools (blur, finger,
// dodge, burn) paint them onto the layer with dab spacing 0.2, every other
// tool into the stroke buffer with 0.15.
bool figure_into_layer(const BrushState& state);
double figure_interval(const BrushState& state);

}  // namespace qm
