#pragma once
// Per-channel blend functions B(d, s), d = the pixel below, s = the layer's
// pixel, both 0 … 255: one tiny function per mode.
//
// Written once and instantiated twice: with int for the 64 K display table
// (every division truncates toward zero) and with double for the alpha-aware
// merge (no truncation). Overlay and Hard Light divide by 128 where the
// integer rule shifts by 7; their operands are never negative, so for int the
// two are the same.
#include <algorithm>

#include "document/blend_modes.h"

namespace qm::blend {

template <class T> constexpr T normal(T, T s) { return s; }
template <class T> constexpr T multiply(T d, T s) { return d * s / 255; }
template <class T> constexpr T screen(T d, T s) { return d + s - d * s / 255; }

template <class T> constexpr T overlay(T d, T s) {
  return d < 128 ? d * s / 128 : 255 - (255 - d) * (255 - s) / 128;
}

template <class T> constexpr T soft_light(T d, T s) {
  const T m = d * s / 255;
  const T n = 255 - (255 - d) * (255 - s) / 255;
  return (n - m) * d / 255 + m;
}

template <class T> constexpr T hard_light(T d, T s) {
  return s < 128 ? d * s / 128 : 255 - (255 - d) * (255 - s) / 128;
}

template <class T> constexpr T color_dodge(T d, T s) {
  return s == 255 ? T(255) : std::min(T(255), 255 * d / (255 - s));
}

template <class T> constexpr T color_burn(T d, T s) {
  return s == 0 ? T(0) : std::max(T(0), 255 - 255 * (255 - d) / s);
}

template <class T> constexpr T linear_burn(T d, T s) { return std::max(T(0), d + s - 255); }

template <class T> constexpr T vivid_light(T d, T s) {
  if (s >= 128) {
    const T c = 2 * (255 - s);
    return (c == 0 || d >= c) ? T(255) : 255 * d / c;
  }
  return (s == 0 || 255 - 2 * s >= d) ? T(0) : (2 * s + d - 255) * 255 / (2 * s);
}

template <class T> constexpr T linear_light(T d, T s) {
  return std::clamp(d + 2 * s - 255, T(0), T(255));
}

template <class T> constexpr T pin_light(T d, T s) {
  return s >= 128 ? std::max(d, 2 * s - 255) : std::min(d, 2 * s);
}

template <class T> constexpr T difference(T d, T s) { return d > s ? d - s : s - d; }
template <class T> constexpr T lighten(T d, T s) { return std::max(d, s); }
template <class T> constexpr T darken(T d, T s) { return std::min(d, s); }

// True for the modes whose B(d, s) is a per-channel function (0, 1, 4 … 16).
constexpr bool has_channel_function(int mode) {
  return mode == 0 || mode == 1 || (mode >= 4 && mode <= 16);
}

// Calls f with the function object of a per-channel mode; every other mode
// (Add, Subtract, the colour-model modes, out-of-range values) gets Normal.
// Used outside pixel loops so the loops themselves do not switch per pixel.
template <class T, class F> decltype(auto) with_channel_function(int mode, F&& f) {
  switch (BlendMode(mode)) {
    case BlendMode::Multiply: return f([](T d, T s) { return multiply(d, s); });
    case BlendMode::Screen: return f([](T d, T s) { return screen(d, s); });
    case BlendMode::Overlay: return f([](T d, T s) { return overlay(d, s); });
    case BlendMode::SoftLight: return f([](T d, T s) { return soft_light(d, s); });
    case BlendMode::HardLight: return f([](T d, T s) { return hard_light(d, s); });
    case BlendMode::ColorDodge: return f([](T d, T s) { return color_dodge(d, s); });
    case BlendMode::ColorBurn: return f([](T d, T s) { return color_burn(d, s); });
    case BlendMode::LinearBurn: return f([](T d, T s) { return linear_burn(d, s); });
    case BlendMode::VividLight: return f([](T d, T s) { return vivid_light(d, s); });
    case BlendMode::LinearLight: return f([](T d, T s) { return linear_light(d, s); });
    case BlendMode::PinLight: return f([](T d, T s) { return pin_light(d, s); });
    case BlendMode::Difference: return f([](T d, T s) { return difference(d, s); });
    case BlendMode::Lighten: return f([](T d, T s) { return lighten(d, s); });
    case BlendMode::Darken: return f([](T d, T s) { return darken(d, s); });
    default: return f([](T d, T s) { return normal(d, s); });
  }
}

}  // namespace qm::blend
