#pragma once
// The all-windows toggle (Tab): hides every visible floating window, and the
// next time shows again the ones that were shown before.
//
// Window masks use the visible-window bits of the settings (one bit per
// floating window, nine windows).
namespace qm {

inline constexpr int kFloatingWindowMask = 0x1FF;

struct WindowsToggle {
  int toggle = 0;       // windows whose visibility is to be flipped
  int saved = 0;        // the saved visibility afterwards
  bool hidden = false;  // the "hidden by the toggle" view flag afterwards
};

// `visible`: the floating windows shown now; `saved` and `hidden`: the saved
// visibility and the view flag before the toggle.
WindowsToggle toggle_all_windows(int visible, int saved, bool hidden);

}  // namespace qm
