#include "app/app_icon.h"

#include <string>

#include "state/resource_paths.h"

namespace qm {

namespace {

// The sizes the build renders the icon at (packaging/CMakeLists.txt).
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace

QIcon application_icon() {
  const QIcon themed = QIcon::fromTheme(QStringLiteral("quillmark2"));
  if (!themed.isNull()) return themed;
#ifdef QM_ICON_DIR
  const std::string build_tree = QM_ICON_DIR;
#else
  const std::string build_tree;
#endif
  const std::vector<std::string> folders =
      resource_folders(executable_folder(), kIconThemeFolder, build_tree);
  QIcon icon;
  for (const int size : kIconSizes) {
    const std::string side = std::to_string(size);
    const std::string path = find_resource(side + "x" + side + "/apps/quillmark2.png", folders);
    if (!path.empty()) icon.addFile(QString::fromStdString(path), QSize(size, size));
  }
  return icon;
}

}  // namespace qm
