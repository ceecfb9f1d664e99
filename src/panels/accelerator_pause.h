#pragma once
// Pauses the keyboard shortcuts of a window's actions (its accelerators)
// while set; menus and buttons still trigger the same actions.
#include <QObject>

class QWidget;

namespace qm {

class AcceleratorPause : public QObject {
 public:
  explicit AcceleratorPause(QWidget* window);
  void set_paused(bool paused) { paused_ = paused; }
  bool paused() const { return paused_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool paused_ = false;
};

}  // namespace qm
