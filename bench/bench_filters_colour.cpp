// The colour adjustment and render filters at their default values on a
// 4000 × 4000 layer (one thread), and each previewable one over a
// 1920 × 1080 area. Items are pixels of the target rectangle, per second of
// CPU time (the machine may be shared).
// BM_filter_<name>_4000 / BM_filter_<name>_preview_1080.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "filters/colour_filters.h"
#include "filters/render_filters.h"
#include "paint/random.h"

namespace {

using namespace qm;
using filters::FilterValues;

constexpr int kSide = 4000;

// Random colours with rounded transparent holes (so the outlines have edges).
const LayerImage& source_layer() {
  static const LayerImage img = [] {
    LayerImage l;
    l.create(kSide, kSide);
    std::mt19937 rng(3);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        const int dx = x % 64 - 32, dy = y % 64 - 32;
        *l.pixel_address(x, y) = dx * dx + dy * dy < 300 ? kTransparent : (rng() | 0xFF000000u);
      }
    return l;
  }();
  return img;
}

FilterValues values(std::initializer_list<int> numeric, std::array<int, 2> check = {}, std::array<int, 2> list = {}) {
  FilterValues v;
  std::copy(numeric.begin(), numeric.end(), v.numeric.begin());
  v.check = check;
  v.list = list;
  return v;
}

struct Entry {
  const char* name;
  filters::FilterCallback run;
  FilterValues v;
  bool preview;
  bool in_place;  // works on the layer itself (needs a fresh copy each run)
};

const Entry kEntries[] = {
    {"brightness_contrast", filters::brightness_contrast, values({0, 0}), true, false},
    {"gamma", filters::gamma, values({100}), true, false},
    {"levels", filters::levels, values({0, 128, 255, 0, 255}), true, false},
    {"rgb_adjust", filters::rgb_adjust, values({0, 0, 0}), true, false},
    {"hsv_adjust", filters::hsv_adjust, values({0, 0, 0}), true, false},
    {"negative", filters::negative, {}, false, false},
    {"greyscale", filters::greyscale, {}, false, false},
    {"sepia", filters::sepia, {}, false, false},
    {"two_colour_tint", filters::two_colour_tint, {}, false, false},
    {"threshold", filters::threshold, values({128}), true, false},
    {"posterise", filters::posterise, values({4}), true, false},
    {"replace_colour", filters::replace_colour, values({255, 0, 0}), true, false},
    {"colour_reduction", filters::colour_reduction, values({}, {}, {7, 0}), false, true},
    {"clouds", filters::clouds, {}, false, false},
    {"clouds_drawing_colours", filters::clouds_drawing_colours, {}, false, false},
    {"difference_clouds", filters::difference_clouds, {}, false, false},
    {"clouds_detailed", filters::clouds_detailed, values({8, 60, 20}), true, false},
    {"lines", filters::lines, values({1, 1, 1, 1}, {1, 0}), true, false},
    {"tone", filters::tone, values({4, 4}), true, false},
    {"checker", filters::checker, values({8, 8}, {1, 0}), true, false},
    {"outer_outline", filters::outer_outline, values({1}), false, true},
    {"inner_outline", filters::inner_outline, values({1}), false, true},
    {"frame_line", filters::frame_line, values({4}), false, true},
    {"random_dots", filters::random_dots, values({1, 5, 1}), true, false},
    {"noise", filters::noise, values({10}), true, false},
};

void run_filter(benchmark::State& state, const Entry& e, Rect rect) {
  const LayerImage& src = source_layer();
  LayerImage dst;
  dst.create(kSide, kSide);
  dst.copy_from(src);
  seed_shared_random(1);
  filters::FilterEnvironment env;
  env.drawing_colour = 0x2050A0;
  for (auto _ : state) {
    if (e.in_place) {
      state.PauseTiming();
      dst.copy_from(src);
      state.ResumeTiming();
    }
    const bool ok = e.run({e.v, env, dst, e.in_place ? dst : src, rect, nullptr});
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(dst.pixels());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(rect.w) * rect.h);
}

const bool kRegistered = [] {
  for (const Entry& e : kEntries) {
    benchmark::RegisterBenchmark((std::string("BM_filter_") + e.name + "_4000").c_str(),
                                 [&e](benchmark::State& s) { run_filter(s, e, {0, 0, kSide, kSide}); })
        ->Unit(benchmark::kMillisecond);
    if (e.preview)
      benchmark::RegisterBenchmark((std::string("BM_filter_") + e.name + "_preview_1080").c_str(),
                                   [&e](benchmark::State& s) { run_filter(s, e, {100, 200, 1920, 1080}); })
          ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
