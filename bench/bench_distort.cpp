// The distortion, pixelate and stylise filters at their dialog defaults on a
// photo-like 4000 × 4000 layer (smooth colour waves with grain, a transparent
// band), on one thread: BM_distort_<filter>_4000 over the whole layer and
// BM_distort_<filter>_preview over a 1920 × 1080 area as a preview sees it.
// Items are pixels of the rectangle.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "filters/distort_filters.h"
#include "filters/filter_bands.h"
#include "paint/random.h"

namespace {

using namespace qm;
using namespace qm::filters;

constexpr int kSide = 4000;

const LayerImage& photo() {
  static const LayerImage img = [] {
    LayerImage out;
    out.create(kSide, kSide);
    std::mt19937 rng(11);
    // Each channel: a wave along x plus a wave along y, with grain.
    const double fx[3] = {0.0031, 0.0053, 0.0017}, fy[3] = {0.0047, 0.0021, 0.0062}, phase[3] = {0.3, 1.1, 2.0};
    std::vector<double> along_x(size_t(kSide) * 3), along_y(size_t(kSide) * 3);
    for (int i = 0; i < kSide; ++i)
      for (int c = 0; c < 3; ++c) {
        along_x[size_t(i) * 3 + c] = 70 * std::sin(i * fx[c] + phase[c]);
        along_y[size_t(i) * 3 + c] = 50 * std::cos(i * fy[c] - phase[c]);
      }
    for (int y = 0; y < kSide; ++y) {
      Pixel* row = out.row(y);
      // A soft-edged transparent band across the middle.
      const int d = std::abs(y - kSide / 2);
      const uint32_t a = d < 200 ? 0 : d < 264 ? uint32_t((d - 200) * 4) : 255;
      for (int x = 0; x < kSide; ++x) {
        uint32_t ch[3];
        for (int c = 0; c < 3; ++c) {
          const double v = 128 + along_x[size_t(x) * 3 + c] + along_y[size_t(y) * 3 + c] + double(int(rng() % 17) - 8);
          ch[c] = uint32_t(std::clamp(v, 0.0, 255.0));
        }
        row[x] = a == 0 ? kTransparent : make_pixel(std::min(a, 255u), ch[0], ch[1], ch[2]);
      }
    }
    return out;
  }();
  return img;
}

FilterValues defaults(std::array<int, 5> n, std::array<int, 2> c = {}, std::array<int, 2> l = {}) {
  FilterValues v;
  v.numeric = n;
  v.check = c;
  v.list = l;
  return v;
}

void run(benchmark::State& state, FilterCallback filter, FilterValues values, Rect rect) {
  set_filter_threads(1);
  const LayerImage& src = photo();
  LayerImage dst;
  dst.create(src.width(), src.height());
  dst.copy_from(src);
  const FilterEnvironment env;
  seed_shared_random(1);
  for (auto _ : state) {
    const bool ok = filter({values, env, dst, src, rect, nullptr});
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t{rect.w} * rect.h);
}

struct Case {
  const char* name;
  FilterCallback filter;
  FilterValues values;
};

const Case kCases[] = {
    {"mosaic", mosaic, defaults({2})},
    {"crystal", crystal, defaults({5})},
    {"halftone", halftone, defaults({4, 3, 15, 75, 0})},
    {"wave", wave, defaults({10, 4})},
    {"polar", polar_coordinates, defaults({})},
    {"radial_shift", radial_shift, defaults({kSide / 2, kSide / 2, 6})},
    {"shift", shift, defaults({0, 0})},
    {"diffuse", diffuse, defaults({2})},
    {"scratch", scratch, defaults({10, -45})},
    {"shake_blur", shake_blur, defaults({4})},
    {"oil_paint", oil_paint, defaults({2})},
    {"frame_3d", frame_3d, defaults({6})},
    {"rgb_shift", rgb_shift, defaults({3}, {}, {2})},
    {"edging", edging, defaults({1})},
    {"glow", glow, defaults({55, 5, 256})},
};

const bool kRegistered = [] {
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string("BM_distort_") + c.name + "_4000").c_str(), run, c.filter, c.values,
                                 Rect{0, 0, kSide, kSide})
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark((std::string("BM_distort_") + c.name + "_preview").c_str(), run, c.filter,
                                 c.values, Rect{0, 0, 1920, 1080})
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
  }
  return true;
}();

}  // namespace
