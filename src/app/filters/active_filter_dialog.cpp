#include "app/filters/active_filter_dialog.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace qm {

namespace {

QPointer<QWidget>& active() {
  static QPointer<QWidget> dialog;
  return dialog;
}

class ActivationToDialog : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    QWidget* dialog = active().data();
    if (event->type() == QEvent::WindowActivate && dialog && watched != dialog) {
      // After the window system has finished activating the panel.
      QTimer::singleShot(0, dialog, [dialog] {
        dialog->raise();
        dialog->activateWindow();
      });
    }
    return false;
  }
};

}  // namespace

QWidget* active_filter_dialog() { return active().data(); }
void set_active_filter_dialog(QWidget* dialog) { active() = dialog; }
void clear_active_filter_dialog(QWidget* dialog) {
  if (active() == dialog) active() = nullptr;
}

void hand_activation_to_filter_dialog(QWidget* panel) {
  if (panel) panel->installEventFilter(new ActivationToDialog(panel));
}

}  // namespace qm
