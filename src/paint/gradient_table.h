#pragma once
// The gradient tool's colour table: 512 pixels (B, G, R, A in memory) from
// the start of the drag to its end.
#include <array>
#include <cstdint>

#include "core/pixel.h"

namespace qm {

inline constexpr int kGradientEntries = 512;
using GradientTable = std::array<Pixel, kGradientEntries>;

enum class GradientKind : uint8_t {
  ForegroundToBackground = 0,
  WhiteToBlack = 1,
  OpaqueToTransparent = 2,  // in the foreground colour
  Rainbow = 3,
  Effect1 = 4,              // a bright rim in the foreground colour
};
inline constexpr int kGradientKindCount = 5;

// Option word of the gradient ([ToolEnv] Grad).
inline constexpr int kGradientKindMask = 0x00FF;
inline constexpr int kGradientToneShift = 8;  // posterisation bits, 4 wide
inline constexpr int kGradientReverse = 0x8000;

struct GradientColours {
  GradientKind kind = GradientKind::ForegroundToBackground;
  uint32_t foreground = 0;         // 0x00RRGGBB
  uint32_t background = 0xFFFFFF;  // 0x00RRGGBB
  int density = 255;               // the tool's BrushAlpha
  int posterise_bits = 0;          // g: 0 smooth
  bool reverse = false;
};

// The table for these colours (kinds beyond 4 are taken as 0).
GradientTable make_gradient_table(const GradientColours& c);

}  // namespace qm
