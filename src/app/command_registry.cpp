#include "app/command_registry.h"

#include "app/command_context.h"
#include "app/commands_image_ops.h"
#include "app/main_window.h"
#include "app/out_of_memory.h"

namespace qm {

void CommandRegistry::add_range(int first, int count, Command command) {
  for (int i = 0; i < count; ++i) add(first + i, command);
}

void CommandRegistry::add_placeholders(int first, int count) {
  for (int i = 0; i < count; ++i) add_placeholder(first + i);
}

const Command* CommandRegistry::find(int id) const {
  const auto it = commands_.find(id);
  return it == commands_.end() ? nullptr : &it->second;
}

std::vector<int> CommandRegistry::ids() const {
  std::vector<int> out;
  out.reserve(commands_.size());
  for (const auto& [id, command] : commands_) out.push_back(id);
  return out;
}

bool CommandRegistry::is_placeholder(int id) const {
  const Command* c = find(id);
  return c && !c->run;
}

bool CommandRegistry::is_enabled(const CommandContext& context, int id) const {
  const Command* c = find(id);
  if (!c || !c->run) return false;
  return !c->enabled || c->enabled(context, id);
}

bool CommandRegistry::is_checkable(int id) const {
  const Command* c = find(id);
  return c && c->checked;
}

bool CommandRegistry::is_checked(const CommandContext& context, int id) const {
  const Command* c = find(id);
  return c && c->checked && c->checked(context, id);
}

bool CommandRegistry::run(CommandContext& context, int id, CommandOrigin origin) const {
  if (!is_enabled(context, id)) return false;
  run_guarded([&] { find(id)->run(context, id, origin); },
              [&] { context.window().prompts().message(kMsgOutOfMemory); });
  return true;
}

CommandRegistry build_command_registry() {
  CommandRegistry registry;
  register_file_commands(registry);
  register_edit_commands(registry);
  register_view_commands(registry);
  register_settings_commands(registry);
  register_help_commands(registry);
  register_pending_commands(registry);
  // These replace the placeholders of their ids, so they come last.
  register_image_commands(registry);
  register_clipboard_commands(registry);
  register_scanner_commands(registry);
  register_layer_commands(registry);
  return registry;
}

}  // namespace qm
