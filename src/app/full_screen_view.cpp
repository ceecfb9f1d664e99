#include "app/full_screen_view.h"

#include <QScreen>

namespace qm {

void FullScreenView::enter(QWidget& window) {
  if (active_) return;
  saved_geometry_ = window.geometry();
  saved_flags_ = window.windowFlags();
  const QRect screen = window.screen()->geometry();
  // Changing the flags hides the window; show it again at the new place.
  window.setWindowFlags(saved_flags_ | Qt::FramelessWindowHint);
  window.setGeometry(screen);
  window.show();
  active_ = true;
}

void FullScreenView::leave(QWidget& window) {
  if (!active_) return;
  window.setWindowFlags(saved_flags_);
  window.setGeometry(saved_geometry_);
  window.show();
  active_ = false;
}

}  // namespace qm
