#include <gtest/gtest.h>

#include <vector>

#include "canvas/view_mapping.h"

namespace qm {
namespace {

std::vector<int> walk(int from, bool in, int steps) {
  std::vector<int> out;
  for (int s = from, i = 0; i < steps; ++i) out.push_back(s = zoom_step(s, in, 25, 100));
  return out;
}

TEST(ZoomStep, DefaultStepsStopAt100AndClamp) {
  EXPECT_EQ(walk(100, false, 5), (std::vector<int>{75, 50, 25, 10, 10}));
  EXPECT_EQ(walk(10, true, 5), (std::vector<int>{35, 60, 85, 100, 200}));
  EXPECT_EQ(walk(60, true, 3), (std::vector<int>{85, 100, 200}));
  EXPECT_EQ(zoom_step(150, false, 25, 100), 100);  // not 50
  EXPECT_EQ(zoom_step(2000, true, 25, 100), 2000);
  EXPECT_EQ(zoom_step(1900, true, 25, 100), 2000);
  std::vector<int> down = walk(2000, false, 20);
  EXPECT_EQ(down.front(), 1900);
  EXPECT_EQ(down[17], 200);
  EXPECT_EQ(down[18], 100);
  EXPECT_EQ(down[19], 75);
  // Other step sizes: 30 % steps from 80 stop at 100, 250 % steps from 150 stop at 100.
  EXPECT_EQ(zoom_step(80, true, 30, 250), 100);
  EXPECT_EQ(zoom_step(150, false, 30, 250), 100);
  EXPECT_EQ(zoom_step(100, true, 30, 250), 350);
  EXPECT_EQ(clamp_scale(0), 10);
  EXPECT_EQ(clamp_scale(5000), 2000);
}

// A 300 × 200 image in a 100 × 80 view at `scale`, centred.
ViewGeometry centred(int scale, bool mirrored = false) {
  ViewGeometry g;
  g.scale = scale;
  g.image_w = 300;
  g.image_h = 200;
  g.mirrored = mirrored;
  set_view_size(g, 100, 80, 1920, 1080);
  centre_image(g);
  return g;
}

TEST(ViewMapping, WindowAndImageCoordinates) {
  ViewGeometry g = centred(100);
  EXPECT_EQ(g.scroll_x, 150);  // (300 + 100 - 100) / 2
  EXPECT_EQ(g.scroll_y, 100);
  EXPECT_EQ(window_to_image(g, 0, 0), (Point{100, 60}));
  EXPECT_EQ(image_to_window(g, 100, 60), (Point{0, 0}));

  g = centred(300);
  // sx = (900 + 100 - 100) / 2 = 450: window (50, 40) is image (150, 100).
  EXPECT_EQ(window_to_image(g, 50, 40), (Point{150, 100}));
  EXPECT_EQ(window_to_image(g, 52, 40), (Point{150, 100}));
  EXPECT_EQ(window_to_image(g, 53, 40), (Point{151, 100}));
  EXPECT_EQ(image_to_window(g, 151, 100), (Point{53, 40}));
  // Truncating division: a point just left of the image still maps to 0.
  g.scroll_x = 0;
  EXPECT_EQ(window_to_image(g, 48, 40).x, 0);  // (0 + 48 - 50) × 100 / 300 = -0.67
  EXPECT_EQ(window_delta_to_image(g, 7, -7), (Point{2, -2}));
  const PointF f = window_to_image_fractional(g, 53, 40);
  EXPECT_DOUBLE_EQ(f.x, 1.0);
}

TEST(ViewMapping, MirroredMapsFromTheRightEdge) {
  ViewGeometry g = centred(100, true);
  // The window's left edge shows the right-most visible image column.
  EXPECT_EQ(window_to_image(g, 0, 0).x, 199);
  EXPECT_EQ(window_to_image(g, 99, 0).x, 100);
  EXPECT_EQ(image_to_window(g, 199, 0).x, 0);
  EXPECT_EQ(image_to_window(g, 100, 0).x, 99);
  // Fractional: image width - x, without the - 1.
  EXPECT_DOUBLE_EQ(window_to_image_fractional(g, 0.5, 0).x, 300 - 100.5);
  EXPECT_EQ(window_delta_to_image(g, 10, 10), (Point{-10, 10}));
  for (int ix : {0, 1, 150, 298, 299})
    EXPECT_EQ(window_to_image(g, image_to_window(g, ix, 5).x, image_to_window(g, ix, 5).y),
              (Point{ix, 5}));
}

TEST(ViewMapping, ScrollClampingAndCentre) {
  ViewGeometry g = centred(100);
  EXPECT_EQ(max_scroll_x(g), 300 + 100 - 100 - 1);
  g.scroll_x = -5;
  g.scroll_y = 100000;
  clamp_scroll(g);
  EXPECT_EQ(g.scroll_x, 0);
  EXPECT_EQ(g.scroll_y, 200 + 80 - 80 - 1);

  // Odd view sizes: the half size rounds down and the centring follows it.
  set_view_size(g, 101, 81, 1920, 1080);
  centre_image(g);
  EXPECT_EQ(g.half_w, 50);
  EXPECT_EQ(g.scroll_x, (300 + 100 - 101) / 2);
  EXPECT_EQ(g.origin_x(), 50 - 149);

  // An image narrower than one screen pixel never gets a negative scroll.
  g.image_w = g.image_h = 1;
  g.scale = 10;
  centre_image(g);
  EXPECT_EQ(g.scroll_x, 0);
  g.scroll_x = 7;
  clamp_scroll(g);
  EXPECT_EQ(g.scroll_x, 0);

  // The view is capped to the buffer.
  set_view_size(g, 3000, 50, 1920, 1080);
  EXPECT_EQ(g.view_w, 1920);
  EXPECT_EQ(g.half_w, 960);
}

TEST(ViewMapping, CentrePointSurvivesZoomAndResize) {
  ViewGeometry g = centred(100);
  g.scroll_x = 120;
  g.scroll_y = 30;
  const Point c = centre_point(g);
  EXPECT_EQ(c, (Point{120, 30}));
  g.scale = 400;
  restore_centre(g, c);
  EXPECT_EQ(window_to_image(g, g.half_w, g.half_h), c);
  set_view_size(g, 61, 33, 1920, 1080);
  restore_centre(g, centre_point(g));
  EXPECT_EQ(window_to_image(g, g.half_w, g.half_h), c);

  // Scrolling to an image point puts it at the centre, mirrored or not.
  scroll_to_image_point(g, 77, 44);
  EXPECT_EQ(window_to_image(g, g.half_w, g.half_h), (Point{77, 44}));
  g.mirrored = true;
  scroll_to_image_point(g, 77, 44);
  EXPECT_EQ(window_to_image_fractional(g, g.half_w, g.half_h).x, 77);
}

TEST(ViewMapping, WindowRectOfAnImageRectangle) {
  ViewGeometry g = centred(200);  // origin (50 - 300, 40 - 200)
  g.scroll_x = 300 - 50;          // image column 0 at window x 0... after the shift below
  g.scroll_y = 0;
  // origin x = 50 - 250 = -200: image column 100 starts at window 0.
  EXPECT_EQ(image_to_window(g, 100, 0), (Point{0, 40}));
  // Columns 101…102, rows 3…4: corners (100, 2) → (0, 44) and (103, 5) → (6, 50),
  // widened by one on each side.
  EXPECT_EQ(window_rect_of(g, {101, 3, 2, 2}), (Rect{0, 43, 7, 8}));
  EXPECT_TRUE(window_rect_of(g, {0, 0, 5, 5}).empty());    // off screen
  EXPECT_TRUE(window_rect_of(g, {110, 10, 0, 5}).empty());  // no area
  g.mirrored = true;
  const Rect m = window_rect_of(g, {197, 3, 2, 2});  // mirrored columns 101…102
  EXPECT_EQ(m.x, 0);
  EXPECT_EQ(m.right(), 7);
}

}  // namespace
}  // namespace qm
