#pragma once
// Brush shapes. The anti-aliased shapes are 100 × 100 maps of coverage
// (0 … 255) that a dab of any size scales onto its pixels; the dot shapes are
// n × n masks stamped pixel for pixel by the pixel-line tools.
#include <cstdint>
#include <vector>

#include "paint/tool_table.h"

namespace qm {

inline constexpr int kShapeSide = 100;
// Largest side of a dot shape.
inline constexpr int kMaxDotSize = 100;

// Rows of the 16-bit copy are padded to a whole number of SIMD lanes.
inline constexpr int kShapeStride = 104;

struct ShapeMap {
  uint8_t cells[kShapeSide * kShapeSide];  // row-major, [row * 100 + column]
  // The same values widened to 16 bits, rows kShapeStride apart, padding 0:
  // the dab rasteriser's weighted row sums run over whole rows of these.
  alignas(16) uint16_t wide[kShapeSide * kShapeStride];
};
// Fills `wide` from `cells`.
void widen_shape(ShapeMap& map);

// Built once on first use and shared (safe from several threads).
const ShapeMap& hard_disc_map();
const ShapeMap& soft_disc_map();  // edge 64, centre 255: the pen's soft tip
const ShapeMap& cone_map(int peak);  // 196 (brush, brush eraser) or 128 (dodge, burn)

// The builders behind the shared maps (exposed for tests).
ShapeMap make_hard_disc();
ShapeMap make_soft_disc(int edge, int centre);
ShapeMap make_cone(int peak);

struct DotShape {
  int size = 0;               // n: the mask is n × n
  std::vector<uint8_t> bits;  // 255 set, 0 clear; row-major
  bool at(int x, int y) const { return bits[size_t(y) * size_t(size) + size_t(x)] != 0; }
};

// The n × n mask of a dot shape; n is cut to 1 … kMaxDotSize, an unknown
// kind draws the circle.
DotShape make_dot_shape(DotShapeKind kind, int n);

// Half-widths of the midpoint circle of radius r: result[v] is the largest
// offset set in the row v away from the centre (v = 0 … r). Shared by the dot
// circle and the pixel-line tools' ellipses.
std::vector<int> midpoint_circle_extents(int r);

}  // namespace qm
