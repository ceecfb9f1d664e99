#pragma once
// Pixel values of a LayerImage: 0xAARRGGBB as a 32-bit value, stored in memory
// as the bytes B, G, R, A. Colour channels are not premultiplied.
#include <cstdint>

namespace qm {

using Pixel = uint32_t;

// A new layer, an erased pixel and a cleared scratch buffer hold this value.
inline constexpr Pixel kTransparent = 0x00FFFFFF;
// Background used when layers are flattened onto white.
inline constexpr Pixel kOpaqueWhite = 0xFFFFFFFF;

constexpr uint8_t alpha_of(Pixel p) { return uint8_t(p >> 24); }
constexpr uint8_t red_of(Pixel p) { return uint8_t(p >> 16); }
constexpr uint8_t green_of(Pixel p) { return uint8_t(p >> 8); }
constexpr uint8_t blue_of(Pixel p) { return uint8_t(p); }
constexpr Pixel make_pixel(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace qm
