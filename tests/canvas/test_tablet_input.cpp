#include "canvas/tablet_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "canvas/tool_rules.h"
#include "engine_stroke.h"

namespace qm {
namespace {

constexpr int kSide = 64;

struct Host : InputHost {
  int scroll_x = 0, scroll_y = 0, undos = 0, edits = 0;
  void scroll_by(int dx, int dy) override {
    scroll_x += dx;
    scroll_y += dy;
  }
  void undo() override { ++undos; }
  void edit_finished() override { ++edits; }
};

// A 64 × 64 white document at 100 %, window pixel = image pixel, and the
// pen's packets fed one by one.
struct Pen {
  Settings settings;
  DrawingStateModel model{settings};
  KeyBindings keys = default_key_bindings();
  PendingWork pending;
  Document doc;
  ViewGeometry g;
  Host host;
  InputDispatcher input{doc, model, keys, pending, g, host};
  TabletPacketHandler tablet{input, model};
  int64_t now = 100000;

  Pen() {
    doc.new_canvas(kSide, kSide, true);
    doc.current()->image.fill(0xFFFFFFFF);
    g.image_w = g.image_h = kSide;
    set_view_size(g, kSide, kSide, kSide, kSide);
    g.scroll_x = g.half_w;
    g.scroll_y = g.half_h;
  }
  void send(double x, double y, uint32_t buttons, double pressure = 0.5, uint32_t cursor = kTabletCursorPen,
            double max = 1.0, PointF system_cursor = {}) {
    TabletPacket p;
    p.cursor = cursor;
    p.buttons = buttons;
    p.position = {x, y};
    p.pressure = pressure;
    p.max_pressure = max;
    TabletPacketContext c;
    c.cursor = system_cursor;
    c.time_ms = now;
    tablet.packet(p, c);
  }
  void mouse_press(double x, double y) {
    PointerEvent e;
    e.window = {x, y};
    e.time_ms = now;
    input.press(e);
  }
  void mouse_release(double x, double y) {
    PointerEvent e;
    e.window = {x, y};
    e.time_ms = now;
    input.release(e);
  }
  int painted() const {
    const LayerImage& a = doc.current()->image;
    int n = 0;
    for (size_t i = 0; i < a.pixel_count(); ++i) n += a.pixels()[i] != 0xFFFFFFFFu;
    return n;
  }
};

// A curve of pen samples with rising pressure, hovered to first.
std::vector<test::StrokeSample> curve() {
  std::vector<test::StrokeSample> s;
  for (int i = 0; i <= 40; ++i) {
    const double t = i / 40.0;
    s.push_back({{8.25 + 44 * t, 10.5 + 30 * t * t}, 0.05 + 0.9 * t});
  }
  return s;
}

TEST(TabletInput, PenStrokeIsTheEngineStrokeWithThePacketsPressure) {
  Pen pen;
  pen.settings.draw.tool = kToolPen;
  pen.settings.draw.brush_size[kToolPen] = 12;
  const std::vector<test::StrokeSample> s = curve();
  pen.send(s[0].image.x, s[0].image.y, 0, 0);  // hovering
  for (size_t i = 0; i + 1 < s.size(); ++i) {
    pen.send(s[i].image.x, s[i].image.y, kTabletTip, s[i].pressure);
    pen.send(s[i].image.x, s[i].image.y, kTabletTip, s[i].pressure);  // no move: reports nothing
  }
  pen.send(s.back().image.x, s.back().image.y, 0, s.back().pressure);
  EXPECT_EQ(pen.input.state(), DragState::kIdle);
  EXPECT_EQ(pen.host.edits, 1);
  const LayerImage ref = test::engine_stroke(kSide, kSide, 0xFFFFFFFF,
                                             brush_settings_for(pen.settings.draw, kToolPen, {}), s);
  EXPECT_TRUE(test::same_pixels(pen.doc.current()->image, ref));
  // The pressure mattered: full pressure throughout paints something else.
  std::vector<test::StrokeSample> full = s;
  for (test::StrokeSample& x : full) x.pressure = 1.0;
  EXPECT_FALSE(test::same_pixels(ref, test::engine_stroke(kSide, kSide, 0xFFFFFFFF,
                                                          brush_settings_for(pen.settings.draw, kToolPen, {}), full)));
}

TEST(TabletInput, TheFirstPacketIsItsOwnPrevious) {
  Pen pen;
  pen.send(10, 10, kTabletTip);  // the pen was down before anything was seen
  EXPECT_EQ(pen.input.state(), DragState::kIdle);
  pen.send(20, 10, kTabletTip);
  EXPECT_EQ(pen.painted(), 0);
  pen.send(20, 10, 0);
  pen.send(20, 10, kTabletTip);
  EXPECT_EQ(pen.input.state(), DragState::kStroke);
}

TEST(TabletInput, EraserEndSelectsItsToolAndThePenEndRestoresTheTool) {
  Pen pen;
  pen.settings.draw.tool = kToolBrush;
  pen.send(5, 5, 0);
  pen.send(5, 5, 0, 0, kTabletCursorEraser);
  EXPECT_TRUE(pen.tablet.eraser_active());
  EXPECT_EQ(pen.model.tool(), kToolDotEraser);  // TaleTool's default
  pen.send(6, 5, 0, 0, kTabletCursorEraser);
  EXPECT_EQ(pen.model.tool(), kToolDotEraser);
  pen.send(6, 5, 0, 0, kTabletCursorPen);
  EXPECT_FALSE(pen.tablet.eraser_active());
  EXPECT_EQ(pen.model.tool(), kToolBrush);

  // Another eraser tool, and a tool chosen while the eraser end is in use is
  // not what the pen end returns to.
  pen.settings.env.tale_tool = kToolBrushEraser;
  pen.send(6, 5, 0, 0, kTabletCursorEraser);
  EXPECT_EQ(pen.model.tool(), kToolBrushEraser);
  select_tool(pen.model, kToolPencil);
  pen.send(6, 5, 0, 0, kTabletCursorPen);
  EXPECT_EQ(pen.model.tool(), kToolBrush);
}

TEST(TabletInput, SideButtonsDoOnlyWhatTheirSettingsSay) {
  Pen pen;
  pen.settings.draw.tool = kToolPencil;
  pen.send(10, 10, 0);
  // Both settings 0: nothing at all, however the buttons go.
  for (uint32_t b : {kTabletSide1, kTabletSide1 | kTabletSide2, kTabletSide2, 0u}) {
    pen.send(12, 12, b);
    EXPECT_EQ(pen.input.state(), DragState::kIdle);
  }
  EXPECT_EQ(pen.host.undos, 0);
  EXPECT_EQ(pen.host.scroll_x, 0);
  EXPECT_EQ(pen.model.tool(), kToolPencil);
  EXPECT_EQ(pen.painted(), 0);

  // Lower button: canvas move, following the pen until it is let go.
  pen.settings.env.tab_side1 = 2;
  pen.send(10, 10, kTabletSide1);
  EXPECT_EQ(pen.input.state(), DragState::kCanvasMove);
  pen.send(25, 18, kTabletSide1);
  EXPECT_EQ(pen.host.scroll_x, -15);
  EXPECT_EQ(pen.host.scroll_y, -8);
  pen.send(25, 18, 0);
  EXPECT_EQ(pen.input.state(), DragState::kIdle);

  // Upper button: undo, once per press; then the eraser toggle.
  pen.settings.env.tab_side2 = 4;
  pen.send(25, 18, kTabletSide2);
  pen.send(26, 18, kTabletSide2);
  pen.send(26, 18, 0);
  EXPECT_EQ(pen.host.undos, 1);
  pen.settings.env.tab_side2 = 3;
  pen.send(26, 18, kTabletSide2);
  pen.send(26, 18, 0);
  EXPECT_EQ(pen.model.tool(), kToolDotEraser);
  EXPECT_EQ(pen.painted(), 0);
}

TEST(TabletInput, MouseClickJustAfterThePenLiftsStartsNothing) {
  Pen pen;
  pen.settings.draw.tool = kToolPencil;
  pen.send(5, 5, 0);
  pen.now = 1000;
  pen.send(5, 5, kTabletTip);
  pen.send(9, 5, kTabletTip);
  pen.now = 1200;
  pen.send(9, 5, 0);
  EXPECT_EQ(pen.input.state(), DragState::kIdle);
  pen.now = 1699;
  pen.mouse_press(30, 30);
  EXPECT_EQ(pen.input.state(), DragState::kIdle);
  // The pen itself at any time.
  pen.now = 1210;
  pen.send(9, 5, kTabletTip);
  EXPECT_EQ(pen.input.state(), DragState::kStroke);
  pen.now = 1220;
  pen.send(9, 5, 0);
  // Half a second after the last lift the mouse paints again.
  pen.now = 1720;
  pen.mouse_press(30, 30);
  EXPECT_EQ(pen.input.state(), DragState::kStroke);
  pen.mouse_release(30, 30);
}

TEST(TabletInput, CursorPositionFlagFollowsTheCursorWithThePensPressure) {
  Pen pen;
  pen.settings.draw.tool = kToolPen;
  pen.settings.draw.brush_size[kToolPen] = 12;
  pen.settings.env.tablet_flag = kTabletFlagEnabled | kTabletFlagCursorPosition;
  const std::vector<test::StrokeSample> s = curve();
  // The pen's own position is elsewhere (a tablet mapped to another area);
  // it only has to change for a move to be reported.
  const auto send = [&](size_t i, uint32_t buttons) {
    pen.send(100 + double(i), 200, buttons, s[i].pressure, kTabletCursorPen, 1.0, s[i].image);
  };
  send(0, 0);
  for (size_t i = 0; i + 1 < s.size(); ++i) send(i, kTabletTip);
  send(s.size() - 1, 0);
  const LayerImage ref = test::engine_stroke(kSide, kSide, 0xFFFFFFFF,
                                             brush_settings_for(pen.settings.draw, kToolPen, {}), s);
  EXPECT_TRUE(test::same_pixels(pen.doc.current()->image, ref));
}

TEST(TabletInput, PressureIsCutToOneAndABrokenMaximumCountsAsOne) {
  EXPECT_EQ(tablet_pressure(512, 1024), 0.5);
  EXPECT_EQ(tablet_pressure(700, 0), 1.0);
  EXPECT_EQ(tablet_pressure(0.25, 0), 0.25);
  EXPECT_EQ(tablet_pressure(0.25, -3), 0.25);
  EXPECT_EQ(tablet_pressure(2048, 1024), 1.0);
  EXPECT_EQ(tablet_pressure(-5, 1024), 0.0);
  EXPECT_EQ(tablet_pressure(std::numeric_limits<double>::quiet_NaN(), 1024), 0.0);
  EXPECT_EQ(tablet_pressure(300, std::numeric_limits<double>::infinity()), 1.0);

  // A stroke from a device reporting maximum 0 is the full-pressure stroke.
  Pen pen;
  pen.settings.draw.tool = kToolPen;
  pen.settings.draw.brush_size[kToolPen] = 12;
  std::vector<test::StrokeSample> s = curve();
  pen.send(s[0].image.x, s[0].image.y, 0, 0, kTabletCursorPen, 0);
  for (size_t i = 0; i + 1 < s.size(); ++i)
    pen.send(s[i].image.x, s[i].image.y, kTabletTip, 300 + double(i), kTabletCursorPen, 0);
  pen.send(s.back().image.x, s.back().image.y, 0, 300, kTabletCursorPen, 0);
  for (test::StrokeSample& x : s) x.pressure = 1.0;
  EXPECT_TRUE(test::same_pixels(pen.doc.current()->image,
                                test::engine_stroke(kSide, kSide, 0xFFFFFFFF,
                                                    brush_settings_for(pen.settings.draw, kToolPen, {}), s)));
}

}  // namespace
}  // namespace qm
