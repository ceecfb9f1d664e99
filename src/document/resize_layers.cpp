// Resizing every layer of the document as one step.
#include "document/resize_layers.h"

#include <utility>
#include <vector>

namespace qm {

namespace detail {

ResizeLayersResult resize_layers(Document& doc, int width, int height, ResampleMethod method,
                                 bool record, const LayerProgress& progress,
                                 const LayerAllocationProbe& probe) {
  ResizeLayersResult result;
  if (doc.width() <= 0 || doc.layer_count() == 0) return result;
  if (width < 1 || height < 1 || width > kMaxCanvasSide || height > kMaxCanvasSide) return result;
  if (width == doc.width() && height == doc.height()) return result;

  // Every new raster exists before any layer is touched; the old ones stay
  // in place until the swap.
  const int count = doc.layer_count();
  std::vector<LayerImage> rasters(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    if ((probe && !probe(i)) ||
        !resample(doc.layer_at(i)->image, rasters[size_t(i)], width, height, method)) {
      result.out_of_memory = true;
      return result;
    }
    if (progress) progress(i + 1, count);
  }
  return install_layer_rasters(doc, width, height, std::move(rasters), record);
}

}  // namespace detail

ResizeLayersResult install_layer_rasters(Document& doc, int width, int height,
                                         std::vector<LayerImage> rasters, bool record) {
  ResizeLayersResult result;
  // The step is recorded while the layers still hold the old image. Should
  // the work rasters then be refused, the step describes the unchanged image,
  // so undoing it is harmless.
  result.undo_lost = record && !doc.undo_recorder().record_all_layers(doc);
  if (!doc.replace_all_rasters(width, height, std::move(rasters))) {
    result.out_of_memory = true;
    return result;
  }
  doc.composite_all();
  result.done = true;
  return result;
}

ResizeLayersResult resize_layers(Document& doc, int width, int height, ResampleMethod method,
                                 bool record, const LayerProgress& progress) {
  return detail::resize_layers(doc, width, height, method, record, progress, {});
}

}  // namespace qm
