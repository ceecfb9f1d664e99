// Edit commands: undo and redo now; the clipboard and whole-image
// operations are placeholders until they arrive.
#include "app/app_state.h"
#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/main_window.h"

namespace qm {

namespace {

void undo(CommandContext& c, int, CommandOrigin) { c.window().undo(); }
void redo(CommandContext& c, int, CommandOrigin) { c.window().redo(); }
bool can_undo(const CommandContext& c, int) { return c.state().undo.undo_count() > 0; }
bool can_redo(const CommandContext& c, int) { return c.state().undo.redo_count() > 0; }

}  // namespace

void register_edit_commands(CommandRegistry& r) {
  r.add(cmd::kUndo, {undo, can_undo});
  r.add(cmd::kRedo, {redo, can_redo});
  // Copy and paste of layers (40052 … 40056), flips and rotations of the
  // whole image (40057 … 40060), image and canvas size (40061, 40062).
  r.add_placeholders(cmd::kCopyLayer24, cmd::kCanvasSize - cmd::kCopyLayer24 + 1);
}

}  // namespace qm
