#include "paint/dab_raster.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "paint/point.h"
#include "paint/write_modes.h"

namespace qm {
namespace {

constexpr int floor_div(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Largest dab side accepted, in pixels: far above any brush, small enough
// for the sub-pixel arithmetic to stay in int.
constexpr double kMaxDabSide = 4096;

// Sub-sample offsets of one pixel row (or column) inside the dab: [first, last],
// empty when first > last.
struct SubRange {
  int first, last;
};
SubRange sub_range(const DabGrid& g, int pixel, int origin) {
  const int start = pixel * g.unit - origin;
  return {std::max(0, start), std::min(g.size - 1, start + g.unit - 1)};
}

int shape_cell(const DabGrid& g, int offset) { return (offset * g.scale) >> 14; }

uint8_t alpha_from_sum(const DabGrid& g, uint32_t sum, int density, bool coverage_alpha) {
  const uint32_t coverage = sum >> (g.unit == 16 ? 8 : 6);
  if (coverage == 0) return 0;
  return uint8_t(coverage_alpha ? (uint32_t(density) * coverage + 127) / 255 : uint32_t(density));
}

// One shape cell and how many sub-samples of a pixel read it.
struct CellCount {
  uint16_t cell, count;
};

// The cells a range of offsets reads, in order, with their counts (the
// mapping from offset to cell never decreases).
void count_cells(const DabGrid& g, SubRange r, std::vector<CellCount>& out) {
  const size_t start = out.size();
  for (int o = r.first; o <= r.last; ++o) {
    const uint16_t c = uint16_t(shape_cell(g, o));
    if (out.size() > start && out.back().cell == c)
      ++out.back().count;
    else
      out.push_back({c, 1});
  }
}

}  // namespace

bool dab_grid(double x, double y, double size, DabGrid& grid) {
  if (!(std::abs(x) <= 2 * kCoordinateLimit) || !(std::abs(y) <= 2 * kCoordinateLimit) ||
      !(size > 0) || !(size <= kMaxDabSide))
    return false;
  const bool eighths = size * 16 > 64;
  int px = int(x * 16 + 0.5), py = int(y * 16 + 0.5), s = int(size * 16 + 0.5);
  if (eighths) {
    px >>= 1;  // halved rounding down, so the grid is the same on both sides of 0
    py >>= 1;
    s /= 2;
    grid.unit = 8;
  } else {
    if (s <= 2) return false;
    grid.unit = 16;
  }
  grid.size = s;
  grid.left = px - s / 2;
  grid.top = py - s / 2;
  grid.scale = int(100.0 / s * 16384);
  return true;
}

Rect dab_bounds(const DabGrid& g) {
  const int x0 = floor_div(g.left, g.unit), x1 = floor_div(g.left + g.size - 1, g.unit);
  const int y0 = floor_div(g.top, g.unit), y1 = floor_div(g.top + g.size - 1, g.unit);
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

void dab_alpha_reference(const DabGrid& g, const ShapeMap& shape, int density, bool coverage_alpha,
                         Rect area, uint8_t* out) {
  for (int py = area.y; py < area.bottom(); ++py)
    for (int px = area.x; px < area.right(); ++px) {
      uint32_t sum = 0;
      for (int sy = 0; sy < g.unit; ++sy) {
        const int oy = py * g.unit + sy - g.top;
        if (oy < 0 || oy >= g.size) continue;
        const int row = shape_cell(g, oy);
        for (int sx = 0; sx < g.unit; ++sx) {
          const int ox = px * g.unit + sx - g.left;
          if (ox < 0 || ox >= g.size) continue;
          sum += shape.cells[row * kShapeSide + shape_cell(g, ox)];
        }
      }
      *out++ = alpha_from_sum(g, sum, density, coverage_alpha);
    }
}

// The coverage sum is separable: sum(pixel) = Σ rows n(R) Σ columns m(C)
// shape[R][C], with n and m the sub-sample counts per cell. Each pixel row
// first folds its shape rows into one weighted row (vectorisable), then each
// pixel sums its few columns of it. Integer sums, so the result equals the
// sample-by-sample loop exactly.
void dab_alpha(const DabGrid& g, const ShapeMap& shape, int density, bool coverage_alpha, Rect area,
               uint8_t* out) {
  if (area.empty()) return;
  thread_local std::vector<CellCount> col_cells;
  thread_local std::vector<int> col_start;  // index into col_cells; one extra at the end
  thread_local std::vector<CellCount> row_cells;
  col_cells.clear();
  col_start.resize(size_t(area.w) + 1);
  int cmin = kShapeSide, cmax = -1;
  for (int j = 0; j < area.w; ++j) {
    col_start[size_t(j)] = int(col_cells.size());
    count_cells(g, sub_range(g, area.x + j, g.left), col_cells);
  }
  col_start[size_t(area.w)] = int(col_cells.size());
  for (const CellCount& c : col_cells) {
    cmin = std::min<int>(cmin, c.cell);
    cmax = std::max<int>(cmax, c.cell);
  }
  alignas(32) uint16_t folded[kShapeSide];
  for (int i = 0; i < area.h; ++i, out += area.w) {
    row_cells.clear();
    count_cells(g, sub_range(g, area.y + i, g.top), row_cells);
    if (row_cells.empty() || cmax < 0) {
      std::fill(out, out + area.w, uint8_t{0});
      continue;
    }
    std::fill(folded + cmin, folded + cmax + 1, uint16_t{0});
    for (const CellCount& r : row_cells) {
      const uint8_t* src = shape.cells + r.cell * kShapeSide;
      const uint16_t n = r.count;
      for (int c = cmin; c <= cmax; ++c) folded[c] = uint16_t(folded[c] + n * src[c]);
    }
    for (int j = 0; j < area.w; ++j) {
      uint32_t sum = 0;
      for (int e = col_start[size_t(j)]; e < col_start[size_t(j) + 1]; ++e)
        sum += uint32_t(col_cells[size_t(e)].count) * folded[col_cells[size_t(e)].cell];
      out[j] = alpha_from_sum(g, sum, density, coverage_alpha);
    }
  }
}

Rect draw_dab(const PaintSurface& surface, const ShapeMap& shape, const DabSpec& dab,
              bool coverage_alpha) {
  if (dab.density <= 0 || !surface.raster) return {};
  DabGrid grid;
  if (!dab_grid(dab.x, dab.y, dab.size, grid)) return {};
  const Rect area = intersect(dab_bounds(grid), surface.writable());
  if (area.empty()) return {};
  thread_local std::vector<uint8_t> alpha;
  alpha.resize(size_t(area.w) * size_t(area.h));
  dab_alpha(grid, shape, std::min(dab.density, 255), coverage_alpha, area, alpha.data());
  for (int i = 0; i < area.h; ++i)
    write_span(surface, area.x, area.y + i, area.w, alpha.data() + size_t(i) * size_t(area.w),
               dab.colour);
  return area;
}

}  // namespace qm
