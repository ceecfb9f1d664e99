#include "panels/picture_files.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cstring>

#include "formats/load_picture.h"

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

bool load_any_size_picture(const QString& path, LayerImage& image, int clip_side) {
  const std::string file = path.toStdString();
  if (load_picture_result(file, image, nullptr) != LoadResult::TooLarge) return !image.empty();
  const std::string ext = picture_extension(file);
  if (!is_flat_picture_path(file)) return false;
  QImageReader reader(path, QByteArray::fromStdString(ext == "jpg" ? std::string("jpeg") : ext));
  reader.setDecideFormatFromContent(false);
  reader.setAllocationLimit(int(kMaxRasterBytes >> 20));
  const QSize size = reader.size();
  if (size.isEmpty()) return false;
  QRect keep(QPoint(0, 0), size);
  if (clip_side > 0) {
    keep = keep.intersected(QRect(0, 0, clip_side, clip_side));
    if (reader.supportsOption(QImageIOHandler::ClipRect)) reader.setClipRect(keep);
  }
  QImage read = reader.read();
  if (read.isNull()) return false;
  if (read.size() != keep.size()) read = read.copy(keep);
  read = std::move(read).convertToFormat(QImage::Format_ARGB32);
  if (read.isNull() || !image.create(read.width(), read.height())) return false;
  for (int y = 0; y < read.height(); ++y)
    std::memcpy(image.row(y), read.constScanLine(y), size_t(read.width()) * 4);
  return true;
}

}  // namespace qm
