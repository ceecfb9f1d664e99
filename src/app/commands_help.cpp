// Help: the help page in the system's browser and the version dialog.
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/dialogs/version_dialog.h"
#include "app/main_window.h"
#include "state/resource_paths.h"

namespace qm {

namespace {

// The help page: beside the program, where an installation puts it, or in
// the source tree the program was built from.
QString help_page_path() {
#ifdef QM_RESOURCE_DIR
  const std::string build_tree = QM_RESOURCE_DIR;
#else
  const std::string build_tree;
#endif
  const std::string path = find_resource(
      "help.html", resource_folders(executable_folder(), kShareFolder, build_tree));
  if (path.empty()) return {};
  return QFileInfo(QString::fromStdString(path)).canonicalFilePath();
}

void help(CommandContext&, int, CommandOrigin) {
  // Like the shell's open verb: a missing page opens nothing.
  const QString page = help_page_path();
  if (!page.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}
bool help_exists(const CommandContext&, int) { return !help_page_path().isEmpty(); }

void version(CommandContext& c, int, CommandOrigin) { run_version_dialog(&c.window()); }

}  // namespace

void register_help_commands(CommandRegistry& r) {
  r.add(cmd::kHelp, {help, help_exists});
  // The program has no home page of its own yet.
  r.add_placeholder(cmd::kHomePage);
  r.add(cmd::kVersion, {version});
}

}  // namespace qm
