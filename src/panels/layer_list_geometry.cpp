#include "panels/layer_list_geometry.h"

#include <algorithm>

namespace qm {

namespace {

// Rows above the list (a drag past its top) count as negative.
int floor_div(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

LayerHit hit_test_layer_list(int x, int y, int top_row, int count) {
  if (y < 0) return {};
  const int row = top_row + y / kLayerRowHeight;
  if (row < 0 || row >= count) return {};
  const int in_row = y % kLayerRowHeight;
  if (in_row >= 19 && in_row < 32) {
    if (x >= 40 && x <= 52) return {LayerHitKind::kVisibility, row};
    if (x >= 55 && x <= 67) return {LayerHitKind::kFillReference, row};
  }
  return {LayerHitKind::kRow, row};
}

int layer_drag_target(int y, int top_row, int current, int count) {
  const int b = top_row + floor_div(y, kLayerRowHeight);
  const int bias = b == current ? 0 : (b < current ? 17 : -17);
  int t = top_row + floor_div(y + bias, kLayerRowHeight);
  if (t > current) ++t;
  return std::clamp(t, 0, count);
}

}  // namespace qm
