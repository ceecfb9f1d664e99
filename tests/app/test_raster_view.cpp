#include "platform/raster_view.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// 3 × 2 pixels with distinct channels, partial alpha and the transparent value.
LayerImage sample_image() {
  LayerImage image;
  EXPECT_TRUE(image.create(3, 2));
  const Pixel values[6] = {0xFF102030, 0x80FF0000, 0x00FFFFFF,
                           0xFF00FF00, 0x400000FF, 0x01020304};
  for (int i = 0; i < 6; ++i) image.pixels()[i] = values[i];
  return image;
}

TEST(RasterView, ArgbViewSharesBytesAndMatchesEveryPixel) {
  LayerImage image = sample_image();
  QImage view = argb_view(image);
  ASSERT_EQ(view.format(), QImage::Format_ARGB32);
  ASSERT_EQ(view.size(), QSize(3, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(view.pixel(x, y), image.get_pixel(x, y)) << x << "," << y;

  if (!raster_views_share_memory()) GTEST_SKIP() << "big-endian build: views are copies";
  EXPECT_EQ(view.constBits(), reinterpret_cast<const uchar*>(image.pixels()));
  EXPECT_EQ(view.bytesPerLine(), 3 * 4);
  // Shared both ways: a raster edit shows in the view, a view edit in the raster.
  image.row(1)[2] = 0x7F123456;
  EXPECT_EQ(view.pixel(2, 1), 0x7F123456u);
  view.setPixel(0, 1, 0xFFABCDEF);
  EXPECT_EQ(image.get_pixel(0, 1), 0xFFABCDEFu);
  EXPECT_EQ(view.constBits(), reinterpret_cast<const uchar*>(image.pixels()));
}

TEST(RasterView, ConstViewCopiesOnWrite) {
  LayerImage image = sample_image();
  QImage view = argb_view(static_cast<const LayerImage&>(image));
  EXPECT_EQ(view.pixel(1, 0), 0x80FF0000u);
  view.setPixel(1, 0, 0xFF000000);
  EXPECT_EQ(image.get_pixel(1, 0), 0x80FF0000u);
  EXPECT_NE(view.constBits(), reinterpret_cast<const uchar*>(image.pixels()));
}

TEST(RasterView, OpaqueViewShowsColourChannels) {
  LayerImage image = sample_image();
  for (int i = 0; i < 6; ++i) image.pixels()[i] |= 0xFF000000;
  const QImage view = opaque_view(image);
  ASSERT_EQ(view.format(), QImage::Format_RGB32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      const Pixel p = image.get_pixel(x, y);
      EXPECT_EQ(view.pixelColor(x, y), QColor(red_of(p), green_of(p), blue_of(p)))
          << x << "," << y;
    }
  if (raster_views_share_memory()) {
    EXPECT_EQ(view.constBits(), reinterpret_cast<const uchar*>(image.pixels()));
  }
}

TEST(RasterView, EmptyRasterGivesNullImage) {
  LayerImage image;
  EXPECT_TRUE(argb_view(image).isNull());
  EXPECT_TRUE(opaque_view(image).isNull());
}

}  // namespace
}  // namespace qm
