#include "core/colour.h"

#include <algorithm>
#include <cmath>

namespace qm {
namespace {

int wrap_degrees(int h) { return ((h % 360) + 360) % 360; }

uint32_t pack(int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

// The six 60° sectors of the hue circle, as (R, G, B) picks from (V, p, q, t).
template <typename T>
uint32_t from_sector(int sector, T v, T p, T q, T t, auto to_byte) {
  switch (sector) {
    case 0: return pack(to_byte(v), to_byte(t), to_byte(p));
    case 1: return pack(to_byte(q), to_byte(v), to_byte(p));
    case 2: return pack(to_byte(p), to_byte(v), to_byte(t));
    case 3: return pack(to_byte(p), to_byte(q), to_byte(v));
    case 4: return pack(to_byte(t), to_byte(p), to_byte(v));
    default: return pack(to_byte(v), to_byte(p), to_byte(q));
  }
}

}  // namespace

uint32_t hsv_to_rgb_percent(int h, int s, int v) {
  h = wrap_degrees(h);
  const float S = float(std::clamp(s, 0, 100)) / 100.0f;
  const float V = float(std::clamp(v, 0, 100)) / 100.0f;
  auto to_byte = [](float x) { return int(x * 255.0f); };
  if (S == 0.0f) return pack(to_byte(V), to_byte(V), to_byte(V));
  const float f = float((h * 6) % 360) / 360.0f;
  const float p = V * (1.0f - S);
  const float q = V * (1.0f - S * f);
  const float t = V * (1.0f - S * (1.0f - f));
  return from_sector(h / 60, V, p, q, t, to_byte);
}

uint32_t hsv_to_rgb(int h, int s, int v) {
  h = wrap_degrees(h);
  s = std::clamp(s, 0, 255);
  v = std::clamp(v, 0, 255);
  if (s == 0) return pack(v, v, v);
  const int d = (h * 6) % 360;
  const int p = (255 - s) * v / 255;
  const int q = (255 - d * s / 360) * v / 255;
  const int t = (255 - s * (360 - d) / 360) * v / 255;
  return from_sector(h / 60, v, p, q, t, [](int x) { return x; });
}

Hsv rgb_to_hsv(uint32_t colour) {
  const int r = (colour >> 16) & 255, g = (colour >> 8) & 255, b = colour & 255;
  const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
  const int e = mx - mn;
  Hsv out;
  out.v = mx;
  out.s = mx == 0 ? 0 : e * 255 / mx;
  if (out.s == 0) return out;
  // Each quotient truncates on its own, as the integer panels always did.
  if (r == mx)
    out.h = g * 60 / e - b * 60 / e;
  else if (g == mx)
    out.h = b * 60 / e - r * 60 / e + 120;
  else
    out.h = r * 60 / e - g * 60 / e + 240;
  if (out.h < 0) out.h += 360;
  if (out.h >= 360) out.h -= 360;
  return out;
}

uint32_t hls_to_rgb(int h, int l, int s) {
  const float L = float(l) / 100.0f;
  const float S = float(s) / 100.0f;
  auto to_byte = [](float x) { return std::clamp(int(x * 255.0f), 0, 255); };
  if (S == 0.0f) {
    const int grey = to_byte(L);
    return pack(grey, grey, grey);
  }
  const float m2 = L <= 0.5f ? L * (1.0f + S) : L + S - L * S;
  const float m1 = 2.0f * L - m2;
  auto value = [&](int x) {
    x = wrap_degrees(x);
    if (x < 60) return m1 + (m2 - m1) * float(x) / 60.0f;
    if (x < 180) return m2;
    if (x < 240) return m1 + (m2 - m1) * float(240 - x) / 60.0f;
    return m1;
  };
  return pack(to_byte(value(h + 120)), to_byte(value(h)), to_byte(value(h - 120)));
}

Hls rgb_to_hls(uint32_t colour) {
  const int r = (colour >> 16) & 255, g = (colour >> 8) & 255, b = colour & 255;
  const int max_c = std::max({r, g, b}), min_c = std::min({r, g, b});
  const float mx = float(max_c) / 255.0f, mn = float(min_c) / 255.0f;
  Hls out;
  out.l = int((mn + mx) * 50.0f);
  if (max_c == min_c) return out;
  const float span = mx - mn;
  out.s = out.l > 50 ? int(100.0f * span / (2.0f - mx - mn)) : int(100.0f * span / (mx + mn));
  float h;
  if (r == max_c)
    h = 60.0f * (float(g - b) / 255.0f / span);
  else if (g == max_c)
    h = 60.0f * (float(b - r) / 255.0f / span + 2.0f);
  else
    h = 60.0f * (float(r - g) / 255.0f / span + 4.0f);
  out.h = wrap_degrees(int(h));
  return out;
}

Hcy rgb_to_hcy(int r, int g, int b) {
  const float R = float(r) / 255.0f, G = float(g) / 255.0f, B = float(b) / 255.0f;
  Hcy out;
  out.luma = 0.11f * B + 0.59f * G + 0.3f * R;
  const float mx = std::max({R, G, B}), mn = std::min({R, G, B});
  out.chroma = mx - mn;
  if (out.chroma == 0.0f) return out;
  float degrees;
  if (R == mx)
    degrees = (G - B) / out.chroma * 60.0f;
  else if (G == mx)
    degrees = (B - R) / out.chroma * 60.0f + 120.0f;
  else
    degrees = (R - G) / out.chroma * 60.0f + 240.0f;
  if (degrees < 0.0f) degrees += 360.0f;
  out.hue = degrees / 360.0f;
  return out;
}

Rgb8 hcy_to_rgb(float hue, float chroma, float luma) {
  auto to_byte = [](float x) { return std::clamp(int(x * 255.0f + 0.5f), 0, 255); };
  if (hue < 0.0f || chroma == 0.0f) {
    const int grey = to_byte(luma);
    return {grey, grey, grey};
  }
  // The fully saturated colour of this hue on the hue hexagon.
  const float h6 = hue * 6.0f;
  float r, g, b;
  if (hue < 1.0f / 6.0f) {
    r = 1; g = h6; b = 0;
  } else if (hue < 2.0f / 6.0f) {
    r = 2.0f - h6; g = 1; b = 0;
  } else if (hue < 3.0f / 6.0f) {
    r = 0; g = 1; b = h6 - 2.0f;
  } else if (hue < 4.0f / 6.0f) {
    r = 0; g = 4.0f - h6; b = 1;
  } else if (hue < 5.0f / 6.0f) {
    r = h6 - 4.0f; g = 0; b = 1;
  } else {
    r = 1; g = 0; b = 6.0f - h6;
  }
  const float own_luma = 0.11f * b + 0.59f * g + 0.3f * r;
  const float off_r = (r - own_luma) * chroma;
  const float off_g = (g - own_luma) * chroma;
  const float off_b = (b - own_luma) * chroma;
  // Scale the offsets back into the gamut around the wanted luma.
  const float largest = std::max({off_r, off_g, off_b});
  const float smallest = std::min({off_r, off_g, off_b});
  float a = 1.0f;
  if (luma + largest > 1.0f) a = (1.0f - luma) / largest;
  if (luma + smallest < 0.0f) a = std::min(a, -luma / smallest);
  if (a == 1.0f) return {to_byte(luma + off_r), to_byte(luma + off_g), to_byte(luma + off_b)};
  return {to_byte(luma + off_r * a), to_byte(luma + off_g * a), to_byte(luma + off_b * a)};
}

}  // namespace qm
