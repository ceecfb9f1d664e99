#include "app/filters/active_filter_dialog.h"

#include <QPointer>
#include <QWidget>

namespace qm {

namespace {
QPointer<QWidget>& active() {
  static QPointer<QWidget> dialog;
  return dialog;
}
}  // namespace

QWidget* active_filter_dialog() { return active().data(); }
void set_active_filter_dialog(QWidget* dialog) { active() = dialog; }
void clear_active_filter_dialog(QWidget* dialog) {
  if (active() == dialog) active() = nullptr;
}

}  // namespace qm
