#include "panels/floating_panel.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/drawing_state_signals.h"

namespace qm {

namespace {

bool takes_text(const QWidget* w) {
  return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
         qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

}  // namespace

FloatingPanel::FloatingPanel(const PanelContext& context, int index, const QString& title)
    : QWidget(context.main_window, Qt::Tool), context_(context), index_(index) {
  setWindowTitle(title);
  setAttribute(Qt::WA_ShowWithoutActivating);
  // Only the main window's closing ends the program.
  setAttribute(Qt::WA_QuitOnClose, false);
  // The accelerators (window shortcuts of the main window) also in here.
  if (context_.main_window) addActions(context_.main_window->actions());
  if (context_.drawing)
    connect(context_.drawing, &DrawingStateSignals::changed, this,
            [this](quint32 what) { drawing_changed(what); });
  qApp->installEventFilter(this);
}

FloatingPanel::~FloatingPanel() = default;

DrawingStateModel& FloatingPanel::model() const { return context_.state->drawing; }

void FloatingPanel::place(const PanelRect& client) {
  const PanelPlace p = panel_place(index_, context_.state->settings.windows, client);
  if (p.width > 0 || p.height > 0) {
    // Stored sizes are frame sizes; the frame is known once shown.
    const QSize extra = frameGeometry().size() - size();
    resize(p.width > 0 ? std::max(p.width - extra.width(), 16) : width(),
           p.height > 0 ? std::max(p.height - extra.height(), 16) : height());
  }
  move(p.x, p.y);
}

void FloatingPanel::store_place() const {
  const QRect f = frameGeometry();
  store_panel_place(index_, {f.left(), f.top(), f.left() + f.width(), f.top() + f.height()},
                    context_.state->settings.windows);
}

void FloatingPanel::keep_keyboard_with_canvas() {
  for (QWidget* w : findChildren<QWidget*>())
    if (!takes_text(w) && !takes_text(w->parentWidget())) w->setFocusPolicy(Qt::NoFocus);
}

void FloatingPanel::return_focus() const {
  if (!context_.key_target) return;
  if (context_.main_window && context_.main_window->isVisible())
    context_.main_window->activateWindow();
  context_.key_target->setFocus(Qt::OtherFocusReason);
}

void FloatingPanel::keyPressEvent(QKeyEvent* event) {
  // Whatever the panel does not use belongs to the canvas' key bindings.
  if (context_.key_target)
    QCoreApplication::sendEvent(context_.key_target, event);
  else
    QWidget::keyPressEvent(event);
}

void FloatingPanel::keyReleaseEvent(QKeyEvent* event) {
  if (context_.key_target)
    QCoreApplication::sendEvent(context_.key_target, event);
  else
    QWidget::keyReleaseEvent(event);
}

void FloatingPanel::closeEvent(QCloseEvent* event) {
  // Closing by the title bar is the same as the View menu's toggle, so the
  // visibility flag and the check mark follow.
  event->ignore();
  if (context_.run_command) context_.run_command(cmd::kFirstWindow + index_);
}

bool FloatingPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && watched->isWidgetType()) {
    auto* w = static_cast<QWidget*>(watched);
    if (w->window() == this && !takes_text(w) && !takes_text(w->parentWidget()))
      return_focus();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qm
