// HSV Adjust: through the integer HSV model and back. The filter runs the
// vector form (colour_vector.inc); hsv_adjust_pixel() is the same for one
// pixel, the core conversions (core/colour.h) with the divisions by the
// pixel's own extent and maximum done by exact reciprocals. Tests compare
// both with the core conversions over the colour cube.
#include <algorithm>
#include <array>

#include "filters/colour_vector.h"

namespace qm::filters {
namespace {

// floor(n / d) = (n × kInverse[d]) >> 32 for every n < 2^16 and d ≤ 255,
// since n × d < 2^32.
struct Inverses {
  std::array<uint64_t, 256> m{};
  Inverses() {
    for (uint64_t d = 1; d < 256; ++d) m[d] = (uint64_t{1} << 32) / d + 1;
  }
};
const Inverses kInverse;

inline int divide(int n, int d) { return int((uint64_t(n) * kInverse.m[size_t(d)]) >> 32); }

// Which of (V, p, q, t) each channel takes in the six sectors.
constexpr uint8_t kPickR[6] = {0, 2, 1, 1, 3, 0};
constexpr uint8_t kPickG[6] = {3, 0, 0, 2, 1, 1};
constexpr uint8_t kPickB[6] = {1, 1, 3, 0, 0, 2};

inline Pixel adjust(Pixel px, int dh, int ds, int dv) {
  const int r = red_of(px), g = green_of(px), b = blue_of(px);
  const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
  const int e = mx - mn;
  int h = 0, s = 0;
  if (e != 0) {
    s = divide(e * 255, mx);
    // R tested first, then G, as the core conversion does.
    const int a = r == mx ? g : g == mx ? b : r;
    const int c = r == mx ? b : g == mx ? r : g;
    const int offset = r == mx ? 0 : g == mx ? 120 : 240;
    h = divide(a * 60, e) - divide(c * 60, e) + offset;
    if (h < 0) h += 360;
    if (h >= 360) h -= 360;
  }
  h += dh;
  if (h < 0) h += 360;
  else if (h >= 360) h -= 360;
  s = std::clamp(s + ds, 0, 255);
  const int v = std::clamp(mx + dv, 0, 255);
  if (s == 0) return (px & 0xFF000000u) | uint32_t(v) * 0x010101u;
  const int d = (h * 6) % 360;
  const int vals[4] = {v, (255 - s) * v / 255, (255 - d * s / 360) * v / 255,
                       (255 - s * (360 - d) / 360) * v / 255};
  const int sector = h / 60;
  return (px & 0xFF000000u) | uint32_t(vals[kPickR[sector]]) << 16 | uint32_t(vals[kPickG[sector]]) << 8 |
         uint32_t(vals[kPickB[sector]]);
}

}  // namespace

Pixel hsv_adjust_pixel(Pixel p, int dh, int ds, int dv) { return adjust(p, dh, ds, dv); }

bool hsv_adjust(const FilterArgs& a) {
  const int dh = std::clamp(a.values.numeric[0], -180, 180);
  const int ds = std::clamp(a.values.numeric[1], -255, 255);
  const int dv = std::clamp(a.values.numeric[2], -255, 255);
  vector::hsv(a, dh, ds, dv);
  return true;
}

}  // namespace qm::filters
