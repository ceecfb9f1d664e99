// Commands whose work arrives with later parts of the program: listed in
// the menus and known to the accelerators and key bindings, disabled until
// their units replace these placeholders.
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/commands_filters.h"
#include "app/commands_selection.h"

namespace qm {

void register_pending_commands(CommandRegistry& r) {
  // Selection (40100 … 40124, the paste-as-composite toggle among them).
  register_selection_commands(r);
  // Filters through their table, and the three groups run by mode.
  register_filter_commands(r);
}

}  // namespace qm
