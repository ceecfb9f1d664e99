// Changing the canvas size of every layer as one step.
#include "document/canvas_resize.h"

#include <utility>
#include <vector>

namespace qm {

Pixel canvas_fill_pixel(CanvasFill fill, Pixel drawing_colour) {
  switch (fill) {
    case CanvasFill::White: return kOpaqueWhite;
    case CanvasFill::DrawingColour: return drawing_colour | 0xFF000000u;
    case CanvasFill::Transparent: break;
  }
  return kTransparent;
}

int canvas_anchor_offset(int old_size, int new_size, int anchor) {
  if (anchor <= 0) return 0;
  if (anchor == 1) return (new_size - old_size) / 2;
  return new_size - old_size;
}

namespace detail {

ResizeLayersResult resize_canvas(Document& doc, int width, int height, CanvasAnchor anchor,
                                 Pixel fill, bool record, const LayerAllocationProbe& probe) {
  ResizeLayersResult result;
  if (doc.width() <= 0 || doc.layer_count() == 0) return result;
  if (width < 1 || height < 1 || width > kMaxCanvasSide || height > kMaxCanvasSide) return result;
  if (width == doc.width() && height == doc.height()) return result;
  if (anchor.index < 0 || anchor.index > 8) anchor.index = 0;

  const int dx = canvas_anchor_offset(doc.width(), width, anchor.horizontal());
  const int dy = canvas_anchor_offset(doc.height(), height, anchor.vertical());
  const int count = doc.layer_count();
  std::vector<LayerImage> rasters(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    LayerImage& made = rasters[size_t(i)];
    if ((probe && !probe(i)) || !made.create_canvas(width, height)) {
      result.out_of_memory = true;
      return result;
    }
    made.fill(fill);
    const LayerImage& old = doc.layer_at(i)->image;
    made.blit_from(dx, dy, old.width(), old.height(), old, 0, 0);
  }
  return install_layer_rasters(doc, width, height, std::move(rasters), record);
}

}  // namespace detail

ResizeLayersResult resize_canvas(Document& doc, int width, int height, CanvasAnchor anchor,
                                 Pixel fill, bool record) {
  return detail::resize_canvas(doc, width, height, anchor, fill, record, {});
}

}  // namespace qm
