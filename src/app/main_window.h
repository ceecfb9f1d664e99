#pragma once
// The main window: menu bar, toolbar strip, information bar and the canvas.
// Every menu item, accelerator, toolbar button and bound key arrives as a
// command number and goes through the command registry; the document flows
// (new, open, save, close) live in DocumentFlows. The window itself only
// builds the menus from their table, keeps their states current, and
// carries the view and window operations the commands call.
#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>

#include "app/command_context.h"
#include "app/command_registry.h"
#include "app/document_flows.h"
#include "app/full_screen_view.h"
#include "app/progress_job.h"
#include "state/key_bindings.h"

class QAction;
class QMenu;
class QToolBar;
class QToolButton;

namespace qm {

class CanvasWidget;
class DrawingStateSignals;
class FloatingPanel;
class InfoBar;
class QtPrompts;

class MainWindow : public QMainWindow, private FlowListener, private JobRunner {
  Q_OBJECT

 public:
  // `prompts`: how the flows ask the user; nullptr for the real dialogs.
  explicit MainWindow(AppState& state, std::unique_ptr<UserPrompts> prompts = nullptr,
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  AppState& state() { return state_; }
  CanvasWidget& canvas() { return *canvas_; }
  InfoBar& info_bar() { return *info_bar_; }
  DocumentFlows& flows() { return flows_; }
  const CommandRegistry& commands() const { return registry_; }
  CommandContext& context() { return context_; }
  // How commands talk to the user (message boxes, questions).
  UserPrompts& prompts() { return *prompts_; }

  // The action of a menu item or button; nullptr for an id without one.
  QAction* action(int id) const;
  QMenu* recent_files_menu() const { return recent_files_menu_; }
  QMenu* open_button_menu() const { return open_menu_; }
  QMenu* save_as_button_menu() const { return save_as_menu_; }

  // Runs a command when it is enabled; false otherwise.
  bool run_command(int id, CommandOrigin origin = CommandOrigin::kMenu);
  // Enabled and check states of every action, from the registry. Menus read
  // them as they open; whatever else changes them (an edit makes undo
  // possible) calls this, so the accelerators and buttons follow.
  void refresh_actions();

  // After Settings::env changed: the view's settings, the undo limit, the
  // title and the information bar's place.
  void apply_settings();
  // The view's flags (mirror, checkerboard, grid ...) into ExViewFlag.
  void store_view_flags();
  void update_title();
  void rebuild_recent_menus();
  void toggle_full_screen();
  // The zoom presets as a pop-up at the zoom button (or the pointer).
  void show_zoom_menu();

  // Floating windows, registered by the panels that own them (index: the
  // WinViewFlag bit number).
  void set_floating_window(int index, QWidget* window);
  QWidget* floating_window(int index) const;
  bool any_floating_window() const;
  void toggle_floating_window(int index);
  void toggle_all_windows();
  // A panel of panels/ (its index is its WinViewFlag bit): placed and shown
  // with the others, its place stored at exit.
  void add_panel(FloatingPanel* panel);
  // The drawing state's Qt signals, shared by the panels.
  DrawingStateSignals& drawing_signals() { return *drawing_signals_; }
  // The client area (below the menu bar) on screen, which the panels'
  // default places are relative to.
  QRect client_area() const;

  // Window placement from Settings::windows (then shown), and back.
  void show_placed();
  void store_placement();

  // Long work under the modal progress dialog; the document is reachable
  // only by the job while it runs.
  int run_job(const JobFunction& job);
  bool job_running() const;
  // Called just after each job's worker started (tests act while it runs).
  void set_job_started_hook(std::function<void(ProgressDialog&)> hook) {
    job_started_hook_ = std::move(hook);
  }

  // Undo and redo with the refresh they ask for.
  void undo();
  void redo();
  // The Select menu as a pop-up at `global` (the right button with the
  // Rectangle select tool).
  void show_select_menu(QPoint global);

 signals:
  // Bound-key actions that belong to the tools (tool and draw-type choice,
  // colours, brush size, ...), for the tool layer.
  void key_action(const qm::KeyAction& action);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // FlowListener
  void document_replaced() override;
  void title_changed() override;
  void recent_lists_changed() override;
  // JobRunner
  int run(const JobFunction& job) override { return run_job(job); }

  void history_step(bool redo);
  void build_menus();
  void build_toolbar();
  QAction* make_action(int id, const QString& text, const char* accel);
  void on_key(int key, Qt::KeyboardModifiers modifiers);
  void place_info_bar();
  bool accepts_drops() const;
  void hide_panels();
  void raise_panels();

  AppState& state_;
  std::unique_ptr<UserPrompts> prompts_;
  QtPrompts* qt_prompts_ = nullptr;  // prompts_ when they are the real dialogs
  DocumentFlows flows_;
  CommandRegistry registry_;
  CommandContext context_;

  CanvasWidget* canvas_;
  InfoBar* info_bar_;
  QToolBar* toolbar_ = nullptr;
  QWidget* info_bar_slot_ = nullptr;  // the toolbar's place for the bar
  QToolButton* zoom_button_ = nullptr;
  QMenu* recent_files_menu_ = nullptr;
  QMenu* open_menu_ = nullptr;
  QMenu* save_as_menu_ = nullptr;
  std::map<int, QAction*> actions_;
  std::array<QWidget*, 9> floating_{};
  std::array<FloatingPanel*, 9> panels_{};
  DrawingStateSignals* drawing_signals_;
  bool placed_ = false;  // show_placed() ran
  FullScreenView full_screen_;
  int jobs_running_ = 0;
  std::function<void(ProgressDialog&)> job_started_hook_;
};

}  // namespace qm
