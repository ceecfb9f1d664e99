// Dispatch of the vector colour filters to the SSE2 or AVX2 copy.
#include "filters/colour_vector.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>

#include "filters/filter_bands.h"

namespace qm::filters::vector {
namespace {

enum class Op { kGreyscale, kSepia, kThreshold, kTint, kBrightness, kHsv };

struct Params {
  int threshold = 0;
  const uint32_t* tint = nullptr;  // each luma's colour, 0x00RRGGBB
  const ShiftedTable* contrast = nullptr;
  int brightness = 0, dh = 0, ds = 0, dv = 0;
};

namespace sse2 {
constexpr int kBytes = 16;
#include "filters/colour_vector.inc"
}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
constexpr int kBytes = 32;
#define QM_COLOUR_AVX2 1
#include "filters/colour_vector.inc"
#undef QM_COLOUR_AVX2
}  // namespace avx2
#pragma GCC pop_options

void run(const FilterArgs& a, Op op, const Params& k) {
  if (filter_avx2())
    avx2::map_rows(a, op, k);
  else
    sse2::map_rows(a, op, k);
}

}  // namespace

void greyscale(const FilterArgs& a) { run(a, Op::kGreyscale, {}); }
void sepia(const FilterArgs& a) { run(a, Op::kSepia, {}); }
void threshold(const FilterArgs& a, int t) { run(a, Op::kThreshold, {.threshold = t}); }
void tint(const FilterArgs& a, const uint32_t table[256]) { run(a, Op::kTint, {.tint = table}); }
void brightness(const FilterArgs& a, const ShiftedTable& contrast, int b) {
  run(a, Op::kBrightness, {.contrast = &contrast, .brightness = b});
}
void hsv(const FilterArgs& a, int dh, int ds, int dv) { run(a, Op::kHsv, {.dh = dh, .ds = ds, .dv = dv}); }

}  // namespace qm::filters::vector
