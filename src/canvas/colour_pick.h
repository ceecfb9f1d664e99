#pragma once
// Picking a colour from the canvas (right button, key-and-click binding, pen
// side button) and the two-click colour-blending pick.
#include <cstdint>
#include <optional>

#include "canvas/input_types.h"
#include "core/layer_image.h"
#include "document/document.h"
#include "state/drawing_state_model.h"

namespace qm {

// The pixel at `at`: of the current layer, or of every visible layer blended
// in stack order onto transparent white (transparent only where all are).
// None outside the canvas.
std::optional<Pixel> pick_pixel(const Document& doc, IntPoint at, bool current_layer_only);

// What a pick does with the pixel: Alt adds it to the colour-mask list, Shift
// makes it the first mask colour; otherwise a transparent pixel with
// `OptFlag` 0x10 switches to the default eraser, else the current drawing
// colour takes it (transparent gives white) and an eraser returns to the
// remembered tool.
void apply_pick(DrawingStateModel& model, Pixel pixel, const HeldKeys& keys);

// Backspace + click twice within 10 s: the current colour becomes the
// midpoint of the two, or with Shift the foreground and background the
// thirds between them.
class BlendPick {
 public:
  static constexpr int64_t kWindowMs = 10000;
  void click(DrawingStateModel& model, uint32_t rgb, bool shift, int64_t time_ms);

 private:
  bool has_first_ = false;
  uint32_t first_ = 0;
  int64_t first_time_ = 0;
};

}  // namespace qm
