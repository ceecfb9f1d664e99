// Oil Paint: of the four (a + 1)² windows cornered at the pixel, the one with
// the smallest colour spread gives the pixel its alpha-weighted average.
//
// A window with its top-left corner at (x0, y0) serves four pixels, so the
// statistics of every window of a window row are computed once (separably:
// columns first, then runs of a + 1 columns) and kept for the a rows that
// still need them.
#include <algorithm>
#include <vector>

#include "filters/distort_filters.h"
#include "filters/filter_helpers.h"

namespace qm::filters {
namespace {

struct WindowStats {
  uint8_t max[3], min[3];  // B, G, R
  int32_t ab, ag, ar, alpha;  // at most 81 × 255 × 255
};

void add_pixel(WindowStats& s, Pixel p) {
  const uint8_t c[3] = {blue_of(p), green_of(p), red_of(p)};
  for (int k = 0; k < 3; ++k) {
    s.max[k] = std::max(s.max[k], c[k]);
    s.min[k] = std::min(s.min[k], c[k]);
  }
  const int32_t al = alpha_of(p);
  s.ab += al * c[0];
  s.ag += al * c[1];
  s.ar += al * c[2];
  s.alpha += al;
}

void merge(WindowStats& s, const WindowStats& o) {
  for (int k = 0; k < 3; ++k) {
    s.max[k] = std::max(s.max[k], o.max[k]);
    s.min[k] = std::min(s.min[k], o.min[k]);
  }
  s.ab += o.ab;
  s.ag += o.ag;
  s.ar += o.ar;
  s.alpha += o.alpha;
}

constexpr WindowStats kEmpty{{0, 0, 0}, {255, 255, 255}, 0, 0, 0, 0};

int spread(const WindowStats& s) {
  return (s.max[0] + s.max[1] + s.max[2]) - (s.min[0] + s.min[1] + s.min[2]);
}

}  // namespace

bool oil_paint(const FilterArgs& args) {
  const int a = std::clamp(args.values.numeric[0], 0, 8);  // the dialog's range
  const LayerImage& src = args.src;
  const Rect r = args.rect;
  // Window corners x0 run from r.x − a to r.right() − 1; columns to r.right() − 1 + a.
  const int first_col = r.x - a, cols = r.w + 2 * a, windows = r.w + a;
  std::vector<WindowStats> column(static_cast<size_t>(cols));
  // Window rows y0 = y − a … y, ring-indexed by y0 mod (a + 1).
  std::vector<WindowStats> ring(size_t(a + 1) * size_t(windows));
  auto window_row = [&](int y0) { return ring.data() + size_t(((y0 % (a + 1)) + (a + 1)) % (a + 1)) * windows; };

  auto fill_window_row = [&](int y0) {
    for (int c = 0; c < cols; ++c) {
      const int x = std::clamp(first_col + c, 0, src.width() - 1);
      WindowStats s = kEmpty;
      for (int k = 0; k <= a; ++k) add_pixel(s, src.row(std::clamp(y0 + k, 0, src.height() - 1))[x]);
      column[size_t(c)] = s;
    }
    WindowStats* out = window_row(y0);
    for (int w = 0; w < windows; ++w) {
      WindowStats s = column[size_t(w)];
      for (int k = 1; k <= a; ++k) merge(s, column[size_t(w + k)]);
      out[w] = s;
    }
  };

  for (int y0 = r.y - a; y0 < r.y; ++y0) fill_window_row(y0);
  const int64_t samples = int64_t(a + 1) * (a + 1);
  progress_range(args.progress, r.h);
  for (int y = r.y; y < r.bottom(); ++y) {
    fill_window_row(y);
    const WindowStats* above = window_row(y - a);
    const WindowStats* below = window_row(y);
    Pixel* out = args.dst.row(y);
    for (int i = 0; i < r.w; ++i) {
      // Window index w = x0 − first window corner: x − a → i, x → i + a.
      const WindowStats* candidates[4] = {&above[i], &above[i + a], &below[i + a], &below[i]};
      const WindowStats* best = candidates[0];
      int best_spread = spread(*best);
      for (int k = 1; k < 4; ++k) {
        const int s = spread(*candidates[k]);
        if (s < best_spread) {
          best_spread = s;
          best = candidates[k];
        }
      }
      AlphaSums sums;
      sums.ab = best->ab;
      sums.ag = best->ag;
      sums.ar = best->ar;
      sums.a = best->alpha;
      out[r.x + i] = average_output(sums, samples);
    }
    progress_step(args.progress);
  }
  return true;
}

}  // namespace qm::filters
