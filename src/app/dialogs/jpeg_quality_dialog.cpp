#include "app/dialogs/jpeg_quality_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <algorithm>

namespace qm {

int make_jpeg_comp(int quality, bool subsample) {
  return std::clamp(quality, 1, 100) | (subsample ? kJpegSubsampleBit : 0);
}

JpegQualityPanel::JpegQualityPanel(int jpeg_comp, QWidget* parent) : QWidget(parent) {
  quality_ = new QSpinBox(this);
  quality_->setObjectName(QStringLiteral("quality"));
  quality_->setRange(1, 100);
  quality_->setValue(std::clamp(jpeg_quality_of(jpeg_comp), 1, 100));
  subsample_ = new QCheckBox(QStringLiteral("압축 사용 안함"), this);
  subsample_->setObjectName(QStringLiteral("subsample"));
  subsample_->setChecked(jpeg_subsample_of(jpeg_comp));

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(QStringLiteral("JPEG 품질[1-100]"), this));
  layout->addWidget(quality_);
  layout->addWidget(subsample_);
  layout->addStretch();
}

int JpegQualityPanel::jpeg_comp() const {
  quality_->interpretText();
  return make_jpeg_comp(quality_->value(), subsample_->isChecked());
}

JpegQualityPanel* add_jpeg_quality_panel(QFileDialog& dialog, int jpeg_comp) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  auto* panel = new JpegQualityPanel(jpeg_comp, &dialog);
  // Qt's file dialog lays itself out on a grid; the panel takes a new last
  // row across all columns.
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(panel, grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
  else if (dialog.layout())
    dialog.layout()->addWidget(panel);
  return panel;
}

}  // namespace qm
