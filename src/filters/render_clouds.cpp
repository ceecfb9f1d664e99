// The cloud family: eight octaves of value noise over a smoothed random grid
// the size of the rectangle, with cosine interpolation, so the pattern tiles.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "filters/render_common.h"

namespace qm::filters {
namespace {

constexpr int kOctaves = 8;
constexpr double kNoiseUnit = 1.0 / 1048576;  // 2^-20

std::array<int, 256> cosine_table() {
  std::array<int, 256> t{};
  for (int m = 0; m < 256; ++m) t[size_t(m)] = int((1 - std::cos(m * 0.01227184630308513)) * 0.5 * 256);
  return t;
}

// The neighbour before and after index i of n, reflected at the borders; a
// single row or column uses itself.
inline int before(int i, int n) { return i > 0 ? i - 1 : (n > 1 ? 1 : 0); }
inline int after(int i, int n) { return i < n - 1 ? i + 1 : (n > 1 ? n - 2 : 0); }

// Random grid smoothed with corner/16 + edge/8 + centre/4, each sum divided
// on its own. False when the memory cannot be had.
bool noise_grid(int w, int h, std::vector<int>& grid) {
  std::vector<int> raw;
  try {
    raw.resize(size_t(w) * size_t(h));
    grid.resize(size_t(w) * size_t(h));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int& v : raw) {
    const double unit = (rand32() & 0xFFFF) / 65535.0;
    v = int((2 * unit - 1) * 1048576);
  }
  for (int y = 0; y < h; ++y) {
    const int* up = &raw[size_t(before(y, h)) * size_t(w)];
    const int* mid = &raw[size_t(y) * size_t(w)];
    const int* down = &raw[size_t(after(y, h)) * size_t(w)];
    int* out = &grid[size_t(y) * size_t(w)];
    for (int x = 0; x < w; ++x) {
      const int l = before(x, w), r = after(x, w);
      const int corner = up[l] + up[r] + down[l] + down[r];
      const int edge = up[x] + down[x] + mid[l] + mid[r];
      out[x] = corner / 16 + edge / 8 + mid[x] / 4;
    }
  }
  return true;
}

// Where one coordinate falls in the grid at one octave.
// Packed small (sides are at most kMaxCanvasSide, weights at most 256) so
// the eight lookups of every column of a row stay in the cache.
struct Lookup {
  uint16_t i0, i1;
  int32_t f;
};
inline Lookup lookup(int coord, double frequency, int n, const std::array<int, 256>& cosine) {
  const double u = coord * frequency;
  const int64_t ix = int64_t(u * 256);
  const int i0 = int((ix >> 8) % n);
  return {uint16_t(i0), uint16_t((i0 + 1) % n), cosine[size_t(ix & 255)]};
}

}  // namespace

bool render_clouds(const FilterArgs& a, const CloudParams& prm) {
  const int w = a.rect.w, h = a.rect.h;
  if (w > 65535 || h > 65535) return false;
  const std::array<int, 256> cosine = cosine_table();
  std::vector<int> grid;
  std::vector<Lookup> columns;
  std::vector<int> across;  // per column and octave: the top and bottom blends
  try {
    columns.resize(size_t(kOctaves) * size_t(w));
    across.resize(size_t(kOctaves) * size_t(w) * 2);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!noise_grid(w, h, grid)) return false;

  double frequency[kOctaves], weight[kOctaves];
  {
    double f = prm.frequency, amp = prm.persistence;
    for (int o = 0; o < kOctaves; ++o) {
      frequency[o] = f;
      weight[o] = amp;
      f = f * 2;
      amp = amp * prm.persistence;
    }
  }
  double scaled_weight[kOctaves];
  for (int o = 0; o < kOctaves; ++o) scaled_weight[o] = weight[o] * kNoiseUnit;
  // The column half of every octave's lookup is the same on every row; kept
  // per column so one pixel reads its eight side by side.
  for (int x = 0; x < w; ++x)
    for (int o = 0; o < kOctaves; ++o) columns[size_t(x) * kOctaves + size_t(o)] = lookup(x, frequency[o], w, cosine);

  const int c0[3] = {int(prm.c0 >> 16 & 255), int(prm.c0 >> 8 & 255), int(prm.c0 & 255)};
  const int c1[3] = {int(prm.c1 >> 16 & 255), int(prm.c1 >> 8 & 255), int(prm.c1 & 255)};
  const int* g = grid.data();
  progress_range(a.progress, h);
  int cached_row[kOctaves];
  std::fill(cached_row, cached_row + kOctaves, -1);
  for (int y = 0; y < h; ++y) {
    Lookup rows[kOctaves];
    for (int o = 0; o < kOctaves; ++o) {
      rows[o] = lookup(y, frequency[o], h, cosine);
      // The horizontal blends of the two grid rows change only when the
      // octave moves on to another pair of rows (rarely for the low ones).
      if (rows[o].i0 == cached_row[o]) continue;
      cached_row[o] = rows[o].i0;
      const int* r0 = g + size_t(rows[o].i0) * size_t(w);
      const int* r1 = g + size_t(rows[o].i1) * size_t(w);
      for (int x = 0; x < w; ++x) {
        const Lookup& c = columns[size_t(x) * kOctaves + size_t(o)];
        int* tb = &across[(size_t(x) * kOctaves + size_t(o)) * 2];
        tb[0] = (r0[c.i0] * (256 - c.f) + r0[c.i1] * c.f) >> 8;
        tb[1] = (r1[c.i0] * (256 - c.f) + r1[c.i1] * c.f) >> 8;
      }
    }
    const Pixel* s = a.src.empty() ? nullptr : a.src.row(a.rect.y + y) + a.rect.x;
    Pixel* d = a.dst.row(a.rect.y + y) + a.rect.x;
    for (int x = 0; x < w; ++x) {
      // The vertical blends, then the sum in octave order. n × 2^-20 ×
      // weight is computed as n × (weight × 2^-20): scaling by a power of
      // two is exact, so the bits agree.
      int nv[kOctaves];
      const int* tb = &across[size_t(x) * kOctaves * 2];
      for (int o = 0; o < kOctaves; ++o)
        nv[o] = (tb[2 * o] * (256 - rows[o].f) + tb[2 * o + 1] * rows[o].f) >> 8;
      double sum = 0;
      for (int o = 0; o < kOctaves; ++o) sum += nv[o] * scaled_weight[o];
      const int level = std::clamp(int(prm.contrast * sum) + 128, 0, 256);
      if (!prm.difference) {
        d[x] = make_pixel(255, uint32_t(c0[0] + ((level * (c1[0] - c0[0])) >> 8)),
                          uint32_t(c0[1] + ((level * (c1[1] - c0[1])) >> 8)),
                          uint32_t(c0[2] + ((level * (c1[2] - c0[2])) >> 8)));
        continue;
      }
      const Pixel p = s ? s[x] : d[x];
      if (alpha_of(p) == 0) {
        d[x] = p;
        continue;
      }
      const int l = std::min(level, 255);
      d[x] = make_pixel(alpha_of(p), uint32_t(std::abs(red_of(p) - l)), uint32_t(std::abs(green_of(p) - l)),
                        uint32_t(std::abs(blue_of(p) - l)));
    }
    progress_step(a.progress);
  }
  return true;
}

bool clouds(const FilterArgs& a) { return render_clouds(a, {0.02, 0.6, 150, 0xFFFFFF, 0x000000, false}); }

bool clouds_drawing_colours(const FilterArgs& a) {
  return render_clouds(a, {0.02, 0.6, 150, a.env.other_colour & 0xFFFFFF, a.env.drawing_colour & 0xFFFFFF, false});
}

bool difference_clouds(const FilterArgs& a) {
  return render_clouds(a, {0.02, 0.6, 150, 0xFFFFFF, 0x000000, true});
}

bool clouds_detailed(const FilterArgs& a) {
  CloudParams p;
  p.frequency = std::clamp(a.values.numeric[0], 1, 100) * 0.0025;
  p.persistence = std::clamp(a.values.numeric[1], 1, 100) * 0.01;
  p.contrast = std::clamp(a.values.numeric[2], 0, 100) * 5 + 50;
  if (a.values.list[0] == 1) {
    p.c0 = a.env.other_colour & 0xFFFFFF;
    p.c1 = a.env.drawing_colour & 0xFFFFFF;
  }
  return render_clouds(a, p);
}

}  // namespace qm::filters
