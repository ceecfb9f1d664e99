#pragma once
// The pen through Qt: the tablet events a widget receives become tablet
// packets. Every event is taken (accepted), so Qt makes no mouse events of
// it and a stroke is never drawn twice; events Qt delivers elsewhere (the
// scroll bars) are left alone and reach their widgets as mouse events.
#include <QObject>
#include <QPointer>
#include <functional>

#include "canvas/tablet_packet.h"

class QTabletEvent;

namespace qm {

// The packet of `event` in the coordinates of the widget it was sent to:
// the eraser end from the pointer type, the tip and the lower and upper side
// buttons from Qt's left, middle and right buttons, Qt's pressure (0 … 1).
TabletPacket tablet_packet_from(const QTabletEvent& event);

// Pen events as the canvas needs them: every packet on its own, never
// merged into fewer moves, and mouse events made for the tablet events no
// widget takes. Set before the application object exists.
void configure_tablet_delivery();

class TabletEventFilter : public QObject {
 public:
  // The packet, the system cursor in the same coordinates, and the keyboard
  // modifiers of the event.
  using Sink = std::function<void(const TabletPacket&, PointF cursor, Qt::KeyboardModifiers)>;

  // Takes `target`'s tablet events until destroyed.
  TabletEventFilter(QObject* target, Sink sink);
  ~TabletEventFilter() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QObject> target_;
  Sink sink_;
};

}  // namespace qm
