#pragma once
// Where things are in the layer list: 35-pixel rows from the top row down,
// the visibility box at x 40–52 and the fill-reference box at 55–67, both
// at y 19–31 of a row.
namespace qm {

inline constexpr int kLayerRowHeight = 35;

enum class LayerHitKind { kNone, kVisibility, kFillReference, kRow };

struct LayerHit {
  LayerHitKind kind = LayerHitKind::kNone;
  int index = -1;
};

// A press at (x, y) of the list. Below the last row nothing is hit: no box,
// no row.
LayerHit hit_test_layer_list(int x, int y, int top_row, int count);

// The insertion index while dragging the current layer with the pointer at
// y: the row's upper or lower half decides, except on the dragged row itself.
int layer_drag_target(int y, int top_row, int current, int count);

}  // namespace qm
