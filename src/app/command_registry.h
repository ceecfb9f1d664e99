#pragma once
// The command registry: every command number of the main window mapped to
// its unit, the small function that carries it out. Menus, accelerators,
// toolbar buttons and key bindings all end here through run(); nothing
// dispatches commands in a switch.
//
// A unit may say when it is enabled and when its menu item is checked.
// Commands whose work comes later are registered as placeholders: present
// (so menus, accelerators and key bindings already know them), disabled.
#include <map>
#include <vector>

namespace qm {

class CommandContext;

// Where a command came from, for the few that differ by origin.
enum class CommandOrigin {
  kMenu,          // menu, accelerator, toolbar button, key binding
  kSaveAsButton,  // the save-as button's drop-down (recent folders save there)
};

struct Command {
  using Run = void (*)(CommandContext&, int id, CommandOrigin origin);
  using Test = bool (*)(const CommandContext&, int id);

  Run run = nullptr;          // nullptr: a placeholder
  Test enabled = nullptr;     // nullptr: enabled whenever it can run
  Test checked = nullptr;     // nullptr: not a checkable item
};

class CommandRegistry {
 public:
  // Registers (or replaces) one id.
  void add(int id, Command command) { commands_[id] = command; }
  void add_range(int first, int count, Command command);
  // A command whose work is not in the program yet: listed, disabled.
  void add_placeholder(int id) { commands_[id] = Command{}; }
  void add_placeholders(int first, int count);

  bool contains(int id) const { return commands_.count(id) != 0; }
  const Command* find(int id) const;
  std::vector<int> ids() const;

  bool is_placeholder(int id) const;
  bool is_enabled(const CommandContext& context, int id) const;
  bool is_checkable(int id) const;
  bool is_checked(const CommandContext& context, int id) const;

  // Runs the unit when the id is known and enabled; false otherwise. A unit
  // that runs out of memory ends with the message, never with the program.
  bool run(CommandContext& context, int id, CommandOrigin origin = CommandOrigin::kMenu) const;

 private:
  std::map<int, Command> commands_;
};

// Every command of the program: the units of commands_*.cpp.
CommandRegistry build_command_registry();

// One registration function per group, each in its own file.
void register_file_commands(CommandRegistry& registry);
void register_edit_commands(CommandRegistry& registry);
void register_view_commands(CommandRegistry& registry);
void register_settings_commands(CommandRegistry& registry);
void register_help_commands(CommandRegistry& registry);
// Selection, filters and layers: placeholders until their parts arrive.
void register_pending_commands(CommandRegistry& registry);

}  // namespace qm
