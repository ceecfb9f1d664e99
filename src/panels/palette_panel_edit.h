#pragma once
// Cell edits of one palette, shared by the palette window and its edit
// dialog. Plain C++ so the arithmetic is tested without widgets.
#include <optional>
#include <string_view>

#include "formats/palette_store.h"

namespace qm {

// Cells first … last (either order) become the ramp between the two end
// colours, each channel c0 + (c1 − c0)·i / (last − first).
void palette_ramp(Palette& p, int first, int last);
// A white cell at `at`; the following cells move up and the last is dropped.
void palette_insert(Palette& p, int at);
// Removes the cell at `at`; the rest move down, white fills cell 1023.
void palette_delete(Palette& p, int at);
// b − a + 1 white cells at a (a, b in either order).
void palette_insert_between(Palette& p, int a, int b);
// Removes cells a … b; white fills the end.
void palette_delete_between(Palette& p, int a, int b);
// "r,g,b": three decimal numbers between any non-digit characters, each
// clamped to 0 … 255; nothing when fewer than three are present.
std::optional<uint32_t> parse_rgb_text(std::string_view text);
// Colours by hue, then saturation, then value (greys, which have no hue,
// first and by value); white cells, the unused ones, go last.
void palette_sort_hsv(Palette& p);

}  // namespace qm
