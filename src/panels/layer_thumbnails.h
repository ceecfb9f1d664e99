#pragma once
// Layer thumbnails for the layer list: each layer scaled to fit 33 × 29 by
// point sampling (a 4000 × 4000 layer costs under a thousand reads), laid
// over the grey checker. Comparing a fresh sample with the kept one tells
// which rows need redrawing, so only changed layers are repainted.
#include <cstdint>
#include <vector>

#include "core/layer_image.h"

namespace qm {

inline constexpr int kThumbBoxW = 33;
inline constexpr int kThumbBoxH = 29;

struct ThumbSize {
  int w = 0;
  int h = 0;
};

// Fits width × height into the box keeping the aspect ratio; never a zero
// side for a non-empty image.
ThumbSize thumbnail_size(int width, int height);

struct Thumbnail {
  int w = 0;
  int h = 0;
  std::vector<uint32_t> pixels;  // 0xFFRRGGBB, over the checker
  bool operator==(const Thumbnail&) const = default;
};

// Samples `image` into `out`; true when the result differs from what `out`
// held before.
bool build_thumbnail(const LayerImage& image, Thumbnail& out);

}  // namespace qm
