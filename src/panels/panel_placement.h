#pragma once
// Where each floating window goes: its stored place in [Window], or, when it
// was never placed, its default place beside the main window's client area.
// Indices are the WinViewFlag bit numbers (0 tool … 8 filter list).
#include "state/drawing_state.h"

namespace qm {

inline constexpr int kPanelTool = 0, kPanelControl = 1, kPanelLayer = 2, kPanelPalette = 3,
                     kPanelExPalette = 4, kPanelTexture = 5, kPanelPreview = 6,
                     kPanelImageView = 7, kPanelFilterList = 8;
inline constexpr int kPanelCount = 9;

// Screen rectangle; right and bottom are exclusive.
struct PanelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  friend bool operator==(const PanelRect&, const PanelRect&) = default;
};

struct PanelPlace {
  int x = 0, y = 0;
  // 0: the window keeps its own size in that direction.
  int width = 0, height = 0;
  friend bool operator==(const PanelPlace&, const PanelPlace&) = default;
};

// The place of window `index` before anyone moved it; `client`: the main
// window's client area on screen.
PanelPlace default_panel_place(int index, const PanelRect& client);
// The stored place, or the default when the stored left or x is kNeverPlaced.
PanelPlace panel_place(int index, const WindowLayout& layout, const PanelRect& client);
// Writes the window's frame rectangle back under its keys (points keep only
// the corner; the layer window its corner and height).
void store_panel_place(int index, const PanelRect& frame, WindowLayout& layout);

}  // namespace qm
