// View commands: the floating windows, full screen, checkerboard, mirror,
// grid, and zoom (steps, presets and the preset pop-up).
#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/main_window.h"

namespace qm {

namespace {

CanvasWidget& canvas(const CommandContext& c) { return c.window().canvas(); }

int window_index(int id) { return id - cmd::kFirstWindow; }
void toggle_window(CommandContext& c, int id, CommandOrigin) {
  c.window().toggle_floating_window(window_index(id));
}
// A window's command works once its panel exists.
bool window_exists(const CommandContext& c, int id) {
  return c.window().floating_window(window_index(id)) != nullptr;
}
bool window_shown(const CommandContext& c, int id) {
  return c.state().settings.env.win_view_flag & (1 << window_index(id));
}

void all_windows(CommandContext& c, int, CommandOrigin) { c.window().toggle_all_windows(); }
bool any_window(const CommandContext& c, int) { return c.window().any_floating_window(); }

void full_screen(CommandContext& c, int, CommandOrigin) { c.window().toggle_full_screen(); }
bool is_full_screen(const CommandContext& c, int) {
  return canvas(c).view().settings().full_screen();
}

void checker(CommandContext& c, int, CommandOrigin) {
  canvas(c).toggle_checker();
  c.window().store_view_flags();
}
bool is_checker(const CommandContext& c, int) { return canvas(c).view().settings().checker(); }

void mirror(CommandContext& c, int, CommandOrigin) {
  canvas(c).toggle_mirror();
  c.window().store_view_flags();
}
bool is_mirror(const CommandContext& c, int) { return canvas(c).view().settings().mirrored(); }

void grid(CommandContext& c, int, CommandOrigin) {
  canvas(c).toggle_grid();
  c.window().store_view_flags();
}
bool is_grid(const CommandContext& c, int) { return canvas(c).view().settings().grid(); }

void zoom_menu(CommandContext& c, int, CommandOrigin) { c.window().show_zoom_menu(); }
void zoom_in(CommandContext& c, int, CommandOrigin) { canvas(c).zoom_in(); }
void zoom_out(CommandContext& c, int, CommandOrigin) { canvas(c).zoom_out(); }
void zoom_preset(CommandContext& c, int id, CommandOrigin) {
  canvas(c).zoom_to_preset(id - cmd::kFirstZoomPreset);
}

}  // namespace

void register_view_commands(CommandRegistry& r) {
  r.add_range(cmd::kFirstWindow, cmd::kWindowCount, {toggle_window, window_exists, window_shown});
  r.add(cmd::kAllWindows, {all_windows, any_window});
  r.add(cmd::kFullScreen, {full_screen, nullptr, is_full_screen});
  r.add(cmd::kChecker, {checker, nullptr, is_checker});
  r.add(cmd::kMirror, {mirror, nullptr, is_mirror});
  r.add(cmd::kGrid, {grid, nullptr, is_grid});
  r.add(cmd::kZoomMenu, {zoom_menu});
  r.add(cmd::kZoomIn, {zoom_in});
  r.add(cmd::kZoomOut, {zoom_out});
  r.add_range(cmd::kFirstZoomPreset, cmd::kZoomPresetCount, {zoom_preset});
}

}  // namespace qm
