#include "app/dialogs/canvas_size_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/dialog_fields.h"
#include "core/layer_image.h"  // kMaxCanvasSide

namespace qm {

CanvasSizeDialog::CanvasSizeDialog(int old_width, int old_height, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("ｷｬﾝﾊﾞｽｻｲｽﾞ"));
  auto* form = new QFormLayout;
  form->addRow(new QLabel(QString::asprintf("%d x %d", old_width, old_height), this));
  width_ = make_range_field("width", old_width, 1, kMaxCanvasSide, this);
  height_ = make_range_field("height", old_height, 1, kMaxCanvasSide, this);
  form->addRow(QStringLiteral("幅"), width_);
  form->addRow(QStringLiteral("高さ"), height_);

  auto* grid = new QGridLayout;
  anchors_ = new QButtonGroup(this);
  anchors_->setExclusive(true);
  for (int i = 0; i < 9; ++i) {
    auto* button = new QPushButton(this);
    button->setObjectName(QStringLiteral("anchor%1").arg(i));
    button->setCheckable(true);
    button->setFixedSize(24, 24);
    anchors_->addButton(button, i);
    grid->addWidget(button, i / 3, i % 3);
  }
  anchors_->button(0)->setChecked(true);
  form->addRow(grid);

  fill_ = make_list_field("fill", {QStringLiteral("透明"), QStringLiteral("白"), QStringLiteral("描画色")},
                          0, this);
  form->addRow(fill_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void CanvasSizeDialog::choose_anchor(int index) {
  if (QAbstractButton* b = anchors_->button(std::clamp(index, 0, 8))) b->setChecked(true);
}

CanvasSizeChoice CanvasSizeDialog::choice() const {
  return {field_value(width_), field_value(height_), std::max(0, anchors_->checkedId()),
          fill_->currentIndex()};
}

std::optional<CanvasSizeChoice> run_canvas_size_dialog(QWidget* parent, int old_width,
                                                       int old_height) {
  CanvasSizeDialog dialog(old_width, old_height, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.choice();
}

}  // namespace qm
