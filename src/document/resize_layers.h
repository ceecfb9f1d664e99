#pragma once
// Resizing the whole image: every layer resampled to the new canvas size, all
// or nothing.
#include <functional>
#include <vector>

#include "core/resample.h"
#include "document/document.h"

namespace qm {

struct ResizeLayersResult {
  bool done = false;           // the canvas now has the new size
  bool undo_lost = false;      // done, but its undo step could not be stored
  bool out_of_memory = false;  // nothing changed: memory for a raster was short
  explicit operator bool() const { return done; }
};

// Reports progress after each layer: `done` of `total` layers resampled.
// May be called from the worker thread that runs the resize.
using LayerProgress = std::function<void(int done, int total)>;

// Resamples every layer to width × height (1 … 4500 each) with `method` into
// new rasters, and only when all of them (and the new work rasters) could be
// made swaps them in, records the step when asked and recomposites. Otherwise
// nothing changes: `out_of_memory` tells the caller to report the failed
// allocation. Not done, without a step, for an empty document, a refused size
// or the current size.
ResizeLayersResult resize_layers(Document& doc, int width, int height, ResampleMethod method,
                                 bool record, const LayerProgress& progress = {});

// The common end of every all-layers change: records the step when asked
// (while the layers still hold the old image), swaps in one new raster per
// layer (top first) at width × height with new work rasters, recomposites.
// Sets `out_of_memory` and changes nothing when the work rasters are refused.
ResizeLayersResult install_layer_rasters(Document& doc, int width, int height,
                                         std::vector<LayerImage> rasters, bool record);

namespace detail {
// Test hook: asked before the new raster of each layer (top first) is made;
// false makes that allocation fail as if memory were short.
using LayerAllocationProbe = std::function<bool(int layer_index)>;
ResizeLayersResult resize_layers(Document& doc, int width, int height, ResampleMethod method,
                                 bool record, const LayerProgress& progress,
                                 const LayerAllocationProbe& probe);
}  // namespace detail

}  // namespace qm
