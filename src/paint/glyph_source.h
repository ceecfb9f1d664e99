#pragma once
// Where the text tool gets its glyphs: an outline font, already chosen and
// sized, asked for one character at a time. The engine never sees the
// rasteriser behind it (the program uses FreeType, tests may use anything).
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// What picks a font: the [Text] settings that describe it.
struct TextFont {
  std::string face;   // face name as stored (UTF-8)
  int char_set = 1;   // the stored character-set code
  int size = 12;      // points; below 1 counts as 1
  bool bold = false;
  bool italic = false;
};

// The pixel height of a font of `points` at 96 dots per inch, rounded like
// a MulDiv(points, 96, 72).
constexpr int text_pixel_height(int points) {
  if (points < 1) points = 1;
  return int((int64_t{points} * 96 + 36) / 72);
}

struct TextMetrics {
  int height = 0;  // line height: ascent + descent
  int ascent = 0;  // baseline below the top of a line
};

// One rasterised glyph in the frame of the writing direction. The box's
// top-left corner lies `origin_x` to the right of the pen and `origin_y`
// above it (horizontal) or above it without the ascent (vertical); the pen
// then moves by the cell advance.
struct Glyph {
  int width = 0, height = 0;
  int origin_x = 0, origin_y = 0;
  int advance_x = 0, advance_y = 0;
  bool mono = false;              // levels are 0 or 1 (no anti-aliasing)
  std::vector<uint8_t> levels;    // width × height, top row first; grey 0 … 64

  bool empty() const { return width <= 0 || height <= 0; }
};

class GlyphSource {
 public:
  virtual ~GlyphSource() = default;
  virtual TextMetrics metrics() const = 0;
  // The glyph of `code`: vertical writing stands CJK glyphs upright and
  // turns the others a quarter turn clockwise; `smooth` asks for 65 grey
  // levels, else a monochrome bitmap. False when the request fails.
  virtual bool glyph(char32_t code, bool vertical, bool smooth, Glyph& out) = 0;
};

}  // namespace qm
