#include "app/canvas_widget.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

#include <QPointingDevice>
#include <cmath>

#include "app/held_key_tracker.h"
#include "canvas/feedback_pixels.h"
#include "canvas/tablet_input.h"
#include "document/document.h"
#include "platform/raster_view.h"
#include "platform/tablet_events.h"
#include "platform/tick_clock.h"

namespace qm {

namespace {

// The largest width and the largest height among the screens, each taken on
// its own, so that no window size ever needs a bigger buffer; in device
// pixels, as the view works in them.
QSize largest_screen_size() {
  QSize size;
  for (const QScreen* screen : QGuiApplication::screens())
    size = size.expandedTo((QSizeF(screen->geometry().size()) * screen->devicePixelRatio())
                               .toSize());
  if (size.isEmpty()) size = QSize(1920, 1080);
  return size;
}

QRect to_qrect(Rect r) { return {r.x, r.y, r.w, r.h}; }

bool to_button(Qt::MouseButton b, PointerButton& out) {
  switch (b) {
    case Qt::LeftButton: out = PointerButton::kLeft; return true;
    case Qt::RightButton: out = PointerButton::kRight; return true;
    case Qt::MiddleButton: out = PointerButton::kMiddle; return true;
    case Qt::BackButton: out = PointerButton::kSide1; return true;
    case Qt::ForwardButton: out = PointerButton::kSide2; return true;
    default: return false;
  }
}

// The selection frame as an inverted box around its pixels.
Feedback frame_feedback(Rect r) {
  Feedback f;
  f.shape = Feedback::Shape::kRectangle;
  f.a = {double(r.x), double(r.y)};
  f.b = {double(r.right() - 1), double(r.bottom() - 1)};
  return f;
}

Qt::CursorShape handle_cursor(int handle) {
  switch (handle) {
    case kHandleTop: case kHandleBottom: return Qt::SizeVerCursor;
    case kHandleLeft: case kHandleRight: return Qt::SizeHorCursor;
    case kHandleTopLeft: case kHandleBottomRight: return Qt::SizeFDiagCursor;
    case kHandleTopRight: case kHandleBottomLeft: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
  }
}

}  // namespace

// The view, its buffer and all its arithmetic are in device pixels, so that
// 100 % is one image pixel per screen pixel on a high-density screen too, and
// the buffer reaches the screen without being scaled again. Qt scales only
// the rest of the interface.
qreal CanvasWidget::pixel_ratio() const { return viewport()->devicePixelRatioF(); }

QSize CanvasWidget::view_size() const {
  return (QSizeF(viewport()->size()) * pixel_ratio()).toSize();
}

QPointF CanvasWidget::to_view(QPointF window) const { return window * pixel_ratio(); }

// The window rectangle that covers view rectangle `r`.
QRect CanvasWidget::to_window(Rect r) const {
  const qreal k = pixel_ratio();
  if (k == 1) return to_qrect(r);
  const int x0 = int(std::floor(r.x / k)), y0 = int(std::floor(r.y / k));
  return QRect(QPoint(x0, y0), QPoint(int(std::ceil(r.right() / k)) - 1,
                                      int(std::ceil(r.bottom() / k)) - 1));
}

// The view rectangle under window rectangle `r`.
QRect CanvasWidget::to_view_rect(const QRect& r) const {
  const qreal k = pixel_ratio();
  if (k == 1) return r;
  const int x0 = int(std::floor(r.x() * k)), y0 = int(std::floor(r.y() * k));
  return QRect(QPoint(x0, y0), QPoint(int(std::ceil((r.x() + r.width()) * k)) - 1,
                                      int(std::ceil((r.y() + r.height()) * k)) - 1));
}


CanvasWidget::~CanvasWidget() { close_tablet(); }

void CanvasWidget::attach_selection(Selection& selection, DrawingStateModel& model, PendingWork& pending) {
  selection_tool_ = std::make_unique<SelectionTool>(view_.document(), selection, model, pending);
  selection_tool_->set_host(this);
}

bool CanvasWidget::selection_press(PointF image, const HeldKeys& keys) {
  return selection_tool_ && selection_tool_->press(image, keys, view_.scale());
}
void CanvasWidget::selection_move(PointF image, const HeldKeys& keys) {
  if (selection_tool_) selection_tool_->move(image, keys);
}
void CanvasWidget::selection_release(PointF image, const HeldKeys& keys) {
  if (selection_tool_) selection_tool_->release(image, keys);
}
// Opened at the release, so the input layer has seen the whole click first.
void CanvasWidget::selection_menu(PointF) { select_menu_pending_ = true; }
bool CanvasWidget::has_floating_selection() {
  return selection_tool_ && selection_tool_->selection().floating();
}

void CanvasWidget::frame_changed() {
  const std::optional<Rect> frame = selection_tool_ ? selection_tool_->display_frame() : std::nullopt;
  const Rect now = frame ? bounds_of(feedback_pixels(frame_feedback(*frame), view_.geometry())) : Rect{};
  if (!frame_rect_.empty()) viewport()->update(to_window(frame_rect_));
  if (!now.empty()) viewport()->update(to_window(now));
  frame_rect_ = now;
}

void CanvasWidget::update_selection_cursor(PointF image) {
  if (!selection_tool_ || (input_ && input_->active())) return;
  if (!selection_tool_->tool_current()) {
    // Another tool: the handle cursors go.
    if (viewport()->testAttribute(Qt::WA_SetCursor)) viewport()->unsetCursor();
    return;
  }
  const Selection& sel = selection_tool_->selection();
  const int handle = selection_tool_->hover(image, view_.scale());
  const IntPoint p = pixel_of(image);
  Qt::CursorShape shape = handle_cursor(handle);
  if (handle == kHandleNone && sel.has_frame() && sel.frame().contains(p.x, p.y)) shape = Qt::SizeAllCursor;
  if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void CanvasWidget::attach_input(DrawingStateModel& model, const KeyBindings& keys, PendingWork& pending,
                                std::function<TextureView()> texture) {
  if (!held_keys_) held_keys_ = new HeldKeyTracker(this);
  texture_ = std::move(texture);
  const bool tablet = tablet_open();
  close_tablet();
  input_ = std::make_unique<InputDispatcher>(view_.document(), model, keys, pending, view_.geometry(),
                                             static_cast<InputHost&>(*this));
  model_ = &model;
  if (tablet) open_tablet();
}

void CanvasWidget::open_tablet() {
  if (!input_ || !model_ || tablet_open()) return;
  tablet_ = std::make_unique<TabletPacketHandler>(*input_, *model_);
  // Hover moves too: the brush circle and the information bar follow the
  // pen before it touches.
  viewport()->setAttribute(Qt::WA_TabletTracking);
  tablet_filter_ = std::make_unique<TabletEventFilter>(
      viewport(), [this](const TabletPacket& p, PointF cursor, Qt::KeyboardModifiers m) { tablet_packet(p, cursor, m); });
}

void CanvasWidget::close_tablet() {
  tablet_filter_.reset();
  tablet_.reset();
}

void CanvasWidget::tablet_packet(const TabletPacket& window_packet, PointF cursor, Qt::KeyboardModifiers modifiers) {
  // Qt gives window points; the view works in device pixels.
  const qreal k = pixel_ratio();
  TabletPacket packet = window_packet;
  packet.position = {packet.position.x * k, packet.position.y * k};
  TabletPacketContext context;
  context.cursor = {cursor.x * k, cursor.y * k};
  if (held_keys_) context.keys = held_keys_->keys(modifiers);
  context.time_ms = tick_count_ms();
  guarded([&] { tablet_->packet(packet, context); });
  after_pointer_event();
  const Point image = view_.window_to_image(int(std::floor(packet.position.x)), int(std::floor(packet.position.y)));
  emit pointer_image_position(image.x, image.y);
}

// With the tablet open its packets are the pen's input; a mouse event made
// from the pen (by Qt for an event nobody took, or by the system) repeats one.
bool CanvasWidget::pen_echo(const QMouseEvent* event) const {
  const QPointingDevice* device = event->pointingDevice();
  if (!tablet_open() || !device) return false;
  const QInputDevice::DeviceType type = device->type();
  return type == QInputDevice::DeviceType::Stylus || type == QInputDevice::DeviceType::Puck;
}

PointerEvent CanvasWidget::pointer_event(QMouseEvent* event, Qt::MouseButton button) const {
  PointerEvent e;
  to_button(button, e.button);
  const QPointF at = to_view(event->position());
  e.window = {at.x(), at.y()};
  if (held_keys_) e.keys = held_keys_->keys(event->modifiers());
  e.time_ms = tick_count_ms();
  return e;
}

void CanvasWidget::after_pointer_event() {
  // Multi-click figures keep the pointer between clicks; every other state
  // lets it go at its end.
  QWidget* port = viewport();
  const bool want = input_ && input_->wants_grab();
  if (want && QWidget::mouseGrabber() != port) port->grabMouse();
  if (!want && QWidget::mouseGrabber() == port) port->releaseMouse();
}

void CanvasWidget::feedback_changed() {
  if (!input_) return;
  const Feedback& f = input_->feedback();
  const Rect now = bounds_of(feedback_pixels(f, view_.geometry()));
  // The old feedback goes and the new one comes in one repaint of both places.
  if (!feedback_rect_.empty()) viewport()->update(to_window(feedback_rect_));
  if (!now.empty()) viewport()->update(to_window(now));
  feedback_rect_ = now;
  emit drag_size(f.size_w, f.size_h, f.size_shown);
}

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
  view_.place(view_size().width(), view_size().height());
  document_changed();
}

void CanvasWidget::show_rect(Rect window_rect) {
  if (!window_rect.empty()) viewport()->update(to_window(window_rect));
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
  // A frame never outlives a change of the canvas: it is cut to the new one.
  if (selection_tool_) selection_tool_->selection().fit_to(view_.document());
  show_rect(view_.document_changed());
  emit image_size_changed(view_.geometry().image_w, view_.geometry().image_h);
}
void CanvasWidget::document_replaced() {
  if (selection_tool_) selection_tool_->selection().reset();
  // place() is document_changed() without the recomposition.
  show_rect(view_.place(view_size().width(), view_size().height()));
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
  // Moved to a screen of another density: the view follows in device pixels.
  if (event->type() == QEvent::ScreenChangeInternal && placed_) {
    const QSize size = view_size();
    if (size.width() != view_.geometry().view_w || size.height() != view_.geometry().view_h)
      show_rect(view_.resize(size.width(), size.height()));
  }
  return QAbstractScrollArea::event(event);
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const ViewGeometry& g = view_.geometry();
  const QRect shown(0, 0, g.view_w, g.view_h);
  const QImage buffer = opaque_view(view_.backing());
  const QColor background(QRgb(view_.settings().canvas_background | 0xFF000000u));
  const qreal k = pixel_ratio();
  // Buffer pixels land on device pixels one to one: the target is the source
  // rectangle in window units.
  auto window_rect = [k](const QRect& v) {
    return QRectF(v.x() / k, v.y() / k, v.width() / k, v.height() / k);
  };
  for (const QRect& r : event->region()) {
    const QRect wanted = to_view_rect(r);
    const QRect from_buffer = buffer.isNull() ? QRect() : (wanted & shown);
    // A window larger than every screen (or no buffer): the rest is background.
    if (from_buffer != wanted) painter.fillRect(r, background);
    if (!from_buffer.isEmpty())
      painter.drawImage(window_rect(from_buffer), buffer, QRectF(from_buffer));
  }
  // The feedback, inverted over the image: redrawn from the input state in
  // every paint, so no repaint can leave a stale rubber band behind.
  auto invert = [&](const std::vector<Point>& pixels) {
    const QRect box =
        to_qrect(bounds_of(pixels)) & shown & to_view_rect(event->region().boundingRect());
    if (!box.isEmpty()) {
      QImage patch = buffer.copy(box);
      for (const Point& p : pixels)
        if (box.contains(p.x, p.y)) {
          QRgb* px = reinterpret_cast<QRgb*>(patch.scanLine(p.y - box.y())) + (p.x - box.x());
          *px = (~*px & 0x00FFFFFFu) | 0xFF000000u;
        }
      painter.setClipRegion(event->region());
      painter.drawImage(window_rect(box), patch, QRectF(patch.rect()));
    }
  };
  if (input_ && !input_->feedback().empty() && !buffer.isNull()) invert(feedback_pixels(input_->feedback(), g));
  if (selection_tool_ && !buffer.isNull())
    if (const std::optional<Rect> frame = selection_tool_->display_frame())
      invert(feedback_pixels(frame_feedback(*frame), g));
  emit painted();
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // Called for the area and for its viewport; the viewport's size is the view.
  const QSize size = view_size();
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
  show_rect(view_.place(view_size().width(), view_size().height()));
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
  if (pen_echo(event)) return event->accept();
  PointerButton b;
  if (input_ && to_button(event->button(), b)) {
    // Presses outside the canvas area never start anything (a held grab
    // still delivers them to the figure that holds it).
    if (input_->active() || viewport()->rect().contains(event->position().toPoint()))
      guarded([&] { input_->press(pointer_event(event, event->button())); });
    after_pointer_event();
  }
  emit pointer_pressed(event->position().toPoint(), event->button(), event->buttons(),
                       event->modifiers());
  event->accept();
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  if (pen_echo(event)) return event->accept();
  const QPoint pos = event->position().toPoint();
  const QPoint at = to_view(event->position()).toPoint();
  const Point image = view_.window_to_image(at.x(), at.y());
  emit pointer_image_position(image.x, image.y);
  if (input_) {
    guarded([&] { input_->move(pointer_event(event, Qt::LeftButton)); });
    after_pointer_event();
  }
  update_selection_cursor(
      window_to_image_fractional(view_.geometry(), to_view(event->position()).x(), to_view(event->position()).y()));
  emit pointer_moved(pos, event->buttons(), event->modifiers());
  event->accept();
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (pen_echo(event)) return event->accept();
  PointerButton b;
  if (input_ && to_button(event->button(), b)) {
    guarded([&] { input_->release(pointer_event(event, event->button())); });
    after_pointer_event();
  }
  if (select_menu_pending_ && event->button() == Qt::RightButton) {
    select_menu_pending_ = false;
    emit selection_menu_requested(event->globalPosition().toPoint());
  }
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
