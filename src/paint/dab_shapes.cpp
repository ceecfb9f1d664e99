#include "paint/dab_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qm {
namespace {

// The maps' centre and radius, 49.5 cells, in the units each builder samples in.
constexpr int64_t kCentre256 = 12672;          // 49.5 × 256
constexpr int64_t kCentre64 = 3168;            // 49.5 × 64
constexpr int64_t kRadius64Squared = 10036224;  // 3168²
constexpr double kRadiusCells = 49.5;

}  // namespace

void widen_shape(ShapeMap& map) {
  for (int row = 0; row < kShapeSide; ++row)
    for (int col = 0; col < kShapeStride; ++col)
      map.wide[row * kShapeStride + col] = col < kShapeSide ? map.cells[row * kShapeSide + col] : 0;
}

ShapeMap make_hard_disc() {
  static constexpr int kOffsets[5] = {0, 51, 102, 153, 204};  // 1/256 cell
  ShapeMap map{};
  for (int row = 0; row < kShapeSide; ++row)
    for (int col = 0; col < kShapeSide; ++col) {
      int inside = 0;
      for (int oy : kOffsets)
        for (int ox : kOffsets) {
          const int64_t dx = int64_t{col} * 256 + ox - kCentre256;
          const int64_t dy = int64_t{row} * 256 + oy - kCentre256;
          if (dx * dx + dy * dy < kCentre256 * kCentre256) ++inside;
        }
      map.cells[row * kShapeSide + col] = uint8_t(inside * 255 / 25);
    }
  widen_shape(map);
  return map;
}

ShapeMap make_soft_disc(int edge, int centre) {
  static constexpr int kOffsets[5] = {0, 12, 25, 38, 51};  // 1/64 cell
  ShapeMap map{};
  for (int row = 0; row < kShapeSide; ++row)
    for (int col = 0; col < kShapeSide; ++col) {
      int64_t sum = 0;
      for (int oy : kOffsets)
        for (int ox : kOffsets) {
          const int64_t dx = int64_t{col} * 64 + ox - kCentre64;
          const int64_t dy = int64_t{row} * 64 + oy - kCentre64;
          const int64_t d2 = dx * dx + dy * dy;
          if (d2 < kRadius64Squared)
            sum += edge + (kRadius64Squared - d2) * (centre - edge) / kRadius64Squared;
        }
      map.cells[row * kShapeSide + col] = uint8_t(sum / 25);
    }
  widen_shape(map);
  return map;
}

ShapeMap make_cone(int peak) {
  ShapeMap map{};
  for (int row = 0; row < kShapeSide; ++row)
    for (int col = 0; col < kShapeSide; ++col) {
      const double dx = col - kRadiusCells, dy = row - kRadiusCells;
      const double d = std::sqrt(dx * dx + dy * dy);
      const int value = d > kRadiusCells ? 0 : peak - int(d * peak / kRadiusCells);
      map.cells[row * kShapeSide + col] = uint8_t(std::clamp(value, 0, 255));
    }
  widen_shape(map);
  return map;
}

const ShapeMap& hard_disc_map() {
  static const ShapeMap map = make_hard_disc();
  return map;
}

const ShapeMap& soft_disc_map() {
  static const ShapeMap map = make_soft_disc(64, 255);
  return map;
}

const ShapeMap& cone_map(int peak) {
  static const ShapeMap cone196 = make_cone(196);
  static const ShapeMap cone128 = make_cone(128);
  return peak == 128 ? cone128 : cone196;
}

std::vector<int> midpoint_circle_extents(int r) {
  r = std::max(r, 0);
  std::vector<int> ext(size_t(r) + 1, 0);
  int x = r, y = 0, d = 1 - r;
  while (x >= y) {
    ext[size_t(y)] = std::max(ext[size_t(y)], x);
    ext[size_t(x)] = std::max(ext[size_t(x)], y);
    ++y;
    if (d < 0) {
      d += 2 * y + 1;
    } else {
      --x;
      d += 2 * (y - x) + 1;
    }
  }
  return ext;
}

DotShape make_dot_shape(DotShapeKind kind, int n) {
  n = std::clamp(n, 1, kMaxDotSize);
  DotShape shape;
  shape.size = n;
  shape.bits.assign(size_t(n) * size_t(n), 0);
  auto set = [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < n && y < n) shape.bits[size_t(y) * size_t(n) + size_t(x)] = 255;
  };
  auto span = [&](int y, int x0, int x1) {
    for (int x = x0; x <= x1; ++x) set(x, y);
  };
  const int mid = n / 2;
  switch (kind) {
    case DotShapeKind::Square:
      for (int y = 0; y < n; ++y) span(y, 0, n - 1);
      break;
    case DotShapeKind::Diamond:
      for (int y = 0; y < n; ++y) {
        const int half = std::min(y, n - 1 - y);
        span(y, (n - 1) / 2 - half, n / 2 + half);
      }
      break;
    case DotShapeKind::HorizontalBar:
      span(mid, 0, n - 1);
      break;
    case DotShapeKind::VerticalBar:
      for (int y = 0; y < n; ++y) set(mid, y);
      break;
    case DotShapeKind::Slash:
      for (int y = 0; y < n; ++y) set(n - 1 - y, y);
      break;
    case DotShapeKind::Backslash:
      for (int y = 0; y < n; ++y) set(y, y);
      break;
    case DotShapeKind::Cross:
      for (int y = 0; y < n; ++y) {
        set(y, y);
        set(n - 1 - y, y);
      }
      break;
    case DotShapeKind::Plus:
    case DotShapeKind::Sparkle:
      span(mid, 0, n - 1);
      for (int y = 0; y < n; ++y) set(mid, y);
      if (kind == DotShapeKind::Sparkle)
        for (int k = 1; k <= n / 3; ++k) {
          set(mid + k, mid + k);
          set(mid - k, mid - k);
          set(mid + k, mid - k);
          set(mid - k, mid + k);
        }
      break;
    case DotShapeKind::Circle:
    default: {
      // Odd sizes centre on a pixel; even ones between two, the right and
      // lower half mirrored one pixel further.
      const int r = (n - 1) / 2, extra = (n - 1) % 2;
      const std::vector<int> ext = midpoint_circle_extents(r);
      for (int v = 0; v <= r; ++v) {
        const int half = ext[size_t(v)];
        span(r - v, r - half, r + extra + half);
        span(r + extra + v, r - half, r + extra + half);
      }
      break;
    }
  }
  return shape;
}

}  // namespace qm
