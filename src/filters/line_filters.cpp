// Lines From Brightness and One-Pixel Line Correction: filters of line art.
#include <algorithm>

#include "filters/blur_filters.h"
#include "filters/filter_algorithm.h"
#include "filters/filter_helpers.h"

namespace qm::filters {

bool lines_from_brightness(const FilterArgs& args) {
  const Rect rect = args.rect;
  for (int y = rect.y; y < rect.bottom(); ++y) {
    const Pixel* in = args.src.row(y);
    Pixel* out = args.dst.row(y);
    for (int x = rect.x; x < rect.right(); ++x) {
      const Pixel p = in[x];
      if (alpha_of(p) == 0) {
        out[x] = p;
        continue;
      }
      const int lum = luma(p);
      out[x] = lum == 255 ? kTransparent : make_pixel(uint32_t(255 - lum), 0, 0, 0);
    }
  }
  return true;
}

namespace {

// The eight symmetries of the square, as (x, y) → (a·x + b·y, c·x + d·y).
constexpr int kSymmetries[8][4] = {{1, 0, 0, 1},  {0, -1, 1, 0}, {-1, 0, 0, -1}, {0, 1, -1, 0},
                                   {-1, 0, 0, 1}, {0, 1, 1, 0},  {1, 0, 0, -1},  {0, -1, -1, 0}};

struct Offset {
  int dx, dy;
};

Offset turn(const int m[4], Offset o) { return {m[0] * o.dx + m[1] * o.dy, m[2] * o.dx + m[3] * o.dy}; }

// The stair step around an off centre, in its first orientation:
//   X X .      the horizontal pair above and the vertical pair to the right,
//   . c X      with the cells that would lengthen either pair ((−2, −1) and
//   . . X      (1, 2)) off. The centre takes the colour of (0, −1); (0, −1)
// and (1, 0) are cleared, leaving the diagonal (−1, −1), centre, (1, 1).
constexpr Offset kStair[4] = {{-1, -1}, {0, -1}, {1, 0}, {1, 1}};
constexpr Offset kBeyond[2] = {{-2, -1}, {1, 2}};
constexpr Offset kGiver = {0, -1};
constexpr Offset kCleared[2] = {{0, -1}, {1, 0}};

void thin_corners(LayerImage& img, Rect rect, ProgressSink* progress) {
  auto on = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < img.width() && y < img.height() && alpha_of(img.row(y)[x]) != 0;
  };
  for (int y = rect.y; y < rect.bottom(); ++y) {
    for (int x = rect.x; x < rect.right(); ++x) {
      if (!on(x, y)) continue;
      const bool l = on(x - 1, y), r = on(x + 1, y), u = on(x, y - 1), d = on(x, y + 1);
      if (l == r || u == d) continue;
      // An L corner: one horizontal neighbour hx, one vertical neighbour vy.
      const int hx = r ? 1 : -1, vy = d ? 1 : -1;
      int diagonals = 0;
      bool touches_one = false;
      for (int dy : {-1, 1})
        for (int dx : {-1, 1}) {
          if (!on(x + dx, y + dy)) continue;
          ++diagonals;
          touches_one = (dx == hx) != (dy == vy);
        }
      if (diagonals == 0 || (diagonals == 1 && touches_one)) img.row(y)[x] = kTransparent;
    }
    progress_step(progress);
  }
}

void straighten_steps(LayerImage& img, Rect rect, ProgressSink* progress) {
  auto on = [&](int x, int y) { return rect.contains(x, y) && alpha_of(img.row(y)[x]) != 0; };
  for (int y = rect.y; y < rect.bottom(); ++y) {
    for (int x = rect.x; x < rect.right(); ++x) {
      if (on(x, y)) continue;
      int around = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) around += on(x + dx, y + dy);
      if (around != 4) continue;
      for (const auto& m : kSymmetries) {
        bool match = true;
        for (Offset o : kStair) match = match && on(x + turn(m, o).dx, y + turn(m, o).dy);
        for (Offset o : kBeyond) match = match && !on(x + turn(m, o).dx, y + turn(m, o).dy);
        if (!match) continue;
        const Offset g = turn(m, kGiver);
        img.row(y)[x] = img.row(y + g.dy)[x + g.dx];
        for (Offset o : kCleared) {
          const Offset c = turn(m, o);
          img.row(y + c.dy)[x + c.dx] = kTransparent;
        }
        break;
      }
    }
    progress_step(progress);
  }
}

}  // namespace

bool one_pixel_line_correction(const FilterArgs& args) {
  const Rect rect = args.rect;
  if (&args.dst != &args.src) args.dst.blit_from(rect.x, rect.y, rect.w, rect.h, args.src, rect.x, rect.y);
  progress_range(args.progress, 2 * int64_t{rect.h});
  thin_corners(args.dst, rect, args.progress);
  straighten_steps(args.dst, rect, args.progress);
  return true;
}

}  // namespace qm::filters
