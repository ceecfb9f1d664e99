#pragma once
// Drawing a text into a raster: glyph by glyph, line by line, every glyph
// pixel written through the surface's write mode (the text tool uses mode 2,
// so masks, texture and the alpha lock apply as to a brush).
#include <string_view>

#include "core/rect.h"
#include "paint/glyph_source.h"
#include "paint/paint_surface.h"
#include "paint/point.h"

namespace qm {

struct TextLayout {
  int char_space = 0;    // extra pixels between characters
  int line_space = 0;    // extra pixels between lines
  bool vertical = false; // columns from right to left, glyphs downwards
  bool smooth = true;    // grey glyphs (else monochrome)
};

// Draws `text` with its pen starting at `at`, colour 0x00RRGGBB, density
// 0 … 255. A line break is CR, CR LF or LF. Returns the union of the glyph
// boxes (not cut to the raster); empty when nothing was drawn.
Rect draw_text(GlyphSource& glyphs, std::u32string_view text, IntPoint at, const TextLayout& layout,
               const PaintSurface& surface, uint32_t colour, int density);

}  // namespace qm
