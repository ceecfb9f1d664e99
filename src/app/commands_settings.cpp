// The settings dialogs: environment (518), key bindings (522) and grid
// (501). Each edits a copy; OK puts it back and the window applies it.
#include "app/app_state.h"
#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/dialogs/environment_dialog.h"
#include "app/dialogs/grid_dialog.h"
#include "app/dialogs/key_settings_dialog.h"
#include "app/main_window.h"
#include "formats/layer_name.h"

namespace qm {

namespace {

void environment(CommandContext& c, int, CommandOrigin) {
  // The view's own flags first, so the dialog edits what is on screen.
  c.window().store_view_flags();
  const std::optional<Environment> env = run_environment_dialog(&c.window(), c.state().settings.env);
  if (!env) return;
  c.state().settings.env = *env;
  set_legacy_code_page(env->code_page);
  c.window().apply_settings();
}

void key_settings(CommandContext& c, int, CommandOrigin) {
  const std::optional<KeyBindings> keys = run_key_settings_dialog(&c.window(), c.state().keys);
  if (keys) c.state().keys = *keys;
}

void grid_settings(CommandContext& c, int, CommandOrigin) {
  c.window().store_view_flags();
  const std::optional<Environment> env = run_grid_dialog(&c.window(), c.state().settings.env);
  if (!env) return;
  c.state().settings.env = *env;
  c.window().apply_settings();
}

}  // namespace

void register_settings_commands(CommandRegistry& r) {
  r.add(cmd::kEnvironment, {environment});
  r.add(cmd::kKeySettings, {key_settings});
  r.add(cmd::kGridSettings, {grid_settings});
}

}  // namespace qm
