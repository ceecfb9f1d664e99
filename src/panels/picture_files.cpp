#include "panels/picture_files.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace qm {

QStringList picture_files_in(const QString& folder) {
  const QStringList patterns{QStringLiteral("*.bmp"), QStringLiteral("*.png"), QStringLiteral("*.jpg"),
                             QStringLiteral("*.jpeg"), QStringLiteral("*.gif")};
  QDir dir(folder);
  dir.setNameFilters(patterns);
  dir.setFilter(QDir::Files);
  dir.setSorting(QDir::Name | QDir::IgnoreCase);
  return dir.entryList();
}

QString neighbour_picture(const QString& path, int step) {
  const QFileInfo info(path);
  const QStringList files = picture_files_in(info.absolutePath());
  const QString name = info.fileName();
  auto less = [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; };
  const auto at = std::lower_bound(files.begin(), files.end(), name, less);
  const bool listed = at != files.end() && at->compare(name, Qt::CaseInsensitive) == 0;
  qsizetype index = at - files.begin();
  if (step > 0) index += listed ? 1 : 0;
  else index -= 1;
  if (index < 0 || index >= files.size()) return QString();
  return info.absoluteDir().filePath(files[index]);
}

}  // namespace qm
