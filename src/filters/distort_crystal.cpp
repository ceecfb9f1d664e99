// Crystal: one random seed per s × s cell; every pixel takes the colour of the
// cell whose seed is nearest among the 3 × 3 cells around its own (cells
// outside the grid do not exist), either the seed's own pixel or the
// alpha-weighted average of the pixels that chose that seed.
#include <algorithm>
#include <memory>
#include <new>

#include "filters/distort_filters.h"
#include "filters/filter_bands.h"
#include "filters/filter_helpers.h"
#include "paint/random.h"

namespace qm::filters {
namespace {

struct Seed {
  int x, y;
};

struct CellSums {
  AlphaSums sums;  // 64-bit: a cell of 200 × 200 pixels overflows 32 bits
  int64_t count = 0;
};

// Index of the cell whose seed is nearest to (x, y); the first strictly
// nearer one wins in cell-row, then cell-column order.
int nearest_cell(const Seed* seeds, int cols, int rows, int s, const Rect& r, int x, int y) {
  const int cc = (x - r.x) / s, cr = (y - r.y) / s;
  int best = -1;
  int64_t best_d = 0;
  for (int row = std::max(cr - 1, 0); row <= std::min(cr + 1, rows - 1); ++row) {
    for (int col = std::max(cc - 1, 0); col <= std::min(cc + 1, cols - 1); ++col) {
      const int i = row * cols + col;
      const int64_t dx = seeds[i].x - x, dy = seeds[i].y - y;
      const int64_t d = dx * dx + dy * dy;
      if (best < 0 || d < best_d) {
        best = i;
        best_d = d;
      }
    }
  }
  return best;
}

}  // namespace

bool crystal(const FilterArgs& a) {
  const int s = std::max(1, a.values.numeric[0]);
  const bool average = a.values.check[0] != 0;
  const Rect r = a.rect;
  const int cols = (r.w + s - 1) / s, rows = (r.h + s - 1) / s;
  const size_t cells = size_t(cols) * size_t(rows);
  const int64_t bytes = int64_t(cells) * int64_t(sizeof(Seed) + sizeof(Pixel) + (average ? sizeof(CellSums) : 0));
  if (!temporary_allowed(bytes)) return false;
  std::unique_ptr<Seed[]> seeds(new (std::nothrow) Seed[cells]);
  std::unique_ptr<CellSums[]> sums(average ? new (std::nothrow) CellSums[cells] : nullptr);
  std::unique_ptr<Pixel[]> colours(new (std::nothrow) Pixel[cells]);
  if (!seeds || !colours || (average && !sums)) return false;

  progress_range(a.progress, 3);
  std::mt19937& rng = shared_random();
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < cols; ++col) {
      const int x = r.x + col * s + int(rng() % unsigned(s));
      const int y = r.y + row * s + int(rng() % unsigned(s));
      seeds[size_t(row) * cols + col] = {std::min(x, r.right() - 1), std::min(y, r.bottom() - 1)};
    }
  }
  progress_step(a.progress);

  if (average) {
    for (int y = r.y; y < r.bottom(); ++y) {
      const Pixel* in = a.src.row(y);
      for (int x = r.x; x < r.right(); ++x) {
        CellSums& c = sums[nearest_cell(seeds.get(), cols, rows, s, r, x, y)];
        c.sums.add(in[x]);
        ++c.count;
      }
    }
    for (size_t i = 0; i < cells; ++i) {
      // A cell nobody chose is never looked up again.
      colours[i] = sums[i].count ? average_output(sums[i].sums, sums[i].count) : kTransparent;
    }
  } else {
    for (size_t i = 0; i < cells; ++i) colours[i] = a.src.row(seeds[i].y)[seeds[i].x];
  }
  progress_step(a.progress);

  for (int y = r.y; y < r.bottom(); ++y) {
    Pixel* out = a.dst.row(y);
    for (int x = r.x; x < r.right(); ++x) out[x] = colours[nearest_cell(seeds.get(), cols, rows, s, r, x, y)];
  }
  progress_step(a.progress);
  return true;
}

}  // namespace qm::filters
