#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "core/resample.h"
#include "core/resample_internal.h"

namespace qm {
namespace {

// ---------------------------------------------------------------------------
// Plain reference: the resampling rules written out one pixel at a time, with
// no tables, no blocking, no vectors and no threads. The library's passes
// must match it bit for bit.

double ref_kernel(ResampleMethod m, double t) {
  const double a = std::fabs(t);
  const double pi = std::numbers::pi;
  switch (m) {
    case ResampleMethod::Mitchell:
      if (a < 1) return (7.0 / 6.0) * (a * a * a) - 2.0 * (a * a) + 8.0 / 9.0;
      if (a < 2) return -(7.0 / 18.0) * (a * a * a) + 2.0 * (a * a) - (10.0 / 3.0) * a + 16.0 / 9.0;
      return 0;
    case ResampleMethod::Lagrange:
      if (a < 1) return (a - 2) * (a - 1) * (a + 1) / 2;
      if (a < 2) return -(a - 1) * (a - 2) * (a - 3) / 6;
      return 0;
    case ResampleMethod::Lanczos2:
      if (a < 0x1p-52) return 1;
      if (a < 2) return std::sin(pi * a) * std::sin(pi * a / 2) / ((pi * a) * (pi * a) / 2);
      return 0;
    case ResampleMethod::Lanczos3:
      if (a < 0x1p-52) return 1;
      if (a < 3) return std::sin(pi * a) * std::sin(pi * a / 3) / ((pi * a) * (pi * a) / 3);
      return 0;
    default:
      ADD_FAILURE() << "not a kernel method";
      return 0;
  }
}

struct Tap {
  int source;  // clamped
  double weight;
};

// The taps of output index i of a pass from `from` to `to` samples.
std::vector<Tap> ref_taps(ResampleMethod m, int from, int to, int i) {
  std::vector<Tap> taps;
  if (from <= to) {
    const double b = double(from) * (i + 0.5) / double(to);
    const int f0 = int(std::floor(b - 2.5));
    for (int j = 0; j < 6; ++j) taps.push_back({f0 + j, ref_kernel(m, (f0 + j) + 0.5 - b)});
  } else {
    const int n = (to + 6 * from - 1) / to;
    const int f0 = int(std::floor(double(from) * (i - 2.5) / double(to) + 0.5));
    for (int j = 0; j < n; ++j)
      taps.push_back({f0 + j, ref_kernel(m, double(to) * ((f0 + j) + 0.5) / double(from) - (i + 0.5))});
  }
  double sum = 0;
  for (const Tap& t : taps) sum += t.weight;
  for (Tap& t : taps) {
    t.weight /= sum;
    t.source = std::clamp(t.source, 0, from - 1);
  }
  return taps;
}

int ref_round(double v) { return int(std::clamp(std::trunc(v + 0.5), 0.0, 255.0)); }

// The alpha-weighted rule over weighted source pixels.
Pixel ref_weighted(const std::vector<std::pair<double, Pixel>>& terms) {
  double sa = 0, sb = 0, sg = 0, sr = 0;
  for (const auto& [w, p] : terms) {
    const double wa = w * double(alpha_of(p));
    sa += wa;
    sb += wa * double(blue_of(p));
    sg += wa * double(green_of(p));
    sr += wa * double(red_of(p));
  }
  const int a = ref_round(sa);
  if (a == 0) return kTransparent;
  return make_pixel(a, ref_round(sr / sa), ref_round(sg / sa), ref_round(sb / sa));
}

LayerImage ref_resize(const LayerImage& src, int w, int h, ResampleMethod m) {
  const int sw = src.width(), sh = src.height();
  LayerImage out;
  EXPECT_TRUE(out.create(w, h));
  if (w == sw && h == sh) {
    out.copy_from(src);
  } else if (m == ResampleMethod::Nearest) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        out.row(y)[x] = ref_weighted({{1.0, src.get_pixel(x * sw / w, y * sh / h)}});
  } else if (m == ResampleMethod::Bilinear) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int sy = y * sh / h, sx = x * sw / w;
        const double fy = (double(sh) / h) * y - sy, fx = (double(sw) / w) * x - sx;
        out.row(y)[x] = ref_weighted({{(1 - fx) * (1 - fy), src.get_pixel_clamped(sx, sy)},
                                      {fx * (1 - fy), src.get_pixel_clamped(sx + 1, sy)},
                                      {(1 - fx) * fy, src.get_pixel_clamped(sx, sy + 1)},
                                      {fx * fy, src.get_pixel_clamped(sx + 1, sy + 1)}});
      }
  } else {
    // Rows to the new width into an ordinary raster, then its columns.
    LayerImage mid;
    EXPECT_TRUE(mid.create(w, sh));
    for (int x = 0; x < w; ++x) {
      const std::vector<Tap> taps = ref_taps(m, sw, w, x);
      for (int y = 0; y < sh; ++y) {
        std::vector<std::pair<double, Pixel>> terms;
        for (const Tap& t : taps) terms.push_back({t.weight, src.get_pixel(t.source, y)});
        mid.row(y)[x] = ref_weighted(terms);
      }
    }
    for (int y = 0; y < h; ++y) {
      const std::vector<Tap> taps = ref_taps(m, sh, h, y);
      for (int x = 0; x < w; ++x) {
        std::vector<std::pair<double, Pixel>> terms;
        for (const Tap& t : taps) terms.push_back({t.weight, mid.get_pixel(x, t.source)});
        out.row(y)[x] = ref_weighted(terms);
      }
    }
  }
  return out;
}

// ---------------------------------------------------------------------------

constexpr ResampleMethod kAllMethods[] = {
    ResampleMethod::Nearest,  ResampleMethod::Bilinear, ResampleMethod::Mitchell,
    ResampleMethod::Lagrange, ResampleMethod::Lanczos2, ResampleMethod::Lanczos3};

// Painted-looking noise: transparent pixels with stray colours, opaque ones
// and semi-transparent ones, in short runs so the kernels see edges.
LayerImage random_image(int w, int h, uint32_t seed) {
  LayerImage img;
  EXPECT_TRUE(img.create(w, h));
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w;) {
      const uint32_t kind = rng() % 3;
      const int run = 1 + int(rng() % 4);
      for (int i = 0; i < run && x < w; ++i, ++x) {
        const uint32_t a = kind == 0 ? 0 : kind == 1 ? 255 : rng() % 256;
        img.row(y)[x] = a << 24 | (rng() & 0xFFFFFF);
      }
    }
  return img;
}

// Index of the first differing pixel, or −1.
int64_t first_difference(const LayerImage& a, const LayerImage& b) {
  if (a.width() != b.width() || a.height() != b.height()) return 0;
  for (size_t i = 0; i < a.pixel_count(); ++i)
    if (a.pixels()[i] != b.pixels()[i]) return int64_t(i);
  return -1;
}

// Restores the pass settings whatever a test chose.
struct PassSettings {
  ~PassSettings() {
    detail::set_resample_simd(detail::best_resample_simd());
    detail::set_resample_threads(1);
  }
};

const char* method_name(ResampleMethod m) {
  static const char* names[] = {"nearest", "bilinear", "mitchell", "lagrange", "lanczos2", "lanczos3"};
  return names[int(m)];
}

TEST(Resample, EveryMethodMatchesThePlainReference) {
  PassSettings restore;
  struct Case {
    int sw, sh, w, h;
  };
  const Case cases[] = {
      {7, 5, 23, 17},     // enlarge both ways
      {53, 41, 10, 9},    // reduce both ways
      {31, 7, 12, 29},    // reduce across, enlarge down
      {9, 40, 37, 11},    // enlarge across, reduce down
      {20, 13, 20, 31},   // width unchanged: the row pass still runs
      {101, 3, 33, 3},    // odd reduction, height unchanged
      {1, 1, 6, 5},       // single pixel
      {301, 77, 43, 130}, // long tap rows
      {150, 200, 7, 9},   // strong reduction: over 64 taps per output
  };
  const detail::ResampleSimd levels[] = {detail::ResampleSimd::Scalar, detail::best_resample_simd()};
  uint32_t seed = 1;
  for (const Case& c : cases) {
    const LayerImage src = random_image(c.sw, c.sh, seed++);
    for (ResampleMethod m : kAllMethods) {
      const LayerImage want = ref_resize(src, c.w, c.h, m);
      for (detail::ResampleSimd level : levels)
        for (int threads : {1, 3}) {
          detail::set_resample_simd(level);
          detail::set_resample_threads(threads);
          LayerImage got;
          ASSERT_TRUE(resample(src, got, c.w, c.h, m));
          const int64_t at = first_difference(got, want);
          EXPECT_EQ(at, -1) << method_name(m) << " " << c.sw << "x" << c.sh << " -> " << c.w << "x"
                            << c.h << " simd " << int(level) << " threads " << threads << " at "
                            << at << ": " << std::hex << (at >= 0 ? got.pixels()[at] : 0) << " vs "
                            << (at >= 0 ? want.pixels()[at] : 0);
        }
    }
  }
}

TEST(Resample, VectorPassesMatchScalarOnLargerImages) {
  // Sizes with ragged vector tails (widths not a multiple of 8, heights not a
  // multiple of 4) and enough rows for several threads.
  PassSettings restore;
  if (detail::best_resample_simd() == detail::ResampleSimd::Scalar) GTEST_SKIP() << "no vector passes";
  const LayerImage src = random_image(411, 263, 99);
  for (ResampleMethod m : {ResampleMethod::Mitchell, ResampleMethod::Lagrange,
                           ResampleMethod::Lanczos2, ResampleMethod::Lanczos3})
    for (auto [w, h] : {std::pair{103, 67}, std::pair{1029, 531}, std::pair{37, 20}}) {
      detail::set_resample_simd(detail::ResampleSimd::Scalar);
      detail::set_resample_threads(1);
      LayerImage plain, fast;
      ASSERT_TRUE(resample(src, plain, w, h, m));
      detail::set_resample_simd(detail::best_resample_simd());
      detail::set_resample_threads(4);
      ASSERT_TRUE(resample(src, fast, w, h, m));
      EXPECT_EQ(first_difference(fast, plain), -1) << method_name(m) << " " << w << "x" << h;
    }
}

TEST(Resample, TransparentSourceStaysTransparent) {
  // Transparent pixels with arbitrary colours: none of it may show.
  LayerImage src;
  ASSERT_TRUE(src.create(13, 9));
  std::mt19937 rng(7);
  for (size_t i = 0; i < src.pixel_count(); ++i) src.pixels()[i] = rng() & 0x00FFFFFF;
  for (ResampleMethod m : kAllMethods)
    for (auto [w, h] : {std::pair{40, 31}, std::pair{5, 4}, std::pair{13, 20}}) {
      LayerImage out;
      ASSERT_TRUE(resample(src, out, w, h, m));
      for (size_t i = 0; i < out.pixel_count(); ++i)
        ASSERT_EQ(out.pixels()[i], kTransparent) << method_name(m) << " " << w << "x" << h;
    }
}

TEST(Resample, UniformOpaqueImageKeepsItsColour) {
  // Weights sum to one, so a flat colour comes back unchanged for every
  // method, enlarging and reducing.
  LayerImage src;
  ASSERT_TRUE(src.create(17, 11));
  src.fill(0xFF3A7BC4);
  for (ResampleMethod m : kAllMethods)
    for (auto [w, h] : {std::pair{50, 29}, std::pair{6, 4}}) {
      LayerImage out;
      ASSERT_TRUE(resample(src, out, w, h, m));
      for (size_t i = 0; i < out.pixel_count(); ++i)
        ASSERT_EQ(out.pixels()[i], 0xFF3A7BC4u) << method_name(m) << " " << w << "x" << h;
    }
}

TEST(Resample, Lanczos3SinglePixelKeepsAlphaInRange) {
  // One opaque pixel on transparency, enlarged ×4: the kernel's negative
  // lobes give negative sums, which must clamp to transparency (wrapping would
  // show as nearly opaque pixels), and the colour must never mix with the
  // white of the transparent pixels.
  LayerImage src;
  ASSERT_TRUE(src.create(9, 9));
  src.fill(kTransparent);
  src.row(4)[4] = 0xFF20C040;
  LayerImage out;
  ASSERT_TRUE(resample(src, out, 36, 36, ResampleMethod::Lanczos3));
  // Output column i samples the source at (i + 0.5) / 4; columns 10 … 13 and
  // 22 … 25 lie 1 … 2 source pixels from the lit one, in the negative lobe.
  for (int i : {10, 11, 12, 13, 22, 23, 24, 25}) {
    EXPECT_EQ(out.get_pixel(i, 17), kTransparent) << i;
    EXPECT_EQ(out.get_pixel(17, i), kTransparent) << i;
  }
  EXPECT_GT(alpha_of(out.get_pixel(17, 17)), 200);
  for (size_t i = 0; i < out.pixel_count(); ++i) {
    const Pixel p = out.pixels()[i];
    if (alpha_of(p) != 0) {
      ASSERT_EQ(p & 0xFFFFFF, 0x20C040u) << i;
    }
  }
}

TEST(Resample, Lanczos3OvershootClampsBothWays) {
  // An opaque vertical band: every row is the same, so each output column's
  // alpha is the row pass's clamped sum. Next to the band's edges the sum
  // exceeds 255 inside and drops below 0 outside.
  LayerImage src;
  ASSERT_TRUE(src.create(12, 6));
  src.fill(kTransparent);
  src.fill_rect(4, 0, 4, 6, 0xFF808080);
  LayerImage out;
  ASSERT_TRUE(resample(src, out, 48, 6, ResampleMethod::Lanczos3));
  int above = 0, below = 0;
  for (int x = 0; x < 48; ++x) {
    double sum = 0;
    for (const Tap& t : ref_taps(ResampleMethod::Lanczos3, 12, 48, x))
      sum += t.weight * alpha_of(src.get_pixel(t.source, 0));
    const Pixel p = out.get_pixel(x, 3);
    if (sum >= 255.5) {
      ++above;
      EXPECT_EQ(alpha_of(p), 255) << x;
    } else if (sum < 0) {
      ++below;
      EXPECT_EQ(p, kTransparent) << x;
    }
  }
  EXPECT_GT(above, 0);
  EXPECT_GT(below, 0);
}

TEST(Resample, NearestDoublesEachPixel) {
  LayerImage src;
  ASSERT_TRUE(src.create(2, 2));
  src.row(0)[0] = 0xFF112233;
  src.row(0)[1] = 0x80445566;
  src.row(1)[0] = 0x00778899;  // transparent: written as the transparent pixel
  src.row(1)[1] = 0xFFAABBCC;
  LayerImage out;
  ASSERT_TRUE(resample(src, out, 4, 4, ResampleMethod::Nearest));
  const Pixel want[4][4] = {
      {0xFF112233, 0xFF112233, 0x80445566, 0x80445566},
      {0xFF112233, 0xFF112233, 0x80445566, 0x80445566},
      {kTransparent, kTransparent, 0xFFAABBCC, 0xFFAABBCC},
      {kTransparent, kTransparent, 0xFFAABBCC, 0xFFAABBCC},
  };
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(out.get_pixel(x, y), want[y][x]) << x << "," << y;
}

TEST(Resample, ResizeKeepsTheImageWhenNothingOrFailureHappens) {
  LayerImage img = random_image(6, 5, 3);
  const Pixel* before = img.pixels();
  std::vector<Pixel> copy(img.pixels(), img.pixels() + img.pixel_count());
  // Same size: returns at once, the raster is not even re-created (stray
  // colours of transparent pixels survive).
  EXPECT_TRUE(resize(img, 6, 5, ResampleMethod::Lanczos3));
  EXPECT_EQ(img.pixels(), before);
  EXPECT_TRUE(std::equal(copy.begin(), copy.end(), img.pixels()));
  // Refused sizes and methods leave it alone.
  EXPECT_FALSE(resize(img, 1 << 16, 1 << 15, ResampleMethod::Bilinear));
  EXPECT_FALSE(resize(img, 0, 5, ResampleMethod::Bilinear));
  EXPECT_FALSE(resize(img, 3, 3, ResampleMethod(6)));
  ASSERT_EQ(img.width(), 6);
  EXPECT_TRUE(std::equal(copy.begin(), copy.end(), img.pixels()));
  // A real resize takes the new size.
  EXPECT_TRUE(resize(img, 3, 9, ResampleMethod::Mitchell));
  EXPECT_EQ(img.width(), 3);
  EXPECT_EQ(img.height(), 9);

  ResampleMethod m;
  EXPECT_TRUE(resample_method_from_index(5, m));
  EXPECT_EQ(m, ResampleMethod::Lanczos3);
  EXPECT_FALSE(resample_method_from_index(6, m));
  EXPECT_FALSE(resample_method_from_index(-1, m));
}

// ---------------------------------------------------------------------------
// scale_area

LayerImage filled(int w, int h, Pixel value) {
  LayerImage img;
  EXPECT_TRUE(img.create(w, h));
  img.fill(value);
  return img;
}

// Pixels of `img` inside r equal `inside`, the rest `outside`.
void expect_regions(const LayerImage& img, Rect r, Pixel inside, Pixel outside) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      ASSERT_EQ(img.get_pixel(x, y), r.contains(x, y) ? inside : outside) << x << "," << y;
}

TEST(ScaleArea, ShrinkingClearsTheOldArea) {
  constexpr Pixel kBack = 0xFF0000FF, kBlock = 0xFFFF0000;
  // Narrower and shorter: w × max(h, new_h) = the old block is cleared.
  LayerImage layer = filled(20, 20, kBack);
  layer.fill_rect(4, 5, 8, 6, kBlock);
  ASSERT_TRUE(scale_area(layer, 4, 5, 8, 6, 4, 3, ResampleMethod::Nearest));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const Pixel want = Rect{4, 5, 4, 3}.contains(x, y)   ? kBlock
                         : Rect{4, 5, 8, 6}.contains(x, y) ? kTransparent
                                                           : kBack;
      ASSERT_EQ(layer.get_pixel(x, y), want) << x << "," << y;
    }
  // Wider but shorter: new_w × h is cleared, then the block drawn.
  layer = filled(20, 20, kBack);
  layer.fill_rect(2, 2, 4, 6, kBlock);
  ASSERT_TRUE(scale_area(layer, 2, 2, 4, 6, 10, 3, ResampleMethod::Bilinear));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const Pixel want = Rect{2, 2, 10, 3}.contains(x, y)   ? kBlock
                         : Rect{2, 2, 10, 6}.contains(x, y) ? kTransparent
                                                            : kBack;
      ASSERT_EQ(layer.get_pixel(x, y), want) << x << "," << y;
    }
}

TEST(ScaleArea, GrowingBlocksAreCutToTheLayer) {
  // A block near the bottom-right corner grows past both edges; one reaching
  // past the top-left shrinks, so its cleared area starts off the layer.
  constexpr Pixel kBack = 0xFF00FF00, kBlock = 0xFF123456;
  LayerImage layer = filled(16, 12, kBack);
  layer.fill_rect(12, 8, 4, 4, kBlock);
  ASSERT_TRUE(scale_area(layer, 12, 8, 4, 4, 9, 7, ResampleMethod::Lanczos3));
  expect_regions(layer, {12, 8, 4, 4}, kBlock, kBack);

  layer = filled(16, 12, kBack);
  layer.fill_rect(0, 0, 5, 5, kBlock);
  ASSERT_TRUE(scale_area(layer, -3, -2, 8, 7, 4, 4, ResampleMethod::Nearest));
  // Off-layer parts of the block read as transparency: the 4 × 4 result
  // holds the transparent margin at its top-left, then block colour.
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x) {
      Pixel want = kBack;
      if (x < 5 && y < 5) want = kTransparent;       // cleared: 8 × 7 at (−3, −2)
      if (x < 1 && y < 2) want = kBlock;             // result: 4 × 4 at (−3, −2)
      ASSERT_EQ(layer.get_pixel(x, y), want) << x << "," << y;
    }
  EXPECT_FALSE(scale_area(layer, 0, 0, 0, 4, 2, 2, ResampleMethod::Nearest));
}

// ---------------------------------------------------------------------------
// rotate_area and rotated_bounds

TEST(RotateArea, ZeroAngleAndEmptyBlockDoNothing) {
  LayerImage layer = random_image(10, 10, 5);
  std::vector<Pixel> copy(layer.pixels(), layer.pixels() + layer.pixel_count());
  EXPECT_TRUE(rotate_area(layer, 2, 2, 5, 5, 0, true, {0, 0, 10, 10}));
  EXPECT_FALSE(rotate_area(layer, 2, 2, 0, 5, 30, true, {0, 0, 10, 10}));
  EXPECT_TRUE(std::equal(copy.begin(), copy.end(), layer.pixels()));
}

TEST(RotateArea, QuarterTurnMovesPixelsClockwise) {
  // A marked pixel two to the right of the centre ends two below it (within
  // the one-pixel slack of truncating positions); nothing is written outside
  // the target, which reaches past the layer's edge.
  constexpr Pixel kBack = 0xFF0000FF, kBlock = 0xFF00FF00, kMark = 0xFFFF0000;
  LayerImage layer = filled(12, 12, kBack);
  layer.fill_rect(4, 4, 5, 5, kBlock);
  layer.row(6)[8] = kMark;  // centre (6, 6)
  ASSERT_TRUE(rotate_area(layer, 4, 4, 5, 5, 90, false, {4, 4, 10, 5}));
  int marks = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const Pixel p = layer.get_pixel(x, y);
      if (!Rect{4, 4, 10, 5}.contains(x, y)) {
        ASSERT_EQ(p, kBack) << x << "," << y;
      } else if (p == kMark) {
        ++marks;
        EXPECT_LE(std::abs(x - 6), 1);
        EXPECT_LE(std::abs(y - 8), 1);
      } else {
        ASSERT_TRUE(p == kBlock || p == kTransparent) << x << "," << y;
      }
    }
  EXPECT_EQ(marks, 1);
  // Target pixels whose source lies beyond the block are emptied.
  EXPECT_EQ(layer.get_pixel(11, 6), kTransparent);
}

TEST(RotateArea, SmoothKeepsFlatAreasAndEmptiesTheRest) {
  // Lagrange weights sum to one: deep inside a flat block the colour and full
  // alpha survive any angle; beyond the turned block it is transparent.
  constexpr Pixel kBlock = 0xFF4080C0;
  LayerImage layer;
  ASSERT_TRUE(layer.create(40, 40));
  layer.fill(kTransparent);
  layer.fill_rect(10, 10, 20, 20, kBlock);
  ASSERT_TRUE(rotate_area(layer, 10, 10, 20, 20, 30, true, {0, 0, 40, 40}));
  for (int y = 16; y < 24; ++y)
    for (int x = 16; x < 24; ++x) ASSERT_EQ(layer.get_pixel(x, y), kBlock) << x << "," << y;
  EXPECT_EQ(layer.get_pixel(1, 1), kTransparent);
  EXPECT_EQ(layer.get_pixel(20, 1), kTransparent);
  // Edge pixels are partly transparent but never take the white of the
  // transparent surroundings.
  for (size_t i = 0; i < layer.pixel_count(); ++i) {
    const Pixel p = layer.pixels()[i];
    if (alpha_of(p) != 0) {
      ASSERT_EQ(p & 0xFFFFFF, kBlock & 0xFFFFFF) << i;
    }
  }
}

TEST(RotatedBounds, CoversTheTurnedCorners) {
  EXPECT_EQ(rotated_bounds(10, 20, 7, 3, 0), (Rect{10, 20, 7, 3}));
  // A quarter turn swaps the sides (give or take the truncation of
  // positions that land a hair below a whole number).
  const Rect q = rotated_bounds(10, 20, 7, 3, 90);
  EXPECT_NEAR(q.w, 3, 1);
  EXPECT_NEAR(q.h, 7, 1);
  EXPECT_NEAR(q.x + q.w / 2, 13, 1);
  EXPECT_NEAR(q.y + q.h / 2, 21, 1);
  // 45° of an 11 × 11 square: the diagonal, 10·√2 + 1 pixels, either way.
  const Rect d = rotated_bounds(0, 0, 11, 11, 45);
  EXPECT_NEAR(d.w, 15, 1);
  EXPECT_NEAR(d.h, 15, 1);
}

}  // namespace
}  // namespace qm
