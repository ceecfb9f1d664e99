#include "app/layer_nudge.h"

#include <cstring>

#include "document/document.h"

namespace qm {

Rect nudge_current_layer(Document& doc, int dx, int dy, bool* undo_lost) {
  Layer* layer = doc.current();
  if (!layer || (dx == 0 && dy == 0)) return {};
  const bool recorded = doc.undo_recorder().record_layer(doc);
  if (undo_lost) *undo_lost = !recorded;
  LayerImage& image = layer->image;
  const int w = image.width(), h = image.height();
  // Rows in the order that never reads a row already written.
  for (int i = 0; i < h; ++i) {
    const int y = dy > 0 ? h - 1 - i : i;
    Pixel* row = image.row(y);
    const int from_y = y - dy;
    if (from_y < 0 || from_y >= h) {
      for (int x = 0; x < w; ++x) row[x] = kTransparent;
      continue;
    }
    const Pixel* from = image.row(from_y);
    if (dx == 0) {
      if (from != row) std::memcpy(row, from, size_t(w) * sizeof(Pixel));
    } else if (dx > 0) {
      std::memmove(row + 1, from, size_t(w - 1) * sizeof(Pixel));
      row[0] = kTransparent;
    } else {
      std::memmove(row, from + 1, size_t(w - 1) * sizeof(Pixel));
      row[w - 1] = kTransparent;
    }
  }
  return doc.bounds();
}

}  // namespace qm
