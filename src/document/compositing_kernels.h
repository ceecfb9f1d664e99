#pragma once
// Internal to compositing: the row kernels of the display composite, one set
// per instruction set, and the colour-model helpers shared by all paths.
//
// Every kernel set gives bit-identical results; the scalar set is the plain
// version, the vector sets exist only for speed (tests compare them).
#include <cstddef>
#include <cstdint>

#include "core/colour.h"
#include "core/pixel.h"

namespace qm::detail {

// Combines n consecutive source pixels into n destination pixels by the
// integer display rules. opacity is 1 … 128; `table` is the mode's 64 K blend
// table (used by the `table` kernel only).
using DisplayRowFn = void (*)(Pixel* d, const Pixel* s, size_t n, int opacity,
                              const uint8_t* table);

struct DisplayKernels {
  DisplayRowFn normal;
  DisplayRowFn multiply;
  DisplayRowFn add;
  DisplayRowFn subtract;
  DisplayRowFn table;  // modes 4 … 16
};

enum class SimdLevel : int { Scalar = 0, Sse2 = 1, Avx2 = 2 };

// The widest level this build and processor can run.
SimdLevel best_simd_level();
// The level composite_display uses now (best_simd_level() unless changed).
SimdLevel simd_level();
// Chooses the level for later composites (tests, benchmarks); a level above
// best_simd_level() is lowered to it. Returns the level in effect.
SimdLevel set_simd_level(SimdLevel level);

const DisplayKernels& scalar_kernels();
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(QM_NO_SIMD)
#define QM_COMPOSITING_X86 1  // QM_NO_SIMD builds the plain kernels only
const DisplayKernels& sse2_kernels();
const DisplayKernels& avx2_kernels();  // call only when the CPU has AVX2

// Both layers of a long run stream from memory; asked for 4 KiB ahead they
// arrive in time (measured: a third faster on 4000² layers). Shorter runs
// would fetch what the next run does not need.
inline constexpr size_t kStreamRun = 4096;
inline void prefetch_ahead(const Pixel* d, const Pixel* s) {
  __builtin_prefetch(d + 1024);
  __builtin_prefetch(s + 1024);
}
#endif

// The colour a Hue, Saturation, Color or Luminosity layer pixel `s` asks for
// over `d` (alpha bytes ignored), as 0x00RRGGBB.
Pixel colour_model_target(int mode, Pixel d, Pixel s);

// Display (and flatten) rule of modes 17 … 20 for n pixels: only where
// s.A ≠ 0, B, G and R move toward the target by g / 255 with
// g = (opacity × s.A) >> 7; the destination alpha is left alone.
void colour_model_row(Pixel* d, const Pixel* s, size_t n, int opacity, int mode);

}  // namespace qm::detail
