#include "app/filters/filter_preview_panel.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace qm {

namespace {
constexpr int kBorder = 1;  // the client edge
}

FilterPreviewPanel::FilterPreviewPanel(const LayerImage& buffer, int width, int height, QWidget* parent)
    : QWidget(parent), buffer_(buffer), pw_(width), ph_(height) {
  setFixedSize(width + 2 * kBorder, height + 2 * kBorder);
  setCursor(Qt::OpenHandCursor);
}

Rect FilterPreviewPanel::visible() const {
  return intersect({sx_, sy_, pw_, ph_}, buffer_.bounds());
}

void FilterPreviewPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(0, 0, width() - 1, height() - 1);
  QImage checker(pw_, ph_, QImage::Format_RGB32);
  for (int y = 0; y < ph_; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(checker.scanLine(y));
    for (int x = 0; x < pw_; ++x) row[x] = ((x / 8) & 1) == ((y / 8) & 1) ? 0xFFE0E0E0 : 0xFFB0B0B0;
  }
  p.drawImage(kBorder, kBorder, checker);
  const Rect v = visible();
  if (v.empty()) return;
  // The buffer's bytes are B, G, R, A: Qt's non-premultiplied ARGB32.
  const QImage region(reinterpret_cast<const uchar*>(buffer_.row(v.y) + v.x), v.w, v.h,
                      qsizetype(buffer_.width()) * 4, QImage::Format_ARGB32);
  p.drawImage(kBorder, kBorder, region);
}

void FilterPreviewPanel::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  dragging_ = true;
  last_ = e->position().toPoint();
  emit drag_started();
}

void FilterPreviewPanel::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  const QPoint now = e->position().toPoint();
  const QPoint d = now - last_;
  last_ = now;
  if (buffer_.width() > pw_) sx_ = std::clamp(sx_ - d.x(), 0, buffer_.width() - pw_);
  if (buffer_.height() > ph_) sy_ = std::clamp(sy_ - d.y(), 0, buffer_.height() - ph_);
  update();
}

void FilterPreviewPanel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  emit drag_finished();
}

}  // namespace qm
