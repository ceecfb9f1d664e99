#include "canvas/input_dispatcher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "canvas/tool_rules.h"
#include "document/undo_history.h"
#include "paint/random.h"
#include "paint/shapes.h"

namespace qm {
namespace {

constexpr int kSide = 64;

struct Host : InputHost {
  int scroll_x = 0, scroll_y = 0, edits = 0;
  void scroll_by(int dx, int dy) override {
    scroll_x += dx;
    scroll_y += dy;
  }
  void edit_finished() override { ++edits; }
};

// A 64 × 64 document at 100 %, window pixel = image pixel.
struct Rig {
  Settings settings;
  DrawingStateModel model{settings};
  KeyBindings keys = default_key_bindings();
  PendingWork pending;
  UndoHistory undo;
  Document doc;
  ViewGeometry g;
  Host host;
  InputDispatcher input{doc, model, keys, pending, g, host};

  Rig() {
    doc.set_undo_recorder(&undo);
    doc.new_canvas(kSide, kSide, true);
    doc.current()->image.fill(kTransparent);
    g.image_w = g.image_h = kSide;
    set_view_size(g, kSide, kSide, kSide, kSide);
    g.scroll_x = g.half_w;
    g.scroll_y = g.half_h;
  }
  ~Rig() { doc.set_undo_recorder(nullptr); }

  static PointerEvent ev(double x, double y, PointerButton b = PointerButton::kLeft, HeldKeys k = {},
                         int64_t t = 100000, PointerSource s = PointerSource::kMouse) {
    PointerEvent e;
    e.window = {x, y};
    e.button = b;
    e.keys = k;
    e.time_ms = t;
    e.source = s;
    return e;
  }
  void drag(std::vector<PointF> pts, PointerButton b = PointerButton::kLeft, HeldKeys k = {}) {
    input.press(ev(pts[0].x, pts[0].y, b, k));
    for (size_t i = 1; i < pts.size(); ++i) input.move(ev(pts[i].x, pts[i].y, b, k));
    input.release(ev(pts.back().x, pts.back().y, b, k));
  }
  void click(double x, double y, PointerButton b = PointerButton::kLeft) {
    input.press(ev(x, y, b));
    input.release(ev(x, y, b));
  }
  void use(int tool, int draw_type) {
    settings.draw.tool = tool;
    settings.draw.draw_type[size_t(tool)] = draw_type;
  }
};

bool same_pixels(const LayerImage& a, const LayerImage& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::equal(a.pixels(), a.pixels() + a.pixel_count(), b.pixels());
}

TEST(InputDispatcher, CanvasMoveByMiddleOrSpaceEndsOnItsOwnRelease) {
  Rig r;
  r.use(kToolBrush, 0);
  HeldKeys space;
  space.space = true;
  r.drag({{10, 10}, {25, 18}}, PointerButton::kLeft, space);
  EXPECT_EQ(r.host.scroll_x, -15);
  EXPECT_EQ(r.host.scroll_y, -8);
  EXPECT_EQ(r.input.state(), DragState::kIdle);
  EXPECT_EQ(r.undo.undo_count(), 0);  // nothing painted

  r.input.press(Rig::ev(10, 10, PointerButton::kMiddle));
  EXPECT_EQ(r.input.state(), DragState::kCanvasMove);
  r.input.release(Rig::ev(10, 10, PointerButton::kLeft));  // not the one that started it
  EXPECT_EQ(r.input.state(), DragState::kCanvasMove);
  r.input.release(Rig::ev(10, 10, PointerButton::kMiddle));
  EXPECT_EQ(r.input.state(), DragState::kIdle);

  // The right-button pick holds the grab until the right button comes up.
  r.input.press(Rig::ev(10, 10, PointerButton::kRight));
  EXPECT_TRUE(r.input.wants_grab());
  r.input.release(Rig::ev(10, 10, PointerButton::kRight));
  EXPECT_EQ(r.input.state(), DragState::kIdle);
}

TEST(InputDispatcher, ShiftDragChangesTheBrushSizeWithinOneToHundred) {
  Rig r;
  r.use(kToolBrush, 0);
  r.settings.draw.brush_size[kToolBrush] = 30;
  HeldKeys shift;
  shift.shift = true;
  r.input.press(Rig::ev(20, 20, PointerButton::kLeft, shift));
  EXPECT_EQ(r.input.state(), DragState::kBrushSize);
  r.input.move(Rig::ev(40, 25, PointerButton::kLeft, shift));
  EXPECT_EQ(r.settings.draw.brush_size[kToolBrush], 50);
  r.input.move(Rig::ev(-500, 25, PointerButton::kLeft, shift));
  EXPECT_EQ(r.settings.draw.brush_size[kToolBrush], 1);
  r.input.move(Rig::ev(900, 25, PointerButton::kLeft, shift));
  EXPECT_EQ(r.settings.draw.brush_size[kToolBrush], 100);
  r.input.release(Rig::ev(900, 25, PointerButton::kLeft, shift));
  EXPECT_EQ(r.input.state(), DragState::kIdle);
  EXPECT_EQ(r.undo.undo_count(), 0);
}

TEST(InputDispatcher, MousePressJustAfterThePenLiftsStartsNothing) {
  Rig r;
  r.use(kToolPencil, 0);
  const auto pen = PointerSource::kPen;
  r.input.press(Rig::ev(5, 5, PointerButton::kLeft, {}, 1000, pen));
  EXPECT_EQ(r.input.state(), DragState::kStroke);
  r.input.press(Rig::ev(9, 9, PointerButton::kLeft, {}, 1100));  // the mouse during a pen stroke
  r.input.release(Rig::ev(9, 9, PointerButton::kLeft, {}, 1150));
  EXPECT_EQ(r.input.state(), DragState::kStroke);
  r.input.release(Rig::ev(5, 5, PointerButton::kLeft, {}, 1200, pen));
  EXPECT_EQ(r.input.state(), DragState::kIdle);

  r.input.press(Rig::ev(9, 9, PointerButton::kLeft, {}, 1699));
  EXPECT_EQ(r.input.state(), DragState::kIdle);
  r.input.press(Rig::ev(9, 9, PointerButton::kLeft, {}, 1300, pen));  // the pen: at any time
  EXPECT_EQ(r.input.state(), DragState::kStroke);
  r.input.release(Rig::ev(9, 9, PointerButton::kLeft, {}, 1310, pen));
  r.input.press(Rig::ev(9, 9, PointerButton::kLeft, {}, 1810));
  EXPECT_EQ(r.input.state(), DragState::kStroke);
}

TEST(InputDispatcher, LineRulerAtZeroTurnsADownLeftStrokeIntoAHorizontalLine) {
  Rig r;
  r.use(kToolPencil, 0);
  r.settings.draw.ruler.kind = kRulerLine;
  r.settings.draw.ruler.line_angle = 0;
  r.drag({{40, 20}, {35, 25}, {30, 30}, {25, 34}});
  const LayerImage& img = r.doc.current()->image;
  int left = 0, elsewhere = 0;
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      if (alpha_of(img.get_pixel(x, y)) == 0) continue;
      (y == 20 && x <= 40) ? ++left : ++elsewhere;
    }
  EXPECT_GE(left, 15);
  EXPECT_EQ(elsewhere, 0);
}

TEST(InputDispatcher, CircleRulersKeepAPointerAtTheCentre) {
  Ruler ruler;
  ruler.kind = kRulerCircle;
  ruler.centre_x = 10;
  ruler.centre_y = 10;
  for (int kind : {kRulerCircle, kRulerEllipse}) {
    ruler.kind = kind;
    RulerStroke s;
    s.begin(ruler, {20, 10});
    const PointF p = s.constrain({10, 10});
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 10);
    const PointF q = s.constrain({10, 40});  // onto the circle of radius 10
    EXPECT_NEAR(q.x, 10, 1e-9);
    EXPECT_NEAR(q.y, 20, 1e-9);
  }
}

TEST(InputDispatcher, RightClickOnTransparencyWithTheOptionPicksTheDefaultEraser) {
  Rig r;
  r.use(kToolPen, 0);
  r.settings.env.opt_flag |= kOptTransparentPickErases;
  r.settings.env.def_erase = 1;
  r.click(5, 5, PointerButton::kRight);
  EXPECT_EQ(r.settings.draw.tool, kToolPenEraser);
  EXPECT_EQ(r.settings.env.erase_bk_tool, kToolPen);
  // An opaque pixel takes the colour and returns to the remembered tool.
  r.doc.current()->image.row(6)[6] = 0xFF123456;
  r.click(6, 6, PointerButton::kRight);
  EXPECT_EQ(r.settings.draw.tool, kToolPen);
  EXPECT_EQ(r.settings.draw.current_colour_value(), 0x123456u);
}

TEST(InputDispatcher, PolylineOfThreeClicksAndARightClickIsOneUndoStep) {
  Rig r;
  r.use(kToolPen2, 6);
  r.click(5, 5);
  r.click(30, 8);
  r.click(40, 40);
  EXPECT_EQ(r.input.state(), DragState::kMultiClick);
  EXPECT_TRUE(r.input.wants_grab());
  r.click(40, 40, PointerButton::kRight);
  EXPECT_EQ(r.input.state(), DragState::kIdle);
  EXPECT_EQ(r.undo.undo_count(), 1);
  r.undo.undo(r.doc);
  for (size_t i = 0; i < r.doc.current()->image.pixel_count(); ++i)
    ASSERT_EQ(r.doc.current()->image.pixels()[i], kTransparent);
}

TEST(InputDispatcher, PendingWorkFinishesAFigure) {
  Rig r;
  r.use(kToolPen2, 7);
  r.click(30, 30);
  r.click(5, 5);
  r.pending.finish_all();
  EXPECT_EQ(r.input.state(), DragState::kIdle);
  EXPECT_EQ(r.undo.undo_count(), 1);
}

// The same figure drawn by calling the engine directly.
void reference(Document& doc, const BrushSettings& s, int draw_type, const std::vector<PointF>& pts) {
  const auto pixel = [](PointF p) { return PointF{std::floor(p.x), std::floor(p.y)}; };
  switch (draw_type) {
    case 0: {
      FreehandStroke st;
      st.begin(doc, s, pixel(pts[0]), 1.0, {false});
      for (size_t i = 1; i < pts.size(); ++i) st.move(pts[i], 1.0);
      st.end(pts.back(), 1.0);
      break;
    }
    case 1: draw_line(doc, s, pixel(pts[0]), pixel(pts.back())); break;
    case 2: case 3: draw_rectangle(doc, s, pixel(pts[0]), pixel(pts.back()), draw_type == 3, false); break;
    case 4: case 5: draw_ellipse(doc, s, pixel(pts[0]), pixel(pts.back()), draw_type == 5); break;
    case 6: case 7: {
      LineFigure f;
      f.begin(doc, s, draw_type == 6 ? LineFigureKind::Polyline : LineFigureKind::Concentrated, pixel(pts[0]));
      for (size_t i = 1; i < pts.size(); ++i) f.add(pixel(pts[i]));
      f.end();
      break;
    }
    case 8: draw_bezier(doc, s, {pixel(pts[0]), pixel(pts[2]), pixel(pts[3]), pixel(pts[1])}); break;
    case 9: {
      SplinePoints sp;
      for (const PointF& p : pts) sp.add({int(std::floor(p.x)), int(std::floor(p.y))});
      draw_spline(doc, s, sp);
      break;
    }
  }
}

// Feeds the figure's points the way a user enters them.
void enter_figure(Rig& r, int draw_type, const std::vector<PointF>& pts) {
  const auto L = PointerButton::kLeft, R = PointerButton::kRight;
  if (draw_type <= 5) {
    r.drag(pts);
  } else if (draw_type == 8) {  // drag the ends, then click each control point
    r.drag({pts[0], pts[1]});
    r.input.move(Rig::ev(pts[2].x, pts[2].y));
    r.click(pts[2].x, pts[2].y);
    r.input.move(Rig::ev(pts[3].x, pts[3].y));
    r.click(pts[3].x, pts[3].y);
  } else {
    for (const PointF& p : pts) {
      r.input.press(Rig::ev(p.x, p.y, L));
      r.input.release(Rig::ev(p.x, p.y, L));
    }
    r.click(pts.back().x, pts.back().y, R);
  }
}

TEST(InputDispatcher, EveryDrawTypeOfEveryPaintingToolPaintsWhatTheEngineDoes) {
  const std::vector<PointF> pts = {{12.3, 9.6}, {50.2, 41.7}, {20.5, 52.1}, {44.9, 8.2}};
  std::mt19937 rng(5);
  for (int tool = 0; tool <= kToolBurn; ++tool)
    for (int dt = 0; dt < kDrawTypeCount; ++dt) {
      if (!(allowed_draw_types(tool) & (1u << dt))) continue;
      Rig r;
      Document ref;
      ref.new_canvas(kSide, kSide, true);
      // A background with something to blur, smudge and mix.
      for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
          const Pixel p = ((x / 8 + y / 8) % 2) ? 0xFF3060C0u : (rng() % 3 ? 0x80E0A020u : kTransparent);
          r.doc.current()->image.row(y)[x] = p;
          ref.current()->image.row(y)[x] = p;
        }
      r.use(tool, dt);
      r.settings.draw.brush_size[size_t(tool)] = 7;
      seed_shared_random(1);  // the spray's dots
      enter_figure(r, dt, pts);
      EXPECT_EQ(r.input.state(), DragState::kIdle);
      seed_shared_random(1);
      reference(ref, brush_settings_for(r.settings.draw, tool, {}), dt, pts);
      EXPECT_TRUE(same_pixels(r.doc.current()->image, ref.current()->image)) << "tool " << tool << " type " << dt;
      EXPECT_EQ(r.undo.undo_count(), 1) << "tool " << tool << " type " << dt;
    }
}

TEST(InputDispatcher, StrokeCompositeCacheIsTheRecompositeBitForBit) {
  for (int current : {0, 2, 4}) {
    Rig r;
    std::mt19937 rng(uint32_t(9 + current));
    for (int i = 1; i < 5; ++i) r.doc.create_layer(true);
    for (int i = 0; i < 5; ++i) {
      Layer& l = *r.doc.layer_at(i);
      for (size_t p = 0; p < l.image.pixel_count(); ++p) l.image.pixels()[p] = rng();
      l.blend_mode = int(rng() % 21);
      l.opacity = uint8_t(rng() % 129);
    }
    r.doc.layer_at(3)->flags &= ~1;  // one hidden
    r.doc.select(current);
    r.doc.set_display_background({current == 2, 0xD8D8D8, 0xF8F8F8});
    r.doc.composite_all();
    r.use(kToolBrush, 0);
    r.settings.draw.brush_size[kToolBrush] = 12;
    r.drag({{3, 4}, {30, 20}, {60, 62}, {10, 50}});
    LayerImage got;
    ASSERT_TRUE(got.create(kSide, kSide) && got.copy_from(r.doc.composite()));
    r.doc.composite_all();
    int bad = 0;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x)
        if (got.get_pixel(x, y) != r.doc.composite().get_pixel(x, y) && ++bad < 3)
          ADD_FAILURE() << "current " << current << " at " << x << "," << y << std::hex << " "
                        << got.get_pixel(x, y) << " != " << r.doc.composite().get_pixel(x, y);
    EXPECT_EQ(bad, 0);
  }
}

TEST(InputDispatcher, LayerMoveLocksAxesAndIsOneStepOfTheWholeLayer) {
  Rig r;
  r.use(kToolLayerMove, 0);
  r.doc.current()->image.row(10)[10] = 0xFF0000FF;
  HeldKeys ctrl;
  ctrl.ctrl = true;
  r.drag({{20, 20}, {27, 25}}, PointerButton::kLeft, ctrl);  // Ctrl: horizontal ignored
  EXPECT_EQ(r.doc.current()->image.get_pixel(10, 15), 0xFF0000FFu);
  EXPECT_EQ(r.undo.undo_count(), 1);
  r.undo.undo(r.doc);
  EXPECT_EQ(r.doc.current()->image.get_pixel(10, 10), 0xFF0000FFu);
}

TEST(InputDispatcher, BoundKeysActOnTheDrawingState) {
  Rig r;
  r.use(kToolBrush, 0);
  apply_key_action(r.model, {KeyActionKind::kEraserToggle});
  EXPECT_EQ(r.settings.draw.tool, kToolDotEraser);
  apply_key_action(r.model, {KeyActionKind::kEraserToggle});
  EXPECT_EQ(r.settings.draw.tool, kToolBrush);
  apply_key_action(r.model, {KeyActionKind::kSetDrawType, 4});
  EXPECT_EQ(r.settings.draw.draw_type[kToolBrush], 4);
  apply_key_action(r.model, {KeyActionKind::kWaterAmount, 3});
  EXPECT_EQ(water_amount(r.settings.draw.options.water), 3);
}

TEST(InputDispatcher, ColourBlendingPickTakesTheMidpointWithinTenSeconds) {
  Rig r;
  r.doc.current()->image.row(1)[1] = 0xFF000000;
  r.doc.current()->image.row(2)[2] = 0xFFFF8040;
  r.doc.composite_all();
  HeldKeys back;
  back.backspace = true;
  r.input.press(Rig::ev(1, 1, PointerButton::kLeft, back, 1000));
  r.input.release(Rig::ev(1, 1, PointerButton::kLeft, back, 1000));
  r.input.press(Rig::ev(2, 2, PointerButton::kLeft, back, 10999));
  r.input.release(Rig::ev(2, 2, PointerButton::kLeft, back, 10999));
  EXPECT_EQ(r.settings.draw.current_colour_value(), 0x7F4020u);
}

}  // namespace
}  // namespace qm
