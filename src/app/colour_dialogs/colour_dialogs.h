#pragma once
// The two colour filters with dialogs of their own: Levels and Replace
// Colour. Both preview on the canvas: while open they write the filtered
// `backup` into `layer` inside `target` and call `show_preview(target)` so
// the caller recomposites and repaints. Whichever way they close, `layer`
// is restored from `backup` first (the caller then records the undo step and
// runs the filter for real with the values returned).
#include <cstdint>
#include <functional>
#include <optional>

#include <QWidget>

#include "core/layer_image.h"
#include "filters/filter_algorithm.h"

namespace qm {

// Levels: the histogram of `backup` (the whole layer, transparent pixels
// too), three input handles and two output handles. OK returns
// numeric[0..4] = in_min, in_mid, in_max, out_min, out_max; Cancel nothing.
std::optional<filters::FilterValues> run_levels_dialog(QWidget* owner, LayerImage& layer, const LayerImage& backup,
                                                       Rect target, std::function<void(Rect)> show_preview);

// Replace Colour: the colour replaced is `foreground` (0xRRGGBB); the new one
// is chosen in the RGB, HSV or HLS model. OK returns numeric[0..2] = the new
// colour's R, G, B (run the filter with env.drawing_colour = foreground).
std::optional<filters::FilterValues> run_replace_colour_dialog(QWidget* owner, uint32_t foreground,
                                                               LayerImage& layer, const LayerImage& backup,
                                                               Rect target, std::function<void(Rect)> show_preview);

}  // namespace qm
