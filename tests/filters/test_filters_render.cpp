// The render and drawing filters against the plain references, with the
// shared generator and the reference's generator seeded alike.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "colour_render_reference.h"
#include "document/document.h"
#include "filter_test_util.h"
#include "filters/render_filters.h"
#include "paint/random.h"

namespace qm {
namespace {

using filters::FilterValues;
using test::kRect;
constexpr uint32_t kSeed = 1234;

// Runs the filter twice (in place and from a copy) from the same seed.
LayerImage run_seeded(filters::FilterCallback f, const LayerImage& src, const FilterValues& v,
                      const filters::FilterEnvironment& env = {}, Rect r = kRect) {
  return test::run_both(f, src, v, env, r, [] { seed_shared_random(kSeed); });
}

void expect_same(const LayerImage& got, const LayerImage& want) {
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x) ASSERT_EQ(got.get_pixel(x, y), want.get_pixel(x, y)) << x << "," << y;
}

std::vector<Pixel> rect_pixels(const LayerImage& img, Rect r) {
  std::vector<Pixel> px;
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) px.push_back(img.get_pixel(x, y));
  return px;
}

void put_rect(LayerImage& img, Rect r, const std::vector<Pixel>& px) {
  size_t i = 0;
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x) *img.pixel_address(x, y) = px[i++];
}

TEST(RenderFilters, MasksAndSmallSoftDiscs) {
  for (int s = 1; s <= 24; ++s) {
    const filters::ByteMask hard = filters::hard_disc_mask(s), soft = filters::soft_disc_mask(s, 32);
    const std::vector<int> rh = ref::hard_disc(s), rs = ref::soft_disc(s, 32);
    ASSERT_EQ(hard.side, s);
    for (size_t i = 0; i < rh.size(); ++i) {
      ASSERT_EQ(hard.cells[i], rh[i]) << s;
      ASSERT_EQ(soft.cells[i], rs[i]) << s;
    }
  }
  // Sizes 1 and 2 would be empty as soft discs; they draw as hard ones.
  EXPECT_EQ(filters::soft_disc_mask(1, 128).cells, std::vector<uint8_t>{255});
  EXPECT_EQ(filters::soft_disc_mask(2, 128).cells, filters::hard_disc_mask(2).cells);
}

TEST(RenderFilters, CloudsAllVariantsMatchReference) {
  const LayerImage src = test::random_image(37, 29, 21);
  filters::FilterEnvironment env;
  env.drawing_colour = 0x3070C0;
  env.other_colour = 0xF0E010;
  struct Case {
    filters::FilterCallback f;
    FilterValues v;
    double q, p, k;
    uint32_t c0, c1;
    bool diff;
  };
  FilterValues detailed;
  detailed.numeric = {13, 45, 0};
  detailed.list[0] = 1;
  const Case cases[] = {
      {filters::clouds, {}, 0.02, 0.6, 150, 0xFFFFFF, 0x000000, false},
      {filters::clouds_drawing_colours, {}, 0.02, 0.6, 150, 0xF0E010, 0x3070C0, false},
      {filters::difference_clouds, {}, 0.02, 0.6, 150, 0xFFFFFF, 0x000000, true},
      {filters::clouds_detailed, detailed, 13 * 0.0025, 0.45, 50, 0xF0E010, 0x3070C0, false},
  };
  for (Rect r : {kRect, Rect{2, 2, 1, 9}, Rect{0, 28, 37, 1}}) {
    for (const Case& c : cases) {
      const LayerImage got = run_seeded(c.f, src, c.v, env, r);
      LayerImage want = test::copy_of(src);
      std::vector<Pixel> px = rect_pixels(src, r);
      std::mt19937 rng(kSeed);
      ref::clouds(px, r.w, r.h, c.q, c.p, c.k, c.c0, c.c1, c.diff, rng);
      put_rect(want, r, px);
      expect_same(got, want);
    }
  }
}

TEST(RenderFilters, CloudsLargerRectangleAndHighFineness) {
  const LayerImage src = test::random_image(201, 151, 22);
  FilterValues v;
  v.numeric = {100, 100, 100};
  for (int fine : {1, 8, 100}) {
    v.numeric[0] = fine;
    const Rect r{3, 2, 197, 147};
    const LayerImage got = run_seeded(filters::clouds_detailed, src, v, {}, r);
    LayerImage want = test::copy_of(src);
    std::vector<Pixel> px = rect_pixels(src, r);
    std::mt19937 rng(kSeed);
    ref::clouds(px, r.w, r.h, fine * 0.0025, 1.0, 550, 0xFFFFFF, 0x000000, false, rng);
    put_rect(want, r, px);
    expect_same(got, want);
  }
}

TEST(RenderFilters, CloudsStayOnTheLineBetweenTheColours) {
  LayerImage img;
  ASSERT_TRUE(img.create(40, 30));
  seed_shared_random(7);
  filters::FilterEnvironment env;
  env.drawing_colour = 0x20F040;  // C1
  env.other_colour = 0xE01080;    // C0
  ASSERT_TRUE(filters::clouds_drawing_colours({{}, env, img, img, img.bounds(), nullptr}));
  std::set<Pixel> on_line, seen;
  for (int l = 0; l <= 256; ++l)
    on_line.insert(make_pixel(255, uint32_t(0xE0 + ((l * (0x20 - 0xE0)) >> 8)), uint32_t(0x10 + ((l * (0xF0 - 0x10)) >> 8)),
                              uint32_t(0x80 + ((l * (0x40 - 0x80)) >> 8))));
  for (size_t i = 0; i < img.pixel_count(); ++i) {
    ASSERT_TRUE(on_line.count(img.pixels()[i]));
    seen.insert(img.pixels()[i]);
  }
  EXPECT_GT(seen.size(), 10u);
}

TEST(RenderFilters, DifferenceCloudsLeaveTransparentPixels) {
  const LayerImage src = test::random_image(37, 29, 5, 2);
  const LayerImage got = run_seeded(filters::difference_clouds, src, {});
  for (size_t i = 0; i < src.pixel_count(); ++i) {
    if (!alpha_of(src.pixels()[i])) {
      ASSERT_EQ(got.pixels()[i], src.pixels()[i]);
    }
    ASSERT_EQ(alpha_of(got.pixels()[i]), alpha_of(src.pixels()[i]));
  }
}

TEST(RenderFilters, Lines) {
  const LayerImage src = test::random_image(37, 29, 31);
  filters::FilterEnvironment env;
  env.drawing_colour = 0x102030;
  for (auto n : {std::array{1, 1, 3, 3}, {2, 5, 1, 4}, {4, 2, 6, 2}, {100, 100, 200, 200}})
    for (int list = 0; list < 3; ++list) {
      FilterValues v;
      v.numeric = {n[0], n[1], n[2], n[3], 0};
      v.check = {1, 1};
      v.list[0] = list;
      const LayerImage got = run_seeded(filters::lines, src, v, env);
      LayerImage want = test::copy_of(src);
      std::mt19937 rng(kSeed);
      const Pixel colour = list == 0 ? 0xFF102030 : list == 1 ? 0xFF000000 : 0xFFFFFFFF;
      ref::lines(want, kRect, n[0], n[1], n[2], n[3], true, true, colour, rng);
      expect_same(got, want);
    }
  // Equal spacing g: first line at offset g, then exactly g pixels apart.
  LayerImage blank;
  ASSERT_TRUE(blank.create(9, 20));
  blank.fill(0);
  FilterValues v;
  v.numeric = {1, 1, 3, 3, 0};
  v.check = {1, 0};
  v.list[0] = 2;
  ASSERT_TRUE(filters::lines({v, {}, blank, blank, blank.bounds(), nullptr}));
  for (int y = 0; y < 20; ++y) EXPECT_EQ(blank.get_pixel(4, y) != 0, y % 4 == 3) << y;
}

TEST(RenderFilters, ToneAndChecker) {
  const LayerImage src = test::random_image(37, 29, 41);
  for (auto [s, a] : {std::pair{4, 4}, {1, 1}, {7, 3}, {10, 20}, {30, 2}, {9, 1}, {16, 5}, {100, 1}}) {
    FilterValues v;
    v.numeric = {s, a, 0, 0, 0};
    v.list[0] = 1;
    const LayerImage got = test::run_both(filters::tone, src, v);
    const std::vector<int> mask = ref::hard_disc(s);
    for (int y = 0; y < src.height(); ++y)
      for (int x = 0; x < src.width(); ++x) {
        const bool dot = kRect.contains(x, y) && ref::tone_covers(x - kRect.x, y - kRect.y, s, a, mask);
        ASSERT_EQ(got.get_pixel(x, y), dot ? 0xFF000000 : src.get_pixel(x, y)) << s << " " << a;
      }
  }
  for (auto [cw, ch, same] : {std::tuple{8, 8, 1}, {3, 5, 0}, {2, 300, 1}}) {
    FilterValues v;
    v.numeric = {cw, ch, 0, 0, 0};
    v.check[0] = same;
    v.list[0] = 2;
    const LayerImage got = test::run_both(filters::checker, src, v);
    const int h = same ? cw : ch;
    for (int y = 0; y < src.height(); ++y)
      for (int x = 0; x < src.width(); ++x) {
        const int rx = x - kRect.x, ry = y - kRect.y;
        const bool on = kRect.contains(x, y) && (ry % (2 * h)) / h == (rx % (2 * cw)) / cw;
        ASSERT_EQ(got.get_pixel(x, y), on ? 0xFFFFFFFF : src.get_pixel(x, y));
      }
  }
}

// A layer with opaque blobs and some half-transparent pixels.
LayerImage blob_layer(uint32_t seed) {
  LayerImage img = test::random_image(37, 29, seed, 2);
  for (int y = 0; y < 29; ++y)
    for (int x = 0; x < 37; ++x)
      if ((x / 6 + y / 5) % 3 == 0) *img.pixel_address(x, y) &= 0x00FFFFFF;
  return img;
}

TEST(RenderFilters, OuterAndInnerOutline) {
  const LayerImage layer = blob_layer(51), other = blob_layer(52);
  filters::FilterEnvironment env;
  env.drawing_colour = 0xC02040;
  for (bool outer : {true, false})
    for (auto [s, shape] : {std::pair{1, 0}, {1, 1}, {2, 1}, {5, 0}, {6, 1}, {9, 1}}) {
      FilterValues v;
      v.numeric[0] = s;
      v.list[0] = shape;
      const filters::FilterCallback f = outer ? filters::outer_outline : filters::inner_outline;
      // The current layer as its own reference (no document).
      const LayerImage got = test::run_both(f, layer, v, env);
      LayerImage want = test::copy_of(layer);
      const std::vector<int> mask = shape ? ref::soft_disc(s, 32) : ref::hard_disc(s);
      ref::outline(want, layer, kRect, mask, s, outer, 0xC02040);
      expect_same(got, want);
    }
  // Another layer of the document as the reference.
  Document doc;
  ASSERT_TRUE(doc.new_canvas(37, 29, true));
  ASSERT_NE(doc.create_layer(false), nullptr);
  doc.layer_at(1)->image.copy_from(other);
  env.document = &doc;
  FilterValues v;
  v.numeric[0] = 3;
  v.list[1] = 1;
  const LayerImage got = test::run_both(filters::outer_outline, layer, v, env);
  LayerImage want = test::copy_of(layer);
  ref::outline(want, other, kRect, ref::hard_disc(3), 3, true, 0xC02040);
  expect_same(got, want);
}

TEST(RenderFilters, FrameLineStopsWhenRingsMeet) {
  const LayerImage src = test::random_image(37, 29, 61);
  filters::FilterEnvironment env;
  env.drawing_colour = 0x00FF00;
  for (int alpha : {255, 100, 0})
    for (Rect r : {kRect, Rect{1, 1, 1, 7}, Rect{2, 2, 6, 1}, Rect{0, 0, 4, 9}})
      for (int n : {1, 4, 100}) {
        env.brush_alpha = alpha;
        FilterValues v;
        v.numeric[0] = n;
        const LayerImage got = test::run_both(filters::frame_line, src, v, env, r);
        LayerImage want = test::copy_of(src);
        ref::frame_line(want, r, n, 0x00FF00, alpha);
        expect_same(got, want);
      }
}

TEST(RenderFilters, RandomDots) {
  const LayerImage src = test::random_image(37, 29, 71);
  filters::FilterEnvironment env;
  env.drawing_colour = 0x4060A0;
  for (auto c : {std::array{1, 5, 1, 0, 0}, {3, 300, 2, 1, 1}, {8, 512, 5, 1, 2}, {2, 200, 1, 1, 0}}) {
    FilterValues v;
    v.numeric = {c[0], c[1], c[2], 0, 0};
    v.list = {c[3], c[4]};
    const LayerImage got = run_seeded(filters::random_dots, src, v, env);
    LayerImage want = test::copy_of(src);
    std::mt19937 rng(kSeed);
    const std::vector<int> mask = c[3] ? ref::soft_disc(c[0], 128) : ref::hard_disc(c[0]);
    ref::random_dots(want, kRect, c[0], c[1], c[2], mask, c[4], 0x4060A0, rng);
    expect_same(got, want);
  }
  // Amount 512: a dot at every grid point.
  LayerImage blank;
  ASSERT_TRUE(blank.create(9, 9));
  blank.fill(0x00FFFFFF);
  FilterValues v;
  v.numeric = {1, 512, 2, 0, 0};
  ASSERT_TRUE(filters::random_dots({v, env, blank, blank, blank.bounds(), nullptr}));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(blank.get_pixel(x, y) == 0xFF4060A0, x % 2 == 0 && y % 2 == 0);
}

TEST(RenderFilters, Noise) {
  const LayerImage src = test::random_image(37, 29, 81);
  for (int a : {1, 10, 512})
    for (int colour : {0, 1}) {
      FilterValues v;
      v.numeric[0] = a;
      v.check[0] = colour;
      const LayerImage got = run_seeded(filters::noise, src, v);
      LayerImage want = test::copy_of(src);
      std::mt19937 rng(kSeed);
      for (int y = kRect.y; y < kRect.bottom(); ++y)
        for (int x = kRect.x; x < kRect.right(); ++x)
          *want.pixel_address(x, y) = ref::noise(src.get_pixel(x, y), a, colour, rng);
      expect_same(got, want);
    }
}

TEST(RenderFilters, EmptySourceMeansInPlace) {
  const LayerImage src = test::random_image(37, 29, 91);
  const LayerImage empty;
  FilterValues v;
  v.numeric = {10, 4, 2, 3, 0};
  v.check = {1, 1};
  for (filters::FilterCallback f : {filters::noise, filters::lines, filters::random_dots, filters::tone}) {
    LayerImage a = test::copy_of(src), b = test::copy_of(src);
    seed_shared_random(kSeed);
    ASSERT_TRUE(f({v, {}, a, a, kRect, nullptr}));
    seed_shared_random(kSeed);
    ASSERT_TRUE(f({v, {}, b, empty, kRect, nullptr}));
    EXPECT_TRUE(test::same_pixels(a, b));
  }
}

// Address space in use now, from /proc.
uint64_t address_space_bytes() {
  std::ifstream statm("/proc/self/statm");
  uint64_t pages = 0;
  statm >> pages;
  return pages * uint64_t(sysconf(_SC_PAGESIZE));
}

TEST(RenderFilters, NoMemoryForTheTemporaryLeavesTheLayer) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer reserves the address space itself";
#endif
  LayerImage layer = test::random_image(2000, 2000, 3);
  const LayerImage before = test::copy_of(layer);
  FilterValues dots;
  dots.numeric = {1, 5, 1, 0, 0};
  bool clouds_ok = true, dots_ok = true;
  rlimit old{};
  getrlimit(RLIMIT_AS, &old);
  rlimit tight = old;
  tight.rlim_cur = rlim_t(address_space_bytes() + (8u << 20));
  setrlimit(RLIMIT_AS, &tight);
  clouds_ok = filters::clouds({{}, {}, layer, layer, layer.bounds(), nullptr});
  dots_ok = filters::random_dots({dots, {}, layer, layer, layer.bounds(), nullptr});
  setrlimit(RLIMIT_AS, &old);
  EXPECT_FALSE(clouds_ok);
  EXPECT_FALSE(dots_ok);
  EXPECT_TRUE(test::same_pixels(layer, before));
}

}  // namespace
}  // namespace qm
