// Scratch: for every pixel position a short line of a random nearby source
// colour is drawn at the given angle into a copy of the rectangle.
#include <cmath>
#include <vector>

#include "filters/distort_common.h"
#include "filters/distort_filters.h"
#include "filters/filter_bands.h"
#include "paint/dot_line.h"
#include "paint/random.h"

namespace qm::filters {

bool scratch(const FilterArgs& a) {
  const int len = std::clamp(a.values.numeric[0], 1, 4096);
  const double theta = (a.values.numeric[1] + 180) * 0.017453292519943295;
  const int cq = int(std::cos(theta) * 1024), sq = int(std::sin(theta) * 1024);
  // Arithmetic shifts: negative products round toward minus infinity.
  const int ex = (len * cq) >> 10, ey = (len * sq) >> 10;
  const Rect r = a.rect;

  LayerImage work;
  if (!temporary_allowed(int64_t{r.w} * r.h * 4) || !work.create(r.w, r.h)) return false;
  work.blit_from(0, 0, r.w, r.h, a.src, r.x, r.y);

  // Every scratch is the same Bresenham line (end point excluded), moved.
  std::vector<IntPoint> line;
  walk_dot_line({0, 0}, {ex, ey}, false, [&](int px, int py) {
    if (px != ex || py != ey) line.push_back({px, py});
  });
  const int lo_x = std::min(0, ex), hi_x = std::max(0, ex), lo_y = std::min(0, ey), hi_y = std::max(0, ey);

  std::mt19937& rng = shared_random();
  const unsigned uw = unsigned(r.w), span = unsigned(4 * len);
  progress_range(a.progress, r.h);
  for (int y = r.y; y < r.bottom(); ++y) {
    for (int x = r.x; x < r.right(); ++x) {
      const int g = int(rng() % uw);
      const int v = int(rng() % span) + y - 2 * len;
      const Pixel colour = clamped_pixel(a.src, r.x + g, v);
      const int fx = g - ex / 2, fy = v - r.y - ey / 2;
      if (fx + lo_x >= 0 && fy + lo_y >= 0 && fx + hi_x < r.w && fy + hi_y < r.h) {
        for (const IntPoint& q : line) work.row(fy + q.y)[fx + q.x] = colour;
      } else {
        for (const IntPoint& q : line) {
          const int px = fx + q.x, py = fy + q.y;
          if (px >= 0 && py >= 0 && px < r.w && py < r.h) work.row(py)[px] = colour;
        }
      }
    }
    progress_step(a.progress);
  }
  a.dst.blit_from(r.x, r.y, r.w, r.h, work, 0, 0);
  return true;
}

}  // namespace qm::filters
