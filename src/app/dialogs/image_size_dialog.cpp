#include "app/dialogs/image_size_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>

#include "app/dialogs/dialog_fields.h"
#include "core/layer_image.h"  // kMaxCanvasSide

namespace qm {

namespace {
constexpr int kMaxPercent = 5000;
int clamp_pixels(int v) { return std::clamp(v, 1, kMaxCanvasSide); }
int clamp_percent(int v) { return std::clamp(v, 1, kMaxPercent); }
}  // namespace

int scale_rounded(int a, int b, int c) {
  return int((int64_t(a) * b * 2 + c) / (int64_t(c) * 2));
}

ImageSizeFields ImageSizeFields::start(int old_width, int old_height) {
  ImageSizeFields f;
  f.old_width = std::max(1, old_width);
  f.old_height = std::max(1, old_height);
  f.width = f.old_width;
  f.height = f.old_height;
  return f;
}

// With the aspect kept, the other side follows the same factor as the
// edited one: new / old of the edited side.
void ImageSizeFields::set_width(int pixels) {
  width = clamp_pixels(pixels);
  width_percent = clamp_percent(scale_rounded(width, 100, old_width));
  if (keep_aspect) {
    height = clamp_pixels(scale_rounded(old_height, width, old_width));
    height_percent = clamp_percent(scale_rounded(height, 100, old_height));
  }
}

void ImageSizeFields::set_height(int pixels) {
  height = clamp_pixels(pixels);
  height_percent = clamp_percent(scale_rounded(height, 100, old_height));
  if (keep_aspect) {
    width = clamp_pixels(scale_rounded(old_width, height, old_height));
    width_percent = clamp_percent(scale_rounded(width, 100, old_width));
  }
}

void ImageSizeFields::set_width_percent(int percent) {
  width_percent = clamp_percent(percent);
  width = clamp_pixels(scale_rounded(old_width, width_percent, 100));
  if (keep_aspect) {
    height_percent = width_percent;
    height = clamp_pixels(scale_rounded(old_height, height_percent, 100));
  }
}

void ImageSizeFields::set_height_percent(int percent) {
  height_percent = clamp_percent(percent);
  height = clamp_pixels(scale_rounded(old_height, height_percent, 100));
  if (keep_aspect) {
    width_percent = height_percent;
    width = clamp_pixels(scale_rounded(old_width, width_percent, 100));
  }
}

ImageSizeDialog::ImageSizeDialog(int old_width, int old_height, int method, QWidget* parent)
    : QDialog(parent), fields_(ImageSizeFields::start(old_width, old_height)) {
  setWindowTitle(QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ"));
  auto* form = new QFormLayout;
  form->addRow(new QLabel(QString::asprintf("%d x %d", fields_.old_width, fields_.old_height), this));
  width_ = make_range_field("width", fields_.width, 1, kMaxCanvasSide, this);
  height_ = make_range_field("height", fields_.height, 1, kMaxCanvasSide, this);
  width_percent_ = make_range_field("width_percent", 100, 1, kMaxPercent, this);
  height_percent_ = make_range_field("height_percent", 100, 1, kMaxPercent, this);
  form->addRow(QStringLiteral("幅 (px)"), width_);
  form->addRow(QStringLiteral("高さ (px)"), height_);
  form->addRow(QStringLiteral("幅 (%)"), width_percent_);
  form->addRow(QStringLiteral("高さ (%)"), height_percent_);
  keep_aspect_ = new QCheckBox(QStringLiteral("縦横比を保持"), this);
  keep_aspect_->setObjectName(QStringLiteral("keep_aspect"));
  keep_aspect_->setChecked(true);
  form->addRow(keep_aspect_);
  method_ = make_list_field("method",
                            {QStringLiteral("Nearest Neighbor"), QStringLiteral("Bilinear"),
                             QStringLiteral("Mitchell"), QStringLiteral("Lagrange"),
                             QStringLiteral("Lanczos2"), QStringLiteral("Lanczos3")},
                            method, this);
  form->addRow(method_);

  auto edited = [this](void (ImageSizeFields::*set)(int)) {
    return [this, set](int value) {
      if (updating_) return;
      (fields_.*set)(value);
      show_fields();
    };
  };
  connect(width_, &QSpinBox::valueChanged, this, edited(&ImageSizeFields::set_width));
  connect(height_, &QSpinBox::valueChanged, this, edited(&ImageSizeFields::set_height));
  connect(width_percent_, &QSpinBox::valueChanged, this, edited(&ImageSizeFields::set_width_percent));
  connect(height_percent_, &QSpinBox::valueChanged, this,
          edited(&ImageSizeFields::set_height_percent));
  connect(keep_aspect_, &QCheckBox::toggled, this, [this](bool on) { fields_.keep_aspect = on; });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void ImageSizeDialog::show_fields() {
  updating_ = true;
  width_->setValue(fields_.width);
  height_->setValue(fields_.height);
  width_percent_->setValue(fields_.width_percent);
  height_percent_->setValue(fields_.height_percent);
  updating_ = false;
}

ImageSizeChoice ImageSizeDialog::choice() const {
  return {fields_.width, fields_.height, method_->currentIndex()};
}

std::optional<ImageSizeChoice> run_image_size_dialog(QWidget* parent, int old_width,
                                                     int old_height, int method) {
  ImageSizeDialog dialog(old_width, old_height, method, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.choice();
}

}  // namespace qm
