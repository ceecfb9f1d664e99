#include <gtest/gtest.h>

#include "core/colour.h"

namespace qm {
namespace {

TEST(Colour, HsvIntegerKnownValues) {
  EXPECT_EQ(rgb_to_hsv(0x000000), (Hsv{0, 0, 0}));
  EXPECT_EQ(rgb_to_hsv(0xFF0000), (Hsv{0, 255, 255}));
  EXPECT_EQ(rgb_to_hsv(0x00FF00), (Hsv{120, 255, 255}));
  EXPECT_EQ(rgb_to_hsv(0x0000FF), (Hsv{240, 255, 255}));
  // Red maximum with blue above green: negative hue wraps.
  EXPECT_EQ(rgb_to_hsv(0xFF0080), (Hsv{330, 255, 255}));  // 0 - 128*60/255 = -30
  EXPECT_EQ(hsv_to_rgb(0, 255, 255), 0xFF0000u);
  EXPECT_EQ(hsv_to_rgb(120, 255, 255), 0x00FF00u);
  EXPECT_EQ(hsv_to_rgb(240, 255, 255), 0x0000FFu);
  // Sector 0, d = 180: t = (255 - 255*180/360) * 255 / 255 = 128.
  EXPECT_EQ(hsv_to_rgb(30, 255, 255), 0xFF8000u);
  for (int h = 0; h < 360; h += 7) {
    EXPECT_EQ(hsv_to_rgb(h, 0, 77), 0x4D4D4Du);
    EXPECT_EQ(hsv_to_rgb_percent(h, 0, 100), 0xFFFFFFu);
  }
}

TEST(Colour, HsvRoundTripStaysClose) {
  // Integer HSV loses precision, but never by more than a few steps.
  for (uint32_t c = 0; c < 0x1000000; c += 0x010305 * 7) {
    const Hsv hsv = rgb_to_hsv(c);
    const uint32_t back = hsv_to_rgb(hsv.h, hsv.s, hsv.v);
    for (int shift = 0; shift < 24; shift += 8)
      EXPECT_NEAR(int((c >> shift) & 255), int((back >> shift) & 255), 6) << std::hex << c;
  }
}

TEST(Colour, HsvPercent) {
  EXPECT_EQ(hsv_to_rgb_percent(0, 100, 100), 0xFF0000u);
  EXPECT_EQ(hsv_to_rgb_percent(240, 100, 100), 0x0000FFu);
  // V = 0.5: trunc(0.5 * 255) = 127.
  EXPECT_EQ(hsv_to_rgb_percent(0, 0, 50), 0x7F7F7Fu);
}

TEST(Colour, Hls) {
  EXPECT_EQ(rgb_to_hls(0xFF0000), (Hls{0, 50, 100}));
  EXPECT_EQ(rgb_to_hls(0x808080), (Hls{0, 50, 0}));
  EXPECT_EQ(rgb_to_hls(0x0000FF), (Hls{240, 50, 100}));
  EXPECT_EQ(hls_to_rgb(0, 50, 100), 0xFF0000u);
  EXPECT_EQ(hls_to_rgb(120, 50, 100), 0x00FF00u);
  EXPECT_EQ(hls_to_rgb(77, 100, 0), 0xFFFFFFu);
  EXPECT_EQ(hls_to_rgb(200, 0, 60), 0x000000u);
  for (uint32_t c : {0x336699u, 0xC08040u, 0x10E0A0u}) {
    const Hls hls = rgb_to_hls(c);
    const uint32_t back = hls_to_rgb(hls.h, hls.l, hls.s);
    for (int shift = 0; shift < 24; shift += 8)
      EXPECT_NEAR(int((c >> shift) & 255), int((back >> shift) & 255), 8) << std::hex << c;
  }
}

TEST(Colour, HueChromaLuma) {
  const Hcy red = rgb_to_hcy(255, 0, 0);
  EXPECT_FLOAT_EQ(red.hue, 0.0f);
  EXPECT_FLOAT_EQ(red.chroma, 1.0f);
  EXPECT_FLOAT_EQ(red.luma, 0.3f);
  EXPECT_EQ(hcy_to_rgb(0.0f, 1.0f, 0.3f), (Rgb8{255, 0, 0}));
  EXPECT_EQ(hcy_to_rgb(0.5f, 0.0f, 0.5f), (Rgb8{128, 128, 128}));
  EXPECT_EQ(hcy_to_rgb(-1.0f, 1.0f, 0.2f), (Rgb8{51, 51, 51}));

  // Without gamut scaling the luma survives the round trip.
  for (const Rgb8 c : {Rgb8{200, 100, 50}, Rgb8{30, 160, 90}, Rgb8{90, 90, 200}}) {
    const Hcy hcy = rgb_to_hcy(c.r, c.g, c.b);
    const Rgb8 back = hcy_to_rgb(hcy.hue, hcy.chroma, hcy.luma);
    EXPECT_NEAR(back.r, c.r, 1);
    EXPECT_NEAR(back.g, c.g, 1);
    EXPECT_NEAR(back.b, c.b, 1);
  }

  // A luma the hue cannot reach at full chroma is scaled into the gamut: the
  // result stays within 0 … 255 and keeps the luma's order.
  const Rgb8 bright_blue = hcy_to_rgb(240.0f / 360.0f, 1.0f, 0.9f);
  EXPECT_EQ(bright_blue.b, 255);
  EXPECT_GT(bright_blue.r, 200);
}

}  // namespace
}  // namespace qm
