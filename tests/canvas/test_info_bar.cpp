#include <gtest/gtest.h>

#include "canvas/info_bar_text.h"
#include "canvas/windows_toggle.h"

namespace qm {
namespace {

TEST(InfoBar, FieldTexts) {
  EXPECT_EQ(position_field(12, -3), "12,-3");
  EXPECT_EQ(position_field(10000, -123456), "9999,-9999");
  EXPECT_EQ(zoom_field(100), " 100%");
  EXPECT_EQ(zoom_field(2000), "2000%");
  EXPECT_EQ(zoom_field(10), "  10%");
  EXPECT_EQ(size_field(300, 40), " 300x  40");
  EXPECT_EQ(size_field(4500, 4500), "4500x4500");
}

TEST(InfoBar, Placement) {
  const Rect strip{0, 0, 800, 30}, canvas{0, 30, 800, 570};
  EXPECT_EQ(info_bar_rect(kInfoBarTopStrip, strip, canvas, 200, 20), (Rect{600, 2, 200, 20}));
  EXPECT_EQ(info_bar_rect(kInfoBarTopLeft, strip, canvas, 200, 20), (Rect{0, 30, 200, 20}));
  EXPECT_EQ(info_bar_rect(kInfoBarTopRight, strip, canvas, 200, 20), (Rect{600, 30, 200, 20}));
  EXPECT_EQ(info_bar_rect(kInfoBarBottomLeft, strip, canvas, 200, 20), (Rect{0, 580, 200, 20}));
  EXPECT_EQ(info_bar_rect(kInfoBarBottomRight, strip, canvas, 200, 20),
            (Rect{600, 580, 200, 20}));
  EXPECT_TRUE(info_bar_rect(kInfoBarHidden, strip, canvas, 200, 20).empty());
  EXPECT_TRUE(info_bar_rect(6, strip, canvas, 200, 20).empty());
}

TEST(WindowsToggle, HidesVisibleWindowsAndBringsBackTheSavedSet) {
  // Tool, layer and palette shown: all three are hidden and remembered.
  const WindowsToggle hide = toggle_all_windows(0x00D, 0x001, false);
  EXPECT_EQ(hide.toggle, 0x00D);
  EXPECT_EQ(hide.saved, 0x00D);
  EXPECT_TRUE(hide.hidden);
  // Meanwhile the user opened the preview window: it goes, the three return.
  const WindowsToggle show = toggle_all_windows(0x040, hide.saved, hide.hidden);
  EXPECT_EQ(show.toggle, 0x04D);
  EXPECT_EQ(show.saved, 0x00D);
  EXPECT_FALSE(show.hidden);
  // Nothing visible and not hidden by the toggle: the saved set comes back.
  const WindowsToggle none = toggle_all_windows(0, 0x003, false);
  EXPECT_EQ(none.toggle, 0x003);
  EXPECT_FALSE(none.hidden);
}

}  // namespace
}  // namespace qm
