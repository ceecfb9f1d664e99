#pragma once
// One report of the pen, as every tablet backend delivers it: which end of
// the pen is in use, the buttons held, where the pen is and how hard it
// presses. Plain data, so the packet logic is tested without a tablet.
#include <cstdint>

#include "paint/point.h"

namespace qm {

inline constexpr uint32_t kTabletCursorEraser = 2;  // the pen turned over
inline constexpr uint32_t kTabletCursorPen = 1;
inline constexpr uint32_t kTabletTip = 0x1;
inline constexpr uint32_t kTabletSide1 = 0x2;  // the lower side button
inline constexpr uint32_t kTabletSide2 = 0x4;  // the upper side button

struct TabletPacket {
  uint32_t cursor = kTabletCursorPen;
  uint32_t buttons = 0;       // kTabletTip | kTabletSide1 | kTabletSide2
  PointF position;            // canvas window coordinates, sub-pixel
  double pressure = 0;        // normal pressure, 0 … max_pressure
  double max_pressure = 1.0;  // the device's maximum; a broken one may report 0
};

}  // namespace qm
