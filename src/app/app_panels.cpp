#include "app/app_panels.h"

#include "app/canvas_widget.h"
#include "app/commands_filters.h"
#include "app/main_window.h"
#include "panels/control_panel.h"
#include "panels/tool_panel.h"

namespace qm {

PanelContext panel_context(MainWindow& window) {
  PanelContext c;
  c.state = &window.state();
  c.drawing = &window.drawing_signals();
  c.main_window = &window;
  c.key_target = &window.canvas();
  c.run_command = [&window](int id) { return window.run_command(id); };
  return c;
}

void create_panels(MainWindow& window) {
  const PanelContext context = panel_context(window);
  window.add_panel(new ToolPanel(context));
  window.add_panel(new ControlPanel(context));
  window.add_panel(create_filter_list_panel(context));
}

}  // namespace qm
