// The gradient tool: colour tables, geometry by draw type, ends and masks.
#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "core/colour.h"
#include "paint/gradient.h"
#include "paint/write_modes.h"
#include "paint_test_util.h"

namespace qm {
namespace {

struct LayerRecorder : UndoRecorder {
  int layers = 0;
  bool record_layer(const Document&) override {
    ++layers;
    return true;
  }
};

GradientColours kind(GradientKind k, int density = 255) {
  GradientColours c;
  c.kind = k;
  c.foreground = 0x204060;
  c.background = 0xE0C0A0;
  c.density = density;
  return c;
}

GradientGeometry geometry(GradientShape s, IntPoint a, IntPoint b, bool limit = false, bool repeat = false) {
  return {s, a, b, limit, repeat};
}

TEST(GradientTable, ColourKinds) {
  const GradientTable fb = make_gradient_table(kind(GradientKind::ForegroundToBackground));
  EXPECT_EQ(fb[0], 0xFF204060u);
  EXPECT_EQ(fb[511], 0xFFE0C0A0u);
  EXPECT_EQ(red_of(fb[255]), 0x20 + (0xE0 - 0x20) * 255 / 511);

  const GradientTable wb = make_gradient_table(kind(GradientKind::WhiteToBlack, 128));
  EXPECT_EQ(wb[0], 0x80FFFFFFu);  // density scales every alpha
  EXPECT_EQ(wb[511], 0x80000000u);
  EXPECT_EQ(red_of(wb[256]), 255 - 255 * 256 / 511);

  const GradientTable ot = make_gradient_table(kind(GradientKind::OpaqueToTransparent));
  EXPECT_EQ(ot[0], 0xFF204060u);
  EXPECT_EQ(ot[511], 0x00204060u);

  const GradientTable rb = make_gradient_table(kind(GradientKind::Rainbow));
  EXPECT_EQ(rb[0], 0xFFFF0000u);
  EXPECT_EQ(rb[300] & 0xFFFFFF, hsv_to_rgb(359 * 300 / 511, 255, 255) & 0xFFFFFF);

  // Effect 1: transparent along most of the way, a rim near the end.
  const GradientTable fx = make_gradient_table(kind(GradientKind::Effect1));
  EXPECT_EQ(alpha_of(fx[0]), 0);
  EXPECT_EQ(alpha_of(fx[300]), 0);
  EXPECT_EQ(alpha_of(fx[511]), 0);
  int peak = 0;
  for (Pixel p : fx) peak = std::max<int>(peak, alpha_of(p));
  EXPECT_EQ(peak, 42);  // the control point at 3837 of 4096 lies on entry 478.7
  EXPECT_EQ(alpha_of(fx[467]), 35 * (4096 * 467 / 511 - 2562) / (3744 - 2562));
  EXPECT_EQ(fx[470] & 0xFFFFFF, 0x204060u);
}

TEST(GradientTable, ReverseAndPosterise) {
  GradientColours c = kind(GradientKind::WhiteToBlack);
  c.reverse = true;
  const GradientTable r = make_gradient_table(c);
  EXPECT_EQ(r[0], 0xFF000000u);
  EXPECT_EQ(r[511], 0xFFFFFFFFu);
  c.reverse = false;
  c.posterise_bits = 3;
  const GradientTable p = make_gradient_table(c);
  const GradientTable smooth = make_gradient_table(kind(GradientKind::WhiteToBlack));
  for (int i = 0; i < 512; ++i) ASSERT_EQ(p[size_t(i)], smooth[size_t(i & ~7)]) << i;
  EXPECT_EQ(std::set<Pixel>(p.begin(), p.end()).size(), 64u);
}

TEST(GradientGeometry, LinearIndices) {
  const GradientGeometry g = geometry(GradientShape::Linear, {0, 0}, {10, 0});
  EXPECT_EQ(gradient_index(g, 0, 7), 0);
  EXPECT_EQ(gradient_index(g, 5, 3), 255);  // 5·10·511 / 100
  EXPECT_EQ(gradient_index(g, 10, 0), 511);
  EXPECT_EQ(gradient_index(g, 30, 0), 511);  // held at the end
  EXPECT_EQ(gradient_index(g, -4, 0), 0);
  EXPECT_EQ(gradient_index(geometry(GradientShape::Linear, {0, 0}, {10, 0}, true), 30, 0), kGradientSkip);
  EXPECT_EQ(gradient_index(geometry(GradientShape::Linear, {0, 0}, {10, 0}, false, true), 12, 0),
            wrap_index(12 * 511 / 10));
  EXPECT_EQ(gradient_index(geometry(GradientShape::Linear, {0, 0}, {10, 0}, false, true), -3, 0),
            wrap_index(-3 * 511 / 10));
  // A = B: entry 0 everywhere.
  const GradientGeometry dot = geometry(GradientShape::Linear, {4, 4}, {4, 4});
  EXPECT_TRUE(gradient_draws(dot));
  EXPECT_EQ(gradient_index(dot, 100, 3), 0);
}

TEST(GradientGeometry, WrapLandsInRangeForNegatives) {
  EXPECT_EQ(wrap_index(-1), 511);
  EXPECT_EQ(wrap_index(-512), 0);
  EXPECT_EQ(wrap_index(-513), 511);
  EXPECT_EQ(wrap_index(1023), 511);
  EXPECT_EQ(wrap_index(int64_t{-5000000000}), int((512 - 5000000000 % 512) % 512));
}

TEST(GradientGeometry, Rectangular) {
  const GradientGeometry g = geometry(GradientShape::Rectangular, {10, 10}, {20, 15});
  EXPECT_EQ(gradient_index(g, 10, 10), 0);
  EXPECT_EQ(gradient_index(g, 20, 10), 511);  // the rectangle's edge is the end
  EXPECT_EQ(gradient_index(g, 10, 15), 511);
  EXPECT_EQ(gradient_index(g, 0, 5), 511);
  EXPECT_EQ(gradient_index(g, 15, 10), 246);  // dx 5, dy 2: √29·511/√125
  EXPECT_FALSE(gradient_draws(geometry(GradientShape::Rectangular, {3, 3}, {3, 3})));
  // A flat drag counts its zero side as 1 instead of dividing by it.
  const GradientGeometry flat = geometry(GradientShape::Rectangular, {5, 5}, {15, 5});
  EXPECT_TRUE(gradient_draws(flat));
  EXPECT_EQ(gradient_index(flat, 5, 5), 0);
  EXPECT_EQ(gradient_index(flat, 15, 5), 511);
  EXPECT_EQ(gradient_index(flat, 10, 5), int(5 * 511 / std::sqrt(101.0)));  // dy = 1·5 / 10 = 0
  const GradientGeometry upright = geometry(GradientShape::Rectangular, {5, 5}, {5, 0});
  EXPECT_EQ(gradient_index(upright, 5, 0), 511);
  EXPECT_EQ(gradient_index(upright, 9, 9), 511);
}

TEST(GradientGeometry, CircularAndConical) {
  const GradientGeometry c = geometry(GradientShape::Circular, {10, 10}, {20, 10});
  EXPECT_EQ(gradient_index(c, 13, 14), 255);  // distance 5 of 10
  EXPECT_EQ(gradient_index(c, 10, 0), 511);
  EXPECT_FALSE(gradient_draws(geometry(GradientShape::Circular, {1, 1}, {1, 1})));

  const GradientGeometry k = geometry(GradientShape::Conical, {10, 10}, {20, 10});
  EXPECT_EQ(gradient_index(k, 20, 10), 0);    // trunc(−0.8)
  EXPECT_EQ(gradient_index(k, 10, 20), 126);  // a quarter turn: 127.75 − 0.8
  EXPECT_EQ(gradient_index(k, 10, 0), 384);   // −128 wraps
  EXPECT_EQ(gradient_index(k, 110, 9), 511);  // just above the drag: trunc(−1.6) wraps
  EXPECT_EQ(gradient_index(k, 15, 9), 496);   // trunc(−16.85) wraps
  const GradientGeometry kl = geometry(GradientShape::Conical, {10, 10}, {20, 10}, true);
  EXPECT_EQ(gradient_index(kl, 10, 20), 126);
  EXPECT_EQ(gradient_index(kl, 10, 21), kGradientSkip);
  // A = B still draws, measured from angle 0.
  const GradientGeometry k0 = geometry(GradientShape::Conical, {5, 5}, {5, 5});
  EXPECT_TRUE(gradient_draws(k0));
  EXPECT_EQ(gradient_index(k0, 5, 15), 126);

  EXPECT_EQ(gradient_shape_for_draw_type(3), GradientShape::Rectangular);
  EXPECT_EQ(gradient_shape_for_draw_type(4), GradientShape::Circular);
  EXPECT_EQ(gradient_shape_for_draw_type(7), GradientShape::Conical);
  EXPECT_EQ(gradient_shape_for_draw_type(6), GradientShape::Linear);
}

BrushSettings grad_brush(int density = 255) { return test::brush(PaintTool::Gradient, 1, density, 0x204060); }

TEST(Gradient, PosterisedLinearShowsSixtyFourBands) {
  Document doc;
  test::make_doc(doc, 512, 2);
  LayerRecorder rec;
  doc.set_undo_recorder(&rec);
  GradientRequest req;
  req.a = {0, 0};
  req.b = {511, 0};
  req.option_word = int(GradientKind::WhiteToBlack) | (3 << kGradientToneShift);
  ASSERT_TRUE(draw_gradient(doc, grad_brush(), req, {false}).drawn);
  EXPECT_EQ(rec.layers, 1);
  const LayerImage& img = doc.current()->image;
  std::set<Pixel> bands;
  for (int x = 0; x < 512; ++x) bands.insert(img.get_pixel(x, 1));
  EXPECT_EQ(bands.size(), 64u);
  EXPECT_EQ(img.get_pixel(7, 0), 0xFFFFFFFFu);
  EXPECT_EQ(img.get_pixel(511, 0), 0xFF000000u + 0x010101u * (255 - 255 * 504 / 511));
}

TEST(Gradient, ReversedWhiteToBlackStartsWhiteAtB) {
  Document doc;
  test::make_doc(doc, 40, 4);
  GradientRequest req;
  req.a = {5, 0};
  req.b = {30, 0};
  req.option_word = int(GradientKind::WhiteToBlack) | kGradientReverse;
  draw_gradient(doc, grad_brush(), req, {false});
  EXPECT_EQ(doc.current()->image.get_pixel(30, 2), 0xFFFFFFFFu);
  EXPECT_EQ(doc.current()->image.get_pixel(39, 2), 0xFFFFFFFFu);
  EXPECT_EQ(doc.current()->image.get_pixel(5, 2), 0xFF000000u);
  EXPECT_EQ(doc.current()->image.get_pixel(0, 2), 0xFF000000u);
}

TEST(Gradient, RainbowRepeatsOthersHoldOrStop) {
  GradientRequest req;
  req.a = {0, 0};
  req.b = {99, 0};
  req.option_word = int(GradientKind::Rainbow);
  Document doc;
  test::make_doc(doc, 300, 1);
  draw_gradient(doc, grad_brush(), req, {false});
  const GradientTable rainbow = make_gradient_table(gradient_colours(req, grad_brush()));
  EXPECT_EQ(doc.current()->image.get_pixel(150, 0), rainbow[size_t(wrap_index(150 * 511 / 99))]);
  EXPECT_NE(doc.current()->image.get_pixel(150, 0), doc.current()->image.get_pixel(99, 0));

  req.option_word = int(GradientKind::WhiteToBlack);
  test::make_doc(doc, 300, 1);
  draw_gradient(doc, grad_brush(), req, {false});
  EXPECT_EQ(doc.current()->image.get_pixel(150, 0), 0xFF000000u);  // held
  req.repeat = true;
  draw_gradient(doc, grad_brush(), req, {false});
  EXPECT_EQ(doc.current()->image.get_pixel(100, 0), 0xFF000000u + 0x010101u * (255 - 255 * 4 / 511));  // 516 → 4
  req.repeat = false;
  req.limit = true;
  test::make_doc(doc, 300, 1);
  draw_gradient(doc, grad_brush(), req, {false});
  EXPECT_EQ(doc.current()->image.get_pixel(150, 0), kTransparent);  // beyond B: untouched
  EXPECT_EQ(doc.current()->image.get_pixel(99, 0), 0xFF000000u);
}

TEST(Gradient, WritesThroughBlendWithMasks) {
  Document doc;
  test::make_doc(doc, 64, 8);
  LayerImage& img = doc.current()->image;
  img.fill(0xFF336699);
  GradientRequest req;
  req.a = {0, 0};
  req.b = {63, 0};
  req.option_word = int(GradientKind::WhiteToBlack);
  req.draw_type = 4;  // circular
  draw_gradient(doc, grad_brush(100), req, {false});
  const GradientTable t = make_gradient_table(gradient_colours(req, grad_brush(100)));
  const GradientGeometry g = gradient_geometry(req);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 64; ++x) {
      const Pixel e = t[size_t(gradient_index(g, x, y))];
      ASSERT_EQ(img.get_pixel(x, y), blend_over(0xFF336699, e & 0xFFFFFF, alpha_of(e))) << x << "," << y;
    }
  // The alpha lock keeps every alpha; mask mode 1 spares transparent pixels.
  img.fill(0x50336699);
  img.fill_rect(0, 0, 64, 2, kTransparent);
  doc.current()->mask_mode = 3;
  draw_gradient(doc, grad_brush(), req, {false});
  EXPECT_EQ(alpha_of(img.get_pixel(40, 5)), 0x50);
  EXPECT_NE(img.get_pixel(40, 5), 0x50336699u);
  img.fill_rect(0, 0, 64, 2, kTransparent);
  doc.current()->mask_mode = 1;
  draw_gradient(doc, grad_brush(), req, {false});
  EXPECT_EQ(img.get_pixel(40, 1), kTransparent);
  // Circular with A = B draws nothing and records nothing.
  LayerRecorder rec;
  doc.set_undo_recorder(&rec);
  req.b = req.a;
  EXPECT_FALSE(draw_gradient(doc, grad_brush(), req, {false}).drawn);
  EXPECT_EQ(rec.layers, 0);
}

}  // namespace
}  // namespace qm
