#include "paint/dab_raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/cpu_features.h"
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

// Eight 16-bit lanes; may alias the shape's uint16_t rows.
using U16x8 = uint16_t __attribute__((vector_size(16), may_alias));
static_assert(kShapeStride % 8 == 0);
constexpr int kFoldVectors = kShapeStride / 8;

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

namespace {

// Column layout of a dab at a fixed width: pixel column j reads
// `count[j × width + t]` sub-samples of shape cell `cell[j × width + t]`
// (count 0 past the column's own cells). Small dabs skip cells between
// sub-samples, so the cells are listed, not assumed consecutive.
struct ColumnCells {
  std::vector<uint16_t> cell, count;
  int width = 0;
};

// One row of coverage from a folded row: the column sums, shifted. K is the
// layout's width rounded up to an instantiated one.
template <int K>
void coverage_row(const uint16_t* row_sum, const ColumnCells& cols, int w, int shift, uint8_t* out) {
  const uint16_t* cell = cols.cell.data();
  const uint16_t* count = cols.count.data();
  for (int j = 0; j < w; ++j) {
    const uint16_t* cl = cell + j * K;
    const uint16_t* c = count + j * K;
    uint32_t sum = 0;
    for (int t = 0; t < K; ++t) sum += uint32_t(c[t]) * row_sum[cl[t]];
    out[j] = uint8_t(sum >> shift);
  }
}

// What a column layout is made from.
struct ColumnKey {
  int unit = 0, size = 0, scale = 0, offset = 0, w = 0;
  friend bool operator==(const ColumnKey&, const ColumnKey&) = default;
};
struct CachedColumns {
  ColumnKey key;  // unit 0: empty
  ColumnCells cols;
  bool any_cells = false;  // some column reads a cell
};

// The rows' cells of an area: row i's run from starts[i] to starts[i + 1].
struct CachedRows {
  ColumnKey key;  // the same parts, for rows (w: the area's height)
  std::vector<CellCount> cells;
  std::vector<uint32_t> starts;
};

using CoverageRowFn = void (*)(const uint16_t*, const ColumnCells&, int, int, uint8_t*);

// The instantiated widths: 1 … 8 and 16 (a pixel has at most 16 sub-samples a side).
int padded_width(int width) { return width <= 8 ? std::max(width, 1) : 16; }

CoverageRowFn pick_coverage_row(int width) {
  switch (width) {
    case 1: return coverage_row<1>;
    case 2: return coverage_row<2>;
    case 3: return coverage_row<3>;
    case 4: return coverage_row<4>;
    case 5: return coverage_row<5>;
    case 6: return coverage_row<6>;
    case 7: return coverage_row<7>;
    case 8: return coverage_row<8>;
    default: return coverage_row<16>;
  }
}

// The shape rows of one pixel row folded into one weighted row, whole
// padded rows at a time. Sums stay below 16 × 255, so 16 bits hold them.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Sixteen lanes: six vectors and a half cover a padded row.
static_assert(kShapeStride == 6 * 16 + 8);
#define QM_FOLD_AVX2 __attribute__((target("avx2")))
QM_FOLD_AVX2 void fold_rows_avx2(const ShapeMap& shape, const CellCount* rows, size_t count,
                                                    U16x8* folded) {
  // Row r's cells times its count: six 16-lane parts and the last 8 lanes.
  const auto part = [&](size_t r, int v) QM_FOLD_AVX2 {
    const uint16_t* src = shape.wide + rows[r].cell * kShapeStride;
    return _mm256_mullo_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 16 * v)),
                              _mm256_set1_epi16(short(rows[r].count)));
  };
  const auto tail = [&](size_t r) QM_FOLD_AVX2 {
    const uint16_t* src = shape.wide + rows[r].cell * kShapeStride;
    return _mm_mullo_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 96)),
                           _mm_set1_epi16(short(rows[r].count)));
  };
  __m256i acc[6];
  for (int v = 0; v < 6; ++v) acc[v] = part(0, v);
  __m128i last = tail(0);
  for (size_t r = 1; r < count; ++r) {
    for (int v = 0; v < 6; ++v) acc[v] = _mm256_add_epi16(acc[v], part(r, v));
    last = _mm_add_epi16(last, tail(r));
  }
  for (int v = 0; v < 6; ++v) _mm256_storeu_si256(reinterpret_cast<__m256i*>(folded) + v, acc[v]);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(folded + 12), last);
}
#endif

// Eight lanes (GCC/Clang vector extension: SIMD where the target has it,
// plain code elsewhere). `count` ≥ 1.
void fold_rows(const ShapeMap& shape, const CellCount* rows, size_t count, U16x8* folded) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (cpu_has_avx2()) return fold_rows_avx2(shape, rows, count, folded);
#endif
  {
    const U16x8* src = reinterpret_cast<const U16x8*>(shape.wide + rows[0].cell * kShapeStride);
    const uint16_t n = rows[0].count;
    for (int v = 0; v < kFoldVectors; ++v) folded[v] = src[v] * n;
  }
  for (size_t r = 1; r < count; ++r) {
    const U16x8* src = reinterpret_cast<const U16x8*>(shape.wide + rows[r].cell * kShapeStride);
    const uint16_t n = rows[r].count;
    for (int v = 0; v < kFoldVectors; ++v) folded[v] += src[v] * n;
  }
}

// The coverage sum is separable: sum(pixel) = Σ rows n(R) Σ columns m(C)
// shape[R][C], with n and m the sub-sample counts per cell. Each pixel row
// first folds its shape rows into one weighted row (SIMD over whole rows),
// then each pixel sums its few columns of it. Integer sums, so the result
// equals the sample-by-sample loop exactly.
void area_coverage(const DabGrid& g, const ShapeMap& shape, Rect area, uint8_t* out) {
  thread_local std::vector<CellCount> cells;
  // The column layout depends only on the grid and the sub-sample offset of
  // the area's first column: successive dabs of one size reuse it (a few
  // sub-pixel phases, one slot each).
  thread_local std::array<CachedColumns, 16> cache;
  const ColumnKey key{g.unit, g.size, g.scale, area.x * g.unit - g.left, area.w};
  CachedColumns& slot = cache[size_t(key.offset & 15)];
  if (!(slot.key == key)) {
    ColumnCells& cols = slot.cols;
    // The columns' cells, then laid out at a fixed width.
    thread_local std::vector<int> starts;
    starts.resize(size_t(area.w) + 1);
    cells.clear();
    int width = 0;
    for (int j = 0; j < area.w; ++j) {
      starts[size_t(j)] = int(cells.size());
      count_cells(g, sub_range(g, area.x + j, g.left), cells);
      width = std::max(width, int(cells.size()) - starts[size_t(j)]);
    }
    starts[size_t(area.w)] = int(cells.size());
    const int kw = padded_width(width);
    cols.width = kw;
    cols.cell.assign(size_t(area.w) * size_t(kw), 0);
    cols.count.assign(size_t(area.w) * size_t(kw), 0);
    for (int j = 0; j < area.w; ++j) {
      const int s = starts[size_t(j)], e = starts[size_t(j) + 1];
      for (int t = 0; t < e - s; ++t) {
        cols.cell[size_t(j) * size_t(kw) + size_t(t)] = cells[size_t(s + t)].cell;
        cols.count[size_t(j) * size_t(kw) + size_t(t)] = cells[size_t(s + t)].count;
      }
    }
    slot.any_cells = width > 0;
    slot.key = key;
  }
  const ColumnCells& cols = slot.cols;
  const int k = cols.width;
  const CoverageRowFn row_fn = pick_coverage_row(k);
  const int shift = g.unit == 16 ? 8 : 6;

  U16x8 folded[kFoldVectors];
  const uint16_t* row_sum = reinterpret_cast<const uint16_t*>(folded);
  // The rows' cells likewise, all rows of the area in one list.
  thread_local std::array<CachedRows, 16> row_cache;
  const ColumnKey row_key{g.unit, g.size, g.scale, area.y * g.unit - g.top, area.h};
  CachedRows& row_slot = row_cache[size_t(row_key.offset & 15)];
  if (!(row_slot.key == row_key)) {
    row_slot.cells.clear();
    row_slot.starts.resize(size_t(area.h) + 1);
    for (int i = 0; i < area.h; ++i) {
      row_slot.starts[size_t(i)] = uint32_t(row_slot.cells.size());
      count_cells(g, sub_range(g, area.y + i, g.top), row_slot.cells);
    }
    row_slot.starts[size_t(area.h)] = uint32_t(row_slot.cells.size());
    row_slot.key = row_key;
  }
  for (int i = 0; i < area.h; ++i, out += area.w) {
    const CellCount* rows = row_slot.cells.data() + row_slot.starts[size_t(i)];
    const size_t row_count = row_slot.starts[size_t(i) + 1] - row_slot.starts[size_t(i)];
    if (row_count == 0 || !slot.any_cells) {
      std::fill(out, out + area.w, uint8_t{0});
      continue;
    }
    fold_rows(shape, rows, row_count, folded);
    row_fn(row_sum, cols, area.w, shift, out);
  }
}

// What an area's coverage is made from.
struct CoverageKey {
  const ShapeMap* shape = nullptr;  // nullptr: empty
  int unit = 0, size = 0, scale = 0, x_offset = 0, y_offset = 0, w = 0, h = 0;
  friend bool operator==(const CoverageKey&, const CoverageKey&) = default;
};
struct CachedCoverage {
  CoverageKey key;
  std::vector<uint8_t> coverage;
};
// Areas up to this many pixels are kept (a dab of about 64 pixels).
constexpr size_t kKeptCoverage = 68 * 68;

// The area's coverage, from the dabs of one size and shape already drawn at
// the same sub-pixel phase when there is one: a brush drawing along a path
// meets the same few phases over and over.
const uint8_t* coverage_of(const DabGrid& g, const ShapeMap& shape, Rect area) {
  const size_t n = size_t(area.w) * size_t(area.h);
  const CoverageKey key{&shape, g.unit, g.size, g.scale, area.x * g.unit - g.left, area.y * g.unit - g.top,
                        area.w, area.h};
  thread_local std::array<CachedCoverage, 256> cache;
  thread_local std::vector<uint8_t> scratch;
  if (n > kKeptCoverage) {
    scratch.resize(n);
    area_coverage(g, shape, area, scratch.data());
    return scratch.data();
  }
  CachedCoverage& slot = cache[size_t((key.x_offset & 15) * 16 + (key.y_offset & 15))];
  if (!(slot.key == key)) {
    slot.coverage.resize(n);
    area_coverage(g, shape, area, slot.coverage.data());
    slot.key = key;
  }
  return slot.coverage.data();
}

}  // namespace

void dab_alpha(const DabGrid& g, const ShapeMap& shape, int density, bool coverage_alpha, Rect area,
               uint8_t* out) {
  if (area.empty()) return;
  const uint8_t* coverage = coverage_of(g, shape, area);
  const size_t n = size_t(area.w) * size_t(area.h);
  const uint32_t d = uint32_t(density);
  // (density × 0 + 127) / 255 is 0: an uncovered pixel stays 0 either way.
  if (coverage_alpha) {
    // Eight at a time in 16 bits: x = d × c + 127 ≤ 65152, and below 65535
    // x / 255 is (x + 1 + (x >> 8)) >> 8 exactly (its sum stays in 16 bits).
    using U8x8 = uint8_t __attribute__((vector_size(8)));
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      U8x8 c;
      std::memcpy(&c, coverage + i, 8);
      const U16x8 x = __builtin_convertvector(c, U16x8) * uint16_t(d) + uint16_t(127);
      const U8x8 q = __builtin_convertvector((x + uint16_t(1) + (x >> 8)) >> 8, U8x8);
      std::memcpy(out + i, &q, 8);
    }
    for (; i < n; ++i) out[i] = uint8_t((d * coverage[i] + 127) / 255);
  } else
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(coverage[i] ? d : 0);
}

Rect draw_dab(const PaintSurface& surface, const ShapeMap& shape, const DabSpec& dab,
              bool coverage_alpha, RowSpans* written) {
  if (dab.density <= 0 || !surface.raster) return {};
  DabGrid grid;
  if (!dab_grid(dab.x, dab.y, dab.size, grid)) return {};
  const Rect area = intersect(dab_bounds(grid), surface.writable());
  if (area.empty()) return {};
  thread_local std::vector<uint8_t> alpha;
  alpha.resize(size_t(area.w) * size_t(area.h));
  dab_alpha(grid, shape, std::min(dab.density, 255), coverage_alpha, area, alpha.data());
  for (int i = 0; i < area.h; ++i) {
    const uint8_t* row = alpha.data() + size_t(i) * size_t(area.w);
    write_span(surface, area.x, area.y + i, area.w, row, dab.colour);
    if (!written) continue;
    int first = 0, last = area.w;
    while (first < last && row[first] == 0) ++first;
    while (last > first && row[last - 1] == 0) --last;
    written->add(area.y + i, area.x + first, area.x + last);
  }
  return area;
}

}  // namespace qm
