#pragma once
// Full-screen view: the main window loses its title bar and frame and covers
// the whole screen it is on; leaving restores the frame and the rectangle it
// had before.
#include <QRect>
#include <QWidget>

namespace qm {

class FullScreenView {
 public:
  bool active() const { return active_; }
  // Both do nothing when already in the wanted state.
  void enter(QWidget& window);
  void leave(QWidget& window);

 private:
  bool active_ = false;
  QRect saved_geometry_;
  Qt::WindowFlags saved_flags_;
};

}  // namespace qm
