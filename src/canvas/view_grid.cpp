#include "canvas/view_grid.h"

#include <algorithm>
#include <vector>

namespace qm {

namespace {

enum class LineKind { kEvery, kGrid, kCentre };

struct Lines {
  std::vector<int> xs, ys;  // window columns and rows inside the clip
};

// Image pixels whose block may start inside [lo, hi) of the window along one
// axis; generous by one on each side, the exact test follows.
void index_range(int lo, int hi, int origin, int scale, int count, int& first, int& last) {
  first = std::max(int((int64_t{lo} - origin) * 100 / scale) - 1, 0);
  last = std::min(int((int64_t{hi} - origin) * 100 / scale) + 1, count - 1);
}

// Whether the line kind runs at display index d (pixels counted on screen
// from the image's left or top edge) of an axis of `count` pixels, and
// `mirrored` when the screen shows that axis right to left.
bool wanted(LineKind kind, int d, int count, int cell, bool mirrored) {
  switch (kind) {
    case LineKind::kEvery: return d >= 1;
    case LineKind::kGrid: {
      // Boundary b lies between image pixels b - 1 and b.
      const int b = mirrored ? count - d : d;
      return b >= 1 && b < count && cell > 0 && b % cell == 0;
    }
    case LineKind::kCentre: return (mirrored ? count - 1 - d : d) == count / 2;
  }
  return false;
}

Lines find_lines(const ViewGeometry& g, Rect clip, LineKind kind, const ViewSettings& s) {
  Lines lines;
  int first, last;
  // Display index d starts its block at origin + d × scale / 100 on screen,
  // mirrored or not.
  index_range(clip.x, clip.right(), g.origin_x(), g.scale, g.image_w, first, last);
  for (int d = first; d <= last; ++d) {
    if (!wanted(kind, d, g.image_w, s.grid_w, g.mirrored)) continue;
    const int x = int(g.origin_x() + int64_t{d} * g.scale / 100);
    if (x >= clip.x && x < clip.right()) lines.xs.push_back(x);
  }
  index_range(clip.y, clip.bottom(), g.origin_y(), g.scale, g.image_h, first, last);
  for (int d = first; d <= last; ++d) {
    if (!wanted(kind, d, g.image_h, s.grid_h, false)) continue;
    const int y = int(g.origin_y() + int64_t{d} * g.scale / 100);
    if (y >= clip.y && y < clip.bottom()) lines.ys.push_back(y);
  }
  return lines;
}

void draw_lines(LayerImage& backing, Rect clip, const Lines& lines, Pixel colour, bool blend) {
  colour &= 0xFFFFFF;
  const Pixel solid = colour | 0xFF000000u;
  auto paint = [&](Pixel& p) { p = blend ? quarter_towards(p, colour) : solid; };
  for (int x : lines.xs)
    for (int y = clip.y; y < clip.bottom(); ++y) paint(backing.row(y)[x]);
  for (int y : lines.ys) {
    Pixel* row = backing.row(y);
    for (int x = clip.x; x < clip.right(); ++x) paint(row[x]);
  }
}

}  // namespace

bool pixel_grid_shown(int scale, int grid_pixel_per) {
  return int64_t{scale} >= int64_t{grid_pixel_per} * 100;
}

void draw_view_grids(LayerImage& backing, const ViewGeometry& g, Rect window,
                     const ViewSettings& settings) {
  if (backing.empty()) return;
  const Rect clip =
      intersect(intersect(intersect(window, g.view_rect()), backing.bounds()), g.image_area());
  if (clip.empty()) return;
  if (pixel_grid_shown(g.scale, settings.grid_pixel_per)) {
    draw_lines(backing, clip, find_lines(g, clip, LineKind::kEvery, settings), kPixelGridColour,
               false);
    if (settings.grid())
      draw_lines(backing, clip, find_lines(g, clip, LineKind::kGrid, settings),
                 kZoomedGridColour, false);
    if (settings.centre_cross())
      draw_lines(backing, clip, find_lines(g, clip, LineKind::kCentre, settings),
                 kZoomedCentreColour, false);
  } else if (settings.grid()) {
    draw_lines(backing, clip, find_lines(g, clip, LineKind::kGrid, settings),
               settings.grid_colour, true);
    if (settings.centre_cross())
      draw_lines(backing, clip, find_lines(g, clip, LineKind::kCentre, settings),
                 settings.centre_grid_colour, true);
  }
}

}  // namespace qm
