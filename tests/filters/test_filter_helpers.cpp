// The shared neighbourhood helpers: luma, the bilinear alpha sample, the
// average output rule, the 3 × 3 convolution and the Gaussian Blur.
#include <gtest/gtest.h>

#include <cmath>

#include "blur_reference.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

void expect_same(const LayerImage& a, const LayerImage& b) {
  ASSERT_EQ(a.width(), b.width());
  ASSERT_EQ(a.height(), b.height());
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      ASSERT_EQ(a.row(y)[x], b.row(y)[x]) << "at " << x << ", " << y;
}

TEST(FilterHelpers, Luma) {
  EXPECT_EQ(luma(make_pixel(255, 255, 255, 255)), 255);
  EXPECT_EQ(luma(make_pixel(255, 100, 0, 0)), 77 * 100 >> 8);
  EXPECT_EQ(luma(make_pixel(0, 10, 20, 30)), (770 + 3000 + 870) >> 8);
}

TEST(FilterHelpers, BilinearSampleEdgesAndWeighting) {
  LayerImage img;
  img.create(3, 2);
  img.fill(make_pixel(255, 0, 0, 0));
  img.row(0)[1] = make_pixel(255, 255, 255, 255);
  img.row(1)[0] = kTransparent;
  img.row(1)[1] = make_pixel(255, 100, 100, 100);
  Pixel p = 0;
  // Whole pixels come back unchanged.
  ASSERT_TRUE(bilinear_alpha_sample(img, 256, 256, SampleEdge::kNone, &p));
  EXPECT_EQ(p, make_pixel(255, 100, 100, 100));
  // Halfway between black and white.
  ASSERT_TRUE(bilinear_alpha_sample(img, 128, 0, SampleEdge::kNone, &p));
  EXPECT_EQ(p, make_pixel(255, 128, 128, 128));
  // Beside a transparent pixel: alpha falls, the colour takes no white.
  ASSERT_TRUE(bilinear_alpha_sample(img, 128, 256, SampleEdge::kNone, &p));
  EXPECT_EQ(p, make_pixel(128, 100, 100, 100));
  // Outside: no sample, the edge pixel, or the pixel one image size away.
  EXPECT_FALSE(bilinear_alpha_sample(img, -1, 0, SampleEdge::kNone, &p));
  EXPECT_FALSE(bilinear_alpha_sample(img, 3 * 256, 0, SampleEdge::kNone, &p));
  ASSERT_TRUE(bilinear_alpha_sample(img, 9 * 256, 256, SampleEdge::kClamp, &p));
  EXPECT_EQ(p, make_pixel(255, 0, 0, 0));
  ASSERT_TRUE(bilinear_alpha_sample(img, -2 * 256, 0, SampleEdge::kWrap, &p));
  EXPECT_EQ(p, make_pixel(255, 255, 255, 255));
  ASSERT_TRUE(bilinear_alpha_sample(img, 0, -2 * 256, SampleEdge::kClamp, &p));
  EXPECT_EQ(p, make_pixel(255, 0, 0, 0));
  // Only the coordinate outside is moved: y keeps its fraction.
  ASSERT_TRUE(bilinear_alpha_sample(img, -256, 128, SampleEdge::kClamp, &p));
  EXPECT_EQ(p, make_pixel(127, 0, 0, 0));
  // All four transparent.
  img.fill(kTransparent);
  ASSERT_TRUE(bilinear_alpha_sample(img, 100, 100, SampleEdge::kClamp, &p));
  EXPECT_EQ(p, kTransparent);
}

TEST(FilterHelpers, AverageOutputRule) {
  AlphaSums sums;
  EXPECT_EQ(average_output(sums, 4), kTransparent);
  sums.add(make_pixel(3, 200, 100, 50));
  EXPECT_EQ(average_output(sums, 4), kTransparent);  // ΣA / N = 0
  sums.add(make_pixel(255, 0, 0, 0));
  sums.add(kTransparent);
  EXPECT_EQ(average_output(sums, 3),
            make_pixel(86, 600 / 258, 300 / 258, 150 / 258));
}

const int kSharpen1[9] = {-1, -1, -1, -1, 108, -1, -1, -1, -1};
const int kSharpen20[9] = {-20, -20, -20, -20, 260, -20, -20, -20, -20};
const int kLaplacian[9] = {-1, -1, -1, -1, 8, -1, -1, -1, -1};
const int kEmboss[9] = {5, 5, 0, 0, 1, 0, 0, -5, -5};

TEST(FilterHelpers, ConvolutionMatchesReference) {
  struct Case {
    const int* k;
    int d, o;
  } cases[] = {{kSharpen1, 100, 0}, {kSharpen20, 100, 0}, {kLaplacian, 1, 255}, {kEmboss, 1, 128}};
  for (int threads : {1, 2}) {
    const int old = set_filter_threads(threads);
    for (const Case& c : cases)
      for (Rect rect : {Rect{0, 0, 37, 29}, Rect{5, 3, 21, 17}, Rect{36, 0, 1, 29}}) {
        const LayerImage src = ref::random_image(37, 29, 7);
        LayerImage dst = ref::copy_of(src), want = ref::copy_of(src);
        convolve_3x3(src, dst, rect, c.k, c.d, c.o, nullptr);
        for (int y = rect.y; y < rect.bottom(); ++y)
          for (int x = rect.x; x < rect.right(); ++x)
            want.row(y)[x] = ref::convolve(src, x, y, c.k, c.d, c.o);
        expect_same(dst, want);
      }
    set_filter_threads(old);
  }
}

TEST(FilterHelpers, ConvolutionKeepsFlatAreaBesideTransparency) {
  // Colour 100 with a transparent column: sharpening adds no edge there.
  LayerImage src;
  src.create(5, 4);
  src.fill(make_pixel(255, 100, 100, 100));
  for (int y = 0; y < 4; ++y) src.row(y)[0] = kTransparent;
  LayerImage dst = ref::copy_of(src);
  convolve_3x3(src, dst, src.bounds(), kSharpen1, 100, 0, nullptr);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(dst.row(y)[1], make_pixel(170, 100, 100, 100));
    EXPECT_EQ(dst.row(y)[3], make_pixel(255, 100, 100, 100));
  }
  // A transparent neighbourhood stays transparent.
  src.fill(kTransparent);
  convolve_3x3(src, dst, src.bounds(), kSharpen20, 100, 0, nullptr);
  EXPECT_EQ(dst.row(2)[2], kTransparent);
}

TEST(FilterHelpers, GaussianWeightsAreTheStaircase) {
  // s = 1: R = 3, weights 1, 1, e^-2, e^-4.
  const double want[4] = {1, 1, std::exp(-2.0), std::exp(-4.0)};
  for (int i = 0; i <= 3; ++i)
    EXPECT_NEAR(double(gaussian_weight(i, 1)) / kGaussianOne, want[i], 0.5 / kGaussianOne);
  // s = 5: steps at 5√2, 10, 5√6, 15.
  EXPECT_EQ(gaussian_weight(7, 5), kGaussianLevels[0]);
  EXPECT_EQ(gaussian_weight(8, 5), kGaussianLevels[1]);
  EXPECT_EQ(gaussian_weight(10, 5), kGaussianLevels[2]);
  EXPECT_EQ(gaussian_weight(13, 5), kGaussianLevels[3]);
  EXPECT_EQ(gaussian_weight(15, 5), kGaussianLevels[4]);
}

TEST(FilterHelpers, GaussianMatchesReference) {
  for (int threads : {1, 2}) {
    const int old = set_filter_threads(threads);
    for (int s : {1, 2, 5, 13, 30})
      for (Rect rect : {Rect{0, 0, 41, 75}, Rect{3, 9, 17, 40}, Rect{40, 74, 1, 1}}) {
        const LayerImage src = ref::random_image(41, 75, 11 + s);
        LayerImage dst = ref::copy_of(src), want = ref::copy_of(src);
        ASSERT_TRUE(gaussian_blur(src, dst, rect, s, nullptr));
        ref::gaussian(src, want, rect, s);
        expect_same(dst, want);
        // In place gives the same.
        LayerImage same = ref::copy_of(src);
        ASSERT_TRUE(gaussian_blur(same, same, rect, s, nullptr));
        expect_same(same, want);
      }
    set_filter_threads(old);
  }
}

TEST(FilterHelpers, GaussianKeepsFlatAreaFlat) {
  LayerImage img;
  img.create(3, 3);
  for (int s = 1; s <= 30; ++s)
    for (int grey = 0; grey < 256; ++grey) {
      const Pixel p = make_pixel(255, grey, grey, grey);
      img.fill(p);
      ASSERT_TRUE(gaussian_blur(img, img, img.bounds(), s, nullptr));
      for (int i = 0; i < 9; ++i) ASSERT_EQ(img.pixels()[i], p) << s << " " << grey;
    }
}

TEST(FilterHelpers, GaussianWithoutTemporaryLeavesDestination) {
  const LayerImage src = ref::random_image(20, 20, 3);
  LayerImage dst = ref::copy_of(src);
  set_temporary_limit(100);
  EXPECT_FALSE(gaussian_blur(src, dst, src.bounds(), 2, nullptr));
  set_temporary_limit(-1);
  expect_same(dst, src);
}

}  // namespace
}  // namespace qm::filters
