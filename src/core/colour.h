#pragma once
// Pure conversions between 0x00RRGGBB colours and HSV, HLS and the
// hue–chroma–luma model used by the Hue/Saturation/Color/Luminosity modes.
#include <cstdint>

namespace qm {

struct Hsv {
  int h = 0;  // 0 … 359
  int s = 0;  // 0 … 255
  int v = 0;  // 0 … 255
  friend bool operator==(const Hsv&, const Hsv&) = default;
};

struct Hls {
  int h = 0;  // 0 … 359
  int l = 0;  // percent
  int s = 0;  // percent
  friend bool operator==(const Hls&, const Hls&) = default;
};

struct Hcy {
  float hue = 0;     // 0 … 1
  float chroma = 0;  // 0 … 1
  float luma = 0;    // 0 … 1
};

struct Rgb8 {
  int r = 0, g = 0, b = 0;  // 0 … 255 each
  friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

// Luma weights shared by every grey level in the program.
inline constexpr float kLumaR = 0.3f, kLumaG = 0.59f, kLumaB = 0.11f;

// h in degrees 0 … 359, s and v in percent.
uint32_t hsv_to_rgb_percent(int h, int s, int v);
// Integer only: h 0 … 359, s and v 0 … 255.
uint32_t hsv_to_rgb(int h, int s, int v);
Hsv rgb_to_hsv(uint32_t colour);
// h 0 … 359, l and s in percent.
uint32_t hls_to_rgb(int h, int l, int s);
Hls rgb_to_hls(uint32_t colour);
Hcy rgb_to_hcy(int r, int g, int b);
Rgb8 hcy_to_rgb(float hue, float chroma, float luma);

}  // namespace qm
