#pragma once
// Runs a filter command the way the filter table says: finish what is
// pending, the target rectangle, the dialog (generic or the filter's own),
// then the run on the user-interface thread or a worker under the progress
// dialog, one undo step, and the refresh.
#include "app/filters/filter_host.h"
#include "filters/filter_table.h"

namespace qm {

inline constexpr const char* kFilterOutOfMemory = "ﾒﾓﾘの確保に失敗";

// Filters with dialogs of their own (Levels 41002, Replace Colour 41011):
// the program fills this table at start-up. The runner calls the entry after
// pending work is finished and with the target rectangle (never empty); the
// entry shows its dialog (recording it as the active filter dialog), and
// after OK records the undo step, runs its algorithm in place and calls
// host.pixels_changed().
using OwnDialogRunner = void (*)(FilterHost& host, const filters::FilterCommand& command,
                                 Rect target);
void set_own_dialog_runner(int id, OwnDialogRunner runner);
OwnDialogRunner own_dialog_runner(int id);

// What the algorithms read of the program: the drawing colours, the current
// tool's density, the document.
filters::FilterEnvironment filter_environment(const AppState& state);
// The out-of-memory message over the host's window.
void show_filter_out_of_memory(FilterHost& host);

// Whether `id` can run now: a filter command with its algorithm (or own
// dialog), a current layer, and no progress job running.
bool filter_command_enabled(const AppState& state, int id);

// Runs command `id`; ids that are not filter commands do nothing.
void run_filter_command(FilterHost& host, int id);
// Runs `command` as given (the table's row, or a test's own).
void run_filter(FilterHost& host, const filters::FilterCommand& command);

}  // namespace qm
