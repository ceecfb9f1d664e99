#pragma once
// The Select menu's commands (40100 … 40124).
namespace qm {

class CommandRegistry;

void register_selection_commands(CommandRegistry& registry);

}  // namespace qm
