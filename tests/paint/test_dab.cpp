// Dab rasterisation and brush shapes.
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "paint/dab_raster.h"
#include "paint/dab_shapes.h"
#include "paint/write_modes.h"
#include "paint_test_util.h"

namespace qm {
namespace {

const ShapeMap* all_maps[] = {&hard_disc_map(), &soft_disc_map(), &cone_map(196), &cone_map(128)};

struct Canvas {
  LayerImage img;
  PaintSurface surface;
  explicit Canvas(int w, int h, int mode = kWriteReplace) {
    img.create(w, h);
    img.fill(kTransparent);
    surface.raster = &img;
    surface.reference = &img;
    surface.clip = img.bounds();
    surface.write_mode = mode;
  }
};

TEST(DabRaster, FastCoverageEqualsSampleBySample) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> pos(-30, 30), frac(0, 1);
  std::vector<double> sizes;
  for (double s = 0.05; s < 48; s += 0.23) sizes.push_back(s);
  for (double s : {2.0 / 16, 3.0 / 16, 4.0, 4.01, 4.0625, 64.0, 99.9, 100.0, 160.0, 255.0, 400.0})
    sizes.push_back(s);
  std::vector<uint8_t> fast, plain;
  int compared = 0;
  for (double size : sizes)
    for (int k = 0; k < 3; ++k) {
      const double x = pos(rng) + frac(rng), y = pos(rng) + frac(rng);
      DabGrid g;
      if (!dab_grid(x, y, size, g)) continue;
      const Rect b = dab_bounds(g);
      // The whole dab (big ones: a corner and a piece of the middle, as a
      // clip would leave them), and a part of it.
      std::vector<Rect> areas{Rect{b.x + b.w / 3, b.y + b.h / 4, std::max(1, b.w / 2), std::max(1, b.h / 3)}};
      if (b.w <= 48) areas.push_back(b);
      else areas.push_back({b.x, b.y + b.h / 2 - 8, 20, 16});
      for (Rect area : areas) {
        area = intersect(area, b);
        if (area.w * area.h > 48 * 48) area.h = std::max(1, 48 * 48 / area.w);
        const ShapeMap& map = *all_maps[(compared / 2) % 4];
        const bool coverage = compared % 3 != 0;
        const int density = 1 + int(rng() % 255);
        fast.assign(size_t(area.w) * size_t(area.h), 0xAA);
        plain.assign(fast.size(), 0x55);
        dab_alpha(g, map, density, coverage, area, fast.data());
        dab_alpha_reference(g, map, density, coverage, area, plain.data());
        ASSERT_EQ(fast, plain) << "size " << size << " at " << x << "," << y;
        ++compared;
      }
    }
  EXPECT_GT(compared, 1200);
}

// Runs of dabs of one size along a path reuse their column and row layouts
// and their coverage; sizes, shapes, densities and clipped widths alternate so
// a kept one must never serve a grid, shape or area it was not made for.
TEST(DabRaster, ReusedLayoutsEqualSampleBySample) {
  std::mt19937 rng(12);
  std::uniform_real_distribution<double> step(0, 1.7);
  std::vector<uint8_t> fast, plain;
  double x = 3.3, y = 7.1;
  for (int i = 0; i < 900; ++i) {
    const double size = (i / 50) % 2 ? 20.0 : (i % 3 ? 20.0625 : 6.5);
    x += step(rng);
    y += step(rng) * 0.3;
    DabGrid g;
    ASSERT_TRUE(dab_grid(x, y, size, g));
    Rect area = dab_bounds(g);
    if (i % 4 == 1) area = {area.x + 2, area.y, std::max(1, area.w - 3), area.h};  // clipped on the left
    if (i % 4 == 3) area = {area.x, area.y + 1, area.w, std::max(1, area.h - 3)};  // and on the top
    const int density = 1 + int(rng() % 255);
    fast.assign(size_t(area.w) * size_t(area.h), 0xAA);
    plain.assign(fast.size(), 0x55);
    const ShapeMap& map = i % 7 < 4 ? cone_map(196) : hard_disc_map();
    const bool coverage = i % 5 != 0;
    dab_alpha(g, map, density, coverage, area, fast.data());
    dab_alpha_reference(g, map, density, coverage, area, plain.data());
    ASSERT_EQ(fast, plain) << i;
  }
}

TEST(DabRaster, AtMostTwoSixteenthsDrawsNothing) {
  DabGrid g;
  EXPECT_FALSE(dab_grid(5, 5, 0.15, g));   // rounds to 2 sixteenths
  EXPECT_FALSE(dab_grid(5, 5, 0.0, g));
  EXPECT_TRUE(dab_grid(5, 5, 0.16, g));    // 3 sixteenths
  Canvas c(10, 10);
  for (double s : {0.0, 0.1, 2.0 / 16, 0.15})
    EXPECT_TRUE(draw_dab(c.surface, hard_disc_map(), {5, 5, s, 255, 0}, false).empty());
  EXPECT_EQ(test::count_if(c.img, [](Pixel p) { return alpha_of(p) != 0; }), 0);
  // Density 0 draws nothing either.
  EXPECT_TRUE(draw_dab(c.surface, hard_disc_map(), {5, 5, 6, 0, 0}, true).empty());
}

TEST(DabRaster, SixteenthsUpToFourPixelsThenEighths) {
  DabGrid g;
  ASSERT_TRUE(dab_grid(10.25, 3.5, 4.0, g));
  EXPECT_EQ(g.unit, 16);
  EXPECT_EQ(g.size, 64);
  EXPECT_EQ(g.left, 164 - 32);
  ASSERT_TRUE(dab_grid(10.25, 3.5, 4.01, g));
  EXPECT_EQ(g.unit, 8);
  EXPECT_EQ(g.size, 32);
  EXPECT_EQ(g.left, 82 - 16);
  EXPECT_EQ(g.top, 28 - 16);
  EXPECT_EQ(g.scale, int(100.0 / 32 * 16384));
}

TEST(DabRaster, HardDiscCoversItsArea) {
  for (double size : {3.0, 7.5, 20.0, 61.0, 100.0}) {
    Canvas c(140, 140);
    draw_dab(c.surface, hard_disc_map(), {70.3, 69.8, size, 255, 0x123456}, true);
    double covered = 0;
    for (size_t i = 0; i < c.img.pixel_count(); ++i) covered += alpha_of(c.img.pixels()[i]) / 255.0;
    const double area = 3.14159265 * size * size / 4;
    EXPECT_NEAR(covered / area, 1.0, size < 5 ? 0.25 : 0.04) << size;
  }
}

TEST(DabRaster, WithoutCoverageAlphaEveryTouchedPixelGetsTheDensity) {
  Canvas c(40, 40);
  draw_dab(c.surface, hard_disc_map(), {20, 20, 15, 90, 0xFF0000}, false);
  const int touched = test::count_if(c.img, [](Pixel p) { return alpha_of(p) != 0; });
  EXPECT_GT(touched, 150);
  EXPECT_EQ(test::count_if(c.img, [](Pixel p) { return p == 0x5AFF0000; }), touched);
}

TEST(DabRaster, ClipsToTheRasterAndTheClip) {
  Canvas c(32, 24);
  c.surface.clip = {4, 4, 10, 10};
  const Rect r = draw_dab(c.surface, hard_disc_map(), {8, 8, 30, 255, 0}, true);
  EXPECT_EQ(r, (Rect{4, 4, 10, 10}));
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 32; ++x)
      if (!r.contains(x, y)) {
        EXPECT_EQ(c.img.get_pixel(x, y), kTransparent) << x << "," << y;
      }
  // Far outside or not finite: nothing, and no address is ever formed.
  c.surface.clip = c.img.bounds();
  const double nan = std::nan("");
  for (PointF p : {PointF{-1e6, 5}, PointF{1e6, 1e6}, PointF{nan, 3}, PointF{3, 1e300}})
    EXPECT_TRUE(draw_dab(c.surface, cone_map(196), {p.x, p.y, 250, 255, 0}, true).empty());
  // A huge dab over a corner touches only the canvas.
  EXPECT_EQ(draw_dab(c.surface, hard_disc_map(), {-100, -100, 255, 255, 0}, true), (Rect{0, 0, 28, 24}));
}

TEST(BrushShapes, MapsAreRoundAndPeakInTheMiddle) {
  const ShapeMap& hard = hard_disc_map();
  EXPECT_EQ(hard.cells[49 * 100 + 49], 255);
  EXPECT_EQ(hard.cells[0], 0);
  EXPECT_EQ(hard.cells[99 * 100 + 99], 0);
  const ShapeMap& cone = cone_map(196);
  const ShapeMap& cone128 = cone_map(128);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      // Cones are centred exactly between cells 49 and 50: mirror images.
      EXPECT_EQ(cone.cells[y * 100 + x], cone.cells[y * 100 + 99 - x]);
      EXPECT_EQ(cone.cells[y * 100 + x], cone.cells[(99 - y) * 100 + x]);
      EXPECT_LE(cone.cells[y * 100 + x], 196);
      EXPECT_LE(cone128.cells[y * 100 + x], 128);
    }
  // Along a row the cone falls away from the centre.
  for (int x = 50; x < 99; ++x) EXPECT_GE(cone.cells[49 * 100 + x], cone.cells[49 * 100 + x + 1]);
  EXPECT_GE(cone.cells[49 * 100 + 49], 190);
  const ShapeMap& soft = soft_disc_map();
  EXPECT_GE(soft.cells[49 * 100 + 49], 250);
  // Just inside the rim the soft disc is near its edge value of 64.
  EXPECT_GE(soft.cells[49 * 100 + 2], 50);
  EXPECT_LE(soft.cells[49 * 100 + 2], 90);
  EXPECT_EQ(make_soft_disc(255, 255).cells[49 * 100 + 49], 255);
}

std::vector<std::string> dot_rows(DotShapeKind kind, int n) {
  const DotShape s = make_dot_shape(kind, n);
  std::vector<std::string> rows;
  for (int y = 0; y < s.size; ++y) {
    std::string r;
    for (int x = 0; x < s.size; ++x) r += s.at(x, y) ? '#' : '.';
    rows.push_back(r);
  }
  return rows;
}

TEST(BrushShapes, DotShapes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(dot_rows(DotShapeKind::Circle, 1), V{"#"});
  EXPECT_EQ(dot_rows(DotShapeKind::Circle, 2), (V{"##", "##"}));
  EXPECT_EQ(dot_rows(DotShapeKind::Circle, 4), (V{".##.", "####", "####", ".##."}));
  EXPECT_EQ(dot_rows(DotShapeKind::Circle, 7),
            (V{"..###..", ".#####.", "#######", "#######", "#######", ".#####.", "..###.."}));
  EXPECT_EQ(dot_rows(DotShapeKind::Diamond, 5), (V{"..#..", ".###.", "#####", ".###.", "..#.."}));
  EXPECT_EQ(dot_rows(DotShapeKind::HorizontalBar, 3), (V{"...", "###", "..."}));
  EXPECT_EQ(dot_rows(DotShapeKind::VerticalBar, 3), (V{".#.", ".#.", ".#."}));
  EXPECT_EQ(dot_rows(DotShapeKind::Slash, 3), (V{"..#", ".#.", "#.."}));
  EXPECT_EQ(dot_rows(DotShapeKind::Backslash, 3), (V{"#..", ".#.", "..#"}));
  EXPECT_EQ(dot_rows(DotShapeKind::Cross, 3), (V{"#.#", ".#.", "#.#"}));
  EXPECT_EQ(dot_rows(DotShapeKind::Plus, 3), (V{".#.", "###", ".#."}));
  EXPECT_EQ(dot_rows(DotShapeKind::Sparkle, 7),
            (V{"...#...", ".#.#.#.", "..###..", "#######", "..###..", ".#.#.#.", "...#..."}));
  EXPECT_EQ(dot_rows(DotShapeKind::Square, 2), (V{"##", "##"}));
  // Sizes are cut to 1 … 100.
  EXPECT_EQ(make_dot_shape(DotShapeKind::Square, 0).size, 1);
  EXPECT_EQ(make_dot_shape(DotShapeKind::Square, 500).size, 100);
  // Every circle is symmetric both ways.
  for (int n = 1; n <= 40; ++n) {
    const V rows = dot_rows(DotShapeKind::Circle, n);
    for (int y = 0; y < n; ++y) {
      EXPECT_EQ(rows[size_t(y)], rows[size_t(n - 1 - y)]) << n;
      EXPECT_EQ(rows[size_t(y)], std::string(rows[size_t(y)].rbegin(), rows[size_t(y)].rend())) << n;
    }
  }
}

}  // namespace
}  // namespace qm
