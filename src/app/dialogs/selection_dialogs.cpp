#include "app/dialogs/selection_dialogs.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "app/dialogs/dialog_fields.h"
#include "app/dialogs/dialog_texts.h"

namespace qm {

namespace {

constexpr int kMaxCoordinate = 4499;

}  // namespace

SelectionCoordsDialog::SelectionCoordsDialog(const SelectionCorners& start, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("좌표로 선택"));
  x1_ = make_range_field("x1", start.x1, 0, kMaxCoordinate, this);
  y1_ = make_range_field("y1", start.y1, 0, kMaxCoordinate, this);
  x2_ = make_range_field("x2", start.x2, 0, kMaxCoordinate, this);
  y2_ = make_range_field("y2", start.y2, 0, kMaxCoordinate, this);
  width_ = make_range_field("width", 1, 1, kMaxCoordinate + 1, this);
  height_ = make_range_field("height", 1, 1, kMaxCoordinate + 1, this);
  amount_ = make_range_field("amount", 10, 1, kMaxCoordinate, this);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("x1"), this), 0, 0);
  grid->addWidget(x1_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("y1"), this), 0, 2);
  grid->addWidget(y1_, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("x2"), this), 1, 0);
  grid->addWidget(x2_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("y2"), this), 1, 2);
  grid->addWidget(y2_, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("폭"), this), 2, 0);
  grid->addWidget(width_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("높이"), this), 2, 2);
  grid->addWidget(height_, 2, 3);

  auto* grow = new QPushButton(QStringLiteral("확대"), this);
  grow->setObjectName(QStringLiteral("grow"));
  auto* shrink = new QPushButton(QStringLiteral("축소"), this);
  shrink->setObjectName(QStringLiteral("shrink"));
  for (QPushButton* b : {grow, shrink}) b->setAutoDefault(false);
  auto* amount_row = new QHBoxLayout;
  amount_row->addWidget(new QLabel(QStringLiteral("픽셀"), this));
  amount_row->addWidget(amount_);
  amount_row->addWidget(grow);
  amount_row->addWidget(shrink);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(amount_row);
  layout->addWidget(make_ok_cancel_buttons(this));

  corners_edited();
  for (QSpinBox* b : {x1_, y1_, x2_, y2_})
    connect(b, &QSpinBox::valueChanged, this, [this] { corners_edited(); });
  for (QSpinBox* b : {width_, height_})
    connect(b, &QSpinBox::valueChanged, this, [this] { size_edited(); });
  connect(grow, &QPushButton::clicked, this, [this] { this->grow(1); });
  connect(shrink, &QPushButton::clicked, this, [this] { this->grow(-1); });
}

void SelectionCoordsDialog::corners_edited() {
  if (updating_) return;
  updating_ = true;
  width_->setValue(std::abs(x2_->value() - x1_->value()) + 1);
  height_->setValue(std::abs(y2_->value() - y1_->value()) + 1);
  updating_ = false;
}

void SelectionCoordsDialog::size_edited() {
  if (updating_) return;
  updating_ = true;
  // The size moves the second corner away from the first.
  const int sx = x2_->value() < x1_->value() ? -1 : 1, sy = y2_->value() < y1_->value() ? -1 : 1;
  x2_->setValue(x1_->value() + sx * (width_->value() - 1));
  y2_->setValue(y1_->value() + sy * (height_->value() - 1));
  updating_ = false;
  corners_edited();
}

void SelectionCoordsDialog::grow(int sign) {
  const int d = sign * amount_->value();
  SelectionCorners c = corners();
  if (c.x1 > c.x2) std::swap(c.x1, c.x2);
  if (c.y1 > c.y2) std::swap(c.y1, c.y2);
  int x1 = c.x1 - d, y1 = c.y1 - d, x2 = c.x2 + d, y2 = c.y2 + d;
  // Shrinking stops at a single pixel.
  if (x1 > x2) x1 = x2 = (c.x1 + c.x2) / 2;
  if (y1 > y2) y1 = y2 = (c.y1 + c.y2) / 2;
  updating_ = true;
  x1_->setValue(x1);
  y1_->setValue(y1);
  x2_->setValue(x2);
  y2_->setValue(y2);
  updating_ = false;
  corners_edited();
}

SelectionCorners SelectionCoordsDialog::corners() const {
  return {field_value(x1_), field_value(y1_), field_value(x2_), field_value(y2_)};
}

std::optional<SelectionCorners> run_selection_coords_dialog(QWidget* parent,
                                                            const SelectionCorners& start) {
  SelectionCoordsDialog dialog(start, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.corners();
}

RotateChoice rotate_choice_from_setting(int rotate_angle) {
  RotateChoice c;
  c.angle = int(int16_t(rotate_angle & 0xFFFF)) % 360;
  c.smooth = (rotate_angle & kRotateSmoothBit) != 0;
  return c;
}

int rotate_setting_from_choice(const RotateChoice& choice) {
  return (int(uint16_t(int16_t(choice.angle % 360)))) | (choice.smooth ? kRotateSmoothBit : 0);
}

RotateDialog::RotateDialog(const RotateChoice& start, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("임의 각도 회전"));
  angle_ = make_range_field("angle", start.angle, -360, 360, this);
  angle_->setSuffix(QStringLiteral("°"));
  smooth_ = new QCheckBox(QStringLiteral("스무딩"), this);
  smooth_->setObjectName(QStringLiteral("smooth"));
  smooth_->setChecked(start.smooth);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("각도"), angle_);
  form->addRow(smooth_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(make_ok_cancel_buttons(this));
}

RotateChoice RotateDialog::choice() const { return {field_value(angle_), smooth_->isChecked()}; }

std::optional<RotateChoice> run_rotate_dialog(QWidget* parent, const RotateChoice& start) {
  RotateDialog dialog(start, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.choice();
}

}  // namespace qm
