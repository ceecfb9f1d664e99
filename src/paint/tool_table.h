#pragma once
// The 19 tools and what the painting engine makes of each: the key and default
// of its option word, its dab shape, pixel-write mode, dab spacing and where
// it paints. The option-word layouts are the ones the settings file stores.
#include <cstdint>
#include <string_view>

namespace qm {

// Tool numbers, in the order of every per-tool list.
enum class PaintTool : uint8_t {
  Pencil = 0,
  ThinLine,     // one-pixel line
  Pen,
  Pen2,
  Brush,
  Watercolour,
  Spray,
  DotEraser,
  PenEraser,
  BrushEraser,
  Blur,
  Finger,
  Dodge,
  Burn,
  Fill,
  Gradient,
  Text,
  LayerMove,
  RectSelect,
};
inline constexpr int kPaintToolCount = 19;

// The tools that paint dabs, lines and shapes (0 … 13).
constexpr bool is_brush_tool(PaintTool tool) { return uint8_t(tool) <= uint8_t(PaintTool::Burn); }

// Pencil option word.
inline constexpr int kPencilShapeMask = 0x00FF;  // dot shape 0 … 9
inline constexpr int kPencilBlend = 0x8000;      // blend (write mode 1) instead of replace
// Pen option word.
inline constexpr int kPenSmoothingMask = 0x00FF;  // earlier samples averaged
inline constexpr int kPenSoftTip = 0x0800;
inline constexpr int kPenCurve = 0x1000;          // curve interpolation
inline constexpr int kPenAntiAlias = 0x2000;      // dab alpha follows coverage
inline constexpr int kPenPressureDensity = 0x4000;
inline constexpr int kPenPressureSize = 0x8000;
// The words of the other brush tools: what pressure 0 gives, in percent of
// the tool's size and density; the watercolour adds its water amount.
constexpr int option_min_size_percent(int word) { return (word >> 8) & 0xFF; }
constexpr int option_min_density_percent(int word) { return word & 0xFF; }
constexpr int option_water_amount(int word) { return (word >> 16) & 0xFF; }
// The blur has no word of its own: pressure changes nothing.
inline constexpr int kBlurOptionWord = 0x6464;

// Dot shapes of the pencil (string table order).
enum class DotShapeKind : uint8_t {
  Circle = 0,
  Square,
  Diamond,
  HorizontalBar,
  VerticalBar,
  Slash,      // "／"
  Backslash,  // "＼"
  Cross,      // "×"
  Plus,       // "＋"
  Sparkle,
};
inline constexpr int kDotShapeCount = 10;

// What a tool's dab is made of.
enum class DabShapeKind : uint8_t {
  None,       // not a brush tool
  Dot,        // the pencil's chosen dot shape, BrushSize pixels
  DotCircle,  // the dot circle, BrushSize pixels
  OnePixel,
  HardDisc,
  SoftDisc,   // edge 64, centre 255
  PenTip,     // the pen: the soft disc with the soft-tip bit, else the hard disc
  Cone196,
  Cone128,
};

// How a tool's option word is read.
enum class OptionWordKind : uint8_t {
  None,       // no word
  Pencil,     // dot shape and blend bit
  Pen,        // smoothing and switches
  Minimums,   // minimum size and density in percent
  Water,      // minimums and water amount
  Fill,       // the fill tool's switches (not read here)
  Gradient,   // the gradient's kind and tone (not read here)
  TextSection,  // the text tool keeps a section of its own
};

// Pixel-write modes.
enum WriteModeIndex : int {
  kWriteReplace = 0,
  kWriteBlend = 1,
  kWriteBlendAlphaLock = 2,  // blend that keeps the alpha under mask mode 3
  kWriteMax = 3,             // never builds beyond the dab alpha
  kWriteSpray = 4,
  kWriteDodge = 5,
  kWriteBurn = 6,
  kWriteBlur = 7,
  kWriteErase = 8,
  kWriteOver = 9,            // plain over, no masks or texture (stamping images)
  kWriteSet = 10,            // the 32-bit value as it is
};
inline constexpr int kWriteModeCount = 11;

struct ToolTableEntry {
  std::string_view option_key;  // [ToolEnv] key; empty when none
  int default_option_word;
  OptionWordKind option_kind;
  DabShapeKind shape;
  int write_mode;     // −1: none (the finger smudges; non-brush tools)
  double interval;    // dab spacing as a fraction of the size; 0: dot line;
                      // the blur derives its own from the density
  bool into_layer;    // paints the layer directly, dab by dab
  bool erasing;       // the stroke is combined by erasing
};

const ToolTableEntry& tool_entry(PaintTool tool);

}  // namespace qm
