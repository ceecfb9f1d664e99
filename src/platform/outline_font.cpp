#include "platform/outline_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace qm {

bool upright_in_vertical(char32_t c) {
  struct Range {
    char32_t first, last;
  };
  // Long vowel mark, wave dash and the brackets lie along the column (turned).
  if (c == 0x30FC || c == 0x301C || c == 0xFF5E || (c >= 0x3008 && c <= 0x3011) || (c >= 0x3014 && c <= 0x301B) ||
      c == 0xFF08 || c == 0xFF09 || c == 0xFF3B || c == 0xFF3D || c == 0xFF5B || c == 0xFF5D || c == 0xFF1D ||
      c == 0xFF0D)
    return false;
  static constexpr Range kUpright[] = {
      {0x1100, 0x11FF},   {0x2E80, 0x2FFF},   {0x3000, 0x303F},  {0x3040, 0x30FF}, {0x3100, 0x31FF},
      {0x3200, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},  {0xA960, 0xA97F}, {0xAC00, 0xD7FF},
      {0xF900, 0xFAFF},   {0xFE10, 0xFE1F},   {0xFE30, 0xFE4F},  {0xFF00, 0xFF60}, {0xFFE0, 0xFFE7},
      {0x1F000, 0x1FAFF}, {0x20000, 0x3FFFF},
  };
  for (const Range& r : kUpright)
    if (c >= r.first && c <= r.last) return true;
  return false;
}

namespace {

// Punctuation that a vertical font draws in its own corner of the cell.
char32_t vertical_form(char32_t c) {
  switch (c) {
    case 0x3001: return 0xFE11;  // 、
    case 0x3002: return 0xFE12;  // 。
    case 0xFF0C: return 0xFE10;  // ，
    default: return c;
  }
}

const char* language_of(int char_set) {
  switch (char_set) {
    case 128: return "ja";     // Shift-JIS
    case 129: case 130: return "ko";
    case 134: return "zh-cn";
    case 136: return "zh-tw";
    default: return nullptr;
  }
}

struct FontFile {
  std::string path;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
  FcCharSet* charset = nullptr;  // owned copy
  FT_Face face = nullptr;
  bool failed = false;
};

class OutlineFont final : public GlyphSource {
 public:
  OutlineFont(const TextFont& font) : font_(font), pixels_(text_pixel_height(font.size)) {}
  ~OutlineFont() override {
    for (FontFile& f : files_) {
      if (f.face) FT_Done_Face(f.face);
      if (f.charset) FcCharSetDestroy(f.charset);
    }
    if (library_) FT_Done_FreeType(library_);
  }
  OutlineFont(const OutlineFont&) = delete;
  OutlineFont& operator=(const OutlineFont&) = delete;

  bool open();
  TextMetrics metrics() const override { return metrics_; }
  bool glyph(char32_t code, bool vertical, bool smooth, Glyph& out) override;

 private:
  FT_Face face_of(FontFile& f);
  FontFile* file_for(char32_t code);
  bool render(FontFile& f, char32_t code, bool vertical, bool smooth, Glyph& out);

  TextFont font_;
  int pixels_;
  FT_Library library_ = nullptr;
  std::vector<FontFile> files_;  // best match first
  TextMetrics metrics_;
};

bool OutlineFont::open() {
  if (!FcInit() || FT_Init_FreeType(&library_) != 0) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  if (!font_.face.empty())
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(font_.face.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, font_.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, font_.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixels_);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  if (const char* lang = language_of(font_.char_set))
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
  FcPatternDestroy(pattern);
  if (!set) return false;
  constexpr int kMostFiles = 64;
  for (int i = 0; i < set->nfont && int(files_.size()) < kMostFiles; ++i) {
    FcPattern* p = set->fonts[i];
    FcChar8* file = nullptr;
    FcBool outline = FcFalse;
    if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch || !file) continue;
    if (FcPatternGetBool(p, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) continue;
    FontFile f;
    f.path = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(p, FC_INDEX, 0, &f.index);
    FcPatternGetInteger(p, FC_WEIGHT, 0, &f.weight);
    FcPatternGetInteger(p, FC_SLANT, 0, &f.slant);
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(p, FC_CHARSET, 0, &charset) == FcResultMatch && charset)
      f.charset = FcCharSetCopy(charset);
    files_.push_back(std::move(f));
  }
  FcFontSetDestroy(set);
  // The line metrics are the first font's that opens.
  for (FontFile& f : files_) {
    if (FT_Face face = face_of(f)) {
      const FT_Size_Metrics& m = face->size->metrics;
      metrics_.ascent = int((m.ascender + 63) >> 6);
      metrics_.height = metrics_.ascent + int((-m.descender + 63) >> 6);
      return true;
    }
  }
  return false;
}

FT_Face OutlineFont::face_of(FontFile& f) {
  if (f.face || f.failed) return f.face;
  FT_Face face = nullptr;
  if (FT_New_Face(library_, f.path.c_str(), f.index, &face) != 0 || !FT_IS_SCALABLE(face) ||
      FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixels_)) != 0) {
    if (face) FT_Done_Face(face);
    f.failed = true;
    return nullptr;
  }
  f.face = face;
  return face;
}

FontFile* OutlineFont::file_for(char32_t code) {
  for (FontFile& f : files_)
    if (f.charset && FcCharSetHasChar(f.charset, code) && face_of(f)) return &f;
  return nullptr;
}

bool OutlineFont::glyph(char32_t code, bool vertical, bool smooth, Glyph& out) {
  out = {};
  if (code < 0x20 || code == 0x7F || code > 0x10FFFF) return false;
  if (vertical) {
    const char32_t form = vertical_form(code);
    if (form != code) {
      if (FontFile* f = file_for(form)) return render(*f, form, vertical, smooth, out);
    }
  }
  if (FontFile* f = file_for(code)) return render(*f, code, vertical, smooth, out);
  // No font has it: the first font's missing-glyph box, as a hint that
  // something is there.
  for (FontFile& f : files_)
    if (face_of(f)) return render(f, code, vertical, smooth, out);
  return false;
}

bool OutlineFont::render(FontFile& f, char32_t code, bool vertical, bool smooth, Glyph& out) {
  FT_Face face = f.face;
  const bool upright = vertical && upright_in_vertical(code);
  const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(code));
  FT_Int32 flags = FT_LOAD_NO_BITMAP | (smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
  if (upright) flags |= FT_LOAD_VERTICAL_LAYOUT;
  if (FT_Load_Glyph(face, index, flags) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
  // Styles the face itself lacks are made from its outline.
  if (font_.bold && f.weight < FC_WEIGHT_DEMIBOLD) FT_GlyphSlot_Embolden(slot);
  if (font_.italic && f.slant == FC_SLANT_ROMAN) FT_GlyphSlot_Oblique(slot);

  const FT_Glyph_Metrics& gm = slot->metrics;
  FT_Pos advance_x = 0, advance_y = 0;
  int column_centre = 0;
  if (upright) {
    // The vertical origin (top centre of the cell) goes to the pen, and the
    // glyph's centre line to the middle of the column.
    FT_Outline_Translate(&slot->outline, gm.vertBearingX - gm.horiBearingX, -(gm.horiBearingY + gm.vertBearingY));
    advance_y = -gm.vertAdvance;
    column_centre = (metrics_.ascent - (metrics_.height - metrics_.ascent)) / 2;
  } else if (vertical) {
    // A quarter turn clockwise: the baseline runs down the column.
    FT_Matrix turn{0, 0x10000, -0x10000, 0};
    FT_Outline_Transform(&slot->outline, &turn);
    advance_y = -slot->advance.x;
  } else {
    advance_x = slot->advance.x;
  }
  if (FT_Render_Glyph(slot, smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return false;

  const FT_Bitmap& bm = slot->bitmap;
  out.advance_x = int((advance_x + 32) >> 6);
  out.advance_y = -int((std::labs(advance_y) + 32) >> 6);
  out.origin_x = slot->bitmap_left + column_centre;
  out.origin_y = slot->bitmap_top;
  out.mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
  if (bm.width == 0 || bm.rows == 0 || !bm.buffer) return true;
  if (bm.pixel_mode != FT_PIXEL_MODE_MONO && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
  out.width = int(bm.width);
  out.height = int(bm.rows);
  out.levels.assign(size_t(out.width) * size_t(out.height), 0);
  const int pitch = std::abs(bm.pitch);
  const int grays = std::max(2, int(bm.num_grays)) - 1;
  for (int y = 0; y < out.height; ++y) {
    const int source_row = bm.pitch < 0 ? out.height - 1 - y : y;
    const unsigned char* in = bm.buffer + size_t(source_row) * size_t(pitch);
    uint8_t* level = out.levels.data() + size_t(y) * size_t(out.width);
    for (int x = 0; x < out.width; ++x) {
      if (out.mono)
        level[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
      else
        level[x] = uint8_t((in[x] * 64 + grays / 2) / grays);
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<GlyphSource> open_outline_font(const TextFont& font) {
  auto source = std::make_unique<OutlineFont>(font);
  if (!source->open()) return nullptr;
  return source;
}

}  // namespace qm
