#pragma once
// Where each pixel falls along a gradient dragged from A to B: a table index
// (0 … 511), or "skip". Shapes follow the tool's draw type.
#include <cstdint>

#include "paint/point.h"

namespace qm {

enum class GradientShape : uint8_t { Linear, Rectangular, Circular, Conical };

// Rectangle draw types (2, 3) give the rectangular gradient, ellipse draw
// types (4, 5) the circular one, concentrated lines (7) the conical one.
GradientShape gradient_shape_for_draw_type(int draw_type);

struct GradientGeometry {
  GradientShape shape = GradientShape::Linear;
  IntPoint a, b;
  bool limit = false;   // only within the dragged length
  bool repeat = false;  // wrap beyond the ends instead of holding them
};

inline constexpr int kGradientSkip = -1;

// Whether the geometry draws anything at all.
bool gradient_draws(const GradientGeometry& g);
// The raw index of pixel (x, y) before the ends are handled; kGradientSkip for
// pixels the conical limit leaves out.
int64_t gradient_raw_index(const GradientGeometry& g, int x, int y);
// The table index of pixel (x, y), or kGradientSkip.
int gradient_index(const GradientGeometry& g, int x, int y);
// v mod 512 in 0 … 511, negative v included.
constexpr int wrap_index(int64_t v) { return int(((v % 512) + 512) % 512); }

}  // namespace qm
