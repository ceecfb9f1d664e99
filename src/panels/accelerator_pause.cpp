#include "panels/accelerator_pause.h"

#include <QAction>
#include <QEvent>
#include <QWidget>

namespace qm {

AcceleratorPause::AcceleratorPause(QWidget* window) : QObject(window) {
  // A shortcut reaches its action as a shortcut event; a menu click does not.
  if (window)
    for (QAction* action : window->actions()) action->installEventFilter(this);
}

bool AcceleratorPause::eventFilter(QObject* watched, QEvent* event) {
  if (paused_ && event->type() == QEvent::Shortcut) return true;
  return QObject::eventFilter(watched, event);
}

}  // namespace qm
