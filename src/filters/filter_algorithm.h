#pragma once
// What every filter algorithm sees: the dialog's values, the drawing colours
// and the document (for layer lists), the destination and source images, the
// target rectangle and an optional progress sink.
//
// An algorithm writes `dst` inside `rect` from `src` (neighbours may be read
// from all of `src`). `dst` and `src` may be the same image; an algorithm that
// reads neighbours then needs the runner to give it a copy (the filter table
// says which). `rect` is already cut to the image and never empty.
#include <array>
#include <cstdint>
#include <span>

#include "core/layer_image.h"
#include "core/rect.h"
#include "formats/progress_sink.h"

namespace qm {
class Document;
}

namespace qm::filters {

// The dialog's results in control order within each group: value controls
// (fixed-point ones in hundredths), check boxes (0/1), list selections (item
// index, or for a layer list the layer's document index, 0 = top).
struct FilterValues {
  std::array<int, 5> numeric{};
  std::array<int, 2> check{};
  std::array<int, 2> list{};
};

// Program state an algorithm may read besides its values.
struct FilterEnvironment {
  uint32_t drawing_colour = 0x000000;     // 0xRRGGBB, the current drawing colour
  uint32_t other_colour = 0xFFFFFF;       // 0xRRGGBB, the other one of the pair
  const Document* document = nullptr;     // layer lists; may be null in tests
  int brush_alpha = 255;                  // density (BrushAlpha) of the current tool, 0 … 255
};

struct FilterArgs {
  const FilterValues& values;
  const FilterEnvironment& env;
  LayerImage& dst;
  const LayerImage& src;
  Rect rect;
  ProgressSink* progress = nullptr;       // none for previews
};

// Returns false when a temporary image could not be had; `dst` is then left
// as it was (the caller says "ﾒﾓﾘの確保に失敗").
using FilterCallback = bool (*)(const FilterArgs&);

// One algorithm bound to its menu command id.
struct FilterAlgorithm {
  int command_id;
  FilterCallback run;
};

// The algorithms of each group, defined in its own unit; the filter table
// joins them by command id. A command whose algorithm is missing is shown
// disabled.
std::span<const FilterAlgorithm> colour_algorithms();      // colour adjustment
std::span<const FilterAlgorithm> render_algorithms();      // render and drawing
std::span<const FilterAlgorithm> blur_algorithms();        // blur, sharpen, edges
std::span<const FilterAlgorithm> distort_algorithms();     // distortion, pixelate, stylise
std::span<const FilterAlgorithm> alpha_algorithms();       // alpha and other-layer operations

// Progress helpers: no-ops without a sink.
inline void progress_range(ProgressSink* p, int64_t maximum) {
  if (p) p->set_range(maximum);
}
inline void progress_step(ProgressSink* p) {
  if (p) p->step();
}

}  // namespace qm::filters
