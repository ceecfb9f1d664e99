// Help: the help page in the system's browser (or our own window when the
// desktop has nothing for HTML) and the version dialog.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTextBrowser>
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

// The page in a window of our own, for desktops with nothing that opens
// HTML files. One window, raised again when asked for twice.
void show_help_window(QWidget* parent, const QString& page) {
  static QPointer<QTextBrowser> window;
  if (!window) {
    window = new QTextBrowser(parent);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("help_window"));
    window->setOpenExternalLinks(true);
    window->resize(640, 520);
  }
  window->setSource(QUrl::fromLocalFile(page));
  window->setWindowTitle(window->documentTitle().isEmpty() ? QStringLiteral("Quillmark2")
                                                           : window->documentTitle());
  window->show();
  window->raise();
  window->activateWindow();
}

// Whether the desktop has a program for HTML pages. Without one the system
// opener starts, finds nothing and shows nothing, yet reports success.
bool desktop_opens_html() {
  QProcess query;
  query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                           QStringLiteral("text/html")});
  if (!query.waitForFinished(2000) || query.exitStatus() != QProcess::NormalExit ||
      query.exitCode() != 0)
    return false;
  return !query.readAllStandardOutput().trimmed().isEmpty();
}

void help(CommandContext& c, int, CommandOrigin) {
  // Like the shell's open verb: a missing page opens nothing.
  const QString page = help_page_path();
  if (page.isEmpty()) return;
  if (!desktop_opens_html() || !QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
    show_help_window(&c.window(), page);
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
