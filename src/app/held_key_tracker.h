#pragma once
// The keys held down anywhere in the program, for the canvas: a press with
// Space, Enter, Backspace or a key-and-click key held starts a different
// action. Watches every key event of the application and forgets everything
// when the program loses focus (a key released elsewhere is never seen).
#include <QObject>

#include "canvas/input_types.h"

namespace qm {

class HeldKeyTracker : public QObject {
  Q_OBJECT

 public:
  // Installs itself on the application.
  explicit HeldKeyTracker(QObject* parent = nullptr);
  ~HeldKeyTracker() override;

  // The held keys; the modifiers are taken from `modifiers` (the pointer
  // event's, which are current even when a modifier went down elsewhere).
  HeldKeys keys(Qt::KeyboardModifiers modifiers) const;
  void reset() { keys_ = {}; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  HeldKeys keys_;
};

}  // namespace qm
