#pragma once
// Seeded inputs shared by the benchmarks and bench/compare/, so the peer
// programs there work on the very same pictures, paths and dab positions.
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "core/layer_image.h"
#include "paint/point.h"

namespace qm::bench {

constexpr int kMazeSide = 4000;
constexpr int kMazeCell = 4;  // 3 pixels of corridor and 1 of wall
constexpr Pixel kMazeWall = 0xFF000000;

// A perfect maze from a randomised depth-first walk over the cells: one
// connected passage of about 12 megapixels through a kMazeSide² raster.
inline void draw_maze(LayerImage& img) {
  img.fill(kMazeWall);
  const int cells = kMazeSide / kMazeCell;
  std::vector<uint8_t> seen(size_t(cells) * cells, 0);
  std::mt19937 rng(5);
  auto open = [&](int cx, int cy) {
    img.fill_rect(cx * kMazeCell + 1, cy * kMazeCell + 1, kMazeCell - 1, kMazeCell - 1, kTransparent);
  };
  std::vector<std::pair<int, int>> stack{{0, 0}};
  seen[0] = 1;
  open(0, 0);
  const int dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  while (!stack.empty()) {
    const auto [cx, cy] = stack.back();
    int options[4], n = 0;
    for (int d = 0; d < 4; ++d) {
      const int nx = cx + dirs[d][0], ny = cy + dirs[d][1];
      if (nx >= 0 && ny >= 0 && nx < cells && ny < cells && !seen[size_t(ny) * cells + size_t(nx)]) options[n++] = d;
    }
    if (n == 0) {
      stack.pop_back();
      continue;
    }
    const int d = options[rng() % unsigned(n)];
    const int nx = cx + dirs[d][0], ny = cy + dirs[d][1];
    seen[size_t(ny) * cells + size_t(nx)] = 1;
    open(nx, ny);
    // The wall between the two cells.
    const int wx = dirs[d][0] == 1 ? nx * kMazeCell : dirs[d][0] == -1 ? cx * kMazeCell : cx * kMazeCell + 1;
    const int wy = dirs[d][1] == 1 ? ny * kMazeCell : dirs[d][1] == -1 ? cy * kMazeCell : cy * kMazeCell + 1;
    if (dirs[d][0] != 0)
      img.fill_rect(wx, wy + 1, 1, kMazeCell - 1, kTransparent);
    else
      img.fill_rect(wx, wy, kMazeCell - 1, 1, kTransparent);
    stack.push_back({nx, ny});
  }
}

struct StrokeEvent {
  double x, y, pressure;
};

// A freehand stroke of 90,440 pointer events over a 4000² canvas: a seeded
// wandering path, 0.5 – 3 pixels between events, pressure varying slowly.
inline std::vector<StrokeEvent> stroke_events() {
  std::mt19937 rng(23);
  std::uniform_real_distribution<double> turn(-0.12, 0.12), step(0.5, 3.0);
  std::vector<StrokeEvent> out(90440);
  double x = 2000, y = 2000, heading = 0.3;
  for (size_t i = 0; i < out.size(); ++i) {
    heading += turn(rng);
    x += step(rng) * std::cos(heading);
    y += step(rng) * std::sin(heading);
    if (x < 40 || x > 3960 || y < 40 || y > 3960) {
      heading += 3.14159;
      x = std::clamp(x, 40.0, 3960.0);
      y = std::clamp(y, 40.0, 3960.0);
    }
    out[i] = {x, y, 0.55 + 0.4 * std::sin(double(i) * 0.002)};
  }
  return out;
}

// Dab centres along the same path, 2 pixels apart (a tenth of size 20).
inline std::vector<PointF> stroke_dab_positions() {
  const std::vector<StrokeEvent> ev = stroke_events();
  std::vector<PointF> out;
  double carry = 0;
  for (size_t i = 1; i < ev.size(); ++i) {
    const double dx = ev[i].x - ev[i - 1].x, dy = ev[i].y - ev[i - 1].y, len = std::hypot(dx, dy);
    double t = carry;
    for (; t < len; t += 2.0) out.push_back({ev[i - 1].x + dx * t / len, ev[i - 1].y + dy * t / len});
    carry = t - len;
  }
  return out;
}

}  // namespace qm::bench
