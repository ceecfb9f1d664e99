#include "app/info_bar.h"

#include <QPainter>

#include "canvas/info_bar_text.h"

namespace qm {

namespace {

constexpr int kMargin = 4;  // each side of a field's text
constexpr QRgb kBarBackground = 0xFFE0E0E0;
constexpr QRgb kSeparator = 0xFFA0A0A0;

}  // namespace

InfoBar::InfoBar(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  set_pointer_position(0, 0);
  set_zoom(100);
  set_size(0, 0, false);
}

void InfoBar::set_pointer_position(int x, int y) {
  texts_[0] = QString::fromStdString(position_field(x, y));
  update(field_rect(0));
}

void InfoBar::set_zoom(int scale) {
  texts_[1] = QString::fromStdString(zoom_field(scale));
  update(field_rect(1));
}

void InfoBar::set_size(int w, int h, bool dragging) {
  texts_[2] = QString::fromStdString(size_field(w, h));
  dragging_ = dragging;
  update(field_rect(2));
}

int InfoBar::field_width(int index) const {
  return kInfoFieldWidthsInA[index] * fontMetrics().horizontalAdvance(QLatin1Char('A')) +
         2 * kMargin;
}

QRect InfoBar::field_rect(int index) const {
  int x = 0;
  for (int i = 0; i < index; ++i) x += field_width(i) + 1;  // + separator
  return {x, 0, field_width(index), height()};
}

QSize InfoBar::sizeHint() const {
  return {field_rect(2).right() + 1, fontMetrics().height() + 4};
}

void InfoBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(kBarBackground));
  for (int i = 0; i < 3; ++i) {
    const QRect r = field_rect(i);
    if (i > 0) painter.fillRect(r.left() - 1, 0, 1, height(), QColor(kSeparator));
    painter.setPen(i == 2 && dragging_ ? Qt::red : Qt::black);
    painter.drawText(r.adjusted(kMargin, 0, -kMargin, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     texts_[i]);
  }
}

}  // namespace qm
