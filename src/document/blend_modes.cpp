#include "document/blend_modes.h"

#include <mutex>

#include "document/blend_functions.h"

namespace qm {
namespace {

// As the mode list has always shown them, misspellings included: documents
// and settings refer to modes by index, users by these names.
constexpr std::array<std::string_view, kBlendModeCount> kNames = {
    "Nornal",      "Multiply",    "Add",          "Subtract",   "Screen",     "Overlay",
    "Soft Light",  "Hard Light",  "Color Dodge",  "Color Burn", "Linear Burn", "Vivid Light",
    "Linear Light", "Pin Ligh",   "Difference",   "Lighten",    "Darken",     "Hue",
    "Saturation",  "Color",       "Luminosity",
};

}  // namespace

std::string_view blend_mode_name(int mode) {
  if (mode < 0 || mode >= kBlendModeCount) return {};
  return kNames[size_t(mode)];
}

int blend_channel(int mode, int d, int s) {
  return blend::with_channel_function<int>(mode, [&](auto f) { return f(d, s); });
}

const BlendTable& blend_table(int mode) {
  // One table per mode, built on first use. Modes without a per-channel
  // function share Normal's table (T[d][s] = s).
  static std::array<BlendTable, kBlendModeCount> tables;
  static std::array<std::once_flag, kBlendModeCount> built;
  if (!blend::has_channel_function(mode)) mode = 0;
  std::call_once(built[size_t(mode)], [mode] {
    BlendTable& t = tables[size_t(mode)];
    blend::with_channel_function<int>(mode, [&t](auto f) {
      for (int d = 0; d < 256; ++d)
        for (int s = 0; s < 256; ++s) t[size_t(d * 256 + s)] = uint8_t(f(d, s));
    });
  });
  return tables[size_t(mode)];
}

}  // namespace qm
