#include <gtest/gtest.h>

#include "core/dib_image.h"

namespace qm {
namespace {

TEST(DibImage, StrideIsPaddedToFourBytes) {
  EXPECT_EQ(DibImage::stride_for(1), 4);
  EXPECT_EQ(DibImage::stride_for(4), 12);
  EXPECT_EQ(DibImage::stride_for(5), 16);
  DibImage img;
  ASSERT_TRUE(img.create(5, 2));
  EXPECT_EQ(img.stride(), 16);
  EXPECT_FALSE(img.create(0, 2));
  EXPECT_TRUE(img.empty());
}

TEST(DibImage, PixelsAndInversion) {
  DibImage img;
  ASSERT_TRUE(img.create(3, 3));
  img.fill(0x123456);
  EXPECT_EQ(img.get_pixel(2, 2), 0x123456u);
  EXPECT_EQ(img.get_pixel(3, 0), 0u);
  const uint8_t* p = img.row(1) + 3;  // bytes B, G, R
  EXPECT_EQ(p[0], 0x56);
  EXPECT_EQ(p[2], 0x12);
  img.set_pixel(1, 1, kInvertColour);
  EXPECT_EQ(img.get_pixel(1, 1), 0xEDCBA9u);
  img.set_pixel(1, 1, kInvertColour);
  EXPECT_EQ(img.get_pixel(1, 1), 0x123456u);
  img.set_pixel(-1, 5, 0);  // ignored
}

TEST(DibImage, RectanglesAreCutToTheImage) {
  DibImage img;
  ASSERT_TRUE(img.create(4, 4));
  img.fill(0);
  img.fill_rect(2, 2, 10, 10, 0xFF);
  EXPECT_EQ(img.get_pixel(3, 3), 0xFFu);
  EXPECT_EQ(img.get_pixel(1, 3), 0u);
  img.fill(0);
  img.frame_rect(0, 0, 4, 4, 0x1);
  EXPECT_EQ(img.get_pixel(0, 3), 1u);
  EXPECT_EQ(img.get_pixel(3, 1), 1u);
  EXPECT_EQ(img.get_pixel(1, 1), 0u);
  img.replace_other(0, 0, 4, 4, 0x1, 0x2);
  EXPECT_EQ(img.get_pixel(0, 0), 1u);
  EXPECT_EQ(img.get_pixel(2, 2), 2u);
}

TEST(DibImage, LinePlotsEveryStepAndTheEndPoint) {
  DibImage img;
  ASSERT_TRUE(img.create(6, 4));
  img.fill(0);
  img.line(0, 0, 5, 2, 0xFFFFFF);
  // Minor coordinate starts at 0.5 and grows by 2/5 per step.
  const int expect_y[6] = {0, 0, 1, 1, 2, 2};
  for (int x = 0; x < 6; ++x) {
    for (int y = 0; y < 4; ++y)
      EXPECT_EQ(img.get_pixel(x, y), y == expect_y[x] ? 0xFFFFFFu : 0u) << x << "," << y;
  }
  img.fill(0);
  img.line(2, 2, 2, 2, 0x7);  // a single point
  EXPECT_EQ(img.get_pixel(2, 2), 7u);
  img.line(-100, 1, 100, 1, 0x9);  // far outside on both sides: clipped per pixel
  EXPECT_EQ(img.get_pixel(0, 1), 9u);
  EXPECT_EQ(img.get_pixel(5, 1), 9u);
}

TEST(DibImage, BitsChecker5AndCopy) {
  DibImage img;
  ASSERT_TRUE(img.create(10, 10));
  img.fill(0);
  const uint8_t pattern[] = {0xA0, 0x40};  // rows "101" and "010"
  img.draw_bits(1, 1, 0xFF, pattern, 3, 2);
  EXPECT_EQ(img.get_pixel(1, 1), 0xFFu);
  EXPECT_EQ(img.get_pixel(2, 1), 0u);
  EXPECT_EQ(img.get_pixel(3, 1), 0xFFu);
  EXPECT_EQ(img.get_pixel(2, 2), 0xFFu);

  img.fill_checker5(0, 0, 10, 10, 0xA, 0xB);
  EXPECT_EQ(img.get_pixel(4, 4), 0xAu);
  EXPECT_EQ(img.get_pixel(5, 4), 0xBu);
  EXPECT_EQ(img.get_pixel(5, 5), 0xAu);

  DibImage copy;
  ASSERT_TRUE(copy.create_copy(img, 4, 4, 3, 2));
  EXPECT_EQ(copy.get_pixel(0, 0), 0xAu);
  EXPECT_EQ(copy.get_pixel(1, 0), 0xBu);
}

TEST(DibImage, ScaledLayerBlendsBySampledAlpha) {
  LayerImage layer;
  ASSERT_TRUE(layer.create(2, 1));
  layer.row(0)[0] = 0xFFFF0000;  // opaque red
  layer.row(0)[1] = 0x00FFFFFF;  // transparent
  DibImage img;
  ASSERT_TRUE(img.create(2, 1));
  img.fill(0x0000FF);
  img.draw_scaled_layer(0, 0, 2, 1, layer);
  // Pixel 0 samples the red pixel alone; the two >> 8 steps of the sampler turn
  // 255 into 253, for alpha and red alike. Then channel += a * (s - channel) >> 8.
  const int s = (((255 * 255) >> 8) * 255 >> 8);  // sampled value of 255 with m = l = 0
  EXPECT_EQ(s, 253);
  const uint32_t p0 = img.get_pixel(0, 0);
  EXPECT_EQ(int(p0 >> 16), (s * s) >> 8);
  EXPECT_EQ(int(p0 & 255), 255 + ((s * (0 - 255)) >> 8));
  // Pixel 1 samples the transparent pixel: unchanged.
  EXPECT_EQ(img.get_pixel(1, 0), 0x0000FFu);
}

TEST(DibImage, TextureNumberAndBrushPreview) {
  const uint8_t tex[4] = {0, 255, 16, 32};
  DibImage img;
  ASSERT_TRUE(img.create(3, 3));
  img.draw_texture(0, 0, 3, 3, {2, 2, tex}, false);
  EXPECT_EQ(img.get_pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(img.get_pixel(1, 0), 0u);
  EXPECT_EQ(img.get_pixel(0, 1), 0xEFEFEFu);
  EXPECT_EQ(img.get_pixel(2, 2), 0xFFFFFFu);  // tiles: (2, 2) wraps to (0, 0)
  img.draw_texture(0, 0, 3, 3, {2, 2, tex}, true);
  EXPECT_EQ(img.get_pixel(1, 1), 0xFFDFDFu);

  // Digits strip: ten 1-pixel glyphs whose colour is the digit.
  DibImage digits;
  ASSERT_TRUE(digits.create(10, 1));
  for (int d = 0; d < 10; ++d) digits.set_pixel(d, 0, uint32_t(d));
  DibImage out;
  ASSERT_TRUE(out.create(4, 1));
  out.fill(0xEE);
  out.draw_number(0, 0, 7, digits);
  EXPECT_EQ(out.get_pixel(0, 0), 7u);
  EXPECT_EQ(out.get_pixel(1, 0), 0xEEu);
  out.draw_number(0, 0, 305, digits);
  EXPECT_EQ(out.get_pixel(0, 0), 3u);
  EXPECT_EQ(out.get_pixel(1, 0), 0u);
  EXPECT_EQ(out.get_pixel(2, 0), 5u);
  out.fill(0xEE);
  out.draw_number(1, 0, 0, digits);
  EXPECT_EQ(out.get_pixel(1, 0), 0u);
  EXPECT_EQ(out.get_pixel(2, 0), 0xEEu);

  DibImage preview;
  ASSERT_TRUE(preview.create(11, 11));
  preview.draw_brush_preview(3);
  EXPECT_EQ(preview.get_pixel(0, 5), 0u);        // frame
  EXPECT_EQ(preview.get_pixel(5, 5), 0u);        // disc centre: every sample hits
  EXPECT_EQ(preview.get_pixel(2, 2), 0xFFFFFFu); // outside the disc
  const uint32_t edge = preview.get_pixel(8, 5) & 255;  // partly covered
  EXPECT_GT(edge, 0u);
  EXPECT_LT(edge, 255u);
}

}  // namespace
}  // namespace qm
