#include "canvas/floating_blend.h"

#include <cmath>
#include <cstdint>
#include <memory>

namespace qm {

namespace {

// blend_from computes, with t = sa / 255 and u = da / 255,
//   A = trunc((t + u − t·u) · 255 + 0.5)
//   c = trunc((t·sc + u·(1 − t)·dc) / v + 0.5)
// The channel is the real value N / D rounded half up, where
//   N = 255·sa·sc + da·(255 − sa)·dc,  D = 255·(sa + da) − sa·da,
// because the doubles' error (below 1e-12) is far smaller than the distance
// 1 / (2D) ≥ 7.7e-6 of any other value from a rounding edge. Only values
// exactly on an edge (N / D + 0.5 a whole number) are computed the double
// way, so those come out as blend_from rounds them.
struct PairWeights {
  double t, w, v;      // t, u·(1 − t), t + u − t·u as blend_from has them
  double inverse_2d;   // 1 / (2D)
  int32_t d;
  int32_t ks, kd;      // 255·sa and da·(255 − sa), the weights of N
  uint32_t alpha;      // A << 24
};

const PairWeights* pair_table() {
  static const std::unique_ptr<PairWeights[]> table = [] {
    auto out = std::make_unique<PairWeights[]>(256 * 256);
    for (int sa = 0; sa < 256; ++sa)
      for (int da = 0; da < 256; ++da) {
        PairWeights& p = out[size_t(sa) * 256 + size_t(da)];
        const double t = sa / 255.0, u = da / 255.0;
        p.t = t;
        p.w = u * (1 - t);
        p.v = t + u - t * u;
        p.alpha = uint32_t(std::trunc(p.v * 255 + 0.5)) << 24;
        p.d = 255 * (sa + da) - sa * da;
        p.ks = 255 * sa;
        p.kd = da * (255 - sa);
        p.inverse_2d = p.d > 0 ? 1.0 / (2.0 * p.d) : 0;
      }
    return out;
  }();
  return table.get();
}

inline uint32_t channel(const PairWeights& p, int32_t sc, int32_t dc) {
  // At most 2 · 255³ + 65025: fits 32 bits.
  const int32_t n = p.ks * sc + p.kd * dc;
  const double r = double(2 * n + p.d) * p.inverse_2d;
  const int32_t k = int32_t(r + 1e-9);  // r ≥ 0: truncation is the floor
  // r − k is in [−1e-9, 1): near 0 only exactly on a rounding edge.
  if (r - k < 1e-9)
    return uint32_t(std::trunc((p.t * sc + p.w * dc) / p.v + 0.5));
  return uint32_t(k);
}

}  // namespace

void blend_floating(LayerImage& dst, int dst_x, int dst_y, const LayerImage& src) {
  const BlitSpan s = clip_blit(dst_x, dst_y, src.width(), src.height(), dst.width(), dst.height(), 0, 0,
                               src.width(), src.height());
  if (s.w <= 0 || s.h <= 0 || &src == &dst) return;
  const PairWeights* table = pair_table();
  for (int r = 0; r < s.h; ++r) {
    const Pixel* in = src.row(s.src_y + r) + s.src_x;
    Pixel* out = dst.row(s.dst_y + r) + s.dst_x;
    for (int i = 0; i < s.w; ++i) {
      const Pixel sp = in[i];
      const int sa = int(sp >> 24);
      if (sa == 0) continue;
      const Pixel dp = out[i];
      const int da = int(dp >> 24);
      // Opaque over anything, or anything over nothing: the source itself.
      if (sa == 255 || da == 0) {
        out[i] = sp;
        continue;
      }
      const PairWeights& p = table[size_t(sa) * 256 + size_t(da)];
      out[i] = p.alpha | channel(p, int32_t(sp >> 16 & 0xFF), int32_t(dp >> 16 & 0xFF)) << 16 |
               channel(p, int32_t(sp >> 8 & 0xFF), int32_t(dp >> 8 & 0xFF)) << 8 |
               channel(p, int32_t(sp & 0xFF), int32_t(dp & 0xFF));
    }
  }
}

}  // namespace qm
