// The blur, sharpen and edge filters at their dialog defaults on one seeded
// photo-like 4000 × 4000 RGBA image; items/s is pixels/s. Arg = threads.
// Also: Gaussian Blur at strengths 1, 5 and 30, Blur at 1 and 16, and every
// filter's preview of a 1920 × 1080 area.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "filters/blur_filters.h"
#include "filters/filter_bands.h"

namespace {

using namespace qm;
using namespace qm::filters;

constexpr int kSide = 4000;

// Smooth gradients and soft blobs with fine noise and hard-edged shapes,
// like a photograph; opaque.
const LayerImage& photo() {
  static const LayerImage img = [] {
    LayerImage p;
    p.create(kSide, kSide);
    std::mt19937 rng(2026);
    double cx[12], cy[12], cr[12], cc[12][3];
    for (int i = 0; i < 12; ++i) {
      cx[i] = rng() % kSide;
      cy[i] = rng() % kSide;
      cr[i] = 200 + rng() % 900;
      for (double& c : cc[i]) c = rng() % 256;
    }
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        double c[3] = {x * 255.0 / kSide, y * 255.0 / kSide, 128 + 100 * std::sin(x * 0.003 + y * 0.002)};
        for (int i = 0; i < 12; ++i) {
          const double d2 = ((x - cx[i]) * (x - cx[i]) + (y - cy[i]) * (y - cy[i])) / (cr[i] * cr[i]);
          if (d2 < 1) {
            const double t = i % 3 == 0 ? 1.0 : 1 - d2;  // some discs hard-edged
            for (int k = 0; k < 3; ++k) c[k] += (cc[i][k] - c[k]) * t;
          }
        }
        const int noise = int(rng() % 9) - 4;
        auto ch = [&](double v) { return uint32_t(std::clamp(int(v) + noise, 0, 255)); };
        p.row(y)[x] = make_pixel(255, ch(c[0]), ch(c[1]), ch(c[2]));
      }
    return p;
  }();
  return img;
}

FilterValues values(std::array<int, 5> n, std::array<int, 2> list = {}, std::array<int, 2> check = {}) {
  FilterValues v;
  v.numeric = n;
  v.list = list;
  v.check = check;
  return v;
}

void run(benchmark::State& state, FilterCallback f, FilterValues v, Rect rect) {
  const LayerImage& src = photo();
  static LayerImage dst;
  if (dst.empty()) dst.create(kSide, kSide);
  const int old = set_filter_threads(int(state.range(0)));
  const FilterEnvironment env;
  for (auto _ : state) {
    if (!f(FilterArgs{v, env, dst, src, rect, nullptr})) state.SkipWithError("filter failed");
    benchmark::DoNotOptimize(dst.pixels());
  }
  set_filter_threads(old);
  state.SetItemsProcessed(state.iterations() * int64_t{rect.w} * rect.h);
}

struct Case {
  const char* name;
  FilterCallback f;
  FilterValues v;
};

const Case kDefaults[] = {
    {"blur", box_blur, values({1})},
    {"gaussian", gaussian_blur_filter, values({1})},
    {"radial", radial_blur, values({kSide / 2, kSide / 2, 3})},
    {"lens", lens_blur, values({3, 5})},
    {"motion", motion_blur, values({3, 45})},
    {"sharpen", sharpen, values({1})},
    {"unsharp", unsharp_mask, values({1, 50})},
    {"sobel", sobel, values({})},
    {"laplacian", laplacian, values({})},
    {"emboss", emboss, values({1}, {2, 0}, {0, 0})},
    {"median", median, values({}, {0, 1}, {0, 0})},
    {"lines_from_brightness", lines_from_brightness, values({})},
    {"anti_aliasing", anti_aliasing, values({100})},
    {"one_pixel_line", one_pixel_line_correction, values({})},
};

const Case kStrengths[] = {
    {"gaussian_s1", gaussian_blur_filter, values({1})},
    {"gaussian_s5", gaussian_blur_filter, values({5})},
    {"gaussian_s30", gaussian_blur_filter, values({30})},
    {"blur_r1", box_blur, values({1})},
    {"blur_r16", box_blur, values({16})},
};

const bool kRegistered = [] {
  const Rect whole{0, 0, kSide, kSide}, preview{1000, 1000, 1920, 1080};
  for (const Case& c : kDefaults)
    benchmark::RegisterBenchmark((std::string("BM_filter_") + c.name + "_4000").c_str(),
                                 [c, whole](benchmark::State& s) { run(s, c.f, c.v, whole); })
        ->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(0.5);
  for (const Case& c : kStrengths)
    benchmark::RegisterBenchmark((std::string("BM_filter_") + c.name + "_4000").c_str(),
                                 [c, whole](benchmark::State& s) { run(s, c.f, c.v, whole); })
        ->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(0.5);
  for (const Case& c : kDefaults)
    benchmark::RegisterBenchmark((std::string("BM_filter_") + c.name + "_preview_1920x1080").c_str(),
                                 [c, preview](benchmark::State& s) { run(s, c.f, c.v, preview); })
        ->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(0.3);
  return true;
}();

}  // namespace
