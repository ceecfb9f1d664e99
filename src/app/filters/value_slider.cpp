#include "app/filters/value_slider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace qm {

ValueSlider::ValueSlider(int minimum, int maximum, int value, int mark, QWidget* parent)
    : QWidget(parent),
      minimum_(minimum),
      maximum_(std::max(minimum, maximum)),
      value_(std::clamp(value, minimum_, maximum_)),
      mark_(mark) {}

void ValueSlider::set_value(int v) {
  value_ = std::clamp(v, minimum_, maximum_);
  update();
}

int ValueSlider::position_of(int v) const {
  const int left = 2, right = width() - 2;
  if (maximum_ == minimum_) return left;
  return left + int(int64_t(v - minimum_) * (right - left - 1) / (maximum_ - minimum_));
}

void ValueSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Button));
  // The frame is (2, 0) – (width − 2, height − 3); the pointer's three rows
  // lie under it.
  const QRect frame(2, 0, width() - 4, height() - 3);
  p.fillRect(frame, Qt::white);
  p.setPen(Qt::black);
  p.drawRect(frame.adjusted(0, 0, -1, -1));
  if (minimum_ < mark_ && mark_ <= maximum_) {
    const int x = position_of(mark_);
    p.drawLine(x, frame.top(), x, frame.bottom());
  }
  const int x = position_of(value_);
  p.drawLine(x, frame.top(), x, frame.bottom());
  // The pointer: rows of 1, 3 and 5 pixels under the frame.
  for (int row = 0; row < 3; ++row)
    p.drawLine(x - row, frame.bottom() + 1 + row, x + row, frame.bottom() + 1 + row);
}

void ValueSlider::drag_to(int mouse_x) {
  const int span = std::max(1, width() - 5);
  const int v = std::clamp(
      minimum_ + int(int64_t(maximum_ - minimum_) * (mouse_x - 2) / span), minimum_, maximum_);
  if (v == value_) return;
  value_ = v;
  update();
  emit changed();
}

void ValueSlider::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  dragging_ = true;
  drag_to(int(e->position().x()));
}

void ValueSlider::mouseMoveEvent(QMouseEvent* e) {
  if (dragging_) drag_to(int(e->position().x()));
}

void ValueSlider::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  emit changed();
}

}  // namespace qm
