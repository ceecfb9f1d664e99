#pragma once
// Resampling of LayerImages: resizing with six methods, scaling a block of a
// layer, and rotating a block by an arbitrary angle.
//
// Every method weights colours by alpha, so the colour of transparent pixels
// never bleeds into the result: with weights w over source pixels,
// alpha = clamp(round(Σ w·A)), a pixel with alpha 0 becomes kTransparent, and
// each channel = clamp(round(Σ w·A·c / Σ w·A)); round(x) is trunc(x + 0.5).
#include "core/layer_image.h"
#include "core/rect.h"

namespace qm {

// In the order the user picks them (the stored `ScaleType` value).
enum class ResampleMethod : int {
  Nearest = 0,
  Bilinear = 1,
  Mitchell = 2,
  Lagrange = 3,
  Lanczos2 = 4,
  Lanczos3 = 5,
};
inline constexpr int kResampleMethodCount = 6;

// The method with that stored index, or false for an index outside 0 … 5.
bool resample_method_from_index(int index, ResampleMethod& out);

// (Re)creates `dst` at new_width × new_height holding `src` resampled; `src`
// is only read. A same-sized request copies. False (dst left empty) for an
// empty source, a size ≤ 0, an unknown method or when memory is short.
bool resample(const LayerImage& src, LayerImage& dst, int new_width, int new_height,
              ResampleMethod method);

// Resizes `image` in place. Returns at once (true, pixels untouched) when the
// size is unchanged; on any failure the image stays as it was.
bool resize(LayerImage& image, int new_width, int new_height, ResampleMethod method);

// Resizes the w × h block at (x, y) of `layer` to new_w × new_h and puts it
// back at (x, y). A block that shrinks in either direction first has its old
// area cleared to kTransparent (w × max(h, new_h) when the width shrinks, else
// new_w × h). Parts of the block, the cleared area or the result outside the
// layer are cut off. False, with the layer untouched, when memory is short or
// a size is ≤ 0.
bool scale_area(LayerImage& layer, int x, int y, int w, int h, int new_w, int new_h,
                ResampleMethod method);

// Rotates the w × h block at (x, y) of `layer` by `angle` degrees (clockwise
// on screen) about its centre (x + w / 2, y + h / 2), writing every pixel of
// `target` inside the layer: pixels whose source falls outside the block
// become kTransparent. `smooth` interpolates 4 × 4 neighbours; otherwise the
// nearest-lower source pixel is taken. Does nothing when the angle is 0.
// False, with the layer untouched, when memory is short or the block is empty.
bool rotate_area(LayerImage& layer, int x, int y, int w, int h, double angle, bool smooth,
                 Rect target);

// The smallest rectangle holding the block's four corner pixels turned by
// `angle` degrees about its centre (the caller unites it with the block to
// get rotate_area's target).
Rect rotated_bounds(int x, int y, int w, int h, double angle);

}  // namespace qm
