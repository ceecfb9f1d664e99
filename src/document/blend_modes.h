#pragma once
// The 21 blend modes, indexed as documents store them, and their per-channel
// functions B(d, s) with d = the pixel below and s = the layer's pixel.
#include <array>
#include <cstdint>
#include <string_view>

namespace qm {

enum class BlendMode : uint8_t {
  Normal = 0,
  Multiply,
  Add,
  Subtract,
  Screen,
  Overlay,
  SoftLight,
  HardLight,
  ColorDodge,
  ColorBurn,
  LinearBurn,
  VividLight,
  LinearLight,
  PinLight,
  Difference,
  Lighten,
  Darken,
  Hue,
  Saturation,
  Color,
  Luminosity,
};
inline constexpr int kBlendModeCount = 21;

// The name shown to the user (as the program has always spelled it).
std::string_view blend_mode_name(int mode);

// True for Hue, Saturation, Color and Luminosity, which work on whole colours.
constexpr bool is_colour_model_mode(int mode) { return mode >= 17 && mode <= 20; }

// 256 × 256 lookup, indexed [d * 256 + s].
using BlendTable = std::array<uint8_t, 65536>;

// Integer B(d, s) of the table modes (0, 1 and 4 … 16); Normal gives s.
int blend_channel(int mode, int d, int s);

// The table for a mode, built once from blend_channel and cached; safe to call
// from several threads.
const BlendTable& blend_table(int mode);

}  // namespace qm
