#pragma once
// Helpers for driving dialogs without a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

namespace qm::test {

// Runs `run` (which opens a modal dialog and waits for it) and, once the
// dialog is up, hands it to `act` to click, type or close. Should no dialog
// appear, every modal widget is rejected after a few tries so the test
// fails instead of hanging.
template <typename Run>
auto with_modal_dialog(std::function<void(QDialog&)> act, Run run) {
  auto tries = std::make_shared<int>(0);
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [act, tries, poll] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      act(*dialog);
      *poll = nullptr;  // break the self-reference
      return;
    }
    if (++*tries > 50) {
      ADD_FAILURE() << "no modal dialog appeared";
      while (QWidget* w = QApplication::activeModalWidget()) w->close();
      *poll = nullptr;
      return;
    }
    QTimer::singleShot(10, *poll);
  };
  QTimer::singleShot(0, *poll);
  return run();
}

inline void accept_dialog(QDialog& dialog) { dialog.accept(); }
inline void reject_dialog(QDialog& dialog) { dialog.reject(); }

}  // namespace qm::test
