#pragma once
// The tool panel's own glyphs: 15 × 15 pictures of the 19 tools and the 10
// draw types, painted from one small table, with a 30 × 30 version for
// high-density screens.
#include <QIcon>
#include <QImage>

namespace qm {

QIcon tool_icon(int tool);            // 0 … 18
QIcon draw_type_icon(int draw_type);  // 0 … 9
// One glyph at `scale` × 15 pixels (1 or 2), transparent background.
QImage tool_glyph(int tool, int scale);
QImage draw_type_glyph(int draw_type, int scale);

}  // namespace qm
