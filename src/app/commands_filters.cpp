// The filter menu: every filter command runs through the filter runner, with
// the main window as its host; and the filter list window.
#include "app/commands_filters.h"

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_context.h"
#include "app/command_registry.h"
#include "app/filters/filter_list_panel.h"
#include "app/filters/filter_runner.h"
#include "app/filters/own_dialog_filters.h"
#include "app/main_window.h"
#include "app/menu_table.h"
#include "filters/filter_table.h"

namespace qm {

namespace {

class WindowFilterHost final : public FilterHost {
 public:
  explicit WindowFilterHost(MainWindow& window) : window_(window) {}
  AppState& state() override { return window_.state(); }
  QWidget* owner() override { return &window_; }
  int run_job(const JobFunction& job) override { return window_.run_job(job); }
  // The canvas recomposites the rectangle itself before it rescales it.
  void pixels_changed(Rect r) override { window_.canvas().update_rect(r); }
  // Filters work inside the frame (the runner puts a floating image down first).
  const SelectionArea* selection() override { return &window_.state().selection; }
  Rect visible_image_rect() override { return window_.canvas().view().visible_image_rect(); }
  void composited(Rect) override { window_.canvas().present_dirty(); }

 private:
  MainWindow& window_;
};

void run(CommandContext& c, int id, CommandOrigin) {
  WindowFilterHost host(c.window());
  run_filter_command(host, id);
}

bool enabled(const CommandContext& c, int id) { return filter_command_enabled(c.state(), id); }

}  // namespace

void register_filter_commands(CommandRegistry& r) {
  register_own_dialog_filters();
  for (const filters::FilterCommand& f : filters::filter_commands()) r.add(f.id, {run, enabled});
}

FloatingPanel* create_filter_list_panel(const PanelContext& context) {
  return new FilterListPanel(context, main_menu_table());
}

}  // namespace qm
