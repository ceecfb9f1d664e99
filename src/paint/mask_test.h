#pragma once
// Which pixels a tool may not change: the layer's mask mode and the colour
// mask, judged on the reference raster (the layer as it was before the stroke).
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/pixel.h"

namespace qm {

inline constexpr int kMaxColourMasks = 5;

struct MaskRules {
  int mask_mode = 0;          // the layer's: 0 none, 1 protect transparent,
                              // 2 protect opaque, 3 keep the alpha channel
  int colour_mask_type = 0;   // 0 off, 1 protect the listed colours, 2 paint only on them
  int colour_mask_count = 0;  // how many of `colour_mask` are listed (0 … 5)
  std::array<uint32_t, kMaxColourMasks> colour_mask{};  // 0x00RRGGBB

  // False when no pixel can be protected (the write loops then skip the test).
  bool can_protect() const { return mask_mode == 1 || mask_mode == 2 || colour_mask_type != 0; }
  bool keeps_alpha() const { return mask_mode == 3; }
  // The pixel is opaque and its colour is one of the listed ones.
  bool lists(Pixel p) const {
    if (alpha_of(p) == 0) return false;
    const uint32_t rgb = p & 0xFFFFFF;
    for (int i = 0; i < colour_mask_count; ++i)
      if (colour_mask[size_t(i)] == rgb) return true;
    return false;
  }
};

// True when a pixel whose reference pixel is `reference` must stay as it is.
inline bool is_protected(const MaskRules& rules, Pixel reference) {
  const bool opaque = alpha_of(reference) != 0;
  if (rules.mask_mode == 1 && !opaque) return true;
  if (rules.mask_mode == 2 && opaque) return true;
  if (rules.colour_mask_type == 1 && rules.lists(reference)) return true;
  if (rules.colour_mask_type == 2 && !rules.lists(reference)) return true;
  return false;
}

}  // namespace qm
