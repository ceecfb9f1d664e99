// File commands: new canvas, open, save, save as (plain, by format, into a
// recent folder, into the fixed folder), the recent lists and quit.
#include "app/app_state.h"
#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/document_flows.h"
#include "app/fixed_save_dialog.h"
#include "app/main_window.h"

namespace qm {

namespace {

void new_canvas(CommandContext& c, int, CommandOrigin) { c.state().pending.finish_all(); c.flows().new_canvas(); }
void open(CommandContext& c, int, CommandOrigin) { c.state().pending.finish_all(); c.flows().open_with_dialog(); }
void save(CommandContext& c, int, CommandOrigin) { c.state().pending.finish_all(); c.flows().save(); }
void save_as(CommandContext& c, int, CommandOrigin) { c.state().pending.finish_all(); c.flows().save_as(); }
void save_fixed(CommandContext& c, int, CommandOrigin) { c.state().pending.finish_all(); c.flows().save_to_fixed_folder(); }
void quit(CommandContext& c, int, CommandOrigin) { c.window().close(); }

void fixed_folder(CommandContext& c, int, CommandOrigin) {
  Environment& env = c.state().settings.env;
  const std::optional<FixedSaveChoice> chosen =
      run_fixed_save_dialog(&c.window(), {env.fix_save_dir, env.fix_save_opt & 15});
  if (!chosen) return;
  env.fix_save_dir = chosen->folder;
  env.fix_save_opt = (env.fix_save_opt & ~15) | chosen->format;
}

// 3250 … 3254: save as PSD, BMP, PNG, JPEG, GIF (format 1 … 5).
void save_as_format(CommandContext& c, int id, CommandOrigin) {
  c.state().pending.finish_all();
  c.flows().save_as({id - cmd::kFirstSaveAsFormat + 1, {}});
}

void open_recent_file(CommandContext& c, int id, CommandOrigin) {
  c.state().pending.finish_all();
  c.flows().open_recent(id - cmd::kFirstRecentFile);
}
bool recent_file_exists(const CommandContext& c, int id) {
  return !c.state().settings.recent.files[size_t(id - cmd::kFirstRecentFile)].empty();
}

// A recent folder: the open dialog starts there, or, from the save-as
// button's menu, the save-as dialog.
void recent_folder(CommandContext& c, int id, CommandOrigin origin) {
  const std::string folder = c.state().settings.recent.folders[size_t(id - cmd::kFirstRecentFolder)];
  if (origin == CommandOrigin::kSaveAsButton)
    c.flows().save_as({std::nullopt, folder});
  else
    c.flows().open_with_dialog(folder);
}
bool recent_folder_exists(const CommandContext& c, int id) {
  return !c.state().settings.recent.folders[size_t(id - cmd::kFirstRecentFolder)].empty();
}

}  // namespace

void register_file_commands(CommandRegistry& r) {
  r.add(cmd::kNewCanvas, {new_canvas});
  r.add(cmd::kOpen, {open});
  r.add(cmd::kSave, {save});
  r.add(cmd::kSaveAs, {save_as});
  r.add(cmd::kQuit, {quit});
  r.add(cmd::kSaveFixed, {save_fixed});
  r.add(cmd::kFixedFolder, {fixed_folder});
  r.add_range(cmd::kFirstSaveAsFormat, cmd::kSaveAsFormatCount, {save_as_format});
  r.add_range(cmd::kFirstRecentFile, kRecentFileCount, {open_recent_file, recent_file_exists});
  r.add_range(cmd::kFirstRecentFolder, kRecentFolderCount, {recent_folder, recent_folder_exists});
  // The recent-files submenu's own number is only a place in the menu.
  r.add_placeholder(cmd::kRecentFilesMenu);
  // The clipboard and the scanner come later.
  r.add_placeholder(cmd::kOpenClipboard);
  r.add_placeholder(cmd::kScanAcquire);
  r.add_placeholder(cmd::kScanSelect);
}

}  // namespace qm
