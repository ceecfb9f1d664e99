#pragma once
// The small flattened picture stored in native documents.
#include "core/layer_image.h"

namespace qm {

inline constexpr int kThumbnailBox = 90;

struct ThumbnailSize {
  int width = 0;
  int height = 0;
};

// A picture that fits 90 × 90 keeps its size; otherwise the longer side
// becomes 90 and the other is scaled and rounded half up (never below 1).
ThumbnailSize native_thumbnail_size(int width, int height);

// Area-average stretch of `src` into all of `dst` (both non-empty): each
// destination pixel takes the rounded mean of the B, G, R bytes of the source
// pixels its area covers; the fourth byte is set to 255.
void box_stretch(const LayerImage& src, LayerImage& dst);

}  // namespace qm
