// Text drawing with real outline fonts: the layout rules, the glyph source
// on FreeType, and the preview / commit / cancel cycle with undo. The fonts
// come from a private fontconfig file (DejaVu Sans and Noto CJK only), so
// results do not depend on what the machine has installed.
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "document/undo_history.h"
#include "paint/text_preview.h"
#include "paint/write_modes.h"
#include "platform/outline_font.h"

namespace qm {
namespace {

const bool kFontsChosen = [] {
  setenv("FONTCONFIG_FILE", QM_TEST_FONTS_CONF, 1);
  return true;
}();

std::unique_ptr<GlyphSource> font(const char* face = "DejaVu Sans", int size = 16, bool bold = false) {
  TextFont f;
  f.face = face;
  f.size = size;
  f.bold = bold;
  return open_outline_font(f);
}

struct Canvas {
  Document doc;
  explicit Canvas(int w = 160, int h = 120) {
    EXPECT_TRUE(doc.new_canvas(w, h, true));
    doc.current()->image.fill(kTransparent);
  }
  LayerImage& layer() { return doc.current()->image; }
};

PaintSurface surface_of(LayerImage& image, int mask_mode = 0) {
  PaintSurface s;
  s.raster = &image;
  s.reference = &image;
  s.clip = image.bounds();
  s.masks.mask_mode = mask_mode;
  s.write_mode = kWriteBlendAlphaLock;
  return s;
}

// The plain reference: each line drawn on its own, at the pen position the
// line breaks should give.
void draw_lines(GlyphSource& g, LayerImage& image, std::initializer_list<std::u32string_view> lines,
                IntPoint at, TextLayout layout) {
  const int step = g.metrics().height + layout.line_space;
  for (std::u32string_view line : lines) {
    draw_text(g, line, at, layout, surface_of(image), 0x102030, 255);
    if (layout.vertical) at.x -= step; else at.y += step;
  }
}

bool same_pixels(const LayerImage& a, const LayerImage& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::equal(a.pixels(), a.pixels() + a.pixel_count(), b.pixels());
}

void paint_pattern(LayerImage& img) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      img.row(y)[x] = ((x / 7 + y / 5) % 3) ? make_pixel(uint32_t((x * 3 + y) & 0xFF), 200, uint32_t(x & 0xFF), 40)
                                            : kTransparent;
}

TEST(TextDrawing, LineBreaksAdvanceOneLineEach) {
  auto g = font();
  ASSERT_TRUE(g);
  for (const bool vertical : {false, true}) {
    const TextLayout layout{2, 3, vertical, true};
    Canvas expected;
    draw_lines(*g, expected.layer(), {U"Ab", U"cD"}, {100, 10}, layout);
    for (std::u32string_view text : {U"Ab\r\ncD", U"Ab\ncD", U"Ab\rcD"}) {
      Canvas got;
      draw_text(*g, text, {100, 10}, layout, surface_of(got.layer()), 0x102030, 255);
      EXPECT_TRUE(same_pixels(got.layer(), expected.layer())) << "vertical " << vertical;
    }
    // CR CR LF is two breaks.
    Canvas two;
    draw_lines(*g, two.layer(), {U"Ab", U"", U"cD"}, {100, 10}, layout);
    Canvas got;
    draw_text(*g, U"Ab\r\r\ncD", {100, 10}, layout, surface_of(got.layer()), 0x102030, 255);
    EXPECT_TRUE(same_pixels(got.layer(), two.layer()));
  }
}

TEST(TextDrawing, MonochromeWritesFullDensityOnly) {
  auto g = font();
  ASSERT_TRUE(g);
  for (const bool smooth : {false, true}) {
    Canvas c;
    const Rect r = draw_text(*g, U"Quill 123", {5, 5}, {0, 0, false, smooth}, surface_of(c.layer()), 0, 200);
    ASSERT_FALSE(r.empty());
    int partial = 0, full = 0;
    for (size_t i = 0; i < c.layer().pixel_count(); ++i) {
      const uint32_t a = alpha_of(c.layer().pixels()[i]);
      partial += a != 0 && a != 200;
      full += a == 200;
    }
    EXPECT_GT(full, 0);
    if (smooth) EXPECT_GT(partial, 0); else EXPECT_EQ(partial, 0);
  }
}

TEST(TextDrawing, VerticalColumnsGoLeftAndCjkStandsUpright) {
  auto g = font("Noto Sans CJK JP", 20);
  ASSERT_TRUE(g);
  const TextLayout vertical{0, 0, true, true};
  Canvas first, second, both;
  const Rect a = draw_text(*g, U"テ", {100, 10}, vertical, surface_of(first.layer()), 0, 255);
  const Rect b = draw_text(*g, U"ス", {100 - g->metrics().height, 10}, vertical, surface_of(second.layer()), 0, 255);
  const Rect ab = draw_text(*g, U"テ\nス", {100, 10}, vertical, surface_of(both.layer()), 0, 255);
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_LE(b.right(), a.x);  // the second column lies wholly to the left
  EXPECT_EQ(ab, unite(a, b));
  // Upright: the glyph hangs below the pen, no wider than the line height.
  EXPECT_GE(a.y, 10);
  EXPECT_LE(a.w, g->metrics().height);
  // Two characters of one column go down, not across.
  Canvas column;
  const Rect tt = draw_text(*g, U"テス", {100, 10}, vertical, surface_of(column.layer()), 0, 255);
  EXPECT_GT(tt.h, a.h + 5);
  EXPECT_LT(tt.w, a.w + 8);
  // Latin turns a quarter: "Latin" makes a column taller than it is wide.
  Canvas latin;
  const Rect l = draw_text(*g, U"Latin", {100, 10}, vertical, surface_of(latin.layer()), 0, 255);
  EXPECT_GT(l.h, l.w);
}

TEST(TextDrawing, AlphaLockChangesColoursOnly) {
  auto g = font();
  ASSERT_TRUE(g);
  Canvas c;
  paint_pattern(c.layer());
  LayerImage before;
  ASSERT_TRUE(before.create(c.layer().width(), c.layer().height()));
  before.copy_from(c.layer());
  const Rect r = draw_text(*g, U"MASK", {10, 20}, {}, surface_of(c.layer(), 3), 0x00FF00, 255);
  ASSERT_FALSE(r.empty());
  int recoloured = 0;
  for (size_t i = 0; i < before.pixel_count(); ++i) {
    EXPECT_EQ(alpha_of(c.layer().pixels()[i]), alpha_of(before.pixels()[i]));
    recoloured += c.layer().pixels()[i] != before.pixels()[i];
  }
  EXPECT_GT(recoloured, 0);
}

TEST(TextDrawing, CjkAndHangulDrawEvenWithAMissingFace) {
  // The stored default face is not installed here: the best match must
  // still draw every character.
  auto g = font("\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", 24);
  ASSERT_TRUE(g);
  for (char32_t c : std::u32string_view(U"テスト한글Abc")) {
    Glyph glyph;
    ASSERT_TRUE(g->glyph(c, false, true, glyph)) << uint32_t(c);
    EXPECT_FALSE(glyph.empty()) << uint32_t(c);
    EXPECT_GT(glyph.advance_x, 0);
    ASSERT_TRUE(g->glyph(c, true, false, glyph)) << uint32_t(c);
    EXPECT_FALSE(glyph.empty()) << uint32_t(c);
  }
  Glyph space;
  ASSERT_TRUE(g->glyph(U'\u3000', false, true, space));
  EXPECT_GT(space.advance_x, 0);
}

TEST(TextDrawing, BoldIsHeavier) {
  auto regular = font("DejaVu Sans", 20), bold = font("DejaVu Sans", 20, true);
  ASSERT_TRUE(regular && bold);
  Canvas a, b;
  draw_text(*regular, U"Heavy", {5, 5}, {}, surface_of(a.layer()), 0, 255);
  draw_text(*bold, U"Heavy", {5, 5}, {}, surface_of(b.layer()), 0, 255);
  auto ink = [](const LayerImage& img) {
    int64_t sum = 0;
    for (size_t i = 0; i < img.pixel_count(); ++i) sum += alpha_of(img.pixels()[i]);
    return sum;
  };
  EXPECT_GT(ink(b.layer()), ink(a.layer()) * 11 / 10);
}

struct PreviewCase : Canvas {
  UndoHistory undo;
  std::unique_ptr<GlyphSource> glyphs = font();
  LayerImage original;
  PreviewCase() {
    doc.set_undo_recorder(&undo);
    paint_pattern(layer());
    original.create(layer().width(), layer().height());
    original.copy_from(layer());
  }
  ~PreviewCase() { doc.set_undo_recorder(nullptr); }
  TextJob job(std::u32string text, IntPoint at) {
    TextJob j;
    j.glyphs = glyphs.get();
    j.text = std::move(text);
    j.at = at;
    j.paint.density = 255;
    j.paint.colour = 0x0000FF;
    return j;
  }
};

TEST(TextPreview, CancelRestoresTheLayerBitForBit) {
  PreviewCase t;
  // The backup holds something else (an earlier stroke's): placing the text
  // must take the layer as it is now.
  t.doc.backup().fill(0xFF123456);
  TextPreview p;
  ASSERT_TRUE(p.begin(t.doc));
  EXPECT_FALSE(p.show(t.doc, t.job(U"first", {10, 10})).empty());
  EXPECT_FALSE(same_pixels(t.layer(), t.original));
  p.show(t.doc, t.job(U"moved\nand longer", {30, 40}));
  p.show(t.doc, t.job(U"x", {-5, 100}));
  p.cancel(t.doc);
  EXPECT_TRUE(same_pixels(t.layer(), t.original));
  EXPECT_FALSE(p.active());
  EXPECT_EQ(t.undo.undo_count(), 0);
}

TEST(TextPreview, CommitIsOneUndoStepAndUndoRestores) {
  PreviewCase t;
  TextPreview p;
  ASSERT_TRUE(p.begin(t.doc));
  p.show(t.doc, t.job(U"draft", {10, 10}));
  p.show(t.doc, t.job(U"final", {20, 30}));
  const TextCommit c = p.commit(t.doc, t.job(U"final", {20, 30}));
  EXPECT_TRUE(c.recorded);
  EXPECT_EQ(t.undo.undo_count(), 1);
  // The commit holds the text once, where it was committed: the same as
  // drawing it straight onto the original layer.
  LayerImage expected;
  expected.create(t.original.width(), t.original.height());
  expected.copy_from(t.original);
  PaintSurface s = surface_of(expected);
  draw_text(*t.glyphs, U"final", {20, 30}, {}, s, 0x0000FF, 255);
  EXPECT_TRUE(same_pixels(t.layer(), expected));
  ASSERT_TRUE(t.undo.undo(t.doc).done);
  EXPECT_TRUE(same_pixels(t.layer(), t.original));
}

TEST(TextPreview, APreviewLeavesItsLayerEvenWhenAnotherBecameCurrent) {
  PreviewCase t;
  TextPreview p;
  ASSERT_TRUE(p.begin(t.doc));
  const Layer* placed = t.doc.current();
  p.show(t.doc, t.job(U"here", {10, 10}));
  ASSERT_TRUE(t.doc.add_layer(false, false));
  ASSERT_NE(t.doc.current(), placed);
  const TextCommit c = p.commit(t.doc, t.job(U"here", {10, 10}));
  EXPECT_FALSE(c.recorded);
  EXPECT_TRUE(same_pixels(placed->image, t.original));
  EXPECT_EQ(t.doc.current()->image.get_pixel(12, 12), kTransparent);
}

TEST(TextPreview, NothingToDrawRecordsNothing) {
  PreviewCase t;
  TextPreview p;
  ASSERT_TRUE(p.begin(t.doc));
  p.show(t.doc, t.job(U"gone", {10, 10}));
  const TextCommit empty = p.commit(t.doc, t.job(U"", {10, 10}));
  EXPECT_FALSE(empty.recorded);
  EXPECT_TRUE(same_pixels(t.layer(), t.original));
  // No font: nothing drawn, nothing recorded.
  ASSERT_TRUE(p.begin(t.doc));
  TextJob no_font = t.job(U"text", {10, 10});
  no_font.glyphs = nullptr;
  EXPECT_TRUE(p.show(t.doc, no_font).empty());
  EXPECT_FALSE(p.commit(t.doc, no_font).recorded);
  // Far outside the canvas: nothing either.
  ASSERT_TRUE(p.begin(t.doc));
  EXPECT_FALSE(p.commit(t.doc, t.job(U"away", {5000, 5000})).recorded);
  EXPECT_EQ(t.undo.undo_count(), 0);
  EXPECT_TRUE(same_pixels(t.layer(), t.original));
}

}  // namespace
}  // namespace qm
