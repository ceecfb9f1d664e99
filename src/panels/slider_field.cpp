#include "panels/slider_field.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace qm {

SliderField::SliderField(const QString& label, int minimum, int maximum, QWidget* parent)
    : QWidget(parent),
      label_(new QLabel(label, this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      spin_(new QSpinBox(this)) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(3);
  label_->setMinimumWidth(label_->fontMetrics().horizontalAdvance(QStringLiteral("MMM")));
  row->addWidget(label_);
  row->addWidget(slider_, 1);
  row->addWidget(spin_);
  spin_->setButtonSymbols(QAbstractSpinBox::NoButtons);
  spin_->setKeyboardTracking(false);
  spin_->setAlignment(Qt::AlignRight);
  spin_->setFixedWidth(spin_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 10);
  set_range(minimum, maximum);
  connect(slider_, &QSlider::valueChanged, this, [this](int v) {
    if (setting_) return;
    setting_ = true;
    spin_->setValue(v);
    setting_ = false;
    emit edited(v);
  });
  connect(spin_, &QSpinBox::valueChanged, this, [this](int v) {
    if (setting_) return;
    setting_ = true;
    slider_->setValue(v);
    setting_ = false;
    emit edited(v);
  });
}

int SliderField::value() const { return slider_->value(); }

void SliderField::set_value(int value) {
  setting_ = true;
  slider_->setValue(value);
  spin_->setValue(value);
  setting_ = false;
}

void SliderField::set_range(int minimum, int maximum) {
  setting_ = true;
  slider_->setRange(minimum, maximum);
  spin_->setRange(minimum, maximum);
  setting_ = false;
}

void SliderField::set_label(const QString& label) { label_->setText(label); }

}  // namespace qm
