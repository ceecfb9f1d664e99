// Resizing a whole raster and scaling a block of a layer.
#include <algorithm>
#include <cstdint>

#include "core/resample.h"
#include "core/resample_internal.h"

namespace qm {

bool resample_method_from_index(int index, ResampleMethod& out) {
  if (index < 0 || index >= kResampleMethodCount) return false;
  out = ResampleMethod(index);
  return true;
}

bool resample(const LayerImage& src, LayerImage& dst, int new_width, int new_height,
              ResampleMethod method) {
  if (&src == &dst) return false;
  const int m = int(method);
  if (src.empty() || m < 0 || m >= kResampleMethodCount || !dst.create(new_width, new_height))
    return false;
  bool ok;
  if (new_width == src.width() && new_height == src.height())
    ok = dst.copy_from(src);
  else if (method == ResampleMethod::Nearest)
    ok = detail::resample_nearest(src, dst);
  else if (method == ResampleMethod::Bilinear)
    ok = detail::resample_bilinear(src, dst);
  else
    ok = detail::resample_separable(src, dst, method);
  if (!ok) dst.destroy();
  return ok;
}

bool resize(LayerImage& image, int new_width, int new_height, ResampleMethod method) {
  if (!image.empty() && new_width == image.width() && new_height == image.height()) return true;
  // The old pixels stay in `image` until the new raster is complete.
  LayerImage resized;
  if (!resample(image, resized, new_width, new_height, method)) return false;
  image = std::move(resized);
  return true;
}

bool scale_area(LayerImage& layer, int x, int y, int w, int h, int new_w, int new_h,
                ResampleMethod method) {
  if (layer.empty() || w <= 0 || h <= 0 || new_w <= 0 || new_h <= 0) return false;
  // Whatever part of the block lies off the layer reads as transparency.
  LayerImage block, scaled;
  if (!block.create(w, h)) return false;
  block.fill(kTransparent);
  block.blit_from(0, 0, w, h, layer, x, y);
  if (!resample(block, scaled, new_w, new_h, method)) return false;

  if (new_w < w || new_h < h) {
    // The old block's area that the new one no longer covers is emptied; the
    // area is cut to the layer (it may reach past its edges).
    const Rect cleared = new_w < w ? Rect{x, y, w, std::max(h, new_h)} : Rect{x, y, new_w, h};
    const Rect inside = intersect(cleared, layer.bounds());
    if (!inside.empty()) layer.fill_rect(inside.x, inside.y, inside.w, inside.h, kTransparent);
  }
  // blit_from cuts the block to the layer on every side.
  layer.blit_from(x, y, new_w, new_h, scaled, 0, 0);
  return true;
}

}  // namespace qm
