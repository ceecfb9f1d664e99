#include "app/canvas_widget.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

#include "document/document.h"
#include "platform/raster_view.h"

namespace qm {

namespace {

// The largest width and the largest height among the screens, each taken on
// its own, so that no window size ever needs a bigger buffer.
QSize largest_screen_size() {
  QSize size;
  for (const QScreen* screen : QGuiApplication::screens())
    size = size.expandedTo(screen->geometry().size());
  if (size.isEmpty()) size = QSize(1920, 1080);
  return size;
}

QRect to_qrect(Rect r) { return {r.x, r.y, r.w, r.h}; }

}  // namespace

CanvasWidget::CanvasWidget(Document& document, QWidget* parent)
    : QAbstractScrollArea(parent), view_(document) {
  const QSize screen = largest_screen_size();
  view_.create_backing(screen.width(), screen.height());
  // Every pixel comes from the backing buffer: no background fill first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  viewport()->setMouseTracking(true);  // the information bar follows the pointer
  setFrameShape(QFrame::NoFrame);
  // The view always lets the image scroll half a window past each edge, so
  // there is always something to scroll.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  view_.place(viewport()->width(), viewport()->height());
  document_changed();
}

void CanvasWidget::show_rect(Rect window_rect) {
  if (!window_rect.empty()) viewport()->update(to_qrect(window_rect));
  sync_scroll_bars();
  if (view_.scale() != last_scale_) {
    last_scale_ = view_.scale();
    emit scale_changed(last_scale_);
  }
}

void CanvasWidget::sync_scroll_bars() {
  const ViewGeometry& g = view_.geometry();
  syncing_ = true;
  horizontalScrollBar()->setRange(0, max_scroll_x(g));
  horizontalScrollBar()->setPageStep(std::max(g.view_w, 1));
  horizontalScrollBar()->setSingleStep(std::max(g.view_w / 20, 1));
  horizontalScrollBar()->setValue(g.scroll_x);
  verticalScrollBar()->setRange(0, max_scroll_y(g));
  verticalScrollBar()->setPageStep(std::max(g.view_h, 1));
  verticalScrollBar()->setSingleStep(std::max(g.view_h / 20, 1));
  verticalScrollBar()->setValue(g.scroll_y);
  syncing_ = false;
}

void CanvasWidget::set_settings(const ViewSettings& settings) {
  show_rect(view_.set_settings(settings));
}
void CanvasWidget::document_changed() {
  show_rect(view_.document_changed());
  emit image_size_changed(view_.geometry().image_w, view_.geometry().image_h);
}
void CanvasWidget::document_replaced() {
  // place() is document_changed() without the recomposition.
  show_rect(view_.place(viewport()->width(), viewport()->height()));
  emit image_size_changed(view_.geometry().image_w, view_.geometry().image_h);
}
void CanvasWidget::update_rect(Rect image_rect) { show_rect(view_.update_rect(image_rect)); }
void CanvasWidget::present_dirty() { show_rect(view_.present_dirty()); }
void CanvasWidget::redraw_all() { show_rect(view_.redraw_all()); }
void CanvasWidget::set_scale(int percent) { show_rect(view_.set_scale(percent)); }
void CanvasWidget::zoom_in() { show_rect(view_.zoom_in()); }
void CanvasWidget::zoom_out() { show_rect(view_.zoom_out()); }
void CanvasWidget::zoom_to_preset(int index) { show_rect(view_.zoom_to_preset(index)); }
void CanvasWidget::scroll_by(int dx, int dy) { show_rect(view_.scroll_by(dx, dy)); }
void CanvasWidget::scroll_to_image_point(double x, double y) {
  show_rect(view_.scroll_to_image_point(x, y));
}
void CanvasWidget::toggle_mirror() { show_rect(view_.toggle_mirror()); }
void CanvasWidget::toggle_checker() { show_rect(view_.toggle_checker()); }
void CanvasWidget::toggle_grid() { show_rect(view_.toggle_grid()); }

bool CanvasWidget::event(QEvent* event) {
  // Tab is a command key here (the all-windows toggle), not focus movement.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const ViewGeometry& g = view_.geometry();
  const QRect shown(0, 0, g.view_w, g.view_h);
  const QImage buffer = opaque_view(view_.backing());
  const QColor background(QRgb(view_.settings().canvas_background | 0xFF000000u));
  for (const QRect& r : event->region()) {
    const QRect from_buffer = buffer.isNull() ? QRect() : (r & shown);
    if (!from_buffer.isEmpty()) painter.drawImage(from_buffer.topLeft(), buffer, from_buffer);
    // A window larger than every screen (or no buffer): the rest is background.
    for (const QRect& rest : QRegion(r) - QRegion(from_buffer)) painter.fillRect(rest, background);
  }
  emit painted();
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // Called for the area and for its viewport; the viewport's size is the view.
  const QSize size = viewport()->size();
  if (size.width() == view_.geometry().view_w && size.height() == view_.geometry().view_h &&
      placed_)
    return;
  show_rect(placed_ ? view_.resize(size.width(), size.height())
                    : view_.place(size.width(), size.height()));
}

void CanvasWidget::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  if (placed_) return;
  // The window has its placed size now: the image starts centred in it, and
  // later size changes keep the centre point instead.
  show_rect(view_.place(viewport()->width(), viewport()->height()));
  placed_ = true;
}

void CanvasWidget::scrollContentsBy(int, int) {
  if (syncing_) return;
  show_rect(view_.set_scroll(horizontalScrollBar()->value(), verticalScrollBar()->value()));
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
  // Ctrl + wheel zooms by the zoom steps; the plain wheel scrolls (the bars).
  if (event->modifiers() & Qt::ControlModifier) {
    const int delta = event->angleDelta().y();
    if (delta > 0) zoom_in();
    if (delta < 0) zoom_out();
    event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  emit pointer_pressed(event->position().toPoint(), event->button(), event->buttons(),
                       event->modifiers());
  event->accept();
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const Point image = view_.window_to_image(pos.x(), pos.y());
  emit pointer_image_position(image.x, image.y);
  emit pointer_moved(pos, event->buttons(), event->modifiers());
  event->accept();
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  emit pointer_released(event->position().toPoint(), event->button(), event->buttons(),
                        event->modifiers());
  event->accept();
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
  emit key_pressed(event->key(), event->modifiers(), event->isAutoRepeat());
  event->accept();
}

void CanvasWidget::keyReleaseEvent(QKeyEvent* event) {
  emit key_released(event->key(), event->modifiers(), event->isAutoRepeat());
  event->accept();
}

}  // namespace qm
