#include <gtest/gtest.h>

#include "core/layer_image.h"

namespace qm {
namespace {

// A w × h image whose pixel (x, y) holds 0xFF000000 | (y << 8) | x.
LayerImage numbered(int w, int h) {
  LayerImage img;
  EXPECT_TRUE(img.create(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.row(y)[x] = 0xFF000000u | uint32_t(y) << 8 | uint32_t(x);
  return img;
}

TEST(LayerImage, CreateRefusesBadSizes) {
  LayerImage img;
  EXPECT_FALSE(img.create(0, 10));
  EXPECT_FALSE(img.create(10, -1));
  EXPECT_FALSE(img.create(1 << 16, 1 << 15));  // 8 GiB: past the raster limit
  EXPECT_TRUE(img.empty());
  EXPECT_TRUE(img.create_canvas(4500, 1));
  EXPECT_FALSE(img.create_canvas(4501, 10));
  EXPECT_TRUE(img.empty());  // a refused create leaves nothing behind
  ASSERT_TRUE(img.create(3, 2));
  for (size_t i = 0; i < img.pixel_count(); ++i) EXPECT_EQ(img.pixels()[i], 0u);
  EXPECT_TRUE(img.destroy());
  EXPECT_FALSE(img.destroy());
}

TEST(LayerImage, OnePixelImage) {
  LayerImage a, b;
  ASSERT_TRUE(a.create(1, 1));
  ASSERT_TRUE(b.create(1, 1));
  a.fill(0x12345678);
  EXPECT_EQ(a.get_pixel(0, 0), 0x12345678u);
  EXPECT_TRUE(b.copy_from(a));
  EXPECT_EQ(b.get_pixel(0, 0), 0x12345678u);
}

TEST(LayerImage, AddressingOutsideAndClamped) {
  LayerImage img = numbered(4, 3);
  EXPECT_EQ(img.get_pixel(4, 0), 0xFFFFFFFFu);
  EXPECT_EQ(img.get_pixel(0, -1), 0xFFFFFFFFu);
  EXPECT_EQ(img.pixel_address(-1, 0), nullptr);
  EXPECT_EQ(img.get_pixel_clamped(9, -5), 0xFF000003u);
  EXPECT_EQ(img.get_pixel_clamped(-9, 7), 0xFF000200u);
  EXPECT_EQ(img.pixel_address_clamped(100, 100), img.pixel_address(3, 2));
  img.erase_pixel(1, 1);
  img.erase_pixel(10, 1);  // ignored
  EXPECT_EQ(img.get_pixel(1, 1), kTransparent);
}

TEST(LayerImage, CheckerIsAnchoredAtTheOrigin) {
  LayerImage img;
  ASSERT_TRUE(img.create(20, 20));
  img.fill(0);
  img.fill_checker(5, 5, 15, 15, 0xA, 0xB);
  EXPECT_EQ(img.get_pixel(4, 4), 0u);  // outside the rectangle
  EXPECT_EQ(img.get_pixel(7, 7), 0xAu);
  EXPECT_EQ(img.get_pixel(8, 7), 0xBu);
  EXPECT_EQ(img.get_pixel(7, 8), 0xBu);
  EXPECT_EQ(img.get_pixel(8, 8), 0xAu);
  EXPECT_EQ(img.get_pixel(19, 16), 0xAu);
  EXPECT_EQ(img.get_pixel(19, 15), 0xBu);
}

TEST(LayerImage, BlitClipsAgainstEveryEdge) {
  const LayerImage src = numbered(4, 4);
  LayerImage dst;
  ASSERT_TRUE(dst.create(4, 4));

  // Negative destination origin: only the overlap, source shifted alike.
  dst.fill(0);
  dst.blit_from(-1, -2, 4, 4, src, 0, 0);
  EXPECT_EQ(dst.get_pixel(0, 0), 0xFF000201u);
  EXPECT_EQ(dst.get_pixel(2, 1), 0xFF000303u);
  EXPECT_EQ(dst.get_pixel(3, 0), 0u);
  EXPECT_EQ(dst.get_pixel(0, 2), 0u);

  // Near the bottom edge only the rows inside change.
  dst.fill(0);
  dst.blit_from(0, 3, 4, 4, src, 0, 0);
  EXPECT_EQ(dst.get_pixel(2, 3), 0xFF000002u);
  EXPECT_EQ(dst.get_pixel(2, 2), 0u);

  // Negative source origin shifts the destination start instead.
  dst.fill(0);
  dst.blit_from(0, 0, 3, 3, src, -1, -1);
  EXPECT_EQ(dst.get_pixel(0, 0), 0u);
  EXPECT_EQ(dst.get_pixel(1, 1), 0xFF000000u);
  EXPECT_EQ(dst.get_pixel(2, 2), 0xFF000101u);
  EXPECT_EQ(dst.get_pixel(3, 3), 0u);

  // Wholly outside: nothing.
  dst.fill(7);
  dst.blit_from(4, 0, 4, 4, src, 0, 0);
  dst.blit_from(0, 0, 4, 4, src, 4, 0);
  dst.blit_from(-4, 0, 4, 4, src, 0, 0);
  dst.blit_from(0, 0, 4, 4, src, 0, -4);
  dst.blit_from(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, src, INT32_MAX, 0);
  for (size_t i = 0; i < dst.pixel_count(); ++i) EXPECT_EQ(dst.pixels()[i], 7u);
}

TEST(LayerImage, BlitWithinOneImageIsOverlapSafe) {
  LayerImage img = numbered(3, 4);
  img.blit_from(0, 1, 3, 3, img, 0, 0);  // shift down one row
  EXPECT_EQ(img.get_pixel(1, 1), 0xFF000001u);
  EXPECT_EQ(img.get_pixel(1, 3), 0xFF000201u);
  img = numbered(3, 4);
  img.blit_from(0, 0, 3, 3, img, 0, 1);  // shift up one row
  EXPECT_EQ(img.get_pixel(2, 0), 0xFF000102u);
  EXPECT_EQ(img.get_pixel(2, 2), 0xFF000302u);
}

TEST(LayerImage, ClearAndBlitLeavesTheRestTransparent) {
  const LayerImage src = numbered(2, 2);
  LayerImage dst;
  ASSERT_TRUE(dst.create(3, 3));
  dst.fill(0xFF000000);
  dst.clear_and_blit(src);
  EXPECT_EQ(dst.get_pixel(1, 1), 0xFF000101u);
  EXPECT_EQ(dst.get_pixel(2, 0), kTransparent);
  EXPECT_EQ(dst.get_pixel(0, 2), kTransparent);
}

TEST(LayerImage, BlendFromLaysPixelsOver) {
  LayerImage src, dst;
  ASSERT_TRUE(src.create(3, 1));
  ASSERT_TRUE(dst.create(3, 1));
  src.row(0)[0] = 0x00123456;  // transparent: destination kept
  src.row(0)[1] = 0x80FF0000;  // half red over opaque blue
  src.row(0)[2] = 0x80FF0000;  // half red over transparent
  dst.row(0)[0] = 0xFF0000FF;
  dst.row(0)[1] = 0xFF0000FF;
  dst.row(0)[2] = kTransparent;
  dst.blend_from(0, 0, src, 0, 0, 3, 1);
  EXPECT_EQ(dst.get_pixel(0, 0), 0xFF0000FFu);
  // t = 128/255: red = trunc(t*255 + .5) = 128, blue = trunc((1-t)*255 + .5) = 127.
  EXPECT_EQ(dst.get_pixel(1, 0), 0xFF80007Fu);
  // Over nothing the colour is the source's and the alpha too. The transparent
  // white below has no weight (u = 0).
  EXPECT_EQ(dst.get_pixel(2, 0), 0x80FF0000u);
}

TEST(LayerImage, SetAlphaRectTouchesOnlyAlpha) {
  LayerImage img = numbered(3, 3);
  img.set_alpha_rect(1, 1, 5, 5, 0x40);
  EXPECT_EQ(img.get_pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(img.get_pixel(1, 1), 0x40000101u);
  EXPECT_EQ(img.get_pixel(2, 2), 0x40000202u);
}

}  // namespace
}  // namespace qm
