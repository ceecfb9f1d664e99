#pragma once
// The pen's packets become pointer events of the input layer: the eraser end
// switches to its own tool and back, the side buttons act as buttons 3 and
// 4 when their settings give them an action, the tip presses and releases
// the left button, and every change of position is a move. Qt-free; the
// platform's tablet adapter feeds it.
#include "canvas/input_dispatcher.h"
#include "canvas/tablet_packet.h"

namespace qm {

inline constexpr int kTabletFlagEnabled = 0x1;        // read once at start-up
inline constexpr int kTabletFlagCursorPosition = 0x2;  // strokes follow the system cursor

// What comes with a packet besides the pen's own fields.
struct TabletPacketContext {
  PointF cursor;  // the system cursor, canvas window coordinates
  HeldKeys keys;
  int64_t time_ms = 0;  // the same clock as the mouse events'
};

// normal / maximum, cut to 0 … 1; a maximum of 0 or less counts as 1 and a
// reading that is not a number as no pressure.
double tablet_pressure(double normal, double maximum);

class TabletPacketHandler {
 public:
  TabletPacketHandler(InputDispatcher& input, DrawingStateModel& model) : input_(input), model_(model) {}

  void packet(const TabletPacket& p, const TabletPacketContext& context);

  bool eraser_active() const { return eraser_; }

 private:
  PointerEvent event(PointerButton button, const TabletPacket& p, const TabletPacketContext& context) const;
  void switch_pen_end(const TabletPacket& p);
  void side_button(PointerButton button, uint32_t bit, int action, const TabletPacket& p,
                   const TabletPacketContext& context);

  InputDispatcher& input_;
  DrawingStateModel& model_;
  bool has_previous_ = false;
  TabletPacket previous_;
  bool eraser_ = false;
  int remembered_tool_ = 0;
};

}  // namespace qm
