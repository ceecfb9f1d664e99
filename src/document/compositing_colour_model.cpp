// Hue, Saturation, Color and Luminosity: whole-colour modes built on the
// hue–chroma–luma model of core/colour.h.
//
// How a target colour is assembled:
// - hue and chroma come from rgb_to_hcy of the side that gives them. A grey
//   has no hue: when the side that gives the hue has chroma 0, the hue is
//   passed on as "none" (−1), for which hcy_to_rgb gives grey at the luma.
//   So a grey Hue layer greys what is under it and a Saturation layer keeps
//   grey pixels grey, as other programs show the same files.
// - the luma comes from luma_of() below, not from rgb_to_hcy: single
//   precision, (0.3 R + 0.59 G + 0.11 B) / 255 evaluated left to right, the
//   products rounded to float before each addition. x86-64 has no fused
//   multiply-add in its baseline, so nothing contracts these; a build that
//   enables FMA for this file would change the last bit of some results.
#include "document/blend_modes.h"
#include "document/compositing_kernels.h"

namespace qm::detail {
namespace {

float luma_of(Pixel p) {
  return (kLumaR * float(red_of(p)) + kLumaG * float(green_of(p)) + kLumaB * float(blue_of(p))) /
         255.0f;
}

Hcy hcy_of(Pixel p) { return rgb_to_hcy(red_of(p), green_of(p), blue_of(p)); }

constexpr float kNoHue = -1.0f;
float hue_of(const Hcy& c) { return c.chroma == 0 ? kNoHue : c.hue; }

}  // namespace

Pixel colour_model_target(int mode, Pixel d, Pixel s) {
  float hue = 0, chroma = 0, luma = 0;
  switch (BlendMode(mode)) {
    case BlendMode::Hue:  // hue of s, chroma and luma of d
      hue = hue_of(hcy_of(s));
      chroma = hcy_of(d).chroma;
      luma = luma_of(d);
      break;
    case BlendMode::Saturation: {  // chroma of s, hue and luma of d
      chroma = hcy_of(s).chroma;
      hue = hue_of(hcy_of(d));
      luma = luma_of(d);
      break;
    }
    case BlendMode::Color: {  // hue and chroma of s, luma of d
      const Hcy hs = hcy_of(s);
      hue = hue_of(hs);
      chroma = hs.chroma;
      luma = luma_of(d);
      break;
    }
    default: {  // Luminosity: luma of s, hue and chroma of d
      const Hcy hd = hcy_of(d);
      hue = hue_of(hd);
      chroma = hd.chroma;
      luma = luma_of(s);
      break;
    }
  }
  const Rgb8 t = hcy_to_rgb(hue, chroma, luma);
  return make_pixel(0, uint32_t(t.r), uint32_t(t.g), uint32_t(t.b));
}

void colour_model_row(Pixel* d, const Pixel* s, size_t n, int opacity, int mode) {
  // Painted layers are mostly runs of one colour: keep the last answer.
  bool have_last = false;
  Pixel last_d = 0, last_s = 0, last_t = 0;
  for (size_t i = 0; i < n; ++i) {
    const int g = (opacity * int(s[i] >> 24)) >> 7;
    if (g == 0) continue;  // s.A = 0, or a move by 0 / 255
    const Pixel dc = d[i] & 0xFFFFFF, sc = s[i] & 0xFFFFFF;
    if (!have_last || dc != last_d || sc != last_s) {
      last_t = colour_model_target(mode, dc, sc);
      last_d = dc;
      last_s = sc;
      have_last = true;
    }
    Pixel out = d[i] & 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
      const int dv = int(dc >> shift) & 0xFF;
      const int tv = int(last_t >> shift) & 0xFF;
      out |= Pixel(dv + (tv - dv) * g / 255) << shift;
    }
    d[i] = out;
  }
}

}  // namespace qm::detail
