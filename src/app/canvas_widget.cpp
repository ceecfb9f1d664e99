#include "app/canvas_widget.h"

#include <QPaintEvent>
#include <QPainter>

#include "document/document.h"
#include "platform/raster_view.h"

namespace qm {

namespace {

// The backing raster is shown as RGB32, which needs 0xFF in the fourth byte;
// the composite's fourth byte means nothing, so it is set while copying.
void copy_opaque(LayerImage& dst, int dst_x, int dst_y, const LayerImage& src) {
  const BlitSpan s = clip_blit(dst_x, dst_y, src.width(), src.height(), dst.width(),
                               dst.height(), 0, 0, src.width(), src.height());
  for (int y = 0; y < s.h; ++y) {
    const Pixel* from = src.row(s.src_y + y) + s.src_x;
    Pixel* to = dst.row(s.dst_y + y) + s.dst_x;
    for (int x = 0; x < s.w; ++x) to[x] = from[x] | 0xFF000000u;
  }
}

}  // namespace

CanvasWidget::CanvasWidget(Document& document, QWidget* parent)
    : QWidget(parent), document_(document) {
  // Every pixel comes from the backing raster: no background fill first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::redraw_all() {
  if (backing_.empty()) return;
  backing_.fill(0xFF000000u | kDefaultCanvasBackground);
  const LayerImage& composite = document_.composite();
  if (!composite.empty()) {
    const int x = backing_.width() / 2 - composite.width() / 2;
    const int y = backing_.height() / 2 - composite.height() / 2;
    copy_opaque(backing_, x, y, composite);
  }
  update();
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A zero-sized widget gets no raster: create() refuses and leaves it empty.
  backing_.create(width(), height());
  redraw_all();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (backing_.empty()) {
    painter.fillRect(event->rect(), QColor(QRgb(kDefaultCanvasBackground)));
    return;
  }
  const QImage view = opaque_view(backing_);
  for (const QRect& r : event->region()) painter.drawImage(r.topLeft(), view, r);
}

}  // namespace qm
