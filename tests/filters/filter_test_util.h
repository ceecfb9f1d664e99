#pragma once
// Images and runs shared by the colour and render filter tests.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "filters/filter_algorithm.h"

namespace qm::test {

// Odd-sized random pixels; about one in five transparent (with any colour).
inline LayerImage random_image(int w, int h, uint32_t seed, int transparent_in = 5) {
  LayerImage img;
  EXPECT_TRUE(img.create(w, h));
  std::mt19937 rng(seed);
  for (size_t i = 0; i < img.pixel_count(); ++i) {
    Pixel p = rng();
    if (rng() % transparent_in == 0) p &= 0x00FFFFFF;
    else if ((p >> 24) == 0) p |= 0x01000000;
    img.pixels()[i] = p;
  }
  return img;
}

inline LayerImage copy_of(const LayerImage& src) {
  LayerImage c;
  EXPECT_TRUE(c.create(src.width(), src.height()));
  c.copy_from(src);
  return c;
}

inline bool same_pixels(const LayerImage& a, const LayerImage& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  return std::equal(a.pixels(), a.pixels() + a.pixel_count(), b.pixels());
}

// The target rectangle of the tests: inside a 37 × 29 image, off every edge.
inline constexpr Rect kRect{5, 3, 23, 19};

// Runs the filter both in place and from a separate source; both must give
// the same image, which is returned.
inline LayerImage run_both(filters::FilterCallback f, const LayerImage& src, const filters::FilterValues& v,
                           const filters::FilterEnvironment& env = {}, Rect r = kRect,
                           const std::function<void()>& before_each = {}) {
  LayerImage in_place = copy_of(src), out = copy_of(src);
  if (before_each) before_each();
  EXPECT_TRUE(f({v, env, in_place, in_place, r, nullptr}));
  if (before_each) before_each();
  EXPECT_TRUE(f({v, env, out, src, r, nullptr}));
  EXPECT_TRUE(same_pixels(in_place, out));
  return in_place;
}

}  // namespace qm::test
