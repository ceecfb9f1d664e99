// The pixel-write table, the mask test and the texture.
#include <cmath>
#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "paint/over_rows.h"
#include "paint/random.h"
#include "paint/tool_table.h"
#include "paint/write_modes.h"
#include "paint_test_util.h"

namespace qm {
namespace {

struct Target {
  LayerImage img, ref;
  PaintSurface surface;
  Target(int w, int h, int mode) {
    img.create(w, h);
    img.fill(kTransparent);
    ref.create(w, h);
    ref.fill(kTransparent);
    surface.raster = &img;
    surface.reference = &ref;
    surface.clip = img.bounds();
    surface.write_mode = mode;
  }
  void write_all(uint8_t alpha, uint32_t colour) { write_rect(surface, img.bounds(), alpha, colour); }
};

// The "over" formula one channel at a time, as written down.
Pixel blend_formula(Pixel dst, uint32_t colour, uint32_t a) {
  if (a == 255) return 0xFF000000 | colour;
  const uint32_t A = alpha_of(dst);
  const double sa = a / 255.0, da = A / 255.0;
  const double out = a / 255.0 + A / 255.0 - double(a * A) / 65025.0;
  auto ch = [&](uint32_t c, uint32_t d) { return uint32_t((sa * c + da * (1 - sa) * d) / out + 0.5); };
  return make_pixel(uint32_t(out * 255 + 0.5), ch(red_of(colour), red_of(dst)), ch(green_of(colour), green_of(dst)),
                    ch(blue_of(colour), blue_of(dst)));
}

TEST(WriteModes, BlendEqualsTheScalarFormula) {
  std::mt19937 rng(5);
  for (uint32_t a = 1; a < 256; ++a)
    for (uint32_t A = 0; A < 256; ++A)
      for (int k = 0; k < 6; ++k) {
        const uint32_t colour = rng() & 0xFFFFFF;
        const Pixel dst = (A << 24) | (rng() & 0xFFFFFF);
        ASSERT_EQ(blend_over(dst, colour, a), blend_formula(dst, colour, a)) << a << " " << A;
      }
}

TEST(WriteModes, BlendOverAnEmptyPixelShortcutIsExact) {
  std::mt19937 rng(3);
  for (uint32_t a = 1; a < 256; ++a)
    for (uint32_t c = 0; c < 256; ++c) {
      const uint32_t colour = (c << 16) | ((255 - c) << 8) | (c ^ a);
      const Pixel dst = rng() & 0x00FFFFFF;  // any colour, alpha 0
      ASSERT_EQ(blend_over(dst, colour, a), blend_over_plain(dst, colour, a)) << a << " " << c;
      ASSERT_EQ(blend_over(dst, colour, a), (a << 24) | colour);
    }
}

TEST(WriteModes, BlendOverAPixelOfTheColourKeepsTheColour) {
  // Every dab alpha, pixel alpha and channel value: only the alpha changes.
  for (uint32_t a = 1; a < 256; ++a)
    for (uint32_t A = 1; A < 256; ++A)
      for (uint32_t c = 0; c < 256; ++c) {
        const uint32_t colour = (c << 16) | ((255 - c) << 8) | (c ^ 0x5A);
        const Pixel out = blend_over_plain((A << 24) | colour, colour, a);
        ASSERT_EQ(out & 0xFFFFFF, colour) << a << " " << A << " " << c;
      }
}

TEST(WriteModes, BlendRowsEqualThePixelFormula) {
  // Every pair of alphas (dab alpha 0 leaves the pixel alone), in rows whose
  // lengths leave tails of 0 … 3 pixels.
  std::mt19937 rng(31);
  std::vector<uint8_t> alpha;
  std::vector<Pixel> dst;
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t A = 0; A < 256; ++A) {
      alpha.push_back(uint8_t(a));
      dst.push_back((A << 24) | (rng() & 0xFFFFFF));
    }
  for (size_t start = 0, n = 1; start < dst.size(); start += n, n = n % 19 + 1) {
    n = std::min(n, dst.size() - start);
    const uint32_t colour = rng() & 0xFFFFFF;
    // Every other run is mostly of the colour already, as inside a stroke.
    if (start % 2)
      for (size_t i = start; i < start + n; ++i)
        if (rng() % 8) dst[i] = (dst[i] & 0xFF000000) | colour;
    std::vector<Pixel> out(dst.begin() + long(start), dst.begin() + long(start + n));
    blend_over_row(out.data(), &alpha[start], int(n), colour);
    for (size_t i = 0; i < n; ++i) {
      const Pixel d = dst[start + i];
      const Pixel want = alpha[start + i] ? blend_over_plain(d, colour, alpha[start + i]) : d;
      ASSERT_EQ(out[i], want) << start + i;
    }
  }
}

TEST(WriteModes, BlendFollowsTheOverFormula) {
  // Half white over half black: A' = 0.502 + 0.502 − 0.252 = 0.752;
  // channel = 0.502 × 255 / 0.752 = 170.2; alpha = trunc(191.75 + 0.5).
  EXPECT_EQ(blend_over(0x80000000, 0xFFFFFF, 128), 0xC0AAAAAAu);
  EXPECT_EQ(blend_over(0x80123456, 0xABCDEF, 255), 0xFFABCDEFu);
  // Opaque below stays opaque; the colour moves by a/255.
  EXPECT_EQ(blend_over(0xFF000000, 0xFF0000, 51), 0xFF330000u);
}

TEST(WriteModes, ReplaceMaxEraseDodgeBurn) {
  Target t(4, 1, kWriteMax);
  t.write_all(100, 0x112233);
  t.write_all(100, 0x445566);  // equal alpha writes
  EXPECT_EQ(t.img.get_pixel(0, 0), 0x64445566u);
  t.write_all(50, 0x778899);   // lower alpha leaves it
  EXPECT_EQ(t.img.get_pixel(0, 0), 0x64445566u);
  t.write_all(150, 0x778899);
  EXPECT_EQ(t.img.get_pixel(3, 0), 0x96778899u);

  t.surface.write_mode = kWriteReplace;
  t.write_all(7, 0xFFFFFF);
  EXPECT_EQ(t.img.get_pixel(1, 0), 0x07FFFFFFu);

  EXPECT_EQ(erase_pixel_by(0x64102030, 40), 0x3C102030u);
  EXPECT_EQ(erase_pixel_by(0x64102030, 100), kTransparent);
  EXPECT_EQ(erase_pixel_by(0x64102030, 255), kTransparent);

  // (c·255 + (255 − a)/2) / (255 − a) for c = 100, a = 128: 25563 / 127.
  EXPECT_EQ(dodge_pixel(0x80646464, 128), 0x80C9C9C9u);
  EXPECT_EQ(dodge_pixel(0x80646400, 255), 0x80FFFFFFu);
  // 255 − min(255, (155·255 + 63) / 127) = 0; for c = 200: 255 − 110.
  EXPECT_EQ(burn_pixel(0x4064C8FF, 128), 0x40009100u | 0xFFu);
  EXPECT_EQ(burn_pixel(0x40FFFFFF, 255), 0x40000000u);
}

TEST(MaskTest, ColourMaskTwoWithoutAMatchProtectsEverything) {
  for (int mode = 0; mode < kWriteModeCount; ++mode) {
    if (mode == kWriteOver) continue;  // stamps images past every mask
    Target t(16, 8, mode);
    test::paint_background(t.ref);
    t.img.copy_from(t.ref);
    t.surface.masks.colour_mask_type = 2;
    t.surface.masks.colour_mask_count = 5;
    t.surface.masks.colour_mask = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F};
    const uint64_t before = test::hash_pixels(t.img);
    seed_shared_random(1);
    t.write_all(200, 0xFF00FF);
    EXPECT_EQ(test::hash_pixels(t.img), before) << "mode " << mode;
  }
}

TEST(MaskTest, Rules) {
  MaskRules m;
  const Pixel clear = kTransparent, red = 0xFFFF0000, half_blue = 0x800000FF;
  EXPECT_FALSE(m.can_protect());
  m.mask_mode = 1;
  EXPECT_TRUE(is_protected(m, clear));
  EXPECT_FALSE(is_protected(m, red));
  m.mask_mode = 2;
  EXPECT_FALSE(is_protected(m, clear));
  EXPECT_TRUE(is_protected(m, half_blue));
  m.mask_mode = 3;  // keeps alpha, protects nothing
  EXPECT_FALSE(m.can_protect());
  m.colour_mask_type = 1;
  m.colour_mask_count = 2;
  m.colour_mask = {0x00FF00, 0x0000FF};
  EXPECT_TRUE(is_protected(m, half_blue));
  EXPECT_FALSE(is_protected(m, red));
  EXPECT_FALSE(is_protected(m, 0x000000FF));  // transparent: not a listed colour
  m.colour_mask_type = 2;
  EXPECT_FALSE(is_protected(m, half_blue));
  EXPECT_TRUE(is_protected(m, red));
  EXPECT_TRUE(is_protected(m, 0x000000FF));
  m.colour_mask_count = 1;  // only the first colour is listed now
  EXPECT_TRUE(is_protected(m, half_blue));
}

TEST(MaskTest, JudgedOnTheReferenceNotTheTarget) {
  Target t(3, 1, kWriteReplace);
  t.ref.pixels()[0] = 0xFF102030;  // opaque only in the reference
  t.img.pixels()[2] = 0xFF102030;  // opaque only in the target
  t.surface.masks.mask_mode = 1;   // protect transparent
  t.write_all(255, 0xABCDEF);
  EXPECT_EQ(t.img.get_pixel(0, 0), 0xFFABCDEFu);
  EXPECT_EQ(t.img.get_pixel(1, 0), kTransparent);
  EXPECT_EQ(t.img.get_pixel(2, 0), 0xFF102030u);
}

TEST(WriteModes, TextureScalesTheAlphaFromTheCanvasOrigin) {
  const uint8_t tex[] = {255, 128, 0, 64};  // 2 × 2
  Target t(5, 3, kWriteReplace);
  t.surface.texture = {2, 2, tex};
  t.write_all(200, 0x010203);
  EXPECT_EQ(alpha_of(t.img.get_pixel(0, 0)), 200);
  EXPECT_EQ(alpha_of(t.img.get_pixel(1, 0)), 200 * 128 / 255);
  EXPECT_EQ(t.img.get_pixel(0, 1), kTransparent);  // texture 0: not written
  EXPECT_EQ(alpha_of(t.img.get_pixel(1, 1)), 200 * 64 / 255);
  EXPECT_EQ(alpha_of(t.img.get_pixel(4, 2)), 200);
  // Plain over stamps images without masks or texture.
  Target o(2, 1, kWriteOver);
  o.surface.texture = {2, 2, tex};
  o.surface.masks.mask_mode = 1;
  o.write_all(255, 0x445566);
  EXPECT_EQ(o.img.get_pixel(1, 0), 0xFF445566u);
  // Set writes the value itself.
  Target s(2, 1, kWriteSet);
  write_pixel(s.surface, 1, 0, 0x12345678);
  EXPECT_EQ(s.img.get_pixel(1, 0), 0x12345678u);
}

TEST(WriteModes, SprayHitsOnePixelInSixteen) {
  seed_shared_random(2024);
  Target t(256, 256, kWriteSpray);
  t.write_all(255, 0x00FF00);
  const int n = 256 * 256;
  int hits = 0;
  double sum_alpha = 0;
  int lowest = 255;
  for (size_t i = 0; i < t.img.pixel_count(); ++i) {
    const Pixel p = t.img.pixels()[i];
    if (!alpha_of(p)) continue;
    ++hits;
    sum_alpha += alpha_of(p);
    lowest = std::min<int>(lowest, alpha_of(p));
    ASSERT_EQ(p & 0xFFFFFF, 0x00FF00u);
  }
  // Binomial(n, 1/16): mean 4096, σ ≈ 62; five σ either way.
  EXPECT_NEAR(hits, n / 16.0, 5 * std::sqrt(n / 16.0 * 15 / 16));
  // Alphas uniform on 1 … 255: mean 128, σ of the mean ≈ 1.2.
  EXPECT_NEAR(sum_alpha / hits, 128, 6);
  EXPECT_GE(lowest, 1);
  // A second pass never lowers a pixel (mode 3 beneath).
  LayerImage before;
  before.create(256, 256);
  before.copy_from(t.img);
  t.write_all(40, 0x00FF00);
  for (size_t i = 0; i < t.img.pixel_count(); ++i)
    ASSERT_GE(alpha_of(t.img.pixels()[i]), alpha_of(before.pixels()[i]));
}

TEST(WriteModes, BlurAveragesTheNeighbourhood) {
  auto blur_centre = [](int mask_mode, int colour_mask_type) {
    Target t(3, 3, kWriteBlur);
    t.img.pixels()[4] = 0xFFFF0000;
    t.img.pixels()[0] = 0x800000FF;
    t.ref.copy_from(t.img);
    t.surface.masks.mask_mode = mask_mode;
    t.surface.masks.colour_mask_type = colour_mask_type;
    t.surface.masks.colour_mask_count = 1;
    t.surface.masks.colour_mask[0] = 0x0000FF;
    write_pixel(t.surface, 1, 1, 0x01000000);
    return t.img.get_pixel(1, 1);
  };
  // ΣA = 383 over 9: alpha (383 + 4) / 9 = 43; red = 255·255 / 383, blue = 255·128 / 383.
  EXPECT_EQ(blur_centre(0, 0), make_pixel(43, 255 * 255 / 383, 0, 255 * 128 / 383));
  // Transparent neighbours left out under mask mode 1.
  EXPECT_EQ(blur_centre(1, 0), make_pixel((383 + 1) / 2, 255 * 255 / 383, 0, 255 * 128 / 383));
  // The alpha stays under mask mode 3.
  EXPECT_EQ(blur_centre(3, 0), make_pixel(255, 255 * 255 / 383, 0, 255 * 128 / 383));
  // A protected colour is left out of the sums (the blue corner is listed, but
  // the centre itself is red and may change).
  EXPECT_EQ(blur_centre(0, 1), make_pixel((255 + 4) / 8, 255, 0, 0));

  // Edge pixels repeat at the border; an empty neighbourhood gives white.
  Target e(2, 1, kWriteBlur);
  write_pixel(e.surface, 0, 0, 0xFF000000);
  EXPECT_EQ(e.img.get_pixel(0, 0), kTransparent);
}

TEST(WriteModes, SpansAreClipped) {
  Target t(8, 4, kWriteReplace);
  t.surface.clip = {2, 1, 4, 2};
  std::vector<uint8_t> alpha(40, 255);
  write_span(t.surface, -20, 1, 40, alpha.data(), 0x00FF00);
  write_span(t.surface, 0, 0, 40, alpha.data(), 0x00FF00);        // row outside the clip
  write_span(t.surface, 1 << 30, 2, 40, alpha.data(), 0x00FF00);  // far right
  write_span(t.surface, -(1 << 30), 2, 40, alpha.data(), 0x00FF00);
  EXPECT_EQ(test::grid(t.img, t.img.bounds()),
            (std::vector<std::string>{"........", "..####..", "........", "........"}));
}

}  // namespace
}  // namespace qm
