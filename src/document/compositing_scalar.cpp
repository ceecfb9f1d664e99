// Plain display kernels: one pixel, one byte at a time. They define what the
// vector kernels must reproduce and serve builds without those.
#include <algorithm>

#include "document/compositing_kernels.h"

namespace qm::detail {
namespace {

// k = (opacity × s.A) >> 7, 0 … 255 for opacity ≤ 128.
inline int coverage(int opacity, Pixel s) { return (opacity * int(s >> 24)) >> 7; }

// Moves each of the four bytes of d toward target(d_byte, s_byte) by k / 256:
// d += (k × (t − d)) >> 8, with the arithmetic shift of the signed product.
template <class Target>
void lerp_row(Pixel* d, const Pixel* s, size_t n, int opacity, Target target) {
  for (size_t i = 0; i < n; ++i) {
    const int k = coverage(opacity, s[i]);
    if (k == 0) continue;
    Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const int dc = int(d[i] >> shift) & 0xFF;
      const int sc = int(s[i] >> shift) & 0xFF;
      const int v = dc + ((k * (target(dc, sc) - dc)) >> 8);
      out |= Pixel(std::clamp(v, 0, 255)) << shift;
    }
    d[i] = out;
  }
}

void normal_row(Pixel* d, const Pixel* s, size_t n, int opacity, const uint8_t*) {
  lerp_row(d, s, n, opacity, [](int, int sc) { return sc; });
}

void multiply_row(Pixel* d, const Pixel* s, size_t n, int opacity, const uint8_t*) {
  lerp_row(d, s, n, opacity, [](int dc, int sc) { return (sc * dc) >> 8; });
}

void table_row(Pixel* d, const Pixel* s, size_t n, int opacity, const uint8_t* table) {
  lerp_row(d, s, n, opacity, [table](int dc, int sc) { return int(table[dc * 256 + sc]); });
}

// Add and Subtract: d ± ((s × k) >> 8), saturated.
template <int Sign>
void add_sub_row(Pixel* d, const Pixel* s, size_t n, int opacity, const uint8_t*) {
  for (size_t i = 0; i < n; ++i) {
    const int k = coverage(opacity, s[i]);
    if (k == 0) continue;
    Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const int dc = int(d[i] >> shift) & 0xFF;
      const int sc = int(s[i] >> shift) & 0xFF;
      out |= Pixel(std::clamp(dc + Sign * ((sc * k) >> 8), 0, 255)) << shift;
    }
    d[i] = out;
  }
}

}  // namespace

const DisplayKernels& scalar_kernels() {
  static constexpr DisplayKernels kKernels = {normal_row, multiply_row, add_sub_row<1>,
                                              add_sub_row<-1>, table_row};
  return kKernels;
}

}  // namespace qm::detail
