#pragma once
// The main menu as data: one row per item, in menu order, with its text and
// accelerator. Submenus open with a kBegin row and close with kEnd; the
// top-level menus are the submenus at depth 0. menus.cpp builds the menu
// bar from this table and the registry supplies what each id does.
#include <span>

namespace qm {

struct MenuRow {
  enum Kind : unsigned char {
    kItem,       // command `id`
    kSeparator,
    kBegin,      // a submenu titled `text`
    kEnd,
    kRecentFiles,  // the recent-files submenu, titled `text`, rebuilt after
                   // every open and save (its placeholder is `id`)
  };
  Kind kind;
  int id;
  const char* text;
  const char* accel;  // QKeySequence text; nullptr for none
};

std::span<const MenuRow> main_menu_table();

// The zoom presets in percent, in the order of their commands 3000 …
inline constexpr int kZoomPresetPercents[14] = {25,  50,  75,  100, 150,  200,  300,
                                                400, 500, 600, 800, 1000, 1500, 2000};

}  // namespace qm
