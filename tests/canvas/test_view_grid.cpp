#include "canvas/view_grid.h"

#include <gtest/gtest.h>

#include "canvas/view_scaler.h"

namespace qm {
namespace {

constexpr Pixel kWhite = 0xFFFFFFFF;

struct Scene {
  LayerImage image, backing;
  ViewGeometry g;
  ViewSettings s;

  Scene(int image_w, int image_h, int scale, int view_w, int view_h) {
    image.create(image_w, image_h);
    image.fill(kWhite);
    backing.create(view_w, view_h);
    g.scale = scale;
    g.image_w = image_w;
    g.image_h = image_h;
    set_view_size(g, view_w, view_h, view_w, view_h);
    centre_image(g);
  }
  void draw(Rect window) {
    scale_into_view(backing, image, g, window, s.canvas_background);
    draw_view_grids(backing, g, window, s);
  }
  void draw() { draw(g.view_rect()); }
  int count(Pixel p) const {
    int n = 0;
    for (size_t i = 0; i < backing.pixel_count(); ++i) n += backing.pixels()[i] == p;
    return n;
  }
};

TEST(ViewGrid, QuarterStepArithmetic) {
  // 255 + ((0 - 255) >> 2) = 191; 255 + ((128 - 255) >> 2) = 223 (arithmetic shift).
  EXPECT_EQ(quarter_towards(0xFFFFFFFF, 0x0080FF), 0xFFBFDFFFu);
  EXPECT_EQ(quarter_towards(0xFF000000, 0xFF0004), 0xFF3F0001u);
  EXPECT_EQ(quarter_towards(0x00102030, 0x102030), 0xFF102030u);
}

TEST(ViewGrid, PixelGridFromTheThresholdOnEvenWithoutTheGridFlag) {
  Scene at400(4, 4, 400, 40, 40);
  at400.draw();
  EXPECT_EQ(at400.count(0xFF000000 | kPixelGridColour), 0);
  EXPECT_EQ(at400.count(kWhite), 16 * 16);

  Scene at500(4, 4, 500, 40, 40);
  ASSERT_FALSE(at500.s.grid());
  at500.draw();
  // One line at each boundary between image pixels (3 columns and 3 rows of
  // the 20 × 20 image area), none on the image's outer edge.
  EXPECT_EQ(at500.count(0xFF000000 | kPixelGridColour), 20 * 20 - 17 * 17);
  const Rect area = at500.g.image_area();
  for (int i = 1; i < 4; ++i) {
    const Point p = image_to_window(at500.g, i, i);
    EXPECT_EQ(at500.backing.get_pixel(p.x, area.y + 3), 0xFF000000 | kPixelGridColour);
    EXPECT_EQ(at500.backing.get_pixel(area.x + 3, p.y), 0xFF000000 | kPixelGridColour);
  }
  EXPECT_EQ(at500.backing.get_pixel(area.x, area.y), kWhite);
  // Nothing outside the image.
  EXPECT_EQ(at500.backing.get_pixel(area.x - 1, area.y), 0xFFB4B4B4u);
  EXPECT_EQ(at500.backing.get_pixel(area.right(), area.y), 0xFFB4B4B4u);
  EXPECT_EQ(at500.backing.get_pixel(area.x, area.bottom()), 0xFFB4B4B4u);

  // A higher threshold turns it off again.
  at500.s.grid_pixel_per = 6;
  at500.draw();
  EXPECT_EQ(at500.count(0xFF000000 | kPixelGridColour), 0);
}

TEST(ViewGrid, ZoomedInGridAndCentreCrossAreSolid) {
  for (bool mirrored : {false, true}) {
    Scene sc(8, 6, 500, 60, 50);
    sc.g.mirrored = mirrored;
    sc.s.view_flags = kViewFlagGrid;
    sc.s.grid_w = 2;
    sc.s.grid_h = 2;
    sc.s.centre_grid_colour = 0xFF00FF | kCentreCrossBit;
    sc.draw();
    const Rect area = sc.g.image_area();
    const Pixel grid = 0xFF000000 | kZoomedGridColour, cross = 0xFF000000 | kZoomedCentreColour;
    // The block on the right of a boundary on screen: column c when upright,
    // column c - 1 when mirrored.
    auto boundary_x = [&](int c) { return image_to_window(sc.g, mirrored ? c - 1 : c, 0).x; };
    const int below = area.y + 7, beside = area.x + 7;
    // Boundaries 2 and 6 in the grid colour; column 4 (8 / 2) is the cross.
    EXPECT_EQ(sc.backing.get_pixel(boundary_x(2), below), grid) << mirrored;
    EXPECT_EQ(sc.backing.get_pixel(boundary_x(6), below), grid) << mirrored;
    EXPECT_EQ(sc.backing.get_pixel(image_to_window(sc.g, 4, 0).x, below), cross) << mirrored;
    EXPECT_EQ(sc.backing.get_pixel(boundary_x(1), below), 0xFF000000 | kPixelGridColour);
    // Rows: boundaries 2 and 4, the cross through row 3.
    EXPECT_EQ(sc.backing.get_pixel(beside, image_to_window(sc.g, 0, 2).y), grid);
    EXPECT_EQ(sc.backing.get_pixel(beside, image_to_window(sc.g, 0, 3).y), cross);
    EXPECT_EQ(sc.backing.get_pixel(beside, image_to_window(sc.g, 0, 4).y), grid);
    EXPECT_EQ(sc.backing.get_pixel(area.x + 2, area.y + 2), kWhite);
    EXPECT_EQ(sc.backing.get_pixel(area.x, below), kWhite);  // no line on the edge
  }
}

TEST(ViewGrid, BlendedGridBelowThreshold) {
  Scene sc(10, 10, 100, 20, 20);
  sc.s.view_flags = kViewFlagGrid;
  sc.s.grid_w = sc.s.grid_h = 4;
  sc.s.grid_colour = 0x0080FF;
  sc.draw();
  const Rect area = sc.g.image_area();
  const Pixel once = quarter_towards(kWhite, 0x0080FF);
  const Pixel twice = quarter_towards(once, 0x0080FF);
  auto at = [&](int ix, int iy) { return sc.backing.get_pixel(area.x + ix, area.y + iy); };
  // Boundaries 4 and 8 each way.
  EXPECT_EQ(at(4, 1), once);
  EXPECT_EQ(at(4, 9), once);
  EXPECT_EQ(at(1, 8), once);
  EXPECT_EQ(at(8, 8), twice);  // where a column meets a row
  EXPECT_EQ(at(4, 4), twice);
  EXPECT_EQ(at(0, 0), kWhite);
  EXPECT_EQ(at(1, 1), kWhite);
  EXPECT_EQ(at(9, 9), kWhite);
  EXPECT_EQ(sc.count(once), 2 * 10 * 2 - 2 * 4);
  EXPECT_EQ(sc.count(twice), 4);

  // The cross (column and row 5) is blended over the grid, in its own colour.
  sc.s.centre_grid_colour = 0x00FF00 | kCentreCrossBit;
  sc.draw();
  EXPECT_EQ(at(5, 1), quarter_towards(kWhite, 0x00FF00));
  EXPECT_EQ(at(5, 4), quarter_towards(once, 0x00FF00));
  EXPECT_EQ(at(5, 5), quarter_towards(quarter_towards(kWhite, 0x00FF00), 0x00FF00));
  // Grid flag off: neither.
  sc.s.view_flags = 0;
  sc.draw();
  EXPECT_EQ(sc.count(kWhite), 100);
}

TEST(ViewGrid, PartialRedrawsEqualAFullRedraw) {
  for (int scale : {50, 100, 300, 700}) {
    for (bool mirrored : {false, true}) {
      Scene full(37, 29, scale, 90, 70), tiles(37, 29, scale, 90, 70);
      for (Scene* sc : {&full, &tiles}) {
        sc->g.mirrored = mirrored;
        sc->g.scroll_x = max_scroll_x(sc->g) / 3;
        sc->s.view_flags = kViewFlagGrid;
        sc->s.grid_w = 5;
        sc->s.grid_h = 7;
        sc->s.centre_grid_colour |= kCentreCrossBit;
        sc->s.grid_pixel_per = 4;
      }
      full.draw();
      tiles.backing.fill(0);
      for (int y = -3; y < 70; y += 13)
        for (int x = -5; x < 90; x += 11) tiles.draw({x, y, 11, 13});
      for (size_t i = 0; i < full.backing.pixel_count(); ++i)
        ASSERT_EQ(full.backing.pixels()[i], tiles.backing.pixels()[i])
            << "scale " << scale << " mirrored " << mirrored << " pixel " << i;
    }
  }
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// The grid reaches the image's last window column and row at zooms where the
// image's on-screen size is not whole (301 pixels at 150 % are 451.5 window
// pixels: column 451 still shows image column 300).
TEST(ViewGrid, LinesReachTheLastColumnAndRowAtFractionalZooms) {
  for (const auto& [side, scale] : {std::pair{301, 150}, std::pair{301, 50}, std::pair{11, 110}}) {
    Scene sc(side, side, scale, 700, 700);
    sc.s.view_flags |= kViewFlagGrid;
    sc.s.grid_w = sc.s.grid_h = 5;
    sc.draw();
    const ViewGeometry& g = sc.g;
    // The last window column whose left edge k × 100 / scale lies inside the image.
    int last = 0;
    while (int64_t{last + 1} * 100 < int64_t{side} * scale) ++last;
    const int row = int(g.origin_y() + int64_t{5} * scale / 100);  // the grid line at row boundary 5
    EXPECT_NE(sc.backing.get_pixel(g.origin_x() + last, row), kWhite) << side << " at " << scale;
    EXPECT_NE(sc.backing.get_pixel(g.origin_x() + last, g.origin_y()), 0xFF000000u | sc.s.canvas_background)
        << side << " at " << scale;
    EXPECT_EQ(sc.backing.get_pixel(g.origin_x() + last + 1, g.origin_y()), 0xFF000000u | sc.s.canvas_background);
  }
}

}  // namespace
}  // namespace qm
