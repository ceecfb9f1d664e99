#include "app/held_key_tracker.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>

#include "platform/key_codes.h"
#include "state/key_bindings.h"

namespace qm {

HeldKeyTracker::HeldKeyTracker(QObject* parent) : QObject(parent) {
  if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

HeldKeyTracker::~HeldKeyTracker() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

HeldKeys HeldKeyTracker::keys(Qt::KeyboardModifiers modifiers) const {
  HeldKeys k = keys_;
  k.shift = modifiers & Qt::ShiftModifier;
  k.ctrl = modifiers & Qt::ControlModifier;
  k.alt = modifiers & Qt::AltModifier;
  return k;
}

bool HeldKeyTracker::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::ApplicationDeactivate) {
    reset();
  } else if (type == QEvent::ApplicationStateChange) {
    if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive)
      reset();
  } else if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType()) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool down = type == QEvent::KeyPress;
    if (!key->isAutoRepeat()) {
      switch (key->key()) {
        case Qt::Key_Space: keys_.space = down; break;
        case Qt::Key_Return: case Qt::Key_Enter: keys_.enter = down; break;
        case Qt::Key_Backspace: keys_.backspace = down; break;
        default: break;
      }
      const uint8_t vk = virtual_key_from_event(*key);
      if (vk) keys_.virtual_keys.set(vk, down);
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace qm
