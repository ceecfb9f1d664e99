#pragma once
// Plain pointer events as the canvas input layer takes them: the button and
// the device, the window position, the pressure, the keys held and the time.
// The canvas widget and the tablet adapter only convert their events into
// these, so every decision about a press is made (and tested) without Qt.
#include <bitset>
#include <cstdint>
#include <vector>

#include "paint/point.h"

namespace qm {

enum class PointerButton : uint8_t { kLeft = 0, kRight = 1, kMiddle = 2, kSide1 = 3, kSide2 = 4 };
enum class PointerSource : uint8_t { kMouse, kPen };

// Keys held while the pointer acts. Modifiers and the three keys the canvas
// reads by name are flags; `virtual_keys` holds every key down (by
// virtual-key code) for the key-and-click bindings.
struct HeldKeys {
  bool shift = false, ctrl = false, alt = false;
  bool space = false, enter = false, backspace = false;
  std::bitset<256> virtual_keys;
  bool holds(uint8_t vk) const { return vk != 0 && virtual_keys.test(vk); }
};

struct PointerEvent {
  PointerButton button = PointerButton::kLeft;
  PointerSource source = PointerSource::kMouse;
  PointF window;          // client coordinates
  double pressure = 1.0;  // 0 … 1; the mouse gives 1
  HeldKeys keys;
  int64_t time_ms = 0;    // the system tick count
};

// What the canvas draws over the image as inverted pixels, in fractional
// image coordinates. Everything is redrawn from this in each paint pass.
struct Feedback {
  enum class Shape : uint8_t { kNone, kRectangle, kEllipse };
  std::vector<PointF> path;  // an open chain of XOR lines (rubber band, curve preview)
  Shape shape = Shape::kNone;
  PointF a, b;               // the shape's corners (inclusive pixels)
  bool circle = false;       // the brush circle
  PointF circle_centre;
  double circle_diameter = 0;
  bool size_shown = false;   // the dragged size for the information bar
  int size_w = 0, size_h = 0;
  bool empty() const { return path.empty() && shape == Shape::kNone && !circle; }
};

}  // namespace qm
