#pragma once
// The filter commands: every id of the filter menu with its dialog, preview,
// runner and command-line name, and the algorithm joined from the group
// tables by command id. The menu, the filter list window and the command
// line all read this one table. A command whose algorithm is not in the
// program stays listed with `run` null.
#include <span>
#include <string_view>

#include "filters/filter_algorithm.h"

namespace qm::filters {

inline constexpr int kFirstTableFilter = 41000;
inline constexpr int kTableFilterCount = 52;  // 41000 … 41051

enum class PreviewMode : uint8_t { kNone = 0, kCanvas = 1, kPanel = 2 };

// How a command runs once its dialog (if any) closed with OK.
enum class FilterRunner : uint8_t {
  kDialogThenUi,      // dialog, then on the user-interface thread (in place,
                      // or from a copy when `source_is_copy`)
  kDialogThenWorker,  // dialog, then on a worker under the progress dialog,
                      // from a full copy of the layer
  kWorkerCopy,        // no dialog; worker, from a full copy of the layer
  kWorkerInPlace,     // no dialog; worker, in place (the clouds)
  kDirect,            // no dialog, no progress, in place
  kOwnDialog,         // a dialog of its own (Levels, Replace Colour)
};

struct FilterCommand {
  int id;
  const char* cli_name;  // stable, lower-case ASCII
  const char* title;     // dialog caption (UTF-8); "" without a dialog
  int dialog_id;         // 700 … 740; 0 without a generic dialog
  PreviewMode preview;
  int panel_width, panel_height;  // in-dialog preview panel
  FilterRunner runner;
  bool source_is_copy;   // Runner 1 reads from the dialog's backup (Shift)
  bool whole_canvas;     // runs over the whole layer whatever the selection
  FilterCallback run;    // null until the algorithm is in the program

  bool has_dialog() const { return dialog_id != 0; }
  bool available() const { return run != nullptr; }
};

// Every filter command: 41000 … 41051, then 41800 … 41803, 41810 … 41813,
// 41820 … 41822.
std::span<const FilterCommand> filter_commands();
// nullptr for an id that is not a filter command (bound-checked).
const FilterCommand* find_filter_command(int id);
const FilterCommand* find_filter_by_name(std::string_view cli_name);

// The algorithm registered for `id` by any group table; null when none.
FilterCallback find_algorithm(int id);

}  // namespace qm::filters
