#include "platform/tablet_events.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPointingDevice>
#include <QTabletEvent>

namespace qm {

TabletPacket tablet_packet_from(const QTabletEvent& event) {
  TabletPacket p;
  switch (event.pointerType()) {
    case QPointingDevice::PointerType::Eraser: p.cursor = kTabletCursorEraser; break;
    case QPointingDevice::PointerType::Pen: p.cursor = kTabletCursorPen; break;
    default: p.cursor = 0; break;  // a puck or an unknown tool
  }
  const Qt::MouseButtons b = event.buttons();
  if (b & Qt::LeftButton) p.buttons |= kTabletTip;
  if (b & Qt::MiddleButton) p.buttons |= kTabletSide1;
  if (b & Qt::RightButton) p.buttons |= kTabletSide2;
  p.position = {event.position().x(), event.position().y()};
  p.pressure = event.pressure();
  p.max_pressure = 1.0;
  return p;
}

void configure_tablet_delivery() {
  QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
  QCoreApplication::setAttribute(Qt::AA_SynthesizeMouseForUnhandledTabletEvents, true);
}

TabletEventFilter::TabletEventFilter(QObject* target, Sink sink) : target_(target), sink_(std::move(sink)) {
  target_->installEventFilter(this);
}

TabletEventFilter::~TabletEventFilter() {
  if (target_) target_->removeEventFilter(this);
}

bool TabletEventFilter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched != target_ ||
      (type != QEvent::TabletPress && type != QEvent::TabletMove && type != QEvent::TabletRelease))
    return QObject::eventFilter(watched, event);
  auto* tablet = static_cast<QTabletEvent*>(event);
  // The receiver's origin on the screen, to place the system cursor in the
  // same coordinates as the pen.
  const QPointF origin = tablet->globalPosition() - tablet->position();
  const QPointF cursor = QPointF(QCursor::pos()) - origin;
  tablet->accept();
  sink_(tablet_packet_from(*tablet), {cursor.x(), cursor.y()}, tablet->modifiers());
  return true;
}

}  // namespace qm
