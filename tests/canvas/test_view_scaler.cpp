#include "canvas/view_scaler.h"

#include <gtest/gtest.h>

#include "canvas_test_util.h"

namespace qm {
namespace {

constexpr Pixel kBg = 0xB4B4B4;

ViewGeometry geometry(int scale, int image_w, int image_h, int view_w, int view_h, bool mirrored) {
  ViewGeometry g;
  g.scale = scale;
  g.image_w = image_w;
  g.image_h = image_h;
  g.mirrored = mirrored;
  set_view_size(g, view_w, view_h, view_w, view_h);
  centre_image(g);
  return g;
}

// Every pixel of `window` against the per-pixel reference; the rest of the
// buffer must still hold `fill`.
void expect_matches_reference(const LayerImage& backing, const LayerImage& src,
                              const ViewGeometry& g, Rect window, Pixel fill) {
  int bad = 0;
  for (int y = 0; y < backing.height(); ++y)
    for (int x = 0; x < backing.width(); ++x) {
      const Pixel want = window.contains(x, y) ? test::reference_view_pixel(src, g, x, y, kBg) : fill;
      if (backing.get_pixel(x, y) != want && ++bad <= 3)
        ADD_FAILURE() << "scale " << g.scale << (g.mirrored ? " mirrored" : "") << " scroll "
                      << g.scroll_x << "," << g.scroll_y << " at " << x << "," << y << ": "
                      << std::hex << backing.get_pixel(x, y) << " != " << want;
    }
  EXPECT_EQ(bad, 0);
}

TEST(ViewScaler, SmallImagesWrittenOut) {
  LayerImage src;
  ASSERT_TRUE(src.create(2, 2));
  src.row(0)[0] = 0x00112233;  // the fourth byte never reaches the screen
  src.row(0)[1] = 0x80445566;
  src.row(1)[0] = 0xFF778899;
  src.row(1)[1] = 0x01AABBCC;
  LayerImage backing;
  ASSERT_TRUE(backing.create(6, 4));

  // 200 %, image area 4 × 4 starting at window (1, 0).
  ViewGeometry g = geometry(200, 2, 2, 6, 4, false);
  ASSERT_EQ(g.image_area(), (Rect{1, 0, 4, 4}));
  scale_into_view(backing, src, g, g.view_rect(), kBg);
  const Pixel b = 0xFFB4B4B4, p = 0xFF112233, q = 0xFF445566, r = 0xFF778899, s = 0xFFAABBCC;
  const Pixel want[4][6] = {{b, p, p, q, q, b}, {b, p, p, q, q, b},
                            {b, r, r, s, s, b}, {b, r, r, s, s, b}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(backing.get_pixel(x, y), want[y][x]) << x << "," << y;

  // Mirrored: the columns swap.
  g.mirrored = true;
  scale_into_view(backing, src, g, g.view_rect(), kBg);
  EXPECT_EQ(backing.get_pixel(1, 0), q);
  EXPECT_EQ(backing.get_pixel(4, 3), r);

  // 50 % of a 4 × 2 image: each window pixel is the mean of a 2 × 2 block,
  // truncated per channel.
  LayerImage wide;
  ASSERT_TRUE(wide.create(4, 2));
  const Pixel px[8] = {0x000000, 0x010203, 0xFF0000, 0xFF0000,
                       0x000001, 0x000000, 0x00FF00, 0x0000FF};
  for (int i = 0; i < 8; ++i) wide.pixels()[i] = px[i];
  g = geometry(50, 4, 2, 2, 1, false);
  ASSERT_EQ(g.image_area(), (Rect{0, 0, 2, 1}));
  scale_into_view(backing, wide, g, g.view_rect(), kBg);
  EXPECT_EQ(backing.get_pixel(0, 0), 0xFF000001u);  // (1/4, 2/4, 4/4)
  EXPECT_EQ(backing.get_pixel(1, 0), 0xFF7F3F3Fu);  // (510/4, 255/4, 255/4)
  g.mirrored = true;
  scale_into_view(backing, wide, g, g.view_rect(), kBg);
  EXPECT_EQ(backing.get_pixel(0, 0), 0xFF7F3F3Fu);
}

TEST(ViewScaler, MatchesPlainReferenceAtEveryKindOfScale) {
  const LayerImage src = test::random_image(53, 41, 7);
  LayerImage backing;
  ASSERT_TRUE(backing.create(97, 83));
  std::mt19937 rng(11);
  for (int scale : {10, 11, 13, 25, 30, 33, 50, 67, 99, 100, 101, 150, 175, 300, 333, 500, 1999,
                    2000})
    for (bool mirrored : {false, true}) {
      ViewGeometry g = geometry(scale, 53, 41, 90, 80, mirrored);
      // Somewhere across the whole scroll range, edges included.
      g.scroll_x = int(rng() % uint32_t(max_scroll_x(g) + 1));
      g.scroll_y = int(rng() % uint32_t(max_scroll_y(g) + 1));
      backing.fill(0x12345678);
      scale_into_view(backing, src, g, g.view_rect(), kBg);
      expect_matches_reference(backing, src, g, g.view_rect(), 0x12345678);
      // A partial redraw touches only its rectangle (cut to the view).
      backing.fill(0x12345678);
      const Rect part{int(rng() % 60) - 10, int(rng() % 60) - 10, 37, 29};
      scale_into_view(backing, src, g, part, kBg);
      expect_matches_reference(backing, src, g, intersect(part, g.view_rect()), 0x12345678);
    }
}

TEST(ViewScaler, WrongSizedCompositeOrNoBufferDrawsNoImage) {
  const LayerImage src = test::random_image(10, 10, 3);
  LayerImage backing;
  ViewGeometry g = geometry(100, 20, 20, 30, 30, false);
  scale_into_view(backing, src, g, g.view_rect(), kBg);  // no buffer: nothing, no crash
  ASSERT_TRUE(backing.create(30, 30));
  scale_into_view(backing, src, g, g.view_rect(), kBg);
  for (size_t i = 0; i < backing.pixel_count(); ++i)
    ASSERT_EQ(backing.pixels()[i], 0xFFB4B4B4u);
}

}  // namespace
}  // namespace qm
