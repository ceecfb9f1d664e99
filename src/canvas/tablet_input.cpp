#include "canvas/tablet_input.h"

#include <algorithm>
#include <cmath>

#include "canvas/tool_rules.h"

namespace qm {

double tablet_pressure(double normal, double maximum) {
  if (!(maximum > 0) || !std::isfinite(maximum)) maximum = 1.0;
  const double p = normal / maximum;
  if (!(p >= 0)) return 0.0;  // negative or not a number
  return std::min(p, 1.0);
}

PointerEvent TabletPacketHandler::event(PointerButton button, const TabletPacket& p,
                                        const TabletPacketContext& context) const {
  PointerEvent e;
  e.button = button;
  e.source = PointerSource::kPen;
  e.window = (model_.env().tablet_flag & kTabletFlagCursorPosition) ? context.cursor : p.position;
  e.pressure = tablet_pressure(p.pressure, p.max_pressure);
  e.keys = context.keys;
  e.time_ms = context.time_ms;
  return e;
}

void TabletPacketHandler::switch_pen_end(const TabletPacket& p) {
  const bool eraser_end = p.cursor == kTabletCursorEraser;
  if (eraser_end && !eraser_) {
    eraser_ = true;
    remembered_tool_ = model_.tool();
    select_tool(model_, model_.env().tale_tool);
  } else if (!eraser_end && eraser_) {
    eraser_ = false;
    select_tool(model_, remembered_tool_);
  }
}

// The side buttons speak for the pen, so the pen's own moves drive what they
// start (a canvas move): with the tablet's events taken, no mouse moves
// follow the pen.
void TabletPacketHandler::side_button(PointerButton button, uint32_t bit, int action, const TabletPacket& p,
                                      const TabletPacketContext& context) {
  if (action == 0) return;
  const bool was = previous_.buttons & bit, is = p.buttons & bit;
  if (is && !was) input_.press(event(button, p, context));
  if (!is && was) input_.release(event(button, p, context));
}

void TabletPacketHandler::packet(const TabletPacket& p, const TabletPacketContext& context) {
  if (!has_previous_) {
    previous_ = p;
    has_previous_ = true;
  }
  switch_pen_end(p);
  const Environment& env = model_.env();
  side_button(PointerButton::kSide1, kTabletSide1, env.tab_side1, p, context);
  side_button(PointerButton::kSide2, kTabletSide2, env.tab_side2, p, context);
  const bool was_down = previous_.buttons & kTabletTip, is_down = p.buttons & kTabletTip;
  // The release also notes its time: a mouse click that follows within
  // half a second is the pen's echo and starts nothing.
  if (is_down && !was_down) input_.press(event(PointerButton::kLeft, p, context));
  if (!is_down && was_down) input_.release(event(PointerButton::kLeft, p, context));
  if (p.position.x != previous_.position.x || p.position.y != previous_.position.y)
    input_.move(event(PointerButton::kLeft, p, context));
  previous_ = p;
}

}  // namespace qm
