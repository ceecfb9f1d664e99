// The colour adjustment filters against the plain references.
#include <gtest/gtest.h>

#include <set>

#include "colour_render_reference.h"
#include "filter_test_util.h"
#include "filters/colour_filters.h"
#include "filters/filter_bands.h"

namespace qm {
namespace {

using filters::FilterValues;
using test::kRect;

FilterValues numeric(std::initializer_list<int> n) {
  FilterValues v;
  std::copy(n.begin(), n.end(), v.numeric.begin());
  return v;
}

// Every opaque pixel inside the rectangle is `expected(src)`; every other
// pixel is unchanged. The rectangle's rows end inside a vector block; both
// the SSE2 and the AVX2 forms run.
void expect_point_filter(filters::FilterCallback f, const FilterValues& v, const std::function<Pixel(Pixel)>& expected,
                         const filters::FilterEnvironment& env = {}) {
  LayerImage src = test::random_image(37, 29, 11);
  for (size_t i = 1; i < src.pixel_count(); i += 3) src.pixels()[i] = src.pixels()[i - 1];  // short runs
  for (bool avx2 : {false, true}) {
    filters::set_filter_avx2(avx2);
    const LayerImage out = test::run_both(f, src, v, env);
    filters::set_filter_avx2(true);
    for (int y = 0; y < src.height(); ++y)
      for (int x = 0; x < src.width(); ++x) {
        const Pixel s = src.get_pixel(x, y);
        const Pixel want = kRect.contains(x, y) && alpha_of(s) ? expected(s) : s;
        ASSERT_EQ(out.get_pixel(x, y), want) << x << "," << y << " avx2 " << avx2;
      }
  }
}

// A 4096 × 4096 image holding every colour once (opaque), for the filters
// whose vector forms replace a per-pixel formula.
const LayerImage& every_colour() {
  static const LayerImage cube = [] {
    LayerImage c;
    EXPECT_TRUE(c.create(4096, 4096));
    for (size_t i = 0; i < c.pixel_count(); ++i) c.pixels()[i] = 0xFF000000u | uint32_t(i);
    return c;
  }();
  return cube;
}

void expect_every_colour(filters::FilterCallback f, const FilterValues& v, const std::function<Pixel(Pixel)>& expected) {
  const LayerImage& cube = every_colour();
  LayerImage out;
  ASSERT_TRUE(out.create(cube.width(), cube.height()));
  ASSERT_TRUE(f({v, {}, out, cube, cube.bounds(), nullptr}));
  for (size_t i = 0; i < cube.pixel_count(); ++i) ASSERT_EQ(out.pixels()[i], expected(cube.pixels()[i])) << i;
}

Pixel per_channel(Pixel p, const std::function<int(int)>& f) {
  return ref::rgb(p, f(ref::R(p)), f(ref::G(p)), f(ref::B(p)));
}

TEST(ColourFilters, BrightnessContrast) {
  for (auto [b, c] : {std::pair{0, 0}, {-255, 100}, {37, -61}, {255, -100}, {-90, 45}})
    expect_point_filter(filters::brightness_contrast, numeric({b, c}),
                        [=](Pixel p) { return ref::brightness_contrast(p, b, c); });
  // Over a lattice of the colour cube, at the extremes and in between.
  LayerImage cube;
  ASSERT_TRUE(cube.create(86 * 86, 86));
  for (int r = 0; r < 86; ++r)
    for (int g = 0; g < 86; ++g)
      for (int b = 0; b < 86; ++b)
        *cube.pixel_address(r * 86 + g, b) = make_pixel(255, uint32_t(r * 3), uint32_t(g * 3), uint32_t(b * 3));
  for (auto [b, c] : {std::pair{0, 0}, {-255, -100}, {255, 100}, {13, 57}}) {
    LayerImage out = test::copy_of(cube);
    ASSERT_TRUE(filters::brightness_contrast({numeric({b, c}), {}, out, cube, cube.bounds(), nullptr}));
    for (size_t i = 0; i < cube.pixel_count(); ++i)
      ASSERT_EQ(out.pixels()[i], ref::brightness_contrast(cube.pixels()[i], b, c));
  }
  // Both 0: only the YCbCr round trip's rounding, at most a few units.
  const Pixel p = 0xFF336699;
  const Pixel q = ref::brightness_contrast(p, 0, 0);
  EXPECT_LE(std::abs(ref::R(q) - 0x33) + std::abs(ref::G(q) - 0x66) + std::abs(ref::B(q) - 0x99), 6);
}

TEST(ColourFilters, GammaAndIdentity) {
  for (int g : {10, 55, 100, 250, 400})
    expect_point_filter(filters::gamma, numeric({g}),
                        [=](Pixel p) { return per_channel(p, [=](int i) { return ref::gamma(i, g); }); });
  const filters::ByteTable t = filters::gamma_table(100);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(t[size_t(i)], i);
}

TEST(ColourFilters, LevelsIncludingHandlesOnEachOther) {
  for (auto l : {std::array{0, 128, 255, 0, 255}, {20, 60, 200, 10, 240}, {30, 200, 180, 255, 0},
                 {100, 100, 100, 0, 255}, {200, 50, 20, 0, 255}, {10, 250, 250, 0, 255}, {0, 255, 255, 40, 90}})
    expect_point_filter(filters::levels, numeric({l[0], l[1], l[2], l[3], l[4]}), [=](Pixel p) {
      return per_channel(p, [=](int i) { return ref::levels(i, l[0], l[1], l[2], l[3], l[4]); });
    });
  // Handles on each other or crossed: identity, never a division by zero.
  const filters::ByteTable same = filters::levels_table(90, 90, 90, 0, 255);
  const filters::ByteTable crossed = filters::levels_table(200, 128, 50, 0, 255);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(same[size_t(i)], i);
    EXPECT_EQ(crossed[size_t(i)], i);
  }
  // A middle handle at in_max still gives a monotone table ending at out_max.
  const filters::ByteTable top = filters::levels_table(0, 255, 255, 0, 255);
  EXPECT_EQ(top[255], 255);
  EXPECT_TRUE(std::is_sorted(top.begin(), top.end()));
}

TEST(ColourFilters, LevelsHistogramCountsIn64Bits) {
  EXPECT_EQ(filters::levels_defaults().numeric, (std::array<int, 5>{0, 128, 255, 0, 255}));
  LayerImage one;
  ASSERT_TRUE(one.create(300, 200));
  one.fill(0x00FFFFFF);  // transparent pixels count too
  const auto bins = filters::luma_histogram(one);
  EXPECT_EQ(bins[255], 60000u);
  // One colour over a 4500 × 4500 canvas: H × count does not overflow.
  const uint64_t p = 4500ull * 4500ull;
  EXPECT_EQ(filters::histogram_bar(p, 140, p), 131);
  EXPECT_EQ(filters::histogram_bar(p / 64, 140, p), 131 / 2);
  // Tiny canvases and short panels: the divisor is at least 1.
  EXPECT_EQ(filters::histogram_bar(5, 140, 20), 131 * 5 / 131);
  EXPECT_EQ(filters::histogram_bar(5, 40, 10), 5 * 31 / 31);
  EXPECT_EQ(filters::histogram_bar(1, 9, 1), 0);
}

TEST(ColourFilters, RgbAndHsvAdjust) {
  expect_point_filter(filters::rgb_adjust, numeric({40, -255, 200}), [](Pixel p) {
    return ref::rgb(p, ref::clamp255(ref::R(p) + 40), 0, ref::clamp255(ref::B(p) + 200));
  });
  for (auto d : {std::array{180, 0, 0}, {-180, 30, -40}, {77, -255, 255}, {-5, 200, 3}})
    expect_point_filter(filters::hsv_adjust, numeric({d[0], d[1], d[2]}),
                        [=](Pixel p) { return ref::hsv_adjust(p, d[0], d[1], d[2]); });
  // The fast conversion against the plain one over a lattice of the cube.
  for (auto d : {std::array{0, 0, 0}, {-97, 41, -13}})
    for (int r = 0; r < 256; r += 3)
      for (int g = 1; g < 256; g += 3)
        for (int b = 2; b < 256; b += 3) {
          const Pixel p = make_pixel(255, uint32_t(r), uint32_t(g), uint32_t(b));
          ASSERT_EQ(filters::hsv_adjust_pixel(p, d[0], d[1], d[2]), ref::hsv_adjust(p, d[0], d[1], d[2]));
        }
  // Every colour through the filter (its vector form) against the plain conversion.
  for (auto d : {std::array{0, 0, 0}, {-97, 41, -13}, {180, -255, 255}})
    expect_every_colour(filters::hsv_adjust, numeric({d[0], d[1], d[2]}),
                        [=](Pixel p) { return ref::hsv_adjust(p, d[0], d[1], d[2]); });
  // Red turned by ±180 degrees is cyan.
  for (int dh : {180, -180}) {
    LayerImage red;
    ASSERT_TRUE(red.create(1, 1));
    red.fill(0xFFFF0000);
    filters::hsv_adjust({numeric({dh, 0, 0}), {}, red, red, red.bounds(), nullptr});
    EXPECT_EQ(red.get_pixel(0, 0), 0xFF00FFFFu);
  }
}

TEST(ColourFilters, NegativeGreyscaleSepiaTint) {
  expect_point_filter(filters::negative, {}, [](Pixel p) { return p ^ 0xFFFFFF; });
  expect_point_filter(filters::greyscale, {}, [](Pixel p) {
    const int y = ref::luma(p);
    return ref::rgb(p, y, y, y);
  });
  expect_point_filter(filters::sepia, {}, ref::sepia);
  expect_every_colour(filters::sepia, {}, ref::sepia);
  expect_every_colour(filters::brightness_contrast, numeric({-30, 20}),
                      [](Pixel p) { return ref::brightness_contrast(p, -30, 20); });
  EXPECT_EQ(ref::sepia(0xFFFFFFFF), 0xFFFFFFF0u);
  EXPECT_EQ(ref::sepia(0xFF000000), 0xFF1E0000u);
  filters::FilterEnvironment env;
  env.drawing_colour = 0x2050F0;
  env.other_colour = 0xF0A010;
  expect_point_filter(filters::two_colour_tint, {}, [&](Pixel p) { return ref::tint(p, 0x2050F0, 0xF0A010); }, env);
}

TEST(ColourFilters, Threshold) {
  for (int t : {1, 128, 255})
    expect_point_filter(filters::threshold, numeric({t}),
                        [=](Pixel p) { return ref::luma(p) >= t ? p | 0xFFFFFF : p & 0xFF000000; });
  EXPECT_EQ(ref::luma(0xFF808080), 128);  // 128 grey turns white at 128,
  EXPECT_EQ(ref::luma(0xFF7F7F7F), 127);  // 127 grey black
}

TEST(ColourFilters, PosteriseEveryLevelCount) {
  for (int n = 2; n <= 128; ++n) {
    const filters::ByteTable t = filters::posterise_table(n);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(t[size_t(i)], ref::posterise(i, n)) << n << " " << i;
    ASSERT_EQ(t[255], 255) << n;
    ASSERT_EQ(t[0], 0) << n;
  }
  const filters::ByteTable two = filters::posterise_table(2);
  EXPECT_EQ(two[127], 0);
  EXPECT_EQ(two[128], 255);
  expect_point_filter(filters::posterise, numeric({7}),
                      [](Pixel p) { return per_channel(p, [](int i) { return ref::posterise(i, 7); }); });
}

TEST(ColourFilters, ReplaceColourExactMatchOnly) {
  LayerImage src = test::random_image(37, 29, 4);
  src.pixels()[40] = 0x80123456;
  src.pixels()[41] = 0xFF123457;  // one unit off
  src.pixels()[42] = 0x00123456;  // transparent
  filters::FilterEnvironment env;
  env.drawing_colour = 0x123456;
  const LayerImage out = test::run_both(filters::replace_colour, src, numeric({0xAB, 0xCD, 0xEF}), env, src.bounds());
  EXPECT_EQ(out.pixels()[40], 0x80ABCDEFu);
  EXPECT_EQ(out.pixels()[41], 0xFF123457u);
  EXPECT_EQ(out.pixels()[42], 0x00123456u);
}

std::set<uint32_t> opaque_colours(const LayerImage& img) {
  std::set<uint32_t> s;
  for (size_t i = 0; i < img.pixel_count(); ++i)
    if (alpha_of(img.pixels()[i])) s.insert(img.pixels()[i] & 0xFFFFFF);
  return s;
}

TEST(ColourFilters, ColourReduction) {
  const LayerImage src = test::random_image(61, 47, 8);
  for (int index = 0; index < 8; ++index) {
    LayerImage img = test::copy_of(src);
    FilterValues v;
    v.list[0] = index;
    ASSERT_TRUE(filters::colour_reduction({v, {}, img, img, kRect, nullptr}));
    EXPECT_LE(opaque_colours(img).size(), size_t(2) << index);
    for (size_t i = 0; i < img.pixel_count(); ++i) {
      const Pixel s = src.pixels()[i], d = img.pixels()[i];
      ASSERT_EQ(alpha_of(d), alpha_of(s));  // alpha kept, and the whole layer is done
      if (!alpha_of(s)) {
        ASSERT_EQ(d, s);  // transparent pixels untouched
      }
    }
  }
  // One colour, fewer colours than boxes, nothing opaque: no empty box is divided by.
  LayerImage img;
  ASSERT_TRUE(img.create(9, 7));
  img.fill(0x00FFFFFF);
  FilterValues v;
  v.list[0] = 7;
  ASSERT_TRUE(filters::colour_reduction({v, {}, img, img, img.bounds(), nullptr}));
  EXPECT_EQ(img.get_pixel(3, 3), 0x00FFFFFFu);
  img.fill(0xFF406080);
  img.pixels()[5] = 0xFFC00010;
  ASSERT_TRUE(filters::colour_reduction({v, {}, img, img, img.bounds(), nullptr}));
  EXPECT_EQ(img.get_pixel(0, 0), 0xFF406080u);
  EXPECT_EQ(img.pixels()[5], 0xFFC00010u);
}

}  // namespace
}  // namespace qm
