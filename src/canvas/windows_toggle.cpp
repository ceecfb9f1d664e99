#include "canvas/windows_toggle.h"

namespace qm {

WindowsToggle toggle_all_windows(int visible, int saved, bool hidden) {
  visible &= kFloatingWindowMask;
  if (!hidden && visible != 0) return {visible, visible, true};
  // Back to the saved set: flip each window that differs from it.
  return {(visible ^ saved) & kFloatingWindowMask, saved, false};
}

}  // namespace qm
