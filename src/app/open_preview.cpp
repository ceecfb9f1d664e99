#include "app/open_preview.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <utility>

#include "formats/load_picture.h"
#include "platform/raster_view.h"

namespace qm {

OpenPreview::OpenPreview(bool enabled, QWidget* parent)
    : QWidget(parent),
      check_(new QCheckBox(QStringLiteral("미리보기"), this)),
      picture_(new QLabel(this)) {
  check_->setChecked(enabled);
  picture_->setFixedSize(kOpenPreviewSide, kOpenPreviewSide);
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(check_);
  layout->addWidget(picture_);
  layout->addStretch(1);
  connect(check_, &QCheckBox::toggled, this, [this] { show_file(path_); });
}

bool OpenPreview::enabled() const { return check_->isChecked(); }

void OpenPreview::show_file(const QString& path) {
  path_ = path;
  shown_ = QImage();
  if (enabled() && QFileInfo(path).isFile()) {
    LayerImage image;
    if (LoadPicture(path.toStdString(), image)) {
      // A copy: the raster goes away with this function.
      shown_ = argb_view(std::as_const(image)).copy();
    }
  }
  if (shown_.isNull()) {
    picture_->clear();
    return;
  }
  // Fitted, never enlarged.
  QImage fitted = shown_;
  if (fitted.width() > kOpenPreviewSide || fitted.height() > kOpenPreviewSide)
    fitted = fitted.scaled(kOpenPreviewSide, kOpenPreviewSide, Qt::KeepAspectRatio,
                           Qt::SmoothTransformation);
  picture_->setPixmap(QPixmap::fromImage(fitted));
}

OpenPreview* add_open_preview(QFileDialog& dialog, bool enabled) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  auto* preview = new OpenPreview(enabled, &dialog);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(preview, 0, grid->columnCount(), std::max(1, grid->rowCount()), 1);
  else if (dialog.layout())
    dialog.layout()->addWidget(preview);
  QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &OpenPreview::show_file);
  return preview;
}

}  // namespace qm
