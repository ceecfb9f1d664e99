// The main window's view and window operations: settings applied to the
// view, full screen, the floating windows, the information bar's place and
// the window placement kept in the settings.
#include <QHBoxLayout>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>

#include "app/canvas_settings.h"
#include "app/filters/active_filter_dialog.h"
#include "app/canvas_widget.h"
#include "app/info_bar.h"
#include "app/main_window.h"

#include "canvas/info_bar_text.h"
#include "canvas/windows_toggle.h"
#include "panels/floating_panel.h"

namespace qm {

namespace {

PanelRect to_panel_rect(const QRect& r) {
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

void MainWindow::store_view_flags() {
  // Only the view's own bits: the others (file preview, windows hidden,
  // paste as composite) are kept in the settings by their owners.
  constexpr int kViewOwned = kViewMirror | kViewChecker | kViewFullScreen | kViewGrid;
  int& flags = state_.settings.env.ex_view_flag;
  flags = (flags & ~kViewOwned) | (canvas_->view().settings().view_flags & kViewOwned);
}

void MainWindow::apply_settings() {
  Environment& env = state_.settings.env;
  canvas_->set_settings(view_settings_from(env));
  state_.undo.set_limit(env.undo_cnt);
  place_info_bar();
  update_title();
  refresh_actions();
}

void MainWindow::toggle_full_screen() {
  if (full_screen_.active())
    full_screen_.leave(*this);
  else
    full_screen_.enter(*this);
  canvas_->view().set_full_screen(full_screen_.active());
  store_view_flags();
}

// --- floating windows -------------------------------------------------------

void MainWindow::set_floating_window(int index, QWidget* window) {
  if (index < 0 || index >= int(floating_.size())) return;
  floating_[size_t(index)] = window;
  if (window) window->setVisible(state_.settings.env.win_view_flag & (1 << index));
  refresh_actions();
}

QWidget* MainWindow::floating_window(int index) const {
  return index >= 0 && index < int(floating_.size()) ? floating_[size_t(index)] : nullptr;
}

bool MainWindow::any_floating_window() const {
  for (QWidget* w : floating_)
    if (w) return true;
  return false;
}

void MainWindow::toggle_floating_window(int index) {
  QWidget* window = floating_window(index);
  if (!window) return;
  int& flags = state_.settings.env.win_view_flag;
  flags ^= 1 << index;
  window->setVisible(flags & (1 << index));
  if (window->isVisible()) window->raise();
}

void MainWindow::add_panel(FloatingPanel* panel) {
  const int index = panel->index();
  if (index < 0 || index >= int(panels_.size())) return;
  panels_[size_t(index)] = panel;
  floating_[size_t(index)] = panel;
  // An open filter dialog keeps the activation while it runs.
  hand_activation_to_filter_dialog(panel);
  // Before start-up's placement the panel waits for it; later ones come at once.
  if (placed_) {
    panel->place(to_panel_rect(client_area()));
    panel->setVisible(state_.settings.env.win_view_flag & (1 << index));
  }
  refresh_actions();
}

QRect MainWindow::client_area() const {
  // Maximising lands where the screen leaves room, even before the window
  // manager has done it.
  QRect r = geometry();
  if ((windowState() & Qt::WindowMaximized) && screen()) r = screen()->availableGeometry();
  const int menu = menuBar() && menuBar()->isVisible() ? menuBar()->height() : 0;
  return r.adjusted(0, menu, 0, 0);
}

// Panels stay above their owner, window manager or not.
void MainWindow::raise_panels() {
  for (FloatingPanel* panel : panels_)
    if (panel && panel->isVisible()) panel->raise();
}

void MainWindow::hide_panels() {
  for (FloatingPanel* panel : panels_)
    if (panel) panel->hide();
}

void MainWindow::toggle_all_windows() {
  Environment& env = state_.settings.env;
  const bool hidden = env.ex_view_flag & kViewFlagWindowsHidden;
  const WindowsToggle t = qm::toggle_all_windows(env.win_view_flag & kFloatingWindowMask,
                                                  env.view_bk_flag, hidden);
  for (int i = 0; i < int(floating_.size()); ++i)
    if (t.toggle & (1 << i)) toggle_floating_window(i);
  env.view_bk_flag = t.saved;
  env.ex_view_flag = t.hidden ? (env.ex_view_flag | kViewWindowsHidden)
                              : (env.ex_view_flag & ~kViewWindowsHidden);
  raise();
  activateWindow();
  raise_panels();
}

// --- information bar --------------------------------------------------------

void MainWindow::place_info_bar() {
  const int position = state_.settings.env.info_bar_pos;
  if (position == kInfoBarHidden) {
    info_bar_->hide();
    return;
  }
  if (position == kInfoBarTopStrip) {
    if (info_bar_->parentWidget() != info_bar_slot_) {
      info_bar_->setParent(info_bar_slot_);
      info_bar_slot_->layout()->addWidget(info_bar_);
    }
    info_bar_->setFixedSize(info_bar_->sizeHint());
    info_bar_->show();
    return;
  }
  // A corner of the canvas area, over the picture.
  QWidget* area = canvas_->viewport();
  if (info_bar_->parentWidget() != area) {
    info_bar_slot_->layout()->removeWidget(info_bar_);
    info_bar_->setParent(area);
  }
  const QSize size = info_bar_->sizeHint();
  const Rect r = info_bar_rect(position, {}, {0, 0, area->width(), area->height()},
                               size.width(), size.height());
  info_bar_->setGeometry(r.x, r.y, r.w, r.h);
  info_bar_->show();
  info_bar_->raise();
}

// --- placement --------------------------------------------------------------

void MainWindow::show_placed() {
  const WindowLayout& layout = state_.settings.windows;
  const WindowRect& r = layout.main;
  if (r.left == kNeverPlaced) {
    resize(800, 600);
  } else {
    move(r.left, r.top);
    resize(std::max(r.right - r.left, 200), std::max(r.bottom - r.top, 150));
  }
  // A stored minimised state starts normal.
  if (layout.main_show_cmd == 3)
    showMaximized();
  else
    show();
  // Then the panels, in their fixed order, each by its WinViewFlag bit.
  placed_ = true;
  const PanelRect client = to_panel_rect(client_area());
  for (FloatingPanel* panel : panels_) {
    if (!panel) continue;
    panel->place(client);
    panel->setVisible(state_.settings.env.win_view_flag & (1 << panel->index()));
  }
  raise();
  activateWindow();
  raise_panels();
}

void MainWindow::store_placement() {
  WindowLayout& layout = state_.settings.windows;
  // The normal rectangle, whatever the state: a maximised window comes back
  // maximised over the same normal rectangle.
  const QRect normal = (isMaximized() || full_screen_.active()) ? normalGeometry() : geometry();
  const QPoint frame_offset = geometry().topLeft() - frameGeometry().topLeft();
  layout.main.left = normal.left() - frame_offset.x();
  layout.main.top = normal.top() - frame_offset.y();
  layout.main.right = layout.main.left + normal.width();
  layout.main.bottom = layout.main.top + normal.height();
  layout.main_show_cmd = isMaximized() ? 3 : 1;
  for (const FloatingPanel* panel : panels_)
    if (panel) panel->store_place();
}

}  // namespace qm
