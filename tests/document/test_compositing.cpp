// The three compositing paths against plain per-pixel references written from
// the rules, worked pixels, and every vector kernel against the references
// on random data.
#include "document/compositing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/colour.h"
#include "document/blend_modes.h"
#include "document/compositing_kernels.h"

namespace qm_test {
int reference_channel(int mode, int d, int s);  // test_blend_modes.cpp
}

namespace qm {
namespace {

using detail::SimdLevel;
using qm_test::reference_channel;

// ---------------------------------------------------------- references ----

int byte_of(Pixel p, int i) { return int(p >> (8 * i)) & 0xFF; }
Pixel with_byte(Pixel p, int i, int v) {
  return (p & ~(Pixel(0xFF) << (8 * i))) | Pixel(v) << (8 * i);
}

// Target colour of the hue–chroma–luma modes. The luma of the side that
// gives it is (0.3 R + 0.59 G + 0.11 B) / 255 in single precision.
Pixel ref_colour_target(int mode, Pixel d, Pixel s) {
  auto luma = [](Pixel p) {
    return (0.3f * byte_of(p, 2) + 0.59f * byte_of(p, 1) + 0.11f * byte_of(p, 0)) / 255.0f;
  };
  Hcy hd = rgb_to_hcy(byte_of(d, 2), byte_of(d, 1), byte_of(d, 0));
  Hcy hs = rgb_to_hcy(byte_of(s, 2), byte_of(s, 1), byte_of(s, 0));
  // A grey has no hue.
  if (hd.chroma == 0) hd.hue = -1;
  if (hs.chroma == 0) hs.hue = -1;
  Rgb8 t;
  if (mode == 17) t = hcy_to_rgb(hs.hue, hd.chroma, luma(d));
  else if (mode == 18) t = hcy_to_rgb(hd.hue, hs.chroma, luma(d));
  else if (mode == 19) t = hcy_to_rgb(hs.hue, hs.chroma, luma(d));
  else t = hcy_to_rgb(hd.hue, hd.chroma, luma(s));
  return make_pixel(0, uint32_t(t.r), uint32_t(t.g), uint32_t(t.b));
}

// Modes 17 … 20 in the display and flatten paths.
Pixel ref_colour_mode(Pixel d, Pixel s, int opacity, int mode) {
  if (alpha_of(s) == 0) return d;
  const int g = (opacity * alpha_of(s)) >> 7;
  const Pixel t = ref_colour_target(mode, d, s);
  for (int i = 0; i < 3; ++i)
    d = with_byte(d, i, byte_of(d, i) + (byte_of(t, i) - byte_of(d, i)) * g / 255);
  return d;
}

Pixel ref_display(Pixel d, Pixel s, int opacity, int mode) {
  if (mode >= 17) return ref_colour_mode(d, s, opacity, mode);
  const int k = (opacity * alpha_of(s)) >> 7;
  Pixel out = 0;
  for (int i = 0; i < 4; ++i) {
    const int dc = byte_of(d, i), sc = byte_of(s, i);
    int v;
    if (mode == 0) v = dc + ((k * (sc - dc)) >> 8);
    else if (mode == 1) v = dc + ((k * (((sc * dc) >> 8) - dc)) >> 8);
    else if (mode == 2) v = std::min(255, dc + ((sc * k) >> 8));
    else if (mode == 3) v = std::max(0, dc - ((sc * k) >> 8));
    else v = dc + ((k * (reference_channel(mode, dc, sc) - dc)) >> 8);
    out = with_byte(out, i, std::clamp(v, 0, 255));
  }
  return out;
}

Pixel ref_flatten(Pixel d, Pixel s, int opacity, int mode) {
  if (mode >= 17) return ref_colour_mode(d, s, opacity, mode);
  const int l = (opacity * alpha_of(s)) >> 7;
  for (int i = 0; i < 3; ++i) {
    const int dc = byte_of(d, i), sc = byte_of(s, i);
    int v;
    if (mode == 2) v = std::min(255, dc + l * sc / 255);
    else if (mode == 3) v = std::max(0, dc - l * sc / 255);
    else v = dc + (reference_channel(mode, dc, sc) - dc) * l / 255;
    d = with_byte(d, i, v);
  }
  return d;
}

// B(d, s) without truncation, for the alpha-aware merge.
double ref_exact(int mode, double d, double s) {
  switch (mode) {
    case 1: return d * s / 255;
    case 4: return d + s - d * s / 255;
    case 5: return d < 128 ? d * s / 128 : 255 - (255 - d) * (255 - s) / 128;
    case 6: {
      const double m = d * s / 255, n = 255 - (255 - d) * (255 - s) / 255;
      return (n - m) * d / 255 + m;
    }
    case 7: return s < 128 ? d * s / 128 : 255 - (255 - d) * (255 - s) / 128;
    case 8: return s == 255 ? 255 : std::min(255.0, 255 * d / (255 - s));
    case 9: return s == 0 ? 0 : std::max(0.0, 255 - 255 * (255 - d) / s);
    case 10: return std::max(0.0, d + s - 255);
    case 11:
      if (s >= 128) {
        const double c = 2 * (255 - s);
        return (c == 0 || d >= c) ? 255 : 255 * d / c;
      }
      return (s == 0 || 255 - 2 * s >= d) ? 0 : (2 * s + d - 255) * 255 / (2 * s);
    case 12: return std::clamp(d + 2 * s - 255, 0.0, 255.0);
    case 13: return s >= 128 ? std::max(d, 2 * s - 255) : std::min(d, 2 * s);
    case 14: return d > s ? d - s : s - d;
    case 15: return std::max(d, s);
    case 16: return std::min(d, s);
    default: return s;
  }
}

Pixel ref_merge(Pixel d, int dst_opacity, int dst_mode, Pixel s, int src_opacity, int src_mode) {
  const double as = ((src_opacity * alpha_of(s)) >> 7) / 255.0;
  const double ad = ((dst_opacity * alpha_of(d)) >> 7) / 255.0;
  const double a = as + ad - as * ad;
  if (a == 0) return 0x00FFFFFF;
  const int mode = src_mode == dst_mode ? 0 : src_mode;
  const Pixel t = mode >= 17 ? ref_colour_target(mode, d, s) : 0;
  Pixel out = Pixel(int(a * 255 + 0.5)) << 24;
  for (int i = 0; i < 3; ++i) {
    const double dc = byte_of(d, i), sc = byte_of(s, i);
    double r;
    if (mode == 2) {
      r = std::min(255.0, sc * as + dc * ad);
    } else if (mode == 3) {
      r = std::max(0.0, dc * ad - sc * as);
    } else {
      const double sp = mode >= 17 ? byte_of(t, i) : ref_exact(mode, dc, sc);
      r = (sp * as + dc * (1 - as) * ad) / a;
    }
    out = with_byte(out, i, int(r + 0.5));
  }
  return out;
}

Pixel ref_merge_normal(Pixel d, Pixel s, int opacity) {
  const double as = ((opacity * alpha_of(s)) >> 7) / 255.0;
  const double ad = alpha_of(d) / 255.0;
  const double a = as + ad - as * ad;
  const int h = int(a * 255 + 0.5);
  if (h == 0) return 0x00FFFFFF;
  const double e = ad * (1 - as);
  Pixel out = Pixel(h) << 24;
  for (int i = 0; i < 3; ++i)
    out = with_byte(out, i, int((e * byte_of(d, i) + as * byte_of(s, i)) / a + 0.5));
  return out;
}

// ------------------------------------------------------------ helpers ----

std::string hex(Pixel p) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", p);
  return buf;
}

LayerImage image_of(int w, int h, const std::vector<Pixel>& pixels) {
  LayerImage img;
  EXPECT_TRUE(img.create(w, h));
  std::copy(pixels.begin(), pixels.end(), img.pixels());
  return img;
}

LayerImage one_pixel(Pixel p) { return image_of(1, 1, {p}); }

std::vector<Pixel> pixels_of(const LayerImage& img) {
  return {img.pixels(), img.pixels() + img.pixel_count()};
}

// Layer content as painting makes it: plenty of fully transparent and fully
// opaque pixels, the rest anything.
Pixel random_pixel(std::mt19937& rng) {
  const Pixel rgb = rng() & 0xFFFFFF;
  switch (rng() % 4) {
    case 0: return rgb;
    case 1: return rgb | 0xFF000000;
    default: return rng();
  }
}

LayerImage random_image(std::mt19937& rng, int w, int h) {
  LayerImage img;
  EXPECT_TRUE(img.create(w, h));
  for (size_t i = 0; i < img.pixel_count(); ++i) img.pixels()[i] = random_pixel(rng);
  return img;
}

std::vector<SimdLevel> simd_levels() {
  std::vector<SimdLevel> levels;
  for (int l = 0; l <= int(detail::best_simd_level()); ++l) levels.push_back(SimdLevel(l));
  return levels;
}

const char* level_name(SimdLevel l) {
  return l == SimdLevel::Scalar ? "scalar" : l == SimdLevel::Sse2 ? "SSE2" : "AVX2";
}

class SimdLevelGuard {
 public:
  ~SimdLevelGuard() { detail::set_simd_level(detail::best_simd_level()); }
};

// Counts mismatches, reports the first few.
class Mismatches {
 public:
  void check(Pixel got, Pixel want, const std::string& what) {
    if (got != want && ++count_ <= 5)
      ADD_FAILURE() << what << ": got " << hex(got) << " want " << hex(want);
  }
  int count() const { return count_; }

 private:
  int count_ = 0;
};

// Every (below, layer) value pair, in each channel, over each layer alpha:
// one row per opacity.
constexpr int kGrid[] = {0, 1, 64, 127, 128, 129, 200, 254, 255};
constexpr int kAlphas[] = {0, 1, 2, 127, 128, 254, 255};
constexpr int kOpacities[] = {0, 1, 2, 63, 64, 127, 128};

void grid_images(LayerImage& below, LayerImage& layer) {
  std::vector<Pixel> d, s;
  for (int a = 0; a < 9; ++a)
    for (int b = 0; b < 9; ++b)
      for (int alpha : kAlphas) {
        // Channel B sees (g[a], g[b]), G the pair reversed, R a third mix.
        d.push_back(make_pixel(kGrid[(a + b) % 9], kGrid[(a + 2 * b) % 9], kGrid[b], kGrid[a]));
        s.push_back(make_pixel(alpha, kGrid[(a + b) % 9], kGrid[a], kGrid[b]));
      }
  below = image_of(int(d.size()), 1, d);
  layer = image_of(int(s.size()), 1, s);
}

// ---------------------------------------------------- display composite ----

TEST(CompositeDisplay, EveryModeOverTheValueGrid) {
  SimdLevelGuard guard;
  LayerImage below, layer;
  grid_images(below, layer);
  for (SimdLevel level : simd_levels()) {
    detail::set_simd_level(level);
    for (int mode = 0; mode < kBlendModeCount; ++mode)
      for (int opacity : kOpacities) {
        LayerImage dst;
        ASSERT_TRUE(dst.create(below.width(), 1));
        dst.copy_from(below);
        composite_display(dst, layer, opacity, mode, dst.bounds());
        Mismatches m;
        for (int x = 0; x < dst.width(); ++x)
          m.check(dst.pixels()[x], ref_display(below.pixels()[x], layer.pixels()[x], opacity, mode),
                  std::string(level_name(level)) + " mode " + std::to_string(mode) + " opacity " +
                      std::to_string(opacity) + " d " + hex(below.pixels()[x]) + " s " +
                      hex(layer.pixels()[x]));
        ASSERT_EQ(m.count(), 0);
      }
  }
}

TEST(CompositeDisplay, WorkedPixels) {
  struct Case {
    BlendMode mode;
    int opacity;
    Pixel d, s, want;
  };
  const Case cases[] = {
      // Full opacity over black lands one step short of white.
      {BlendMode::Normal, 128, 0xFF000000, 0xFFFFFFFF, 0xFFFEFEFE},
      // k = 64; the shift floors negative steps (alpha 255 → 223).
      {BlendMode::Normal, 64, 0xFF0000FF, 0x80FF0000, 0xDF3F00BF},
      // (s × d) >> 8, so even the alpha byte drops to 254.
      {BlendMode::Multiply, 128, 0xFFFFFFFF, 0xFF808080, 0xFE7F7F7F},
      {BlendMode::Add, 128, 0xFF404040, 0xFF102030, 0xFF4F5F6F},
      {BlendMode::Subtract, 128, 0xFF404040, 0xFF102030, 0x01312111},
      {BlendMode::Screen, 128, 0xFF808080, 0xFF808080, 0xFFBFBFBF},
      // Colour modes leave the destination's alpha alone.
      {BlendMode::Luminosity, 128, 0x12000000, 0xFF646464, 0x12646464},
      {BlendMode::Luminosity, 64, 0x12000000, 0xFF646464, 0x12313131},
      {BlendMode::Color, 128, 0x803366CC, 0xFF808080, 0x80626262},
      {BlendMode::Saturation, 128, 0x803366CC, 0xFF808080, 0x80626262},
      // A grey has no hue: a grey Hue layer greys the pixel at its luma.
      {BlendMode::Hue, 128, 0x803366CC, 0xFF808080, 0x80626262},
      // Grey layers over red (luma 0.3 → 77) and red layers over grey.
      {BlendMode::Hue, 128, 0xFFFF0000, 0xFF808080, 0xFF4D4D4D},
      {BlendMode::Saturation, 128, 0xFFFF0000, 0xFF808080, 0xFF4D4D4D},
      {BlendMode::Color, 128, 0xFFFF0000, 0xFF808080, 0xFF4D4D4D},
      {BlendMode::Luminosity, 128, 0xFFFF0000, 0xFF404040, 0xFFD50000},
      {BlendMode::Hue, 128, 0xFF808080, 0xFFFF0000, 0xFF808080},
      {BlendMode::Saturation, 128, 0xFF808080, 0xFFFF0000, 0xFF808080},
      // Color brings its own hue: red at luma 0.502, scaled into the gamut.
      {BlendMode::Color, 128, 0xFF808080, 0xFFFF0000, 0xFFFF4A4A},
      {BlendMode::Luminosity, 128, 0xFF808080, 0xFFFF0000, 0xFF4D4D4D},
      // Lumas that land on a half step: (0.3 R + 0.59 G + 0.11 B) / 255 in
      // that order gives 2.5 → 3 and 3.5 → 3 here; the luma of rgb_to_hcy
      // (channels scaled first, summed B first) would give 2 and 4.
      {BlendMode::Luminosity, 128, 0xFF000000, 0xFF00020C, 0xFF030303},
      {BlendMode::Luminosity, 128, 0xFF000000, 0xFF000505, 0xFF030303},
      {BlendMode::Color, 128, 0xFF00020C, 0xFF808080, 0xFF030303},
  };
  for (const Case& c : cases) {
    LayerImage dst = one_pixel(c.d), src = one_pixel(c.s);
    composite_display(dst, src, c.opacity, int(c.mode), dst.bounds());
    EXPECT_EQ(hex(dst.pixels()[0]), hex(c.want)) << blend_mode_name(int(c.mode));
  }
}

TEST(CompositeDisplay, ZeroOpacityOrZeroAlphaChangesNothing) {
  std::mt19937 rng(7);
  LayerImage below = random_image(rng, 29, 3);
  LayerImage layer = random_image(rng, 29, 3);
  LayerImage clear;
  ASSERT_TRUE(clear.create(29, 3));
  for (size_t i = 0; i < clear.pixel_count(); ++i) clear.pixels()[i] = rng() & 0xFFFFFF;
  for (int mode = 0; mode < kBlendModeCount; ++mode) {
    LayerImage dst;
    ASSERT_TRUE(dst.create(29, 3));
    dst.copy_from(below);
    composite_display(dst, layer, 0, mode, dst.bounds());
    composite_display(dst, clear, 128, mode, dst.bounds());
    flatten_layer(dst, layer, 0, mode);
    flatten_layer(dst, clear, 128, mode);
    EXPECT_EQ(pixels_of(dst), pixels_of(below)) << "mode " << mode;
  }
}

// Random sizes (odd widths), rectangles not aligned to any vector width and
// partly outside, random opacity: every kernel set against the reference,
// pixels outside the rectangle untouched.
TEST(CompositeDisplay, EveryKernelSetMatchesTheReferenceOnRandomData) {
  SimdLevelGuard guard;
  std::mt19937 rng(2024);
  for (SimdLevel level : simd_levels()) {
    detail::set_simd_level(level);
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
      Mismatches m;
      for (int trial = 0; trial < 12; ++trial) {
        const int w = 1 + int(rng() % 67), h = 1 + int(rng() % 7);
        const LayerImage below = random_image(rng, w, h);
        const LayerImage layer = random_image(rng, w, h);
        Rect r{int(rng() % (w + 4)) - 2, int(rng() % (h + 2)) - 1, 1 + int(rng() % (w + 3)),
               1 + int(rng() % (h + 2))};
        if (trial % 4 == 0) r = {0, int(rng() % h), w, h};  // whole rows: one long run
        const int opacity = trial % 3 == 0 ? 128 : int(rng() % 129);
        LayerImage dst;
        ASSERT_TRUE(dst.create(w, h));
        dst.copy_from(below);
        composite_display(dst, layer, opacity, mode, r);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const Pixel d = below.pixels()[y * w + x], s = layer.pixels()[y * w + x];
            m.check(dst.pixels()[y * w + x], r.contains(x, y) ? ref_display(d, s, opacity, mode) : d,
                    std::string(level_name(level)) + " mode " + std::to_string(mode) + " opacity " +
                        std::to_string(opacity) + " at " + std::to_string(x) + "," +
                        std::to_string(y) + " d " + hex(d) + " s " + hex(s));
          }
      }
      EXPECT_EQ(m.count(), 0) << level_name(level) << " mode " << mode;
    }
  }
}

TEST(CompositeDisplay, SizeMismatchOrEmptyRectangleChangesNothing) {
  std::mt19937 rng(3);
  const LayerImage below = random_image(rng, 8, 8);
  const LayerImage layer = random_image(rng, 8, 8);
  const LayerImage other = random_image(rng, 8, 9);
  LayerImage dst;
  ASSERT_TRUE(dst.create(8, 8));
  dst.copy_from(below);
  composite_display(dst, other, 128, 0, dst.bounds());
  composite_display(dst, layer, 128, 0, {8, 0, 5, 5});
  composite_display(dst, layer, 128, 0, {-6, 2, 6, 3});
  composite_display(dst, layer, 128, 0, {2, 2, 0, 3});
  flatten_layer(dst, other, 128, 0);
  merge_alpha_aware(dst, 128, 0, other, 128, 1);
  merge_normal_alpha(dst, other, 128);
  EXPECT_EQ(pixels_of(dst), pixels_of(below));
}

// ------------------------------------------------------------- flatten ----

TEST(FlattenLayer, WorkedPixels) {
  struct Case {
    BlendMode mode;
    int opacity;
    Pixel d, s, want;
  };
  const Case cases[] = {
      // Divides by 255: full opacity reaches the layer exactly.
      {BlendMode::Normal, 128, 0xFFFFFFFF, 0xFF000000, 0xFF000000},
      {BlendMode::Normal, 64, 0xFFFFFFFF, 0xFF000000, 0xFF808080},
      {BlendMode::Add, 128, 0xFF404040, 0xFF102030, 0xFF506070},
      {BlendMode::Subtract, 128, 0xFF404040, 0xFF102030, 0xFF302010},
      // (128 − 255) × 128 / 255 = −63.75 truncates toward zero; alpha stays.
      {BlendMode::Multiply, 128, 0x12FFFFFF, 0x80808080, 0x12C0C0C0},
  };
  for (const Case& c : cases) {
    LayerImage dst = one_pixel(c.d), src = one_pixel(c.s);
    flatten_layer(dst, src, c.opacity, int(c.mode));
    EXPECT_EQ(hex(dst.pixels()[0]), hex(c.want)) << blend_mode_name(int(c.mode));
  }
}

TEST(FlattenLayer, EveryModeMatchesTheReferenceOnRandomData) {
  std::mt19937 rng(11);
  for (int mode = 0; mode < kBlendModeCount; ++mode) {
    const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 5);
    const LayerImage below = random_image(rng, w, h);
    const LayerImage layer = random_image(rng, w, h);
    const int opacity = mode % 2 ? 128 : int(rng() % 129);
    LayerImage dst;
    ASSERT_TRUE(dst.create(w, h));
    dst.copy_from(below);
    flatten_layer(dst, layer, opacity, mode);
    Mismatches m;
    for (size_t i = 0; i < dst.pixel_count(); ++i)
      m.check(dst.pixels()[i], ref_flatten(below.pixels()[i], layer.pixels()[i], opacity, mode),
              "mode " + std::to_string(mode) + " d " + hex(below.pixels()[i]) + " s " +
                  hex(layer.pixels()[i]));
    EXPECT_EQ(m.count(), 0) << "mode " << mode;
  }
}

// The vector paths of Normal and the divide-free quotient, over every
// (below, layer, coverage) triple: 4096 × 4096 pixels, one per triple.
TEST(FlattenLayer, NormalMatchesTheReferenceForEveryByteTriple) {
  LayerImage below, layer;
  ASSERT_TRUE(below.create(4096, 4096));
  ASSERT_TRUE(layer.create(4096, 4096));
  for (uint32_t i = 0; i < 4096u * 4096u; ++i) {
    const uint32_t d = i & 0xFF, sv = (i >> 8) & 0xFF, a = i >> 16;
    below.pixels()[i] = make_pixel(0x5A, d, 255 - d, d);
    layer.pixels()[i] = make_pixel(a, sv, sv ^ 0x55, 255 - sv);
  }
  LayerImage dst;
  ASSERT_TRUE(dst.create(4096, 4096));
  SimdLevelGuard guard;
  for (detail::SimdLevel level : {detail::SimdLevel::Avx2, detail::SimdLevel::Sse2}) {
    if (detail::set_simd_level(level) != level) continue;
    dst.copy_from(below);
    flatten_layer(dst, layer, 128, int(BlendMode::Normal));
    Mismatches m;
    for (size_t i = 0; i < dst.pixel_count(); ++i) {
      const Pixel want = ref_flatten(below.pixels()[i], layer.pixels()[i], 128, 0);
      if (dst.pixels()[i] != want)
        m.check(dst.pixels()[i], want, "d " + hex(below.pixels()[i]) + " s " + hex(layer.pixels()[i]));
    }
    EXPECT_EQ(m.count(), 0) << "level " << int(level);
  }
}

// ------------------------------------------------------- alpha merges ----

TEST(MergeAlphaAware, WorkedPixels) {
  struct Case {
    BlendMode dst_mode;
    int dst_opacity;
    Pixel d;
    BlendMode src_mode;
    int src_opacity;
    Pixel s, want;
  };
  using M = BlendMode;
  const Case cases[] = {
      // Half-covered red over opaque blue.
      {M::Normal, 128, 0xFF0000FF, M::Normal, 128, 0x80FF0000, 0xFF80007F},
      // s' = 64 × 128 / 255 = 32.125 unrounded, as = 127 / 255: 48.125.
      {M::Normal, 128, 0xFF404040, M::Multiply, 64, 0xFF808080, 0xFF303030},
      // Add and Subtract weight each side by its own coverage.
      {M::Normal, 128, 0x80404040, M::Add, 128, 0xFF102030, 0xFF304050},
      {M::Normal, 128, 0xFF404040, M::Subtract, 128, 0xFF102030, 0xFF302010},
      // The destination's opacity scales its alpha.
      {M::Normal, 64, 0xFF336699, M::Normal, 128, 0x00000000, 0x7F336699},
      // Two fully transparent pixels, whatever their colour.
      {M::Normal, 128, 0x00ABCDEF, M::Screen, 128, 0x00123456, 0x00FFFFFF},
      // Two Multiply layers combine with Normal…
      {M::Multiply, 128, 0xFF404040, M::Multiply, 128, 0x80FF0000, 0xFFA02020},
      // …where a Multiply layer over a Normal one multiplies.
      {M::Normal, 128, 0xFF404040, M::Multiply, 128, 0x80FF0000, 0xFF402020},
  };
  for (const Case& c : cases) {
    LayerImage dst = one_pixel(c.d), src = one_pixel(c.s);
    merge_alpha_aware(dst, c.dst_opacity, int(c.dst_mode), src, c.src_opacity, int(c.src_mode));
    EXPECT_EQ(hex(dst.pixels()[0]), hex(c.want))
        << blend_mode_name(int(c.src_mode)) << " over " << blend_mode_name(int(c.dst_mode));
  }
}

TEST(MergeAlphaAware, EqualModesMergeAsNormal) {
  std::mt19937 rng(5);
  const LayerImage below = random_image(rng, 23, 4);
  const LayerImage layer = random_image(rng, 23, 4);
  for (int mode : {1, 2, 5, 17}) {
    LayerImage same, normal;
    ASSERT_TRUE(same.create(23, 4));
    ASSERT_TRUE(normal.create(23, 4));
    same.copy_from(below);
    normal.copy_from(below);
    merge_alpha_aware(same, 100, mode, layer, 90, mode);
    merge_alpha_aware(normal, 100, 0, layer, 90, 0);
    EXPECT_EQ(pixels_of(same), pixels_of(normal)) << "mode " << mode;
  }
}

TEST(MergeAlphaAware, EveryModeMatchesTheReferenceOnRandomData) {
  std::mt19937 rng(17);
  for (int mode = 0; mode < kBlendModeCount; ++mode) {
    const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 5);
    const LayerImage below = random_image(rng, w, h);
    const LayerImage layer = random_image(rng, w, h);
    const int dst_opacity = int(rng() % 129), src_opacity = mode % 2 ? 128 : int(rng() % 129);
    LayerImage dst;
    ASSERT_TRUE(dst.create(w, h));
    dst.copy_from(below);
    merge_alpha_aware(dst, dst_opacity, 0, layer, src_opacity, mode);
    Mismatches m;
    for (size_t i = 0; i < dst.pixel_count(); ++i)
      m.check(dst.pixels()[i],
              ref_merge(below.pixels()[i], dst_opacity, 0, layer.pixels()[i], src_opacity, mode),
              "mode " + std::to_string(mode) + " d " + hex(below.pixels()[i]) + " s " +
                  hex(layer.pixels()[i]));
    EXPECT_EQ(m.count(), 0) << "mode " << mode;
  }
}

TEST(MergeNormalAlpha, WorkedPixels) {
  struct Case {
    int opacity;
    Pixel d, s, want;
  };
  const Case cases[] = {
      {128, 0x00FFFFFF, 0x80FF0000, 0x80FF0000},  // onto transparent: the layer as it is
      {128, 0xFF0000FF, 0x80FF0000, 0xFF80007F},
      // as = 127/255, ad = 128/255 (no destination opacity): a ≈ 0.75.
      {64, 0x80000000, 0xFF00FF00, 0xBF00A900},
      {128, 0x00ABCDEF, 0x00123456, 0x00FFFFFF},
  };
  for (const Case& c : cases) {
    LayerImage dst = one_pixel(c.d), src = one_pixel(c.s);
    merge_normal_alpha(dst, src, c.opacity);
    EXPECT_EQ(hex(dst.pixels()[0]), hex(c.want)) << hex(c.d) << " " << hex(c.s);
  }
}

TEST(MergeNormalAlpha, MatchesTheReferenceOnRandomData) {
  std::mt19937 rng(23);
  Mismatches m;
  for (int trial = 0; trial < 8; ++trial) {
    const LayerImage below = random_image(rng, 31, 3);
    const LayerImage layer = random_image(rng, 31, 3);
    const int opacity = int(rng() % 129);
    LayerImage dst;
    ASSERT_TRUE(dst.create(31, 3));
    dst.copy_from(below);
    merge_normal_alpha(dst, layer, opacity);
    for (size_t i = 0; i < dst.pixel_count(); ++i)
      m.check(dst.pixels()[i], ref_merge_normal(below.pixels()[i], layer.pixels()[i], opacity),
              "opacity " + std::to_string(opacity) + " d " + hex(below.pixels()[i]) + " s " +
                  hex(layer.pixels()[i]));
  }
  EXPECT_EQ(m.count(), 0);
}

}  // namespace
}  // namespace qm
