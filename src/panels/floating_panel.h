#pragma once
// The floating windows around the canvas share this base: a top-level tool
// window owned by the main window, placed from [Window] (or its default place
// beside the main window's client area), shown by its WinViewFlag bit,
// toggled by command 40150 + index, its place written back at exit.
//
// While a panel is active the main window's accelerators still work (the
// panel carries the same actions) and keys it does not use go to the canvas;
// after a click on anything but a text field the keyboard returns to the
// canvas. A panel only subclasses this, builds its contents, reacts in
// drawing_changed(), and is handed to MainWindow::add_panel().
#include <QWidget>
#include <cstdint>
#include <functional>

#include "panels/panel_placement.h"

namespace qm {

struct AppState;
class DrawingStateModel;
class DrawingStateSignals;

// What every panel gets from the program.
struct PanelContext {
  AppState* state = nullptr;
  DrawingStateSignals* drawing = nullptr;
  QWidget* main_window = nullptr;  // the owner; its actions are shared
  QWidget* key_target = nullptr;   // the canvas: takes unused keys and the focus back
  // Runs a main-window command (false when it is disabled).
  std::function<bool(int id)> run_command;
};

class FloatingPanel : public QWidget {
  Q_OBJECT

 public:
  // `index`: the WinViewFlag bit number (kPanelTool …).
  FloatingPanel(const PanelContext& context, int index, const QString& title);
  ~FloatingPanel() override;

  int index() const { return index_; }
  const PanelContext& context() const { return context_; }
  AppState& state() const { return *context_.state; }
  DrawingStateModel& model() const;

  // Moves (and for windows with a stored size, sizes) the window to its
  // stored place, or its default one; `client`: the main window's client
  // area on screen.
  void place(const PanelRect& client);
  // The window's frame rectangle into Settings::windows.
  void store_place() const;

 protected:
  // Every change of the drawing state (the DrawingChange bits).
  virtual void drawing_changed(uint32_t what) { (void)what; }
  // Call once the contents are built: buttons, sliders and boxes no longer
  // take the keyboard, text fields still do.
  void keep_keyboard_with_canvas();
  // Gives the keyboard back to the canvas.
  void return_focus() const;

  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PanelContext context_;
  int index_;
};

}  // namespace qm
