#include "paint/text_draw.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "paint/write_modes.h"

namespace qm {

namespace {

constexpr char32_t kCarriageReturn = 13, kLineFeed = 10;

void write_glyph(const Glyph& g, int left, int top, const PaintSurface& surface, uint32_t colour, int density) {
  std::vector<uint8_t> alpha(size_t(g.width));
  for (int y = 0; y < g.height; ++y) {
    const uint8_t* level = g.levels.data() + size_t(y) * size_t(g.width);
    for (int x = 0; x < g.width; ++x)
      alpha[size_t(x)] = g.mono ? (level[x] ? uint8_t(density) : 0) : uint8_t(level[x] * density >> 6);
    write_span(surface, left, top + y, g.width, alpha.data(), colour);
  }
}

}  // namespace

Rect draw_text(GlyphSource& glyphs, std::u32string_view text, IntPoint at, const TextLayout& layout,
               const PaintSurface& surface, uint32_t colour, int density) {
  density = std::clamp(density, 0, 255);
  const TextMetrics m = glyphs.metrics();
  const int line_step = m.height + layout.line_space;
  // Pen arithmetic in 64 bits: extreme spacings cannot overflow, and the
  // boxes are clamped far outside any canvas.
  int64_t pen_x = at.x, pen_y = at.y;
  Rect drawn;
  Glyph g;
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c == kCarriageReturn || c == kLineFeed) {
      if (c == kCarriageReturn && i + 1 < text.size() && text[i + 1] == kLineFeed) ++i;
      if (layout.vertical) {
        pen_y = at.y;
        pen_x -= line_step;
      } else {
        pen_x = at.x;
        pen_y += line_step;
      }
      continue;
    }
    if (!glyphs.glyph(c, layout.vertical, layout.smooth, g)) continue;
    const bool blank = c == U' ' || c == U'\u3000';
    if (g.empty() && !blank) continue;
    if (!blank && !g.empty()) {
      const int64_t left = pen_x + g.origin_x;
      const int64_t top = layout.vertical ? pen_y - g.origin_y : pen_y + m.ascent - g.origin_y;
      constexpr int64_t kFar = int64_t{1} << 24;
      if (std::llabs(left) < kFar && std::llabs(top) < kFar) {
        write_glyph(g, int(left), int(top), surface, colour, density);
        drawn = unite(drawn, {int(left), int(top), g.width, g.height});
      }
    }
    if (layout.vertical)
      pen_y += std::llabs(int64_t{g.advance_y}) + layout.char_space;
    else
      pen_x += int64_t{g.advance_x} + layout.char_space;
  }
  return drawn;
}

}  // namespace qm
