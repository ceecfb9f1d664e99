// Combining the stroke buffer into the layer.
#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "paint/combine.h"
#include "paint/over_rows.h"
#include "paint_test_util.h"

namespace qm {
namespace {

// Stroke over backup one channel at a time, as written down.
Pixel combine_formula(Pixel s, Pixel b, bool keep) {
  const double h = alpha_of(s) / 255.0, l = alpha_of(b) / 255.0;
  const double m = h + l - h * l;
  if (m == 0) return kTransparent;
  auto ch = [&](uint32_t sc, uint32_t bc) { return uint32_t(((l * (1 - h)) * bc + h * sc) / m + 0.5); };
  return make_pixel(keep ? alpha_of(b) : uint32_t(m * 255 + 0.5), ch(red_of(s), red_of(b)),
                    ch(green_of(s), green_of(b)), ch(blue_of(s), blue_of(b)));
}

TEST(Combine, EqualsTheScalarFormula) {
  std::mt19937 rng(13);
  for (uint32_t hs = 0; hs < 256; ++hs)
    for (uint32_t lb = 0; lb < 256; ++lb)
      for (int k = 0; k < 6; ++k) {
        const Pixel s = (hs << 24) | (rng() & 0xFFFFFF), b = (lb << 24) | (rng() & 0xFFFFFF);
        const bool keep = k & 1;
        ASSERT_EQ(combine_over(s, b, keep), combine_formula(s, b, keep)) << hs << " " << lb;
      }
}

TEST(Combine, EmptyStrokePixelShortcutIsExact) {
  std::mt19937 rng(11);
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t c = 0; c < 256; ++c)
      for (bool keep : {false, true}) {
        const Pixel backup = make_pixel(a, c, 255 - c, (c * 7) & 255);
        const Pixel stroke = rng() & 0x00FFFFFF;
        ASSERT_EQ(combine_over(stroke, backup, keep), combine_over_plain(stroke, backup, keep)) << a << " " << c;
        ASSERT_EQ(combine_over(stroke, backup, keep), a ? backup : kTransparent);
      }
}

TEST(Combine, WholeStrokeOrEmptyBackupGivesTheStrokePixel) {
  // Alpha 255 over any backup, and any alpha over a transparent one, give
  // the stroke pixel (the backup's alpha under keep_alpha): every alpha and
  // channel value.
  std::mt19937 rng(17);
  for (uint32_t a = 1; a < 256; ++a)
    for (uint32_t c = 0; c < 256; ++c)
      for (bool keep : {false, true}) {
        const Pixel whole = make_pixel(255, c, 255 - c, c ^ 0xA5);
        const Pixel backup = (a << 24) | (rng() & 0xFFFFFF);
        ASSERT_EQ(combine_over_plain(whole, backup, keep), keep ? (whole & 0xFFFFFF) | (a << 24) : whole) << a << " " << c;
        const Pixel stroke = (a << 24) | (whole & 0xFFFFFF);
        const Pixel empty = rng() & 0xFFFFFF;
        ASSERT_EQ(combine_over_plain(stroke, empty, keep), keep ? stroke & 0xFFFFFF : stroke) << a << " " << c;
      }
}

TEST(Combine, StrokeOverItsOwnColourKeepsTheColour) {
  // Every stroke alpha, backup alpha and channel value: only the alpha changes.
  for (uint32_t h = 1; h < 256; ++h)
    for (uint32_t l = 1; l < 256; ++l)
      for (uint32_t c = 0; c < 256; ++c) {
        const uint32_t colour = (c << 16) | ((255 - c) << 8) | (c ^ 0x3C);
        const Pixel out = combine_over_plain((h << 24) | colour, (l << 24) | colour, false);
        ASSERT_EQ(out & 0xFFFFFF, colour) << h << " " << l << " " << c;
      }
}

TEST(Combine, RowsEqualThePixelFormula) {
  // Every pair of alphas, in rows whose lengths leave tails of 0 … 3 pixels.
  std::mt19937 rng(29);
  std::vector<Pixel> stroke, backup;
  for (uint32_t hs = 0; hs < 256; ++hs)
    for (uint32_t lb = 0; lb < 256; ++lb) {
      stroke.push_back((hs << 24) | (rng() & 0xFFFFFF));
      backup.push_back(lb ? (lb << 24) | (rng() & 0xFFFFFF) : (rng() & 1 ? kTransparent : rng() & 0xFFFFFF));
    }
  // Runs of backup pixels of their stroke pixels' colours (paint over paint).
  for (size_t i = 0; i < backup.size(); ++i)
    if (i / 8 % 2 && alpha_of(backup[i])) backup[i] = (backup[i] & 0xFF000000) | (stroke[i] & 0xFFFFFF);
  for (bool keep : {false, true})
    for (size_t start = 0, n = 1; start < stroke.size(); start += n, n = n % 23 + 1) {
      n = std::min(n, stroke.size() - start);
      std::vector<Pixel> out(n);
      combine_over_row(out.data(), &stroke[start], &backup[start], int(n), keep);
      std::vector<Pixel> in_place(backup.begin() + long(start), backup.begin() + long(start + n));
      combine_over_row(in_place.data(), &stroke[start], in_place.data(), int(n), keep);
      for (size_t i = 0; i < n; ++i) {
        const Pixel want = combine_over_plain(stroke[start + i], backup[start + i], keep);
        ASSERT_EQ(out[i], want) << start + i << " " << keep;
        ASSERT_EQ(in_place[i], want) << start + i << " " << keep;
      }
    }
}

TEST(Combine, StrokeOverBackup) {
  // Half white over opaque black.
  EXPECT_EQ(combine_over(0x80FFFFFF, 0xFF000000, false), 0xFF808080u);
  // Over nothing the stroke pixel comes through unchanged.
  for (uint32_t a = 1; a < 256; ++a)
    ASSERT_EQ(combine_over(make_pixel(a, 12, 34, 56), kTransparent, false), make_pixel(a, 12, 34, 56));
  // Mask mode 3 keeps the backup's alpha but takes the colour.
  EXPECT_EQ(combine_over(0xFFFF0000, 0x400000FF, true), 0x40FF0000u);
  EXPECT_EQ(combine_over(0xFFFF0000, 0x400000FF, false), 0xFFFF0000u);
}

TEST(Combine, RectanglesAndErasing) {
  LayerImage layer, stroke, backup;
  for (LayerImage* img : {&layer, &stroke, &backup}) {
    ASSERT_TRUE(img->create(4, 2));
    img->fill(kTransparent);
  }
  backup.fill(0xC8112233);
  layer.fill(0x01010101);  // whatever the layer holds is rebuilt from the backup
  stroke.pixels()[0] = 0x32FFFFFF;
  stroke.pixels()[1] = 0xC8FFFFFF;
  stroke.pixels()[2] = 0xFFFFFFFF;
  combine_erase(layer, stroke, backup, {0, 0, 3, 1}, 0);
  EXPECT_EQ(layer.get_pixel(0, 0), 0x96112233u);
  EXPECT_EQ(layer.get_pixel(1, 0), kTransparent);
  EXPECT_EQ(layer.get_pixel(2, 0), kTransparent);
  EXPECT_EQ(layer.get_pixel(3, 0), 0x01010101u);  // outside the rectangle
  // Under mask mode 3 erasing does nothing at all.
  layer.fill(0x01010101);
  combine_erase(layer, stroke, backup, layer.bounds(), 3);
  EXPECT_EQ(layer.get_pixel(0, 0), 0x01010101u);
  // In place: the layer serves as its own backup.
  combine_stroke(backup, stroke, backup, {0, 0, 1, 1}, 0);
  EXPECT_EQ(backup.get_pixel(0, 0), combine_over(0x32FFFFFF, 0xC8112233, false));
  EXPECT_EQ(backup.get_pixel(1, 0), 0xC8112233u);
}

}  // namespace
}  // namespace qm
