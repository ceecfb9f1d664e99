#pragma once
// The three ways a layer is combined into a raster: the display composite,
// the whole-stack flatten onto white, and the alpha-aware merges. Each takes
// a source layer (raster, opacity 0 … 128, blend mode) and changes `dst` in
// place; `dst` and `src` have the same size.
#include "core/layer_image.h"
#include "core/rect.h"

namespace qm {

// Display composite of one layer over the rectangle `r` (cut to the images).
// Integer rules; all four bytes of a destination pixel are processed alike,
// except for the colour-model modes, which leave the fourth byte alone.
void composite_display(LayerImage& dst, const LayerImage& src, int opacity, int mode, Rect r);

// Whether composite_display leaves every destination pixel alone where the
// source's alpha is at most `alpha` (at this opacity, in every mode).
bool display_leaves_unchanged(int opacity, int alpha);

// One layer of a whole-stack flatten onto white (export, merge onto white).
void flatten_layer(LayerImage& dst, const LayerImage& src, int opacity, int mode);

// Alpha-aware merge in double precision (merge down, flatten with alpha).
// When both modes are equal the layers combine with Normal.
void merge_alpha_aware(LayerImage& dst, int dst_opacity, int dst_mode, const LayerImage& src,
                       int src_opacity, int src_mode);

// Normal alpha merge: the destination's alpha only, no destination opacity.
void merge_normal_alpha(LayerImage& dst, const LayerImage& src, int opacity);

}  // namespace qm
