// The fourteen blur, sharpen and edge filters against the plain reference,
// with their edge cases and the faults they must not have.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "blur_reference.h"
#include "filters/blur_filters.h"
#include "filters/filter_bands.h"
#include "filters/radial_ray.h"

namespace qm::filters {
namespace {

using PixelRef = std::function<Pixel(const LayerImage&, int, int)>;

FilterValues numbers(std::initializer_list<int> n, std::array<int, 2> lists = {},
                     std::array<int, 2> checks = {}) {
  FilterValues v;
  int i = 0;
  for (int x : n) v.numeric[size_t(i++)] = x;
  v.list = lists;
  v.check = checks;
  return v;
}

bool run(FilterCallback f, const FilterValues& v, const LayerImage& src, LayerImage& dst, Rect r) {
  const FilterEnvironment env;
  return f(FilterArgs{v, env, dst, src, r, nullptr});
}

// The filter on random images (odd sizes, partial rectangles, transparent
// patches), one and two threads, separate and in place, equals the reference
// inside the rectangle and leaves the rest alone.
void expect_matches(FilterCallback f, const FilterValues& v, const PixelRef& want, int w = 37,
                    int h = 29) {
  for (int threads : {1, 2}) {
    const int old = set_filter_threads(threads);
    for (Rect rect : {Rect{0, 0, w, h}, Rect{4, 3, w - 9, h - 7}, Rect{w - 1, 0, 1, h}}) {
      const LayerImage src = ref::random_image(w, h, uint32_t(w * 31 + rect.x));
      LayerImage dst;
      dst.create(w, h);
      dst.fill(0x12345678);
      ASSERT_TRUE(run(f, v, src, dst, rect));
      LayerImage same = ref::copy_of(src);
      ASSERT_TRUE(run(f, v, same, same, rect));
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          if (!rect.contains(x, y)) {
            ASSERT_EQ(dst.row(y)[x], 0x12345678u);
            ASSERT_EQ(same.row(y)[x], src.row(y)[x]);
            continue;
          }
          const Pixel p = want(src, x, y);
          ASSERT_EQ(dst.row(y)[x], p) << "at " << x << ", " << y << " threads " << threads;
          ASSERT_EQ(same.row(y)[x], p) << "in place at " << x << ", " << y;
        }
    }
    set_filter_threads(old);
  }
}

TEST(BlurFilters, BlurMatchesReference) {
  for (int r : {1, 2, 7, 16})
    expect_matches(box_blur, numbers({r}),
                   [r](const LayerImage& s, int x, int y) { return ref::box(s, x, y, r); });
}

TEST(BlurFilters, BlurAndGaussianKeepFlatAreas) {
  LayerImage img;
  img.create(5, 4);
  for (int grey = 0; grey < 256; ++grey) {
    const Pixel p = make_pixel(255, grey, grey, grey);
    for (int r = 1; r <= 16; ++r) {
      img.fill(p);
      ASSERT_TRUE(run(box_blur, numbers({r}), img, img, img.bounds()));
      for (size_t i = 0; i < img.pixel_count(); ++i) ASSERT_EQ(img.pixels()[i], p);
    }
    for (int s = 1; s <= 30; ++s) {
      img.fill(p);
      ASSERT_TRUE(run(gaussian_blur_filter, numbers({s}), img, img, img.bounds()));
      for (size_t i = 0; i < img.pixel_count(); ++i) ASSERT_EQ(img.pixels()[i], p);
    }
  }
}

TEST(BlurFilters, TransparentNeighbourhoodStaysTransparent) {
  LayerImage img;
  img.create(9, 9);
  const FilterValues defaults[] = {numbers({3}), numbers({3}), numbers({4, 4, 50}),
                                   numbers({3, 5}), numbers({3, 45})};
  const FilterCallback filters[] = {box_blur, gaussian_blur_filter, radial_blur, lens_blur,
                                    motion_blur};
  for (int i = 0; i < 5; ++i) {
    img.fill(kTransparent);
    img.row(4)[4] = 0x01FF0000;  // too faint to survive any average
    ASSERT_TRUE(run(filters[i], defaults[i], img, img, img.bounds()));
    EXPECT_EQ(img.row(0)[0], kTransparent) << i;
  }
}

TEST(BlurFilters, MotionBlurMatchesReferenceAndTrailsLeftAtAngleZero) {
  for (auto [n, a] : {std::pair{3, 45}, {1, 0}, {30, -180}, {7, 123}})
    expect_matches(motion_blur, numbers({n, a}), [n = n, a = a](const LayerImage& s, int x, int y) {
      return ref::motion(s, x, y, n, a);
    });
  // Angle 0: a white pixel smears to the right, so the pixels to its right
  // see it (they sample to their left) and those to its left do not.
  LayerImage img;
  img.create(9, 1);
  img.fill(make_pixel(255, 0, 0, 0));
  img.row(0)[4] = make_pixel(255, 255, 255, 255);
  LayerImage out = ref::copy_of(img);
  ASSERT_TRUE(run(motion_blur, numbers({2, 0}), img, out, img.bounds()));
  EXPECT_NE(out.row(0)[6], make_pixel(255, 0, 0, 0));
  EXPECT_EQ(out.row(0)[3], make_pixel(255, 0, 0, 0));
}

TEST(BlurFilters, RadialBlurMatchesReferenceAndKeepsCentre) {
  for (auto [cx, cy, k] : {std::tuple{18, 14, 3}, {0, 0, 50}, {36, 5, 17}})
    expect_matches(radial_blur, numbers({cx, cy, k}),
                   [cx = cx, cy = cy, k = k](const LayerImage& s, int x, int y) {
                     return ref::radial(s, x, y, cx, cy, k);
                   });
  const LayerImage src = ref::random_image(21, 21, 5);
  LayerImage out = ref::copy_of(src);
  ASSERT_TRUE(run(radial_blur, numbers({10, 10, 50}), src, out, src.bounds()));
  EXPECT_EQ(out.row(10)[10], src.row(10)[10]);
}

// Many pixels share each ray on a larger image; without room for the ray
// tables the filter works sample by sample, with the same result.
TEST(BlurFilters, RadialBlurSharedRaysAndPlainPathAgree) {
  const LayerImage src = ref::random_image(151, 97, 8);
  for (int limit : {-1, 0}) {
    set_temporary_limit(limit);
    for (auto [cx, cy, k, rect] : {std::tuple{40, 60, 50, Rect{3, 5, 140, 90}}, {150, 0, 9, Rect{0, 0, 151, 97}},
                                   {75, 48, 3, Rect{0, 0, 151, 97}}, {10, 90, 30, Rect{60, 7, 80, 41}}}) {
      LayerImage out = ref::copy_of(src);
      ASSERT_TRUE(run(radial_blur, numbers({cx, cy, k}), src, out, rect));
      for (int y = rect.y; y < rect.bottom(); ++y)
        for (int x = rect.x; x < rect.right(); ++x)
          ASSERT_EQ(out.row(y)[x], ref::radial(src, x, y, cx, cy, k)) << x << ", " << y << " limit " << limit;
    }
  }
  set_temporary_limit(-1);
}

TEST(BlurFilters, RadialRayDirectionEqualsTrigonometry) {
  auto check = [](int64_t ex, int64_t ey) {
    if (ex == 0 && ey == 0) return;
    const double theta = std::atan2(double(ey), double(ex));
    int64_t cq, sq;
    ray_direction(ex, ey, &cq, &sq);
    ASSERT_EQ(cq, int64_t(std::trunc(std::cos(theta) * 1024))) << ex << " " << ey;
    ASSERT_EQ(sq, int64_t(std::trunc(std::sin(theta) * 1024))) << ex << " " << ey;
  };
  for (int ey = -200; ey <= 200; ++ey)
    for (int ex = -200; ex <= 200; ++ex) check(ex, ey);
  std::mt19937 rng(4);
  for (int i = 0; i < 200000; ++i) check(int(rng() % 9001) - 4500, int(rng() % 9001) - 4500);
}

// The filter groups pixels by ray_bucket(); a key shared by two directions
// would send every rectangle with both to the slow plain path.
TEST(BlurFilters, RadialRayBucketsHoldOneDirectionEach) {
  std::vector<uint32_t> direction_of(kRayBuckets, UINT32_MAX);
  for (int64_t ey = -1500; ey <= 1500; ++ey)
    for (int64_t ex = -1500; ex <= 1500; ++ex) {
      if (ex == 0 && ey == 0) continue;
      int64_t cq, sq;
      ray_direction(ex, ey, &cq, &sq);
      const uint32_t d = uint32_t((cq + 1024) * 2049 + sq + 1024);
      uint32_t& seen = direction_of[size_t(ray_bucket(cq, sq))];
      if (seen == UINT32_MAX) seen = d;
      ASSERT_EQ(seen, d) << ex << ", " << ey;
    }
}

TEST(BlurFilters, LensBlurMatchesReferenceAndKeepsFlatAreas) {
  for (auto [r, h] : {std::pair{3, 5}, {1, 0}, {14, 30}, {6, 17}})
    expect_matches(lens_blur, numbers({r, h}), [r = r, h = h](const LayerImage& s, int x, int y) {
      return ref::lens(s, x, y, r, h);
    });
  LayerImage img;
  img.create(3, 3);
  for (int h = 0; h <= 30; ++h)
    for (int grey = 0; grey < 256; ++grey) {
      const Pixel p = make_pixel(255, grey, 255 - grey, grey / 2);
      img.fill(p);
      ASSERT_TRUE(run(lens_blur, numbers({2, h}), img, img, img.bounds()));
      ASSERT_EQ(img.row(1)[1], p) << h << " " << grey;
    }
  // Highlights spread: one white pixel on black raises its neighbours more
  // than a plain mean would.
  img.fill(make_pixel(255, 0, 0, 0));
  img.row(1)[1] = make_pixel(255, 255, 255, 255);
  LayerImage out = ref::copy_of(img);
  ASSERT_TRUE(run(lens_blur, numbers({1, 30}), img, out, img.bounds()));
  EXPECT_GT(red_of(out.row(0)[1]), 255 / 5);
}

TEST(BlurFilters, SharpenLaplacianEmbossMatchConvolution) {
  for (int s : {1, 20}) {
    int k[9];
    std::fill_n(k, 9, -s);
    k[4] = 8 * s + 100;
    expect_matches(sharpen, numbers({s}), [k](const LayerImage& src, int x, int y) {
      return ref::convolve(src, x, y, k, 100, 0);
    });
  }
  const int lap[9] = {-1, -1, -1, -1, 8, -1, -1, -1, -1};
  expect_matches(laplacian, {}, [lap](const LayerImage& src, int x, int y) {
    return ref::convolve(src, x, y, lap, 1, 255);
  });
  // Diagonal, inverted, colour; and left-right in grey.
  const int diag[9] = {3, 3, 0, 0, 1, 0, 0, -3, -3};
  expect_matches(emboss, numbers({3}, {2, 0}, {1, 1}), [diag](const LayerImage& src, int x, int y) {
    return ref::convolve(src, x, y, diag, 1, 0);
  });
  const int lr[9] = {0, 0, 0, -5, 0, 5, 0, 0, 0};
  expect_matches(emboss, numbers({5}, {0, 0}, {0, 0}), [lr](const LayerImage& src, int x, int y) {
    const Pixel p = ref::convolve(src, x, y, lr, 1, 128);
    if (alpha_of(p) == 0) return p;
    const uint32_t g = uint32_t(luma(p));
    return make_pixel(alpha_of(p), g, g, g);
  });
}

TEST(BlurFilters, SharpenAndLaplacianOfFlatArea) {
  LayerImage img;
  img.create(4, 4);
  img.fill(make_pixel(255, 90, 60, 30));
  LayerImage out = ref::copy_of(img);
  ASSERT_TRUE(run(sharpen, numbers({20}), img, out, img.bounds()));
  EXPECT_EQ(out.row(2)[2], make_pixel(255, 90, 60, 30));
  ASSERT_TRUE(run(laplacian, {}, img, out, img.bounds()));
  EXPECT_EQ(out.row(2)[2], make_pixel(255, 255, 255, 255));
}

TEST(BlurFilters, UnsharpMaskMatchesReference) {
  for (auto [s, m] : {std::pair{1, 50}, {4, 300}, {20, 1}}) {
    expect_matches(unsharp_mask, numbers({s, m}), [s = s, m = m](const LayerImage& src, int x, int y) {
      const Pixel p = src.row(y)[x];
      if (alpha_of(p) == 0) return kTransparent;
      LayerImage blurred = ref::copy_of(src);
      ref::gaussian(src, blurred, {x, y, 1, 1}, s);
      const Pixel b = blurred.row(y)[x];
      Pixel out = p & 0xFF000000u;
      for (int ch = 0; ch < 3; ++ch) {
        const int c = ref::channel(p, ch);
        out |= Pixel(std::clamp(c + m * (c - ref::channel(b, ch)) / 100, 0, 255)) << (8 * ch);
      }
      return out;
    }, 23, 19);
  }
}

TEST(BlurFilters, UnsharpMaskWithoutTemporaryLeavesDestination) {
  const LayerImage src = ref::random_image(16, 16, 9);
  LayerImage img = ref::copy_of(src);
  set_temporary_limit(64);
  EXPECT_FALSE(run(unsharp_mask, numbers({2, 50}), img, img, img.bounds()));
  EXPECT_FALSE(run(gaussian_blur_filter, numbers({2}), img, img, img.bounds()));
  EXPECT_FALSE(run(box_blur, numbers({2}), img, img, img.bounds()));
  set_temporary_limit(-1);
  for (size_t i = 0; i < img.pixel_count(); ++i) ASSERT_EQ(img.pixels()[i], src.pixels()[i]);
}

TEST(BlurFilters, SobelMatchesReference) {
  expect_matches(sobel, {}, [](const LayerImage& s, int x, int y) { return ref::sobel(s, x, y); });
}

TEST(BlurFilters, MedianMatchesReference) {
  for (int range = 0; range < 3; ++range)
    for (int mode = 0; mode < 3; ++mode)
      for (int only = 0; only < 2; ++only)
        expect_matches(median, numbers({}, {range, mode}, {only, 0}),
                       [=](const LayerImage& s, int x, int y) {
                         return ref::median(s, x, y, 3 + 2 * range, mode, only != 0);
                       }, 19, 15);
}

// Wide rows (several vector blocks and a partial one) of few lumas carried
// by different colours and transparent pixels, so ties are everywhere and
// the selection sort decides; the SSE2 and AVX2 paths alike.
TEST(BlurFilters, MedianTiesFollowTheSelectionSort) {
  const Pixel palette[] = {make_pixel(255, 100, 0, 0), make_pixel(255, 0, 51, 2),  // same luma
                           make_pixel(255, 0, 0, 255), kTransparent, 0x00000000u,
                           make_pixel(255, 0, 0, 0), make_pixel(90, 100, 0, 0)};
  LayerImage src;
  src.create(83, 13);
  std::mt19937 rng(4);
  for (size_t i = 0; i < src.pixel_count(); ++i) src.pixels()[i] = palette[rng() % 7];
  for (bool avx2 : {false, true}) {
    set_filter_avx2(avx2);
    for (int range = 0; range < 3; ++range)
      for (int mode = 0; mode < 3; ++mode) {
        LayerImage out = ref::copy_of(src);
        const Rect rect{3, 1, 79, 11};
        ASSERT_TRUE(run(median, numbers({}, {range, mode}), src, out, rect));
        for (int y = rect.y; y < rect.bottom(); ++y)
          for (int x = rect.x; x < rect.right(); ++x)
            ASSERT_EQ(out.row(y)[x], ref::median(src, x, y, 3 + 2 * range, mode, false))
                << x << ", " << y << " range " << range << " mode " << mode << " avx2 " << avx2;
      }
  }
  set_filter_avx2(true);
}

TEST(BlurFilters, MedianMinimumSkipsTransparentNeighbours) {
  LayerImage img;
  img.create(3, 3);
  img.fill(kTransparent);  // white, the largest key, but transparent
  img.row(0)[0] = make_pixel(255, 200, 200, 200);
  img.row(2)[2] = make_pixel(255, 10, 10, 10);
  LayerImage out = ref::copy_of(img);
  ASSERT_TRUE(run(median, numbers({}, {0, 0}), img, out, img.bounds()));
  // Darkest is the opaque 10; a window with only transparent pixels keeps its source.
  EXPECT_EQ(out.row(1)[1], make_pixel(255, 10, 10, 10));
  img.fill(kTransparent);
  ASSERT_TRUE(run(median, numbers({}, {0, 0}), img, out, img.bounds()));
  EXPECT_EQ(out.row(1)[1], kTransparent);
}

TEST(BlurFilters, LinesFromBrightness) {
  LayerImage img;
  img.create(4, 1);
  img.row(0)[0] = make_pixel(255, 0, 0, 0);
  img.row(0)[1] = make_pixel(255, 255, 255, 255);
  img.row(0)[2] = make_pixel(100, 100, 100, 100);
  img.row(0)[3] = kTransparent;
  ASSERT_TRUE(run(lines_from_brightness, {}, img, img, img.bounds()));
  EXPECT_EQ(img.row(0)[0], make_pixel(255, 0, 0, 0));
  EXPECT_EQ(img.row(0)[1], kTransparent);
  EXPECT_EQ(img.row(0)[2], make_pixel(255 - luma(make_pixel(0, 100, 100, 100)), 0, 0, 0));
  EXPECT_EQ(img.row(0)[3], kTransparent);
}

TEST(BlurFilters, AntiAliasingSoftensStepsAndStaysInRange) {
  // A black falling diagonal on white: the pixels beside it turn grey, the
  // far corners stay white, everything stays opaque.
  LayerImage img;
  img.create(8, 8);
  img.fill(make_pixel(255, 255, 255, 255));
  for (int i = 0; i < 8; ++i) img.row(i)[i] = make_pixel(255, 0, 0, 0);
  LayerImage out = ref::copy_of(img);
  ASSERT_TRUE(run(anti_aliasing, numbers({100}), img, out, img.bounds()));
  EXPECT_LT(red_of(out.row(3)[4]), 255);
  EXPECT_LT(red_of(out.row(4)[3]), 255);
  for (size_t i = 0; i < out.pixel_count(); ++i) EXPECT_EQ(alpha_of(out.pixels()[i]), 255);
  EXPECT_EQ(out.row(7)[0], make_pixel(255, 255, 255, 255));
  // Weak strengths never wrap: a transparent pixel beside an opaque step
  // stays (nearly) transparent and no channel overflows to 0.
  for (int v = 1; v <= 20; ++v) {
    LayerImage src;
    src.create(6, 6);
    src.fill(kTransparent);
    for (int i = 0; i < 6; ++i) src.row(i)[i] = make_pixel(255, 255, 255, 255);
    LayerImage res = ref::copy_of(src);
    ASSERT_TRUE(run(anti_aliasing, numbers({v}), src, res, src.bounds()));
    for (size_t i = 0; i < res.pixel_count(); ++i) {
      const Pixel p = res.pixels()[i];
      if (alpha_of(src.pixels()[i]) == 0) {
        EXPECT_LE(alpha_of(p), v) << v;
      }
      if (alpha_of(p) != 0) {
        EXPECT_EQ(p & 0xFFFFFF, 0xFFFFFFu) << v;
      }
    }
  }
}

TEST(BlurFilters, OnePixelLineCorrection) {
  // Pass 1: a lone L corner without diagonals loses its corner pixel.
  auto grid = [](std::initializer_list<const char*> rows) {
    LayerImage img;
    img.create(int(std::strlen(*rows.begin())), int(rows.size()));
    int y = 0;
    for (const char* r : rows) {
      for (int x = 0; r[x]; ++x) img.row(y)[x] = r[x] == '#' ? make_pixel(255, 0, 0, 0) : kTransparent;
      ++y;
    }
    return img;
  };
  auto text = [](const LayerImage& img) {
    std::string s;
    for (int y = 0; y < img.height(); ++y) {
      for (int x = 0; x < img.width(); ++x) s += alpha_of(img.row(y)[x]) ? '#' : '.';
      s += '/';
    }
    return s;
  };
  LayerImage a = grid({".....", "..#..", "..##.", ".....", "....."});
  ASSERT_TRUE(run(one_pixel_line_correction, {}, a, a, a.bounds()));
  EXPECT_EQ(text(a), "...../..#../...#./...../...../");
  // A step in a diagonal line becomes straight, in every orientation.
  const char* step[] = {"#......", ".#.....", "..##...", "....#..",
                        "....#..", ".....#.", "......#"};
  for (int turn = 0; turn < 4; ++turn) {
    LayerImage img;
    img.create(7, 7);
    img.fill(kTransparent);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 7; ++x) {
        if (step[y][x] != '#') continue;
        int tx = x, ty = y;
        for (int t = 0; t < turn; ++t) std::tie(tx, ty) = std::pair{6 - ty, tx};
        img.row(ty)[tx] = make_pixel(255, 0, 0, 0);
      }
    const int before = int(std::count_if(img.pixels(), img.pixels() + 49,
                                          [](Pixel p) { return alpha_of(p) != 0; }));
    ASSERT_TRUE(run(one_pixel_line_correction, {}, img, img, img.bounds()));
    // Two stair pixels go, the centre comes: one straight diagonal.
    int count = 0;
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 7; ++x) {
        if (!alpha_of(img.row(y)[x])) continue;
        ++count;
        EXPECT_FALSE(x + 1 < 7 && alpha_of(img.row(y)[x + 1])) << turn << text(img);
        EXPECT_FALSE(y + 1 < 7 && alpha_of(img.row(y + 1)[x])) << turn << text(img);
      }
    EXPECT_EQ(count, before - 1) << turn;
  }
}

}  // namespace
}  // namespace qm::filters
