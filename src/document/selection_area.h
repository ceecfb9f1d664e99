#pragma once
// What commands that change pixels ask of the selection: its bounding
// rectangle while one exists. The selection implements this; without one
// (or before any selection exists) the target is the whole canvas.
#include <optional>

#include "core/rect.h"

namespace qm {

class SelectionArea {
 public:
  virtual ~SelectionArea() = default;
  // The selection's bounding rectangle (x, y, width, height) in canvas
  // pixels; nothing when there is no selection.
  virtual std::optional<Rect> selection_rect() const = 0;
};

}  // namespace qm
