#pragma once
// The text tool's glyph source on FreeType, with the font found by
// fontconfig. The stored face name is matched as fontconfig matches names;
// a face that is not installed (a name from another system) gives the best
// match instead, and every character comes from the first font of the
// match list that has it, so CJK text falls back to the CJK fonts rather
// than drawing nothing.
#include <memory>

#include "paint/glyph_source.h"

namespace qm {

// Null when no outline font at all can be found (nothing is drawn then).
std::unique_ptr<GlyphSource> open_outline_font(const TextFont& font);

// True for characters that stand upright in vertical writing (CJK
// ideographs, kana, Hangul, full-width forms); the others are turned a
// quarter turn clockwise, as a vertical font shows Latin.
bool upright_in_vertical(char32_t code);

}  // namespace qm
