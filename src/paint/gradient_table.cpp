#include "paint/gradient_table.h"

#include <algorithm>

#include "core/colour.h"

namespace qm {
namespace {

constexpr int kLast = kGradientEntries - 1;

// Effect 1: alpha control points along the table, positions in 1/4096.
constexpr std::array<int, 6> kEffectPos{0, 2562, 3744, 3837, 3907, 4096};
constexpr std::array<int, 6> kEffectAlpha{0, 0, 35, 42, 19, 0};

int effect_alpha(int i) {
  const int pos = 4096 * i / kLast;
  for (size_t k = 1; k < kEffectPos.size(); ++k)
    if (pos <= kEffectPos[k]) {
      const int p0 = kEffectPos[k - 1], p1 = kEffectPos[k];
      const int a0 = kEffectAlpha[k - 1], a1 = kEffectAlpha[k];
      return a0 + (a1 - a0) * (pos - p0) / (p1 - p0);
    }
  return kEffectAlpha.back();
}

Pixel entry(const GradientColours& c, int i) {
  const uint32_t fg = c.foreground & 0xFFFFFF;
  switch (c.kind) {
    case GradientKind::WhiteToBlack: {
      const uint32_t grey = 255 - uint32_t(255 * i / kLast);
      return make_pixel(255, grey, grey, grey);
    }
    case GradientKind::OpaqueToTransparent:
      return (Pixel(255 - 255 * i / kLast) << 24) | fg;
    case GradientKind::Rainbow:
      return (Pixel{255} << 24) | (hsv_to_rgb(359 * i / kLast, 255, 255) & 0xFFFFFF);
    case GradientKind::Effect1:
      return (Pixel(effect_alpha(i)) << 24) | fg;
    case GradientKind::ForegroundToBackground:
    default: {
      auto mix = [&](int shift) {
        const int f = int((fg >> shift) & 255), b = int((c.background >> shift) & 255);
        return uint32_t(f + (b - f) * i / kLast);
      };
      return make_pixel(255, mix(16), mix(8), mix(0));
    }
  }
}

}  // namespace

GradientTable make_gradient_table(const GradientColours& c) {
  GradientTable t{};
  const uint32_t density = uint32_t(std::clamp(c.density, 0, 255));
  for (int i = 0; i < kGradientEntries; ++i) {
    const Pixel p = entry(c, i);
    t[size_t(i)] = (Pixel(density * alpha_of(p) / 255) << 24) | (p & 0xFFFFFF);
  }
  if (c.reverse) std::reverse(t.begin(), t.end());
  const int g = std::clamp(c.posterise_bits, 0, 15);
  const int low = (1 << g) - 1;
  for (int i = 1; i < kGradientEntries; ++i)
    if (i & low) t[size_t(i)] = t[size_t(i - 1)];
  return t;
}

}  // namespace qm
