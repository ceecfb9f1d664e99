#pragma once
// Watercolour mixing: the brush carries a running colour that picks up the
// colour under each dab and drifts back toward the drawing colour.
#include <cstdint>

#include "core/layer_image.h"

namespace qm {

// The colour of the layer under a dab: the alpha-weighted mean of the pixels
// whose centres lie within `radius` of (x, y), laid over white by their mean
// alpha; pixels that are transparent under mask modes 1 or 3 are left out.
// False when no pixel counts.
bool sample_under_dab(const LayerImage& layer, double x, double y, double radius, int mask_mode,
                      uint32_t& colour);

class WatercolourMix {
 public:
  // At the stroke's first point: the running colour starts 60 % of the way
  // from the drawing colour to the layer's colour under a dab of `max_size`.
  void start(const LayerImage& layer, double x, double y, int max_size, uint32_t colour,
             double pick_up, double return_rate, int mask_mode);
  // Before each dab of `size` at (x, y): mixes and returns the dab's colour.
  uint32_t next(const LayerImage& layer, double x, double y, double size);

 private:
  double mix_[3] = {0, 0, 0};    // running colour r, g, b
  double brush_[3] = {0, 0, 0};  // drawing colour r, g, b
  double pick_up_ = 0, return_rate_ = 0;
  int mask_mode_ = 0;
};

}  // namespace qm
