// Freehand strokes: dab spacing, smoothing, the tools' pixels and undo.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "document/undo_history.h"
#include "paint/brush_engine.h"
#include "paint/combine.h"
#include "paint/freehand.h"
#include "paint/random.h"
#include "paint/smoothing.h"
#include "paint/smudge.h"
#include "paint/stroke_segment.h"
#include "paint/watercolour.h"
#include "paint_test_util.h"

namespace qm {
namespace {

using test::brush;
using test::stroke;

const Pixel& at(Document& doc, int x, int y) { return doc.current()->image.pixels()[y * doc.width() + x]; }

TEST(StrokeSegment, SpacingCarriesAcrossSegments) {
  std::vector<PointF> whole, split;
  auto record = [](std::vector<PointF>& out) {
    return [&out](double x, double y, double, double) { out.push_back({x, y}); };
  };
  const SegmentEnd a{{0, 0}, 1}, b{{7.3, 0}, 1}, c{{20.5, 0}, 1};
  double over = walk_segment(a, c, 0, 0.1, 10, 10, record(whole));
  EXPECT_GE(over, 0);
  EXPECT_LT(over, 1.0 + 1e-9);
  const double carried = walk_segment(a, b, 0, 0.1, 10, 10, record(split));
  walk_segment(b, c, carried, 0.1, 10, 10, record(split));
  ASSERT_EQ(whole.size(), split.size());
  for (size_t i = 0; i < whole.size(); ++i) EXPECT_NEAR(whole[i].x, split[i].x, 1e-9);
  EXPECT_EQ(whole.size(), 21u);  // one dab per pixel from 0 to 20
  // Length 0 places nothing and passes the offset on.
  std::vector<PointF> none;
  EXPECT_EQ(walk_segment(a, a, 0.25, 0.1, 10, 10, record(none)), 0.25);
  EXPECT_TRUE(none.empty());
  // The step never falls below 0.0001 of the length, even for size 0.
  std::vector<PointF> tiny;
  walk_segment(a, {{1, 0}, 1}, 0, 0.1, 0, 0, record(tiny));
  EXPECT_NEAR(double(tiny.size()), 10000, 1);
}

TEST(Smoothing, WeightedMeanAndMerge) {
  SmoothingRing ring;
  ring.add({0, 0, 0.2}, false);
  ring.add({10, 0, 0.5}, false);
  const StrokeSample s = ring.smoothed(1);
  EXPECT_NEAR(s.x, 20.0 / 3, 1e-12);
  EXPECT_NEAR(s.pressure, 1.2 / 3, 1e-12);
  ring.add({10, 0, 0.9}, true);  // same place: only the pressure
  EXPECT_EQ(ring.count(), 2);
  EXPECT_EQ(ring.newest().pressure, 0.9);
  ring.add({10, 0, 0.9}, false);
  EXPECT_EQ(ring.count(), 3);
  for (int i = 0; i < 100; ++i) ring.add({double(i), 0, 1}, false);
  EXPECT_EQ(ring.count(), SmoothingRing::kCapacity);
  EXPECT_EQ(ring.smoothed(0).x, 99);
  // The B-spline weights sum to 1 at every step.
  for (const auto& w : curve_weights()) EXPECT_NEAR(w[0] + w[1] + w[2] + w[3], 1.0, 1e-12);
  EXPECT_NEAR(curve_weights()[19][1], 1.0 / 6, 1e-12);  // t = 1: 1/6, 2/3, 1/6, 0
}

TEST(Stroke, PenKeepsOneDabDensityWhereItCrossesItselfButTheBrushBuildsUp) {
  const std::vector<PointF> cross{{10, 30}, {50, 30}, {50, 31}, {30, 10}, {30, 50}};
  Document pen_doc, brush_doc;
  test::make_doc(pen_doc, 60, 60);
  test::make_doc(brush_doc, 60, 60);
  stroke(pen_doc, brush(PaintTool::Pen, 12, 128), cross);
  stroke(brush_doc, brush(PaintTool::Brush, 12, 128), cross);
  // The pen never goes beyond its dab alpha, not even at the crossing.
  EXPECT_EQ(test::max_alpha(pen_doc.current()->image), 128);
  EXPECT_EQ(alpha_of(at(pen_doc, 30, 30)), 128);
  EXPECT_EQ(alpha_of(at(pen_doc, 40, 30)), 128);
  // The brush's cone peaks at (128 × 196 + 127) / 255 = 98 per dab; overlapping
  // dabs build beyond it, and more where the stroke crosses itself.
  const int single = alpha_of(at(brush_doc, 40, 30));
  EXPECT_GT(single, 98);
  EXPECT_GT(alpha_of(at(brush_doc, 30, 30)), single);
}

TEST(Stroke, ClickWithoutMovingDrawsNothingWithAntiAliasedTools) {
  for (PaintTool tool : {PaintTool::Pen, PaintTool::Pen2, PaintTool::Brush, PaintTool::Spray}) {
    Document doc;
    test::make_doc(doc, 20, 20);
    stroke(doc, brush(tool, 8), {{10, 10}, {10, 10}});
    EXPECT_EQ(test::max_alpha(doc.current()->image), 0) << int(tool);
  }
  // The pixel-line tools stamp the press point.
  Document doc;
  test::make_doc(doc, 20, 20);
  BrushSettings pencil = brush(PaintTool::Pencil, 3, 200, 0x0000FF);
  pencil.option_word = int(DotShapeKind::Square);
  stroke(doc, pencil, {{10.7, 10.2}});
  EXPECT_EQ(test::grid(doc.current()->image, {8, 8, 5, 5}),
            (std::vector<std::string>{".....", ".###.", ".###.", ".###.", "....."}));
  EXPECT_EQ(at(doc, 10, 10), 0xC80000FFu);
}

TEST(Stroke, OnePixelLineIsBresenham) {
  Document doc;
  test::make_doc(doc, 10, 6);
  stroke(doc, brush(PaintTool::ThinLine, 30), {{1.5, 1.5}, {5, 3}, {8.9, 3.2}});
  // Smoothing 1: the moves land on the running means (3.83, 2.5) and
  // (7.6, 3.13), the end catches up with (8.9, 3.2); Bresenham joins them.
  EXPECT_EQ(test::grid(doc.current()->image, doc.bounds()),
            (std::vector<std::string>{"..........", ".#........", "..###.....", ".....####.", "..........",
                                      ".........."}));
}

TEST(Stroke, SmoothedStrokeStartsAtThePressPoint) {
  Document doc;
  test::make_doc(doc, 60, 40);
  BrushSettings pen = brush(PaintTool::Pen, 4);
  ASSERT_EQ(pen.option_word & kPenSmoothingMask, 4);
  stroke(doc, pen, {{30, 20}, {50, 20}});
  const LayerImage& img = doc.current()->image;
  EXPECT_GT(alpha_of(img.get_pixel(31, 20)), 0);
  EXPECT_GT(alpha_of(img.get_pixel(49, 20)), 0);
  // Nothing toward the origin or before the press point.
  for (int x = 0; x < 27; ++x)
    for (int y = 0; y < 40; ++y) ASSERT_EQ(img.get_pixel(x, y), kTransparent) << x << "," << y;
}

TEST(Stroke, CurveInterpolationFollowsAStraightPath) {
  Document doc;
  test::make_doc(doc, 80, 30);
  BrushSettings pen = brush(PaintTool::Pen, 3);
  pen.option_word |= kPenCurve;
  stroke(doc, pen, {{5, 15}, {20, 15}, {35, 15}, {50, 15}, {70, 15}});
  const LayerImage& img = doc.current()->image;
  for (int x = 0; x < 80; ++x)
    for (int y = 0; y < 30; ++y)
      if (y < 12 || y > 17) {
        ASSERT_EQ(img.get_pixel(x, y), kTransparent);
      }
  for (int x = 8; x < 68; ++x) ASSERT_GT(alpha_of(img.get_pixel(x, 15)), 0) << x;
}

TEST(Stroke, PressureChangesSizeAndDensity) {
  auto painted = [](BrushSettings s, double pressure) {
    Document doc;
    test::make_doc(doc, 60, 30);
    stroke(doc, s, {{10, 15}, {50, 15}}, pressure);
    return std::pair{test::count_if(doc.current()->image, [](Pixel p) { return alpha_of(p) != 0; }),
                     test::max_alpha(doc.current()->image)};
  };
  const BrushSettings pen = brush(PaintTool::Pen, 16);  // pressure changes the size
  EXPECT_LT(painted(pen, 0.4).first, painted(pen, 1.0).first * 3 / 4);
  EXPECT_EQ(painted(pen, 0.0).first, 0);  // size 0
  // Pressure beyond 1 is cut to 1; below 0 to 0.
  EXPECT_EQ(painted(pen, 7.0), painted(pen, 1.0));
  EXPECT_EQ(painted(pen, -3.0), painted(pen, 0.0));
  // Pen 2 with minimums 0 % size and 50 % density: pressure 0 keeps half the density.
  BrushSettings pen2 = brush(PaintTool::Pen2, 10, 200);
  pen2.option_word = 0x0032;
  EXPECT_EQ(painted(pen2, 0.0).first, 0);
  pen2.option_word = 0x6432;
  const auto low = painted(pen2, 0.0), full = painted(pen2, 1.0);
  EXPECT_EQ(low.first, full.first);
  EXPECT_LT(low.second, full.second);
}

TEST(Stroke, DeviceInputIsMadeSafe) {
  Document doc;
  test::make_doc(doc, 30, 30);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  FreehandStroke st;
  EXPECT_FALSE(st.begin(doc, brush(PaintTool::Pen, 5), {nan, 3}, 1, {false}));
  EXPECT_FALSE(st.active());
  ASSERT_TRUE(st.begin(doc, brush(PaintTool::Pen, 5), {15, 15}, nan, {false}));
  const uint64_t before = test::hash_pixels(doc.current()->image);
  EXPECT_TRUE(st.move({inf, 3}, 1).empty());
  EXPECT_TRUE(st.move({3, nan}, 1).empty());
  EXPECT_EQ(test::hash_pixels(doc.current()->image), before);
  // Far away: dabs are clipped, nothing outside the canvas is addressed.
  st.move({1e300, -1e300}, 1);
  st.move({-4e9, 7e12}, 0.5);
  st.move({15, 15}, 1);
  st.end({20, 20}, 1);
  EXPECT_GT(test::max_alpha(doc.current()->image), 0);
  // Every tool survives a sample far off the canvas.
  for (int t = 0; t <= int(PaintTool::Burn); ++t) {
    Document d;
    test::make_doc(d, 16, 16);
    test::paint_background(d.current()->image);
    stroke(d, brush(PaintTool(t), 6), {{8, 8}, {3e7, -2e9}, {-1e300, 8}, {9, 9}});
  }
}

TEST(Stroke, UnderMaskModeThreeNoToolChangesTheAlpha) {
  for (int t = 0; t <= int(PaintTool::Burn); ++t) {
    Document doc;
    test::make_doc(doc, 64, 48);
    test::paint_background(doc.current()->image);
    doc.current()->mask_mode = 3;
    LayerImage before;
    before.create(64, 48);
    before.copy_from(doc.current()->image);
    seed_shared_random(5);
    stroke(doc, brush(PaintTool(t), 9, 220, 0x30C060), {{5, 5}, {60, 40}, {5, 44}, {58, 6}});
    int changed = 0;
    for (size_t i = 0; i < before.pixel_count(); ++i) {
      ASSERT_EQ(alpha_of(doc.current()->image.pixels()[i]), alpha_of(before.pixels()[i]))
          << "tool " << t << " pixel " << i;
      changed += doc.current()->image.pixels()[i] != before.pixels()[i];
    }
    const bool eraser = t == int(PaintTool::DotEraser) || t == int(PaintTool::PenEraser) ||
                        t == int(PaintTool::BrushEraser);
    if (eraser)
      EXPECT_EQ(changed, 0) << "tool " << t;
    else
      EXPECT_GT(changed, 0) << "tool " << t;
  }
}

TEST(Stroke, ErasersTakeAlphaAwayAndKeepTheColour) {
  Document doc;
  test::make_doc(doc, 40, 20);
  doc.current()->image.fill(0xFF336699);
  stroke(doc, brush(PaintTool::DotEraser, 3), {{5, 10}, {35, 10}});
  EXPECT_EQ(test::grid(doc.current()->image, {3, 8, 6, 5}),
            (std::vector<std::string>{"######", "##....", "#.....", "##....", "######"}));
  EXPECT_EQ(at(doc, 20, 10), kTransparent);

  doc.current()->image.fill(0xFF336699);
  stroke(doc, brush(PaintTool::BrushEraser, 10, 90), {{5, 10}, {35, 10}});
  int partial = 0;
  for (size_t i = 0; i < doc.current()->image.pixel_count(); ++i) {
    const Pixel p = doc.current()->image.pixels()[i];
    if (p == kTransparent) continue;
    ASSERT_EQ(p & 0xFFFFFF, 0x336699u);
    partial += alpha_of(p) < 255;
  }
  EXPECT_GT(partial, 100);
  EXPECT_LT(alpha_of(at(doc, 20, 10)), 255);
  EXPECT_EQ(at(doc, 20, 0), 0xFF336699u);
}

TEST(Stroke, MasksProtectPixelsDuringAStroke) {
  Document doc;
  test::make_doc(doc, 40, 32);
  test::paint_background(doc.current()->image);
  doc.current()->mask_mode = 1;  // transparent pixels protected
  LayerImage before;
  before.create(40, 32);
  before.copy_from(doc.current()->image);
  stroke(doc, brush(PaintTool::Pen2, 12, 255, 0xFF0000), {{2, 2}, {38, 30}});
  for (size_t i = 0; i < before.pixel_count(); ++i)
    if (alpha_of(before.pixels()[i]) == 0) {
      ASSERT_EQ(doc.current()->image.pixels()[i], kTransparent);
    }
  EXPECT_EQ(at(doc, 25, 20), 0xFFFF0000u);  // opaque before, painted now
}

TEST(Watercolour, MixesTowardTheColourUnderTheBrush) {
  LayerImage red;
  red.create(20, 20);
  red.fill(0xFFFF0000);
  WatercolourMix mix;
  mix.start(red, 10, 10, 6, 0x0000FF, 0.5, 0.2, 0);
  // m = blue + (red − blue) × 0.6 = (153, 0, 102); then × 0.5 toward red →
  // (204, 0, 51); then × 0.2 back toward blue → (163.2, 0, 91.8).
  EXPECT_EQ(mix.next(red, 10, 10, 6), 0xA3005Cu);
  // Over white by the mean alpha.
  LayerImage half;
  half.create(9, 9);
  half.fill(0x80640000);
  uint32_t c = 0;
  ASSERT_TRUE(sample_under_dab(half, 4.5, 4.5, 3, 0, c));
  EXPECT_EQ(c, 0xB17F7Fu);
  // Transparent pixels are left out under mask modes 1 and 3 (so nothing counts here).
  half.fill(kTransparent);
  EXPECT_FALSE(sample_under_dab(half, 4.5, 4.5, 3, 1, c));
  EXPECT_TRUE(sample_under_dab(half, 4.5, 4.5, 3, 0, c));
  EXPECT_EQ(c, 0xFFFFFFu);
}

TEST(Watercolour, StrokePicksUpTheColoursItCrosses) {
  Document doc;
  test::make_doc(doc, 80, 20);
  LayerImage& img = doc.current()->image;
  img.fill_rect(0, 0, 40, 20, 0xFFFF0000);
  img.fill_rect(40, 0, 40, 20, 0xFF0000FF);
  BrushSettings w = brush(PaintTool::Watercolour, 8, 255, 0x00FF00);
  stroke(doc, w, {{5, 10}, {75, 10}});
  const Pixel start = at(doc, 12, 10), finish = at(doc, 70, 10);
  EXPECT_GT(red_of(start), blue_of(start));
  EXPECT_GT(blue_of(finish), red_of(finish));
  EXPECT_GT(green_of(start), 0);
  EXPECT_GT(green_of(finish), 0);
  EXPECT_EQ(at(doc, 12, 0), 0xFFFF0000u);  // off the path
}

TEST(Finger, SmudgeCarriesColourAlongTheStroke) {
  // f = 128/255 of opaque red over opaque blue: red 128, blue trunc(127 + 0.5).
  EXPECT_EQ(smudge_pixel(0xFF0000FF, 0xFFFF0000, 128, false), 0xFF80007Fu);
  EXPECT_EQ(smudge_pixel(0xFF0000FF, kTransparent, 255, false), kTransparent);
  EXPECT_EQ(smudge_pixel(0xFF0000FF, kTransparent, 255, true), 0xFFFFFFFFu);
  Document doc;
  test::make_doc(doc, 60, 20);
  LayerImage& img = doc.current()->image;
  img.fill_rect(0, 0, 30, 20, 0xFFFF0000);
  img.fill_rect(30, 0, 30, 20, 0xFF0000FF);
  stroke(doc, brush(PaintTool::Finger, 5, 200), {{20, 10}, {45, 10}});
  EXPECT_GT(red_of(at(doc, 35, 10)), 0);
  EXPECT_EQ(at(doc, 35, 2), 0xFF0000FFu);
  EXPECT_EQ(at(doc, 10, 10), 0xFFFF0000u);
}

TEST(EffectTools, BlurDodgeBurn) {
  auto run = [](PaintTool tool, Pixel left, Pixel right) {
    Document doc;
    test::make_doc(doc, 40, 20);
    doc.current()->image.fill_rect(0, 0, 20, 20, left);
    doc.current()->image.fill_rect(20, 0, 20, 20, right);
    stroke(doc, brush(tool, 8, 200), {{5, 10}, {35, 10}});
    return std::pair{at(doc, 19, 10), at(doc, 30, 10)};
  };
  // The blur works in place, so along the stroke the dark side is drawn a
  // little way into the light one.
  const auto [b19, b30] = run(PaintTool::Blur, 0xFF000000, 0xFFFFFFFF);
  EXPECT_GT(red_of(b19), 0);
  EXPECT_GT(red_of(b30), 0xF0);
  EXPECT_EQ(alpha_of(b30), 255);
  const auto [d19, d30] = run(PaintTool::Dodge, 0xFF404040, 0xFF808080);
  EXPECT_GT(red_of(d30), 0x80);
  EXPECT_EQ(alpha_of(d30), 255);
  const auto [u19, u30] = run(PaintTool::Burn, 0xFF404040, 0xFF808080);
  EXPECT_LT(red_of(u30), 0x80);
}

// The stroke buffer is combined into the layer after every step; combining
// only the row spans the step's dabs wrote must leave the layer exactly as
// combining the whole touched rectangle does.
TEST(Stroke, CombiningWhatEachStepDrewEqualsCombiningTheTouchedRectangles) {
  for (PaintTool tool : {PaintTool::Pencil, PaintTool::Pen, PaintTool::Brush, PaintTool::Watercolour,
                         PaintTool::Spray, PaintTool::BrushEraser, PaintTool::Finger})
    for (int mask_mode : {0, 3}) {
      const BrushState state = make_brush_state(brush(tool, 13, 200), mask_mode);
      if (state.into_layer) continue;
      LayerImage backup, by_rect, by_spans, buffer;
      for (LayerImage* img : {&backup, &by_rect, &by_spans, &buffer}) ASSERT_TRUE(img->create(96, 64));
      test::paint_background(backup);
      by_rect.copy_from(backup);
      by_spans.copy_from(backup);
      buffer.fill(kTransparent);
      seed_shared_random(7);
      BrushEngine engine;
      engine.start(state);
      engine.set_target(&buffer, &backup, {2, 1, 90, 60});
      SegmentEnd last{{-4.5, 30.25}, 0.2};
      engine.begin_figure(last.p);
      double carried = 0;
      // Off the canvas and back, doubling back on itself.
      for (int i = 1; i <= 80; ++i) {
        const double t = i / 80.0;
        const SegmentEnd next{{-4.5 + 100 * t, 30.25 + 28 * std::sin(t * 13)}, 0.2 + 0.8 * t};
        if (state.dot_tool)
          engine.dot_line(pixel_of(last.p), pixel_of(next.p), true);
        else
          carried = engine.segment(last, next, carried);
        last = next;
        combine_for(state.erasing, by_rect, buffer, backup, engine.take_touched(), mask_mode);
        combine_written(state.erasing, by_spans, buffer, backup, engine.written(), mask_mode);
        engine.clear_written();
      }
      const bool changes = !(state.erasing && mask_mode == 3);
      EXPECT_EQ(test::hash_pixels(by_rect) != test::hash_pixels(backup), changes) << int(tool);
      ASSERT_EQ(test::hash_pixels(by_spans), test::hash_pixels(by_rect)) << int(tool) << " " << mask_mode;
    }
}

TEST(Stroke, UndoRestoresTheLayerBitForBit) {
  for (int t = 0; t <= int(PaintTool::Burn); ++t) {
    Document doc;
    test::make_doc(doc, 50, 40);
    test::paint_background(doc.current()->image);
    UndoHistory history;
    doc.set_undo_recorder(&history);
    const uint64_t before = test::hash_pixels(doc.current()->image);
    seed_shared_random(9);
    stroke(doc, brush(PaintTool(t), 7, 180, 0x8020F0), {{-5, 3}, {25, 20}, {48, 38}, {60, 10}});
    EXPECT_NE(test::hash_pixels(doc.current()->image), before) << "tool " << t;
    EXPECT_EQ(history.undo_count(), 1);
    ASSERT_TRUE(history.undo(doc).done);
    EXPECT_EQ(test::hash_pixels(doc.current()->image), before) << "tool " << t;
    doc.set_undo_recorder(nullptr);
  }
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// Settings and samples from a broken device or a damaged settings file:
// every value out of range, points far away or not numbers. Nothing may be
// addressed outside the canvas (the sanitizer build checks), and undo still
// restores the layer exactly.
TEST(Stroke, WildSettingsAndSamplesStayInsideAndUndo) {
  std::mt19937 rng(77);
  const double specials[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                             -1e308, 1e308, -3e6, 3e6, -0.0, 1e-300};
  static const uint8_t tex[3] = {0, 128, 255};
  auto coordinate = [&](int side) {
    return rng() % 6 == 0 ? specials[rng() % 8] : double(int(rng() % uint32_t(side + 20)) - 10) + (rng() % 16) / 16.0;
  };
  for (int round = 0; round < 150; ++round) {
    const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 30);
    Document doc;
    test::make_doc(doc, w, h);
    test::paint_background(doc.current()->image);
    doc.current()->mask_mode = int(rng() % 4);
    UndoHistory history;
    doc.set_undo_recorder(&history);
    const uint64_t before = test::hash_pixels(doc.current()->image);
    BrushSettings s;
    s.tool = PaintTool(rng() % 19);
    s.size = int(rng() % 400) - 50;
    s.density = int(rng() % 600) - 100;
    s.option_word = int(rng());
    s.colour = rng();
    s.colour_mask_type = int(rng() % 5) - 1;
    s.colour_mask_count = int(rng() % 9) - 2;
    // A view always describes its bytes; sizes of 0 or below mean none.
    const TextureView views[] = {{1, 1, tex}, {3, 1, tex}, {1, 3, tex}, {0, 1, tex}, {2, 0, tex}, {-1, -3, tex}};
    if (rng() % 2) s.texture = views[rng() % 6];
    FreehandStroke st;
    if (st.begin(doc, s, {coordinate(w), coordinate(h)}, specials[rng() % 8], {rng() % 2 == 0})) {
      for (int i = 0; i < 6; ++i) st.move({coordinate(w), coordinate(h)}, (int(rng() % 300) - 100) / 100.0);
      st.end();
      EXPECT_LE(history.undo_count(), 1);
      if (history.undo_count() == 1) {
        ASSERT_TRUE(history.undo(doc).done);
        EXPECT_EQ(test::hash_pixels(doc.current()->image), before) << "round " << round;
      }
    }
    doc.set_undo_recorder(nullptr);
  }
}

}  // namespace
}  // namespace qm
