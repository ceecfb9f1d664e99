// Help: the help page in the system's browser and the version dialog.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/dialogs/version_dialog.h"
#include "app/main_window.h"

namespace qm {

namespace {

// The help page: beside the program, where an installation puts it, or in
// the source tree the program was built from.
QString help_page_path() {
  const QString dir = QCoreApplication::applicationDirPath();
  const QStringList candidates = {
      dir + QStringLiteral("/help.html"),
      dir + QStringLiteral("/../share/quillmark2/help.html"),
#ifdef QM_RESOURCE_DIR
      QStringLiteral(QM_RESOURCE_DIR "/help.html"),
#endif
  };
  for (const QString& path : candidates)
    if (QFileInfo(path).isFile()) return QFileInfo(path).canonicalFilePath();
  return {};
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
