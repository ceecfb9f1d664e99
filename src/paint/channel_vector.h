#pragma once
// Helpers of the floating-point "over" formulas (blend and combine).
//
// The colour channels go through the formula two lanes at a time (GCC/Clang
// vector extension: SIMD where the target has it, plain code elsewhere).
// Each lane sees exactly the operations the scalar formula does (no fused
// multiply-add: the build turns contraction off), so results match it bit
// for bit; tests compare with the scalar formulas.
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/pixel.h"

namespace qm {

using Lanes2 = double __attribute__((vector_size(16)));

// Blue and green in one vector, red and 0 in the other.
struct Channels {
  Lanes2 bg, r0;
};

inline Channels channels_of(Pixel p) {
  return {Lanes2{double(blue_of(p)), double(green_of(p))}, Lanes2{double(red_of(p)), 0.0}};
}

// Each lane truncated (values 0 … 255.5), packed under `alpha`.
inline Pixel pixel_from(uint32_t alpha, const Channels& v) {
  return make_pixel(alpha, uint32_t(v.r0[0]), uint32_t(v.bg[1]), uint32_t(v.bg[0]));
}

// byte / 255.0 for every byte: the same doubles the division gives, looked up.
inline const std::array<double, 256>& unit_fractions() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (int i = 0; i < 256; ++i) t[size_t(i)] = i / 255.0;
    return t;
  }();
  return table;
}

}  // namespace qm
